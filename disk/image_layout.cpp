#include "disk/image_layout.h"

#include <algorithm>
#include <cwctype>

#include "disk/file_system_probe.h"
#include "disk/volume_file_system.h"
#include "platform/file.h"
#include "platform/folders.h"

namespace qm {
namespace {

constexpr uint64_t kMinGapBytes = 1024 * 1024;

VolumeEntry gapEntry(uint64_t start, uint64_t length, uint32_t sectorSize) {
    VolumeEntry gap;
    gap.start = start;
    gap.length = length;
    gap.totalBytes = length * sectorSize;
    gap.freeBytes = gap.totalBytes;
    return gap;
}

}  // namespace

bool ImageLayout::PartitionArea(size_t number, uint64_t& firstSector, uint64_t& sectorCount) const {
    if (number == 0 || number > entries.size()) return false;
    const VolumeEntry& e = entries[number - 1];
    if (e.partitionNumber < 0) return false;
    if (unitBytes == 0 || table.sectorSize % unitBytes != 0) return false;
    const uint64_t ratio = table.sectorSize / unitBytes;
    if (ratio == 0 || e.start > UINT64_MAX / ratio || e.length > UINT64_MAX / ratio) return false;
    firstSector = e.start * ratio;
    sectorCount = e.length * ratio;
    // A partition that runs past the medium's end is read as far as the medium goes.
    const uint64_t imageSectors = bytes / unitBytes;
    if (firstSector >= imageSectors) return false;
    sectorCount = std::min(sectorCount, imageSectors - firstSector);
    return sectorCount != 0;
}

ImageLayout ReadImageLayout(SectorReader& reader) {
    ImageLayout layout;
    layout.unitBytes = reader.deviceSectorSize ? reader.deviceSectorSize : kDefaultSectorSize;
    layout.bytes = reader.totalSectors * layout.unitBytes;
    // An image's last part sector still holds table bytes (a backup GPT header ends there).
    if (platform::File* file = reader.File(); file && layout.unitBytes == kDefaultSectorSize) {
        uint64_t size = 0;
        if (file->size(size) == 0 && size > layout.bytes) layout.bytes = size;
    }
    layout.table = ReadPartitionTable(
        [&reader](uint64_t offset, void* buffer, size_t length, size_t& got) {
            return reader.ReadBytes(offset, buffer, length, got);
        },
        layout.bytes);
    if (!layout.IsDisk()) return layout;

    const uint32_t sectorSize = layout.table.sectorSize ? layout.table.sectorSize : kDefaultSectorSize;
    const uint64_t minGap = std::max<uint64_t>(1, kMinGapBytes / sectorSize);
    const uint64_t totalSectors = layout.bytes / sectorSize;
    std::vector<PartitionEntry> parts = layout.table.entries;
    std::sort(parts.begin(), parts.end(),
              [](const PartitionEntry& a, const PartitionEntry& b) { return a.firstSector < b.firstSector; });
    uint64_t previousEnd = minGap;  // the table and the alignment space before the first partition
    std::vector<uint8_t> probe(kProbeSize);
    for (const PartitionEntry& p : parts) {
        if (p.firstSector > previousEnd && p.firstSector - previousEnd > minGap)
            layout.entries.push_back(gapEntry(previousEnd, p.firstSector - previousEnd, sectorSize));
        VolumeEntry e;
        e.start = p.firstSector;
        e.length = p.sectorCount;
        e.partitionNumber = p.number;
        e.totalBytes = p.sectorCount * sectorSize;
        e.fsType = p.mbrType != 0 ? p.mbrType : kFsTypeOtherPartition;
        std::fill(probe.begin(), probe.end(), 0);
        size_t got = 0;
        if (p.firstSector <= UINT64_MAX / sectorSize &&
            reader.ReadBytes(p.firstSector * sectorSize, probe.data(), probe.size(), got) == 0 && got >= 512) {
            std::wstring name, label;
            const uint8_t fsType = DescribeVolumeFileSystem(ByteView(probe.data(), got), name, label);
            if (fsType != 0) {
                e.fsType = fsType;
                e.fsName = name;
                e.label = label;
            }
        }
        if (e.fsName.empty()) e.fsName = p.typeName;
        layout.entries.push_back(e);
        previousEnd = std::max(previousEnd, p.firstSector + p.sectorCount);
    }
    if (totalSectors > previousEnd && totalSectors - previousEnd > minGap)
        layout.entries.push_back(gapEntry(previousEnd, totalSectors - previousEnd, sectorSize));
    uint16_t tag = 1;
    for (VolumeEntry& e : layout.entries) e.tag = tag++;
    return layout;
}

int ReadImageLayout(const std::wstring& imagePath, ImageLayout& out) {
    SectorReader reader;
    if (int rc = reader.OpenImageFile(imagePath); rc != 0) return rc;
    out = ReadImageLayout(reader);
    return 0;
}

void ReadTablesOfBareDisks(std::vector<VolumeEntry>& entries, const DiskOpener& open) {
    std::vector<VolumeEntry> out;
    bool changed = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const VolumeEntry& e = entries[i];
        const bool alone = (i == 0 || entries[i - 1].diskNumber != e.diskNumber) &&
                           (i + 1 == entries.size() || entries[i + 1].diskNumber != e.diskNumber);
        if (!alone || e.fsType != 0 || e.start != 0 || e.diskNumber < 0) {
            out.push_back(e);
            continue;
        }
        SectorReader reader;
        const int rc = open ? open(e.diskNumber, reader) : reader.OpenDisk(e.diskNumber);
        const ImageLayout layout = rc == 0 ? ReadImageLayout(reader) : ImageLayout{};
        if (!layout.IsDisk() || layout.entries.empty() || layout.table.sectorSize != layout.unitBytes) {
            out.push_back(e);
            continue;
        }
        for (VolumeEntry part : layout.entries) {
            part.diskNumber = e.diskNumber;
            part.tag = kTagUnnumbered;
            out.push_back(part);
        }
        changed = true;
    }
    if (!changed) return;
    uint16_t counter = 1;
    for (VolumeEntry& e : out) {
        if (!HasDriveLetter(e)) e.tag = counter;
        ++counter;
    }
    entries = std::move(out);
}

bool SplitImagePartitionName(const std::wstring& text, std::wstring& imagePath, size_t& number) {
    const size_t colon = text.rfind(L':');
    if (colon == std::wstring::npos || colon == 0 || colon + 1 >= text.size() || text.size() - colon > 7) return false;
    size_t value = 0;
    for (size_t i = colon + 1; i < text.size(); ++i) {
        if (!std::iswdigit(static_cast<wint_t>(text[i]))) return false;
        value = value * 10 + static_cast<size_t>(text[i] - L'0');
    }
    if (value == 0 || platform::pathExists(text)) return false;
    const std::wstring path = text.substr(0, colon);
    if (!platform::pathExists(path)) return false;
    imagePath = path;
    number = value;
    return true;
}

}  // namespace qm

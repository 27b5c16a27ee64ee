// Boot sectors: the area's own, and those met inside it. A FAT32 volume keeps a copy of its
// boot sector a few sectors in (usually 6); met on its own, with the first one damaged, the
// copy places the volume where the volume starts, not where the copy lies.
#include <algorithm>

#include "disk/fat_boot_sector.h"
#include "disk/file_system_probe.h"
#include "engines/professional/pro_fat_directory_sector.h"
#include "engines/professional/professional_fat_recovery.h"
#include "platform/errors.h"

namespace qm {
namespace {

bool allZero(const std::vector<uint8_t>& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace

// The geometry a FAT boot sector at `volumeStart` gives, in the medium's sectors.
std::optional<profat::FatGeometry> CProfessionalFatRecovery::BootGeometry(ByteView view, uint64_t volumeStart,
                                                                          qm::FatGeometry& decoded) const {
    // A root folder pointer that went bad does not hide where the clusters are.
    if (!LooksLikeFatBootSector(view) || DecodeFatBootSector(view, decoded, nullptr, true) != 0) return std::nullopt;
    // The boot sector counts in its own sectors; the scan counts in the medium's.
    if (decoded.bytesPerSector % sectorSize_ != 0) return std::nullopt;
    const uint64_t ratio = decoded.bytesPerSector / sectorSize_;
    if (uint64_t{decoded.dataStart} * ratio > UINT32_MAX || decoded.sectorsPerCluster * ratio > 128)
        return std::nullopt;
    profat::FatGeometry g;
    g.sectorsPerCluster = static_cast<uint32_t>(decoded.sectorsPerCluster * ratio);
    g.dataStart = static_cast<uint32_t>(decoded.dataStart * ratio);
    g.rootSectors = decoded.isFat32() ? profat::FatGeometry::kFixedRootSectors
                                      : static_cast<uint32_t>(decoded.rootDirSectors * ratio);
    g.volumeStart = volumeStart;
    return g;
}

bool CProfessionalFatRecovery::LayoutFitsAt(const qm::FatGeometry& d, uint64_t start) {
    const uint64_t ratio = d.bytesPerSector / sectorSize_;
    bool table = false;
    // The second table stands in for a first one that is damaged too.
    for (uint32_t copy = 0; copy < std::min<uint32_t>(d.fatCount, 2) && !table; ++copy) {
        const uint64_t at = start + (uint64_t{d.reservedSectors} + uint64_t{copy} * d.sectorsPerFat) * ratio;
        table = ReadSector(at, scratch_) && FatTableBegins(ByteView(scratch_.data(), scratch_.size()), d);
    }
    if (!table) return false;
    // The root directory, or nothing yet, where the data area begins from this start.
    const uint64_t root = start + (uint64_t{d.dataStart} + uint64_t{d.rootCluster - 2} * d.sectorsPerCluster) * ratio;
    if (!ReadSector(root, scratch_)) return false;
    return profat::IsDirectorySector(scratch_.data(), scratch_.size()) || allZero(scratch_);
}

std::optional<uint64_t> CProfessionalFatRecovery::BackupVolumeStart(const qm::FatGeometry& d, uint64_t sector) {
    if (!d.isFat32() || d.backupBootSector == 0) return std::nullopt;
    const uint64_t ratio = d.bytesPerSector / sectorSize_;
    const uint64_t distance = uint64_t{d.backupBootSector} * ratio;
    if (sector < areaStart_ || sector - areaStart_ < distance) return std::nullopt;
    const uint64_t start = sector - distance;
    // On a scanned disk the hidden count is the volume's own start: one that names this
    // sector marks a first boot sector. In an image of a partition it means nothing here.
    const uint64_t hidden = uint64_t{d.hiddenSectors} * ratio;
    if (hidden != 0 && hidden == sector) return std::nullopt;
    if (!LayoutFitsAt(d, start)) return std::nullopt;
    // Tables and root where a volume starting here would have them make it a first boot
    // sector after all, unless the hidden count says otherwise.
    if (hidden != start && LayoutFitsAt(d, sector)) return std::nullopt;
    return start;
}

bool CProfessionalFatRecovery::TakeAreaBootGeometry(const profat::FatGeometry& g, const qm::FatGeometry& decoded) {
    if (geometries_.Add(g) != 0) return false;
    bootGeometry_ = true;
    fat32_ = decoded.isFat32();
    rootCluster_ = decoded.isFat32() ? decoded.rootCluster : 0;
    return true;
}

int CProfessionalFatRecovery::PrepareFatScan() {
    if (!opened_) return kErrorInvalidHandle;
    // Enough sectors to reach the usual copy of a FAT32 boot sector.
    const uint32_t count = std::max<uint32_t>(kFatBackupBootSector + 1, kBootAreaBytes / sectorSize_);
    std::vector<uint8_t> boot(static_cast<size_t>(count) * sectorSize_, 0);
    uint32_t got = 0;
    const int rc = reader_.ReadSectors(count, boot.data(), areaStart_, sectorSize_, got);
    if (got == 0) return rc != 0 ? rc : kErrorReadFault;
    const ByteView area(boot.data(), static_cast<size_t>(got) * sectorSize_);
    qm::FatGeometry decoded;
    if (const auto g = BootGeometry(area, areaStart_, decoded)) {
        TakeAreaBootGeometry(*g, decoded);
        return 0;
    }
    // The first sector is damaged: a copy among the next ones that places its volume here.
    for (uint32_t k = 1; k < got; ++k) {
        const uint64_t sector = areaStart_ + k;
        const auto g = BootGeometry(area.sub(size_t{k} * sectorSize_), areaStart_, decoded);
        if (g && BackupVolumeStart(decoded, sector) == areaStart_) {
            TakeAreaBootGeometry(*g, decoded);
            return 0;
        }
    }
    return 0;
}

void CProfessionalFatRecovery::OnBootSector(ByteView sector, uint64_t absoluteSector) {
    // The area's own boot sector was taken by PrepareFatScan; a repeat changes nothing.
    if (absoluteSector == areaStart_) return;
    qm::FatGeometry decoded;
    auto g = BootGeometry(sector, absoluteSector, decoded);
    if (!g) return;
    if (const auto start = BackupVolumeStart(decoded, absoluteSector)) {
        g->volumeStart = *start;
        // A copy of the area's own boot sector stands for a first one that could not be read.
        if (*start == areaStart_ && !bootGeometry_ && TakeAreaBootGeometry(*g, decoded)) return;
    }
    const int index = geometries_.Add(*g);
    if (index >= 0 && !decoded.isFat32()) ReadFixedRoot(index, decoded);
}

}  // namespace qm

#include "disk/source.h"

#include <algorithm>
#include <vector>

#include "platform/errors.h"

namespace qm {

SourceLocation SourceLocation::Image(const std::wstring& path, uint16_t tag) {
    SourceLocation where;
    where.isImage = true;
    where.diskNumber = -1;
    where.imagePath = path;
    where.tag = tag;
    return where;
}

SourceLocation SourceLocation::ImagePartition(const std::wstring& path, uint16_t tag, uint64_t firstSector,
                                             uint64_t sectorCount) {
    SourceLocation where = Image(path, tag);
    where.firstSector = firstSector;
    where.sectorCount = sectorCount;
    return where;
}

SourceLocation SourceLocation::Partition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t tag) {
    SourceLocation where;
    where.diskNumber = diskNumber;
    where.firstSector = firstSector;
    where.sectorCount = sectorCount;
    where.tag = tag;
    return where;
}

int OpenSource(const SourceLocation& where, Source& out) {
    out = Source{};
    out.where = where;
    if (where.isImage) {
        if (int rc = out.reader.OpenImageFile(where.imagePath); rc != 0) return rc;
    } else {
        // Data the system still caches for a mounted volume must be on the disk before it is read raw.
        FlushVolume(static_cast<wchar_t>(where.tag));
        if (int rc = out.reader.OpenDisk(where.diskNumber); rc != 0) return rc;
        out.sectorSize = out.reader.deviceSectorSize;
    }
    // A count of 0 runs to the medium's end; an area past the end is read as far as it goes
    // (a disk whose length the system does not tell is taken at its word).
    const uint64_t total = out.reader.totalSectors;
    const uint64_t available = total > where.firstSector ? total - where.firstSector : 0;
    out.areaStart = where.firstSector;
    out.areaSectors = where.sectorCount == 0 ? available
                      : total == 0           ? where.sectorCount
                                             : std::min(where.sectorCount, available);
    if (out.areaStart > UINT64_MAX / out.sectorSize) {
        out.probeResult = kErrorInvalidParameter;
        return 0;
    }
    std::vector<uint8_t> probe(kProbeSize, 0);
    size_t got = 0;
    const int rc = out.reader.ReadBytes(out.areaStart * out.sectorSize, probe.data(), probe.size(), got);
    out.probeResult = (rc == kErrorHandleEof || (rc == 0 && got != kProbeSize)) ? kErrorReadFault : rc;
    if (out.probeResult == 0) out.probe = ExamineFileSystem(ByteView(probe.data(), probe.size()));
    return 0;
}

}  // namespace qm

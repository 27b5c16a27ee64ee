#include "disk/source.h"

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
        out.areaSectors = out.reader.totalSectors;
    } else {
        // Data the system still caches for a mounted volume must be on the disk before it is read raw.
        FlushVolume(static_cast<wchar_t>(where.tag));
        if (int rc = out.reader.OpenDisk(where.diskNumber); rc != 0) return rc;
        out.sectorSize = out.reader.deviceSectorSize;
        out.areaStart = where.firstSector;
        const uint64_t total = out.reader.totalSectors;
        out.areaSectors =
            where.sectorCount != 0 ? where.sectorCount : (total > where.firstSector ? total - where.firstSector : 0);
    }
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

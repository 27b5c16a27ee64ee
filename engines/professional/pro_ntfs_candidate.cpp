#include "engines/professional/pro_ntfs_candidate.h"

#include "engines/ntfs/ntfs_record.h"

namespace qm {

uint32_t proNtfsRecordBytes(uint32_t bytesPerSector) {
    return bytesPerSector <= 512 ? 2 * bytesPerSector : bytesPerSector;
}

bool isNtfsRecordCandidate(ByteView sector, uint32_t bytesPerSector, uint32_t volumeRecordBytes) {
    if (!hasFileSignature(sector) || !sector.has(0x1FE, 2)) return false;
    const uint32_t allocated = sector.u32(0x1C);
    if (allocated != proNtfsRecordBytes(bytesPerSector) && (volumeRecordBytes == 0 || allocated != volumeRecordBytes))
        return false;
    if (recordBytesInUse(sector) > allocated) return false;
    return sector.u16(0x30) == sector.u16(0x1FE);
}

}  // namespace qm

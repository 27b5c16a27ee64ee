// The volume bitmap ($Bitmap, record 6) as a map of free clusters for the deep scan.
#include <algorithm>

#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/ntfs/ntfs_record.h"
#include "platform/errors.h"

namespace qm {

int CFastNtfsRecovery::BuildFreeMap() {
    freeMap_ = NtfsFreeMap();
    const NtfsVolumeGeometry& g = volume_.geometry();
    if (!g.usable()) return kErrorInvalidParameter;
    std::vector<uint8_t> record;
    if (int rc = volume_.readRecord(kNtfsBitmapRecord, record); rc != 0) return rc;
    if (!hasFileSignature(ByteView(record.data(), record.size()))) return kNtfsNoFileRecord;
    NtfsStream stream;
    if (int rc = volume_.findStream(ByteView(record.data(), record.size()), kAttrData, stream); rc != 0) return rc;
    // One bit per cluster: more than the volume can have is damage.
    const uint64_t clusters = g.volumeSectorCount / static_cast<uint64_t>(g.sectorsPerCluster) + 1;
    const uint64_t size = std::min<uint64_t>(stream.realSize, clusters / 8 + 1);
    std::vector<uint8_t> bits;
    bits.reserve(static_cast<size_t>(size));
    const int rc = volume_.readStream(stream, size, [&](const uint8_t* data, size_t n) {
        bits.insert(bits.end(), data, data + n);
        return 0;
    });
    if (rc != 0 && bits.empty()) return rc;
    freeMap_ = NtfsFreeMap(std::move(bits), static_cast<uint64_t>(g.sectorsPerCluster), g.volumeSectorCount);
    return 0;
}

int CFastNtfsRecovery::NextFreeExtent(uint64_t& position, uint64_t& length) {
    length = 0;
    if (freeMap_.empty()) return 1;
    freeMap_.nextFreeExtent(position, length);
    return 1;
}

}  // namespace qm

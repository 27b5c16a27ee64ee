#include "engines/professional/pro_fat_consecutive_copy.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/errors.h"

namespace qm::profat {
namespace {

constexpr uint64_t kMaxClusterBytes = 0x6400000;  // 100 MiB
constexpr uint64_t kPieceBytes = 1u << 20;

}  // namespace

CopyResult CopyConsecutiveClusters(SectorReader& reader, uint32_t sectorSize, uint64_t mediumEnd,
                                   const ScanRecord& record, const CopySink& sink, const CopyProgress& progress) {
    CopyResult result;
    auto finish = [&](int error) {
        result.error = error;
        if (progress) {
            if (const int rc = progress(100, error); rc != 0) {
                result.error = rc;
                result.stoppedByProgress = true;
            }
        }
        return result;
    };
    if (record.clusterBytes > 0 && static_cast<uint64_t>(record.clusterBytes) > kMaxClusterBytes)
        return finish(kErrorWriteFault);
    const uint64_t size = record.size;
    if (size == 0) return finish(0);
    if (sectorSize == 0 || record.clusterBytes <= 0 || record.clusterBytes % sectorSize != 0)
        return finish(kErrorReadFault);
    const uint32_t cluster = static_cast<uint32_t>(record.fsId);
    if (cluster < 2) return finish(kErrorReadFault);

    // Everything in 64 bits with the sums checked: the fields come from the medium.
    const uint64_t perCluster = static_cast<uint64_t>(record.clusterBytes) / sectorSize;
    const uint64_t offset = static_cast<uint64_t>(cluster - 2) * perCluster;
    const uint64_t base = record.partitionStart;
    if (record.dataStart > UINT64_MAX - base || offset > UINT64_MAX - base - record.dataStart)
        return finish(kErrorReadFault);
    uint64_t sector = base + record.dataStart + offset;

    const uint64_t pieceSectors = std::max<uint64_t>(1, kPieceBytes / sectorSize);
    const uint64_t totalSectors = (size + sectorSize - 1) / sectorSize;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(static_cast<size_t>(std::min(pieceSectors, totalSectors) * sectorSize));
    } catch (const std::bad_alloc&) {
        return finish(kErrorNotEnoughMemory);
    }
    while (result.bytesDone < size) {
        if (sector >= mediumEnd) return finish(kErrorReadFault);
        const uint64_t left = size - result.bytesDone;
        const uint64_t wanted64 = std::min({pieceSectors, (left + sectorSize - 1) / sectorSize, mediumEnd - sector});
        const uint32_t wanted = static_cast<uint32_t>(wanted64);
        uint32_t got = 0;
        reader.ReadSectors(wanted, buffer.data(), sector, sectorSize, got);
        const uint64_t take = std::min<uint64_t>(static_cast<uint64_t>(got) * sectorSize, left);
        if (take > 0) {
            const int rc = sink(buffer.data(), static_cast<size_t>(take));
            if (rc == -1) {
                result.bytesDone += take;
                break;
            }
            if (rc != 0) return finish(rc);
            result.bytesDone += take;
        }
        if (got < wanted && result.bytesDone < size) return finish(kErrorReadFault);
        sector += got;
        if (result.bytesDone < size && progress) {
            if (const int rc = progress(static_cast<int>(result.bytesDone * 100 / size), 0); rc != 0) {
                result.error = rc;
                result.stoppedByProgress = true;
                return result;
            }
        }
    }
    return finish(0);
}

}  // namespace qm::profat

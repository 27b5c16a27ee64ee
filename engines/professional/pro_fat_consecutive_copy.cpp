#include "engines/professional/pro_fat_consecutive_copy.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/errors.h"

namespace qm::profat {

ChainCopyResult CopyConsecutiveClusters(SectorReader& reader, uint32_t sectorSize, uint64_t mediumEnd,
                                        const ScanRecord& record, const ChainSink& sink,
                                        const ChainProgress& progress) {
    ChainCopyPass pass(record.size, sink, progress);
    if (record.clusterBytes > 0 && static_cast<uint64_t>(record.clusterBytes) > kMaxCopyClusterBytes)
        return pass.Finish(kErrorWriteFault);
    const uint64_t size = record.size;
    if (size == 0) return pass.Finish(0);
    if (sectorSize == 0 || record.clusterBytes <= 0 || record.clusterBytes % sectorSize != 0)
        return pass.Finish(kErrorReadFault);
    const uint32_t cluster = static_cast<uint32_t>(record.fsId);
    if (cluster < 2) return pass.Finish(kErrorReadFault);

    // Everything in 64 bits with the sums checked: the fields come from the medium.
    const uint64_t perCluster = static_cast<uint64_t>(record.clusterBytes) / sectorSize;
    const uint64_t offset = static_cast<uint64_t>(cluster - 2) * perCluster;
    const uint64_t base = record.partitionStart;
    if (record.dataStart > UINT64_MAX - base || offset > UINT64_MAX - base - record.dataStart)
        return pass.Finish(kErrorReadFault);
    uint64_t sector = base + record.dataStart + offset;

    const uint64_t pieceSectors = std::max<uint64_t>(1, kCopyPieceBytes / sectorSize);
    const uint64_t totalSectors = (size + sectorSize - 1) / sectorSize;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(static_cast<size_t>(std::min(pieceSectors, totalSectors) * sectorSize));
    } catch (const std::bad_alloc&) {
        return pass.Finish(kErrorNotEnoughMemory);
    }
    while (!pass.Complete()) {
        if (sector >= mediumEnd) return pass.Finish(kErrorHandleEof);
        const uint64_t left = size - pass.BytesDone();
        const uint64_t wanted64 = std::min({pieceSectors, (left + sectorSize - 1) / sectorSize, mediumEnd - sector});
        const uint32_t wanted = static_cast<uint32_t>(wanted64);
        uint32_t got = 0;
        const int readError = reader.ReadSectorsWithin(wanted, buffer.data(), sector, sectorSize, got);
        const uint64_t take = std::min<uint64_t>(static_cast<uint64_t>(got) * sectorSize, left);
        sector += got;
        if (auto end = pass.Deliver(buffer.data(), take, got < wanted, readError)) return *end;
    }
    return pass.Finish(0);
}

}  // namespace qm::profat

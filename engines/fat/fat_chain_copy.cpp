#include "engines/fat/fat_chain_copy.h"

#include <algorithm>
#include <new>
#include <vector>

#include "engines/fat/fat_cluster_set.h"
#include "platform/errors.h"

namespace qm {

ChainCopyResult CopyClusterChain(FatVolume& volume, FatTable& table, uint32_t firstCluster, uint64_t size,
                                 const ChainSink& sink, const ChainProgress& progress) {
    ChainCopyPass pass(size, sink, progress);
    const uint64_t clusterBytes = volume.clusterBytes();
    if (clusterBytes > kMaxCopyClusterBytes) return pass.Finish(kErrorWriteFault);
    if (size == 0) return pass.Finish(0);

    const uint32_t sectorsPerCluster = volume.geometry.sectorsPerCluster;
    const uint64_t runClusters = std::max<uint64_t>(1, kCopyPieceBytes / clusterBytes);
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(static_cast<size_t>(std::min<uint64_t>(runClusters, (size + clusterBytes - 1) / clusterBytes) *
                                          clusterBytes));
    } catch (const std::bad_alloc&) {
        return pass.Finish(kErrorNotEnoughMemory);
    }

    ClusterRunSet passed;
    uint32_t cluster = firstCluster;
    while (!pass.Complete()) {
        if (volume.BeyondMediumEnd(cluster)) return pass.Finish(kErrorHandleEof);
        if (!volume.IsDataCluster(cluster) || !passed.Insert(cluster)) return pass.Finish(kErrorReadFault);
        // Gather the clusters that follow on the disk as well as in the chain.
        const uint32_t runStart = cluster;
        uint64_t clusters = 1;
        uint32_t next = table.NextCluster(cluster);
        const uint64_t clustersLeft = (size - pass.BytesDone() + clusterBytes - 1) / clusterBytes;
        while (clusters < runClusters && clusters < clustersLeft && next == cluster + 1 && !passed.Contains(next)) {
            passed.Insert(next);
            cluster = next;
            ++clusters;
            next = table.NextCluster(cluster);
        }

        const uint32_t wanted = static_cast<uint32_t>(clusters * sectorsPerCluster);
        uint32_t got = 0;
        const int readError = volume.Read(volume.ClusterSector(runStart), wanted, buffer.data(), got);
        const uint64_t arrived = static_cast<uint64_t>(got) * volume.sectorSize();
        const uint64_t take = std::min<uint64_t>(arrived, size - pass.BytesDone());
        if (auto end = pass.Deliver(buffer.data(), take, got < wanted, readError)) return *end;
        // A chain that would go on past the medium's last cluster: the image was cut short.
        if (next == 0 && !pass.Complete() && volume.BeyondMediumEnd(cluster + 1)) return pass.Finish(kErrorHandleEof);
        cluster = next;
    }
    return pass.Finish(0);
}

}  // namespace qm

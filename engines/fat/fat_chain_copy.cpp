#include "engines/fat/fat_chain_copy.h"

#include <algorithm>
#include <new>
#include <vector>

#include "engines/fat/fat_cluster_set.h"
#include "platform/errors.h"

namespace qm {
namespace {

// Adjacent clusters are read together up to this many bytes.
constexpr uint64_t kRunBytes = 1u << 20;

}  // namespace

ChainCopyResult CopyClusterChain(FatVolume& volume, FatTable& table, uint32_t firstCluster, uint64_t size,
                                 const ChainSink& sink, const ChainProgress& progress) {
    ChainCopyResult result;
    auto finish = [&](int error) {
        result.error = error;
        if (progress) {
            const int rc = progress(100, error);
            // A stop asked for while an error is reported still counts as a stop.
            if (rc != 0) {
                result.error = rc;
                result.stoppedByProgress = true;
            }
        }
        return result;
    };
    const uint64_t clusterBytes = volume.clusterBytes();
    if (clusterBytes > kMaxCopyClusterBytes) return finish(kErrorWriteFault);
    if (size == 0) return finish(0);

    const uint32_t sectorsPerCluster = volume.geometry.sectorsPerCluster;
    const uint64_t runClusters = std::max<uint64_t>(1, kRunBytes / clusterBytes);
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(static_cast<size_t>(std::min<uint64_t>(runClusters, (size + clusterBytes - 1) / clusterBytes) *
                                          clusterBytes));
    } catch (const std::bad_alloc&) {
        return finish(kErrorNotEnoughMemory);
    }

    ClusterRunSet passed;
    uint32_t cluster = firstCluster;
    while (result.bytesDone < size) {
        if (!volume.IsDataCluster(cluster) || !passed.Insert(cluster)) return finish(kErrorReadFault);
        // Gather the clusters that follow on the disk as well as in the chain.
        const uint32_t runStart = cluster;
        uint64_t clusters = 1;
        uint32_t next = table.NextCluster(cluster);
        const uint64_t clustersLeft = (size - result.bytesDone + clusterBytes - 1) / clusterBytes;
        while (clusters < runClusters && clusters < clustersLeft && next == cluster + 1 && !passed.Contains(next)) {
            passed.Insert(next);
            cluster = next;
            ++clusters;
            next = table.NextCluster(cluster);
        }

        const uint32_t wanted = static_cast<uint32_t>(clusters * sectorsPerCluster);
        uint32_t got = 0;
        volume.Read(volume.ClusterSector(runStart), wanted, buffer.data(), got);
        const uint64_t arrived = static_cast<uint64_t>(got) * volume.sectorSize();
        const uint64_t take = std::min<uint64_t>(arrived, size - result.bytesDone);
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
        if (result.bytesDone < size && progress) {
            const int rc = progress(static_cast<int>(result.bytesDone * 100 / size), 0);
            if (rc != 0) {
                result.error = rc;
                result.stoppedByProgress = true;
                return result;
            }
        }
        cluster = next;
    }
    return finish(0);
}

}  // namespace qm

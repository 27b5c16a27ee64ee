#include "engines/exfat/exfat_stream_read.h"

#include <algorithm>

#include "engines/fat/fat_cluster_set.h"

namespace qm {

ExFatStreamBytes ReadExFatStream(ExFatVolume& volume, uint32_t first, uint64_t length, bool contiguous,
                                 uint64_t maxBytes) {
    ExFatStreamBytes out;
    const uint32_t clusterBytes = volume.ClusterBytes();
    if (clusterBytes == 0) return out;
    uint64_t wanted = length == 0 && !contiguous ? maxBytes : std::min(length, maxBytes);
    const uint64_t maxClusters = (wanted + clusterBytes - 1) / clusterBytes;
    ClusterRunSet passed;
    uint32_t cluster = first;
    for (uint64_t n = 0; n < maxClusters && volume.IsHeapCluster(cluster); ++n) {
        if (!contiguous && !passed.Insert(cluster)) break;  // a loop in the chain
        const size_t at = out.bytes.size();
        out.bytes.resize(at + clusterBytes);
        size_t got = 0;
        if (volume.Read(volume.ClusterOffset(cluster), out.bytes.data() + at, clusterBytes, got) != 0) {
            out.bytes.resize(at);
            break;
        }
        out.clusters.push_back(cluster);
        cluster = contiguous ? cluster + 1 : volume.NextCluster(cluster);
    }
    if (length != 0 && out.bytes.size() > length) out.bytes.resize(static_cast<size_t>(length));
    return out;
}

}  // namespace qm

#include "engines/exfat/exfat_copy.h"

#include <algorithm>
#include <new>
#include <vector>

#include "engines/fat/fat_cluster_set.h"
#include "platform/errors.h"

namespace qm {
namespace {

// The next run of clusters to read: contiguous files are one run, chained files give the
// clusters that follow each other on the disk as well as in the chain.
struct RunCursor {
    RunCursor(ExFatVolume& v, const ExFatDataPlace& p) : volume(v), place(p), next(p.firstCluster) {}

    ExFatVolume& volume;
    const ExFatDataPlace& place;
    ClusterRunSet passed;
    uint32_t next = 0;
    bool chainBroken = false;

    // Up to maxClusters clusters from `next`; 0 when the chain has ended or broken.
    uint32_t Take(uint32_t maxClusters, uint32_t& first) {
        first = next;
        if (!volume.IsHeapCluster(first)) return 0;
        if (place.contiguous) {
            const uint64_t left = volume.HeapBytesFrom(first) / volume.ClusterBytes();
            const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(maxClusters, left));
            next = first + count;
            return count;
        }
        uint32_t count = 0;
        uint32_t cluster = first;
        while (count < maxClusters) {
            if (!passed.Insert(cluster)) {  // a loop in the chain
                chainBroken = true;
                break;
            }
            ++count;
            const uint32_t following = volume.NextCluster(cluster);
            next = following;
            if (following != cluster + 1) break;
            cluster = following;
        }
        return count;
    }
};

}  // namespace

ChainCopyResult CopyExFatData(ExFatVolume& volume, const ExFatDataPlace& place, const ChainSink& sink,
                              const ChainProgress& progress) {
    const uint64_t size = place.dataLength;
    ChainCopyPass pass(size, sink, progress);
    const uint64_t clusterBytes = volume.ClusterBytes();
    if (clusterBytes == 0 || clusterBytes > kMaxCopyClusterBytes) return pass.Finish(kErrorWriteFault);
    if (size == 0) return pass.Finish(0);
    if (!volume.IsHeapCluster(place.firstCluster)) return pass.Finish(kErrorReadFault);

    const uint32_t runClusters = static_cast<uint32_t>(std::max<uint64_t>(1, kCopyPieceBytes / clusterBytes));
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(static_cast<size_t>(
            std::min<uint64_t>(runClusters, (size + clusterBytes - 1) / clusterBytes) * clusterBytes));
    } catch (const std::bad_alloc&) {
        return pass.Finish(kErrorNotEnoughMemory);
    }

    RunCursor cursor(volume, place);
    const uint64_t valid = std::min(place.validLength, size);
    while (!pass.Complete()) {
        const uint64_t done = pass.BytesDone();
        const uint64_t left = size - done;
        const uint32_t wantClusters =
            static_cast<uint32_t>(std::min<uint64_t>(runClusters, (left + clusterBytes - 1) / clusterBytes));
        uint32_t first = 0;
        const uint32_t count = cursor.Take(wantClusters, first);
        // Past the heap's end (a length no cluster can hold) or a chain that stops early.
        if (count == 0) return pass.Finish(kErrorReadFault);
        const uint64_t runBytes = std::min<uint64_t>(static_cast<uint64_t>(count) * clusterBytes, left);
        // Only what lies below the valid length is read; the rest of the file is zeros.
        const uint64_t readBytes = done < valid ? std::min(runBytes, valid - done) : 0;
        size_t got = 0;
        int readError = 0;
        if (readBytes > 0) readError = volume.Read(volume.ClusterOffset(first), buffer.data(), readBytes, got);
        std::fill(buffer.begin() + static_cast<ptrdiff_t>(readBytes), buffer.begin() + static_cast<ptrdiff_t>(runBytes), 0);
        const bool shortRead = got < readBytes;
        if (auto end = pass.Deliver(buffer.data(), shortRead ? got : runBytes, shortRead, readError)) return *end;
        if (cursor.chainBroken && !pass.Complete()) return pass.Finish(kErrorReadFault);
    }
    return pass.Finish(0);
}

}  // namespace qm

// Copies a file's data by following its cluster chain, in runs of adjacent clusters so that
// a contiguous file is read in a few large reads. Used by recovery and by preview.
#pragma once
#include <cstdint>
#include <functional>

#include "engines/fat/fat_table.h"
#include "engines/fat/fat_volume.h"

namespace qm {

// Largest cluster the copy accepts (100 MiB); larger gives 29.
inline constexpr uint64_t kMaxCopyClusterBytes = 0x6400000;

struct ChainCopyResult {
    int error = 0;                 // 0, a Windows error, or what the progress callback returned
    bool stoppedByProgress = false;
    uint64_t bytesDone = 0;
};

// Receives the next piece of the file; returns 0, a write error, or -1 to end the copy
// early with success (a full memory buffer).
using ChainSink = std::function<int(const uint8_t* bytes, size_t length)>;
// Told the percent done and the error so far after each run; non-zero stops the copy.
using ChainProgress = std::function<int(int percent, int error)>;

// Copies `size` bytes starting at `firstCluster`. A chain that ends, loops or leaves the
// volume before the size is reached ends the copy with 30. Errors are reported once through
// `progress` with percent 100; so is success.
ChainCopyResult CopyClusterChain(FatVolume& volume, FatTable& table, uint32_t firstCluster, uint64_t size,
                                 const ChainSink& sink, const ChainProgress& progress);

}  // namespace qm

// Copies a file's data by following its cluster chain, in runs of adjacent clusters so that
// a contiguous file is read in a few large reads. Used by recovery and by preview.
#pragma once
#include <cstdint>

#include "engines/fat/fat_copy_pass.h"
#include "engines/fat/fat_table.h"
#include "engines/fat/fat_volume.h"

namespace qm {

// Copies `size` bytes starting at `firstCluster`. A chain that ends, loops or leaves the
// volume before the size is reached ends the copy with 30. Errors are reported once through
// `progress` with percent 100; so is success.
ChainCopyResult CopyClusterChain(FatVolume& volume, FatTable& table, uint32_t firstCluster, uint64_t size,
                                 const ChainSink& sink, const ChainProgress& progress);

}  // namespace qm

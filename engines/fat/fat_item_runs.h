// Where a FAT file's clusters lie on the medium, following its chain as the copy does.
#pragma once
#include <cstdint>
#include <vector>

#include "engines/fat/fat_table.h"
#include "engines/fat/fat_volume.h"
#include "engines/item_runs.h"

namespace qm {

// The runs of `size` bytes from `firstCluster`. The walk ends where the copy would fail: a
// chain that ends, loops or leaves the volume, or the medium's end.
void FatChainRuns(const FatVolume& volume, FatTable& table, uint32_t firstCluster, uint64_t size,
                  std::vector<SourceRun>& runs);

}  // namespace qm

// Copies an exFAT file's data out: one run from its first cluster when the file has no FAT
// chain (and for deleted files, whose chain is gone), else along the FAT.
#pragma once
#include <cstdint>

#include "engines/exfat/exfat_volume.h"
#include "engines/fat/fat_copy_pass.h"

namespace qm {

struct ExFatDataPlace {
    uint32_t firstCluster = 0;
    uint64_t dataLength = 0;   // the file's size
    uint64_t validLength = 0;  // bytes written; the rest of the file reads as zeros
    bool contiguous = true;
};

// Hands the file's bytes to sink. A file that runs past the cluster heap's end is clipped
// there with 30 (the part read is kept); an image cut short gives 38; a chain that ends early,
// loops or leaves the heap gives 30.
ChainCopyResult CopyExFatData(ExFatVolume& volume, const ExFatDataPlace& place, const ChainSink& sink,
                              const ChainProgress& progress);

}  // namespace qm

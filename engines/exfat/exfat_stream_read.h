// Reads a whole exFAT stream (a directory, the allocation bitmap, the up-case table) into one
// buffer, along its FAT chain or as one run, so that entry sets crossing a cluster boundary
// parse as they were written.
#pragma once
#include <cstdint>
#include <vector>

#include "engines/exfat/exfat_volume.h"

namespace qm {

struct ExFatStreamBytes {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> clusters;  // the cluster each clusterBytes-long piece of bytes came from

    // The volume offset of a byte of the buffer.
    uint64_t VolumeOffset(const ExFatVolume& volume, size_t at) const {
        const uint32_t clusterBytes = volume.ClusterBytes();
        return volume.ClusterOffset(clusters[at / clusterBytes]) + at % clusterBytes;
    }
};

// Up to `length` bytes from `first` (the whole chain when length is 0 and the stream is
// chained), never more than maxBytes: a chain stops at its end, at a loop, outside the heap or
// at a cluster that cannot be read whole. Empty when first is no heap cluster.
ExFatStreamBytes ReadExFatStream(ExFatVolume& volume, uint32_t first, uint64_t length, bool contiguous,
                                 uint64_t maxBytes);

}  // namespace qm

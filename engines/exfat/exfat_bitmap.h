// The allocation bitmap: which heap clusters are free. It judges whether a deleted file's
// clusters were taken again, and gives the deep scan the free space to read.
#pragma once
#include <cstdint>
#include <vector>

#include "engines/exfat/exfat_system_entries.h"
#include "engines/exfat/exfat_volume.h"

namespace qm {

class ExFatBitmap {
public:
    // Reads the bitmap `place` names (bit k stands for cluster k + 2). 0; 1392 when it starts
    // or ends outside the heap or cannot be read; 8 when there is no memory for it. Clusters
    // the bitmap is too short for count as in use.
    int Load(ExFatVolume& volume, const ExFatStreamPlace& place);
    bool IsLoaded() const { return loaded_; }
    void Clear();

    bool IsFree(uint32_t cluster) const;
    // Whether `count` clusters from `first` all lie in the heap and are all free.
    bool RunIsFree(uint32_t first, uint64_t count) const;
    uint64_t FreeCount() const;

    // From `position` (in sectors of sectorSize from the volume's start; 0 = the heap's start),
    // the next run of free clusters: its first sector in `position`, its length in sectors in
    // `length` (0 when none follows), never past volumeSectors. sectorSize must divide the
    // cluster size and the heap's offset. Always 1.
    int NextFreeExtent(const ExFatVolume& volume, uint32_t sectorSize, uint64_t volumeSectors, uint64_t& position,
                       uint64_t& length) const;

private:
    bool FreeAt(uint64_t index) const { return index < bitCount_ && ((bits_[index / 8] >> (index % 8)) & 1) == 0; }

    std::vector<uint8_t> bits_;
    uint64_t bitCount_ = 0;  // the heap's clusters the bitmap covers
    bool loaded_ = false;
};

}  // namespace qm

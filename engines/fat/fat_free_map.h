// One bit per data cluster, set where the allocation table marks the cluster in use, so the
// deep scan can visit only the free space.
#pragma once
#include <cstdint>
#include <vector>

#include "engines/fat/fat_table.h"
#include "engines/fat/fat_volume.h"

namespace qm {

class FatFreeMap {
public:
    // Bit k stands for cluster k + 2, least significant bit of each byte first.
    int Build(FatVolume& volume, FatTable& table);
    bool IsBuilt() const { return built_; }
    bool IsUsed(uint64_t index) const { return index / 8 < bits_.size() && (bits_[index / 8] >> (index % 8)) & 1; }
    size_t Bytes() const { return bits_.size(); }

    // From `position` (sectors from the volume start; 0 = the start of the data area), the
    // next run of free clusters: its first sector in `position`, its length in sectors in
    // `length` (0 when none follows). Always 1.
    int NextFreeExtent(const FatVolume& volume, uint64_t& position, uint64_t& length) const;

private:
    void Set(uint64_t index) { bits_[index / 8] |= static_cast<uint8_t>(1u << (index % 8)); }

    std::vector<uint8_t> bits_;
    bool built_ = false;
};

}  // namespace qm

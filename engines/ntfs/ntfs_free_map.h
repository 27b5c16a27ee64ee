// The volume's cluster bitmap and the search for free runs in it.
#pragma once
#include <cstdint>
#include <vector>

namespace qm {

class NtfsFreeMap {
public:
    NtfsFreeMap() = default;
    NtfsFreeMap(std::vector<uint8_t> bits, uint64_t sectorsPerCluster, uint64_t volumeSectors)
        : bits_(std::move(bits)), sectorsPerCluster_(sectorsPerCluster), volumeSectors_(volumeSectors) {}

    bool empty() const { return bits_.empty(); }
    // Bit i set = cluster i in use. Clusters past the end of the map count as in use: nothing
    // says they are free.
    bool inUse(uint64_t cluster) const;
    // From position (sectors from the volume start), the next free run: position moves to its
    // first sector, length is its size in sectors (0 when none follows).
    void nextFreeExtent(uint64_t& position, uint64_t& length) const;

private:
    uint64_t mapClusters() const { return static_cast<uint64_t>(bits_.size()) * 8; }

    std::vector<uint8_t> bits_;
    uint64_t sectorsPerCluster_ = 1;
    uint64_t volumeSectors_ = 0;
};

}  // namespace qm

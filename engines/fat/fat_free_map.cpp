#include "engines/fat/fat_free_map.h"

#include <algorithm>
#include <new>

#include "platform/errors.h"

namespace qm {

int FatFreeMap::Build(FatVolume& volume, FatTable& table) {
    const FatGeometry& g = volume.geometry;
    const uint64_t total = g.totalSectors;
    const uint64_t dataSectors = total > g.dataStart ? total - g.dataStart : 0;
    uint64_t clusters = dataSectors / g.sectorsPerCluster + (dataSectors % g.sectorsPerCluster ? 1 : 0);
    // A boot sector may claim more clusters than its table or the medium holds.
    clusters = std::min<uint64_t>(clusters, volume.maxCluster - 1);
    built_ = false;
    try {
        bits_.assign(static_cast<size_t>((clusters + 7) / 8), 0);
    } catch (const std::bad_alloc&) {
        bits_.clear();
        return kErrorNotEnoughMemory;
    }
    // Only clusters the table has entries for can be looked up.
    const uint64_t last = clusters + 1;
    for (uint64_t c = 2; c <= last; ++c) {
        uint32_t value = 0;
        if (table.ReadFatEntry(static_cast<uint32_t>(c), value) != 0) continue;
        if (value == 0) continue;
        Set(c - 2);
        // A marked bad cluster or a link out of the volume says nothing about other clusters.
        if (table.IsEndMark(value) || table.IsBadMark(value) || value < 2) continue;
        if ((value - 2) / 8 < bits_.size()) Set(value - 2);
    }
    built_ = true;
    return 0;
}

int FatFreeMap::NextFreeExtent(const FatVolume& volume, uint64_t& position, uint64_t& length) const {
    const uint64_t sectorCount = volume.sectors;
    const uint64_t dataStart = volume.geometry.dataStart;
    const uint64_t perCluster = volume.geometry.sectorsPerCluster;
    length = 0;
    if (position > sectorCount) {
        position = sectorCount;
        return 1;
    }
    uint64_t p = position;
    if (p != 0) p = p > dataStart ? p - dataStart : 0;
    const uint64_t mapBits = static_cast<uint64_t>(bits_.size()) * 8;
    uint64_t k = p / perCluster;
    if (k < mapBits && IsUsed(k)) {
        uint64_t i = k + 1;
        while (i < mapBits && i % 8 != 0 && IsUsed(i)) ++i;
        while (i < mapBits && bits_[i / 8] == 0xFF) i += 8;
        while (i < mapBits && IsUsed(i)) ++i;
        if (i < mapBits) {
            k = i;
            p = i * perCluster;
        }
    }
    uint64_t free = 0;
    uint64_t i = k;
    while (i < mapBits && i % 8 != 0 && !IsUsed(i)) ++i;
    while (i + 8 <= mapBits && bits_[i / 8] == 0) i += 8;
    while (i < mapBits && !IsUsed(i)) ++i;
    free = i - k;
    uint64_t n = free * perCluster;
    const uint64_t absolute = p + dataStart;
    if (absolute + n > sectorCount) n = absolute >= sectorCount ? 0 : sectorCount - absolute;
    length = n;
    position = absolute;
    return 1;
}

}  // namespace qm

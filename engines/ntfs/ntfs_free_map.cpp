#include "engines/ntfs/ntfs_free_map.h"

namespace qm {

bool NtfsFreeMap::inUse(uint64_t cluster) const {
    if (cluster >= mapClusters()) return true;
    return (bits_[cluster / 8] >> (cluster % 8)) & 1;
}

void NtfsFreeMap::nextFreeExtent(uint64_t& position, uint64_t& length) const {
    length = 0;
    if (position >= volumeSectors_) {
        position = volumeSectors_;
        return;
    }
    if (sectorsPerCluster_ == 0) return;
    const uint64_t total = mapClusters();
    uint64_t c = position / sectorsPerCluster_;
    if (inUse(c)) {
        ++c;
        while (c < total) {
            if (c % 8 == 0 && bits_[c / 8] == 0xFF) {  // a full byte of used clusters at once
                c += 8;
                continue;
            }
            if (!inUse(c)) break;
            ++c;
        }
        if (c >= total) {  // nothing free up to the end of the map
            position = volumeSectors_;
            return;
        }
        position = c * sectorsPerCluster_;
        if (position >= volumeSectors_) {
            position = volumeSectors_;
            return;
        }
    }
    uint64_t count = 0;
    while (c + count < total && !inUse(c + count)) ++count;
    length = count * sectorsPerCluster_;
    // A position inside a free cluster keeps its place; the run ends where the cluster run ends.
    const uint64_t end = (c + count) * sectorsPerCluster_;
    if (end > position) length = end - position;
    if (position + length > volumeSectors_) length = volumeSectors_ - position;
}

}  // namespace qm

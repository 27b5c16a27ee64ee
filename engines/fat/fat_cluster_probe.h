// Questions answered by looking at the first sector of a cluster: how deep a folder lies
// (following ".." entries), and which cluster high word a deleted FAT32 entry lost.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engines/fat/fat_volume.h"

namespace qm {

class FatClusterProbe {
public:
    // High words tried for a deleted FAT32 entry that lost its own.
    static constexpr uint32_t kMaxHighWord = 256;

    explicit FatClusterProbe(FatVolume& volume) : volume_(volume) {}
    void Reset() { levels_.clear(); }

    // Depth below the root: 0 for the root, 1 for a folder in the root, ... Follows ".."
    // entries while a cluster begins with "." and "..", never twice through one cluster and
    // never outside the volume.
    uint32_t FolderLevel(uint32_t cluster);
    // The first high word whose cluster begins with "." and "..".
    uint16_t FindFolderHighWord(uint16_t low);
    // The first high word whose cluster's first sector fits the extension.
    uint16_t FindFileHighWord(uint16_t low, const std::string& extension);

private:
    bool ReadFirstSector(uint32_t cluster);
    bool IsRoot(uint32_t cluster) const;
    template <class Test>
    uint16_t FindHighWord(uint16_t low, Test&& matches);

    FatVolume& volume_;
    std::vector<uint8_t> sector_;
    std::unordered_map<uint32_t, uint32_t> levels_;  // the volume does not change during a scan
};

}  // namespace qm

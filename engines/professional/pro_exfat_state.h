// What the deep exFAT engine keeps between sectors: the files already recorded with the
// directory cluster their set lay in, and the folder sets, written once the tree is known.
#pragma once
#include <cstddef>
#include <cstdint>

#include "results/scan_record.h"

namespace qm::proexfat {

inline constexpr int kNoVolume = -1;

// A file set already in the log, waiting for its folder.
struct PendingEntry {
    int32_t recordNo = 0;
    int32_t volume = kNoVolume;
    uint32_t directory = 0;  // the cluster its set lies in; without a volume, its lost folder
};

// A folder set: its record is written when the tree is drawn.
struct PendingFolder {
    ScanRecord record;
    int32_t volume = kNoVolume;
    uint32_t directory = 0;  // as for PendingEntry
    uint32_t firstCluster = 0;
    uint64_t dataLength = 0;
    bool chained = false;  // live and along the FAT: its clusters follow the chain
};

// Directory sectors met where no volume lies, one lost folder per run of adjacent ones.
struct LooseFolder {
    int32_t id = 0;  // negative: never a cluster number
    uint64_t firstSector = 0;
};

// Memory bounds: a medium full of entry sets must not exhaust memory.
inline constexpr size_t kMaxVolumes = 64;
inline constexpr size_t kMaxPendingEntries = 1u << 22;
inline constexpr size_t kMaxFolders = 1u << 18;
inline constexpr size_t kMaxLooseFolders = 1u << 16;
// A folder's clusters are followed this far; deeper trees sit in the root.
inline constexpr uint32_t kMaxFolderClusters = 1u << 16;
inline constexpr uint32_t kMaxFolderDepth = 512;

}  // namespace qm::proexfat

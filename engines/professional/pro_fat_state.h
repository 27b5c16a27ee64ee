// What the professional FAT engine keeps between sectors: folders met, folders that lead to
// files, files that wait for a geometry, long names cut at a sector's end, and sectors that
// no geometry could place yet.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "results/scan_record.h"

namespace qm::profat {

inline constexpr int kNoGeometry = -1;

// A folder whose own entry was seen; its parent cluster is kept apart until it is written.
struct FolderEntry {
    ScanRecord record;
    uint32_t parent = 0;
    int geometry = kNoGeometry;
};

// A folder on the path of a recorded file, with where its first sector lies.
struct FolderWithFiles {
    int geometry = kNoGeometry;
    uint64_t sector = 0;
};

// A file seen before any geometry could place it: `location` holds its entry's sector.
struct WaitingFile {
    ScanRecord record;
    uint32_t directory = 0;
    bool done = false;
};

// Directory entries to be parsed as one buffer, each with the sector that holds it.
struct DirBuffer {
    std::vector<uint8_t> bytes;
    std::vector<uint64_t> entrySectors;  // one per 32 bytes

    void Append(const uint8_t* data, size_t length, uint64_t firstSector, uint32_t sectorSize);
    size_t Entries() const { return entrySectors.size(); }
};

// The long-name parts at the end of a buffer whose short entry lies in a later sector.
struct NameFragment {
    uint8_t checksum = 0;
    DirBuffer entries;
    int geometry = kNoGeometry;
    uint32_t directory = 0;
    uint64_t sector = 0;  // the sector that holds the parts
};

// A directory sector that nothing could place when it was met.
struct HeldSector {
    std::vector<uint8_t> bytes;
};

// The directory cluster that the last placed directory sector belongs to.
struct CurrentRun {
    bool active = false;
    int geometry = kNoGeometry;
    uint32_t directory = 0;      // the directory the sectors belong to
    uint64_t clusterFirst = 0;   // first sector of the cluster the run is in
    uint32_t clusterSectors = 0;
    uint64_t lastSector = 0;     // the last sector placed
};

// Memory bounds: a medium full of directory-like sectors must not exhaust memory.
inline constexpr size_t kMaxNameFragments = 256;
inline constexpr size_t kMaxHeldBytes = 8u << 20;
inline constexpr size_t kMaxFolders = 1u << 18;
inline constexpr size_t kMaxWaitingFiles = 1u << 17;

}  // namespace qm::profat

// Where a record found loose on the medium belongs: the cluster size its own data implies,
// and the MFT (and so the volume) it is part of.
#pragma once
#include <cstdint>
#include <map>
#include <memory>

#include "disk/byte_view.h"
#include "engines/ntfs/ntfs_runs.h"

namespace qm {

// Runs shared by every record placed through the same MFT.
using SharedRuns = std::shared_ptr<const RunList>;

// Sectors per cluster implied by a record's first $DATA (allocated size over the clusters its
// runs cover), or 0 when the record says nothing usable. Only powers of two that give a
// cluster of at most 2 MiB are believed.
int32_t inferSectorsPerCluster(ByteView record, uint32_t recordBytes, uint32_t bytesPerSector);

// Sector of a record number inside an MFT whose runs are given, relative to the volume start.
// A run of length 0 covers everything from its start on. False when no run covers it.
bool mapRecordNumber(uint64_t number, const RunList& runs, uint32_t recordSectors, uint32_t sectorsPerCluster,
                     uint64_t& relativeSector);

struct RecordPlacement {
    uint64_t partitionStart = 0;
    SharedRuns mftRuns;
};

// The MFTs met so far, keyed by the sector of their record 0.
class MftMap {
public:
    // Hostile media could name every sector "$MFT"; beyond this many the oldest stay.
    static constexpr size_t kMaxEntries = 256;

    void clear() { entries_.clear(); }
    size_t size() const { return entries_.size(); }
    // Enters (or replaces) the MFT whose record 0 lies at the sector.
    void enter(uint64_t sector, RunList runs);

    // The volume a record numbered n found at sector s belongs to. Through a known MFT that
    // predicts exactly this sector; otherwise the MFT is taken to be contiguous and to end
    // its record 0 at s - n records, within a volume that starts at the area start (moved by
    // the remainder when that distance is not a whole number of clusters).
    RecordPlacement place(uint64_t number, uint64_t sector, uint32_t recordSectors, uint32_t sectorsPerCluster,
                          uint64_t areaStart) const;

private:
    std::map<uint64_t, SharedRuns> entries_;
};

}  // namespace qm

namespace qm {

// First guess of the cluster size from the area's size, before any file has told better.
int32_t guessSectorsPerCluster(uint64_t sectorCount, uint32_t bytesPerSector);

}  // namespace qm

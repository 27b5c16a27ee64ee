// Where an NTFS file's $DATA lies on the medium: its runs, or for resident data the bytes of
// its record (with the words that the record's fix-up moved into its update sequence array).
#pragma once
#include <cstdint>
#include <vector>

#include "disk/byte_view.h"
#include "engines/item_runs.h"
#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_volume.h"

namespace qm {

// Non-resident data: the runs cut at `size` and at the initialised size (bytes past it read as
// zeros); sparse runs are left out. 50 for compressed data, whose clusters are not the file's bytes.
int NtfsStreamRuns(const NtfsVolumeGeometry& geometry, const NtfsStream& stream, uint64_t size,
                   std::vector<SourceRun>& runs);

// Resident data of the unnamed $DATA in a fixed-up record that starts at medium byte
// `recordOffset`. 50 when the record holds no resident $DATA itself.
int NtfsResidentRuns(ByteView record, const NtfsVolumeGeometry& layout, uint64_t recordOffset,
                     std::vector<SourceRun>& runs);

}  // namespace qm

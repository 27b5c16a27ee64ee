// Data runs: where a non-resident attribute's clusters lie.
#pragma once
#include <cstdint>
#include <vector>

#include "disk/byte_view.h"

namespace qm {

struct NtfsVolumeGeometry;

struct DataRun {
    uint64_t lengthClusters = 0;  // low 32 bits of the stored length
    int64_t lcnDelta = 0;         // relative to the previous run's start (cluster 0 for the first)
    bool sparse = false;          // no clusters on the medium: reads as zeros
};

using RunList = std::vector<DataRun>;

// Appends the runs of a non-resident attribute (its bytes from the header on, at most its
// length). Decoding stays inside the attribute and stops at a 0 header or a size nibble
// above 7; the runs decoded so far stay in the list.
void decodeRuns(ByteView attribute, const NtfsVolumeGeometry& geometry, RunList& runs);

// Appends the runs of a later piece of the same attribute, whose first delta counts from
// cluster 0, so that the whole list stays one chain of deltas.
void appendExtent(RunList& runs, const RunList& extent);

// Absolute start cluster of each run (sparse runs repeat the previous start).
std::vector<int64_t> runStartClusters(const RunList& runs);

// Clusters the runs cover.
uint64_t totalClusters(const RunList& runs);

}  // namespace qm

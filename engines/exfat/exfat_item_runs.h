// Where an exFAT file's bytes lie on the medium: one run from its first cluster, or its chain,
// as the copy reads them; the part past the valid length is zeros that lie nowhere.
#pragma once
#include <vector>

#include "engines/exfat/exfat_volume.h"
#include "engines/item_runs.h"
#include "results/scan_record.h"

namespace qm {

// 0 with the runs (ended early where the copy would fail), or the record's place error.
int ExFatItemRuns(ExFatVolume& volume, const ScanRecord& record, std::vector<SourceRun>& runs);

}  // namespace qm

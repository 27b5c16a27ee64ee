// Where a found file's bytes lie on the medium, for reports a forensic user can check against
// the source. Engines that can tell implement this beside IFileRecoveryParse; callers find it
// with dynamic_cast.
#pragma once
#include <cstdint>
#include <vector>

#include "results/scan_record.h"

namespace qm {

// Bytes from the start of the medium (the image file or the disk), not of the partition.
struct SourceRun {
    uint64_t offset = 0;
    uint64_t length = 0;
    uint64_t fileOffset = 0;  // where the run's bytes belong in the file (sparse parts are left out)
};

class IItemRuns {
public:
    // Fills runs with the file's bytes on the medium, in file order, cut at its size. 0 when
    // they are known (a broken chain or a medium cut short ends them early); 50 when this
    // engine cannot tell (compressed data, a record of another engine).
    virtual int ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) = 0;

protected:
    ~IItemRuns() = default;
};

// Appends a run, joined to the last one when both follow on from it on the medium and in the
// file. Empty runs are dropped.
void AppendSourceRun(std::vector<SourceRun>& runs, uint64_t offset, uint64_t length, uint64_t fileOffset);

}  // namespace qm

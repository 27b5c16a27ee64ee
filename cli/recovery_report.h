// After a recovery, what a forensic user can cite: DIR/report.xml (Digital Forensics XML) and
// DIR/report.txt with, per written file, where it lay on the source, where it was written, its
// times and the MD5 and SHA-1 of the bytes written (read back from the copy).
#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "cli/found_files.h"
#include "cli/options.h"
#include "session/recovery_job.h"

namespace qm::cli {

// files: what RunMany was given, in the same order (the rows' item indices point into it).
// startTime: FILETIME of the command's start. 0, or the error of the first report not written
// (a warning is printed; the recovery itself stands).
int WriteRecoveryReports(const CliOptions& options, uint64_t startTime, const std::vector<FoundFile>& files,
                         const std::deque<RecoveryDetailRow>& details);

}  // namespace qm::cli

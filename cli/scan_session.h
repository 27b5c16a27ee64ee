// One scan of one source from the command line, through the same driver as the GUI.
#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "cli/options.h"
#include "results/scan_history.h"
#include "session/scan_driver.h"
#include "session/text_source.h"

namespace qm::cli {

// Set by Ctrl-C; progress callbacks turn it into a cancel.
extern std::atomic<bool> g_interrupted;
void InstallInterruptHandler();

struct ScanOutcome {
    int exitCode = 0;  // 0, or 1 when no engine could be made for the source
    bool cancelled = false;
    std::string error;  // why, for the user
    std::string note;   // a warning that does not stop the listing
    std::wstring fileSystem;
};

class CScanSession {
public:
    explicit CScanSession(const CliOptions& options) : options_(options) {}
    ScanOutcome Run(bool quiet);
    IFileRecoveryParse* engine() { return sources_.empty() ? nullptr : sources_[0].engine.get(); }

    // The scan history of this run: --state-dir's, or the user's own.
    CScanHistory& History();

private:
    const CliOptions& options_;
    std::unique_ptr<CScanHistory> history_;
    CDefaultTexts texts_;
    std::vector<ScanSource> sources_;
};

}  // namespace qm::cli

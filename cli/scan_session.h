// One scan of one source from the command line, through the same driver as the GUI.
#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "cli/options.h"
#include "disk/image_layout.h"
#include "results/scan_history.h"
#include "session/scan_driver.h"
#include "session/text_source.h"

namespace qm::cli {

// Set by Ctrl-C; progress callbacks turn it into a cancel.
extern std::atomic<bool> g_interrupted;
void InstallInterruptHandler();

// One scanned area: the source itself, or one partition of a whole-disk image.
struct ScannedPart {
    std::string name;     // as the user names it: the source, or "card.img:2"
    std::string prefix;   // "p2/" before the folders of a partition of a whole-disk image
    std::wstring fileSystem;
    std::string error;    // why it could not be scanned (no engine then)
    int errorCode = 0;    // the Windows error number behind it
    std::string note;     // a warning that does not stop the listing
    bool reused = false;  // the results of an earlier finished deep scan, not read again
    IFileRecoveryParse* engine = nullptr;
};

struct ScanOutcome {
    int exitCode = 0;  // 0, or 1 when no engine could be made for any part of the source
    bool cancelled = false;
    std::string error;  // why, for the user
    int errorCode = 0;  // the Windows error number behind it
    std::string note;   // a warning that does not stop the listing
    std::wstring fileSystem;
    std::string partitionTable;       // "MBR" or "GPT" for a whole-disk image, else empty
    std::vector<ScannedPart> parts;   // in the order scanned
};

class CScanSession {
public:
    explicit CScanSession(const CliOptions& options) : options_(options) {}
    ScanOutcome Run(bool quiet);
    IFileRecoveryParse* engine() { return sources_.empty() ? nullptr : sources_[0].engine.get(); }

    // The scan history of this run: --state-dir's, or the user's own.
    CScanHistory& History();

private:
    // The areas to scan: the source, or the partitions of a whole-disk image (names beside).
    bool ResolveSources(ScanOutcome& outcome, std::vector<std::string>& names, std::vector<std::string>& prefixes);
    // The source's partitions when `layout` lists any, else the source itself.
    bool AddWholeOrPartitions(ScanSource source, const ImageLayout& layout, ScanOutcome& outcome,
                              std::vector<std::string>& names, std::vector<std::string>& prefixes);
    // The partitions a table lists, as parts of `whole`; false when it lists none.
    bool AddPartitions(const ImageLayout& layout, const ScanSource& whole, const std::string& name,
                       std::vector<std::string>& names, std::vector<std::string>& prefixes);
    void ScanPart(ScanSource& source, const std::string& name, const std::string& prefix, bool quiet,
                  ScanOutcome& outcome);

    const CliOptions& options_;
    std::unique_ptr<CScanHistory> history_;
    CDefaultTexts texts_;
    // One per part; a deque-like list: the parts point at the engines these own.
    std::vector<ScanSource> sources_;
};

}  // namespace qm::cli

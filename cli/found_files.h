// What a scan found, gathered for printing: by type (the default) or as a folder tree.
#pragma once
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/options.h"
#include "engines/file_recovery_parse.h"

namespace qm::cli {

struct FoundFile {
    ScanRecord record{};
    std::wstring folder;  // the folder path, "/"-separated, ending with "/" (empty at the root)
    int depth = 0;        // in tree listings
    IFileRecoveryParse* engine = nullptr;  // the engine that found it (one per scanned part)
};

// The ListByType pattern for the --type and --group filters; everything when there are none.
std::wstring PatternFor(const CliOptions& options);
// Files by type, sorted as the store sorts them. 0 or the engine's error (CancelCode included).
// Without folders the paths are not built: in a deep tree they cost the square of its depth.
int CollectByType(IFileRecoveryParse& engine, const CliOptions& options, std::vector<FoundFile>& out,
                  bool withFolders = true);
// How deep a tree listing goes; what lies below is counted in a TreeCut.
inline constexpr int kMaxTreeDepth = 256;
struct TreeCut {
    size_t folders = 0;       // folders at the deepest level whose contents are not listed
    std::wstring firstBelow;  // the first of them, "/"-separated
};
// Folders and files from the root down, depth first, to kMaxTreeDepth levels.
int CollectTree(IFileRecoveryParse& engine, std::vector<FoundFile>& out, TreeCut& cut);

// Keeps in a tree (as CollectTree gives it) only the files `keep` names by (engine kind,
// record number), and the folders on the way to them: the tree then shows what the listing by
// type shows, without copies found twice or folders left empty by that.
void PruneTree(std::vector<FoundFile>& tree, const std::set<std::pair<int32_t, int32_t>>& keep);

const char* EngineName(int32_t sourceKind);

// Whether a found file was deleted: the fast engines list deleted files only; the deep engines
// keep it with the record; a carved file cannot tell (-1). 1 deleted, 0 live.
int DeletedState(const ScanRecord& record);

}  // namespace qm::cli

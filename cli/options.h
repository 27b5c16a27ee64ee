// The command line of quillmere: COMMAND SOURCE [options]. The commands and their flags are
// defined in cli/command_table.h and cli/flag_table.h.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm::cli {

struct CliOptions {
    std::vector<std::string> arguments;  // as given, for reports
    std::string command;  // scan, list, recover, probe, media, image
    std::string source;
    bool deep = true;  // the product's default mode; --fast reads the file system's records only
    bool json = false;
    bool tree = false;
    bool utc = false;                 // list: times in UTC instead of local time
    bool help = false;
    bool version = false;
    bool quiet = false;               // --quiet: only failures on standard error
    bool resume = false;              // continue an interrupted deep scan of the same source
    bool rescan = false;              // scan again even when a finished deep scan could be reused
    std::vector<std::string> types;   // extensions without the dot, lower-case
    std::vector<std::string> groups;  // names from GroupNames(): photo, audio, ..., other
    std::string destination;          // --to
    std::string stateDir;             // --state-dir
    std::vector<std::string> paths;   // --path patterns ("DCIM/**")
    uint64_t minSize = 0;             // --min-size
    uint64_t maxSize = UINT64_MAX;    // --max-size
    bool includeDamaged = false;      // list and recover files judged damaged or overwritten
    bool deletedOnly = false;         // leave out files known to be live (the deep mode lists them)
    bool dryRun = false;              // recover: say what would be written, write nothing
    bool keepPaths = false;           // recover: DIR/<original folders>/name, not group folders
};

// 0 when the arguments make sense, else 2 with a message in error. A flag's value may follow
// it as the next argument or after "=" (--state-dir=DIR).
int ParseOptions(const std::vector<std::string>& args, CliOptions& out, std::string& error);

// The --help text of a command (the overview for an empty or unknown one).
std::string HelpText(const std::string& command);

// The --type extensions that name no type this program knows (a likely typo); the filter
// still takes them, as found files may carry any extension.
std::vector<std::string> UnknownTypes(const CliOptions& options);

}  // namespace qm::cli

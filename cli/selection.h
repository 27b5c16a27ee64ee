// Which found files a list or a recovery takes, beyond --type and --group: a path pattern,
// a size range, and whether files judged damaged or overwritten are shown.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/found_files.h"
#include "cli/options.h"

namespace qm::cli {

// A --path pattern against a file's "folder/name" ("/"-separated, no leading "/"), ignoring
// ASCII case: "*" and "?" within one folder level, "**" across levels ("DCIM/**" is every file
// below DCIM; a pattern without "/" matches the name alone, at any depth).
bool PathMatches(const std::string& pattern, const std::string& path);

// "10M", "512k", "2G", "1500": bytes; false for anything else.
bool ParseSize(const std::string& text, uint64_t& bytes);

struct SelectionCounts {
    size_t damagedHidden = 0;  // files judged damaged that --include-damaged would show
};

// Keeps the files the options select; folders are kept as they are.
SelectionCounts ApplySelection(const CliOptions& options, std::vector<FoundFile>& files);

}  // namespace qm::cli

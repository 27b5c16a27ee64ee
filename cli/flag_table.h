// Every option of the command line, defined once: what it is called, what argument it takes,
// which commands take it, its line of help, and how it sets CliOptions. The parser and the
// --help texts both read this table, so they cannot disagree.
#pragma once
#include <string>
#include <vector>

#include "cli/options.h"

namespace qm::cli {

struct FlagDef {
    std::string name;                   // "--type"
    std::string argument;               // "EXT,..."; empty for a switch
    std::vector<std::string> commands;  // the commands that take it
    std::string help;                   // lines joined by '\n', without indentation
    const char* choice = nullptr;       // flags of one choice are alternatives: [--fast|--deep]
    bool required = false;              // the command cannot run without it
    // Sets the options from the flag's argument (empty for a switch); false with a reason.
    bool (*apply)(const std::string& value, CliOptions& out, std::string& error) = nullptr;

    bool TakenBy(const std::string& command) const;
    std::string Label() const;  // "--type EXT,..."
};

// In the order usage lines and help texts show them. A name may have one row per meaning
// (--to is a folder for recover and an image file for image); no command takes a name twice.
const std::vector<FlagDef>& Flags();
// The row of that name the command takes; nullptr when it takes none.
const FlagDef* FindFlag(const std::string& name, const std::string& command);
// Whether any command takes a flag of that name.
bool IsKnownFlag(const std::string& name);

// The names --group takes, in the order of the core's type groups.
const std::vector<std::string>& GroupNames();

}  // namespace qm::cli

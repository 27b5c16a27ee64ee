// The commands of quillmere, each defined once: the parser checks against them and the --help
// texts (the overview and each command's own) are written from them.
#pragma once
#include <string>
#include <vector>

namespace qm::cli {

struct CommandDef {
    const char* name;         // "scan"
    const char* operand;      // what the command works on ("SOURCE", "IMAGE"); nullptr for none
    const char* summary;      // one line in the overview
    const char* description;  // the paragraph under the usage line, each line ending in '\n'
    bool operandOptional = false;  // "media [IMAGE]"
};

// In the order the overview lists them.
const std::vector<CommandDef>& Commands();
// nullptr for an unknown name.
const CommandDef* FindCommand(const std::string& name);

}  // namespace qm::cli

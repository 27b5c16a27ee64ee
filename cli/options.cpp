#include "cli/options.h"

#include <algorithm>

#include "cli/command_table.h"
#include "cli/flag_table.h"
#include "engines/carving/signature_table.h"
#include "results/type_classification.h"

namespace qm::cli {
namespace {

constexpr const char* kExitCodes =
    "\nexit codes:\n"
    "  0  success\n"
    "  1  the source could not be read, or holds no file system this mode knows\n"
    "  2  bad usage\n"
    "  3  some files could not be recovered, or the destination could not be used\n"
    "  4  interrupted with Ctrl-C (what was found so far is still reported)\n";

constexpr size_t kLabelWidth = 18;    // "--state-dir DIR" and its padding
constexpr size_t kCommandWidth = 10;  // "recover" and its padding

std::string padded(std::string text, size_t width) {
    text.resize(std::max(width, text.size() + 1), ' ');
    return text;
}

// "scan SOURCE [--fast|--deep|--resume] [--json]": required flags first, then the others in
// table order, the flags of one choice joined into one bracket.
std::string usageOf(const CommandDef& command) {
    std::string usage = command.name;
    if (command.operand)
        usage.append(command.operandOptional ? " [" : " ").append(command.operand).append(command.operandOptional ? "]" : "");
    for (const FlagDef& flag : Flags())
        if (flag.required && flag.TakenBy(command.name)) usage.append(" ").append(flag.Label());
    const char* openChoice = nullptr;
    for (const FlagDef& flag : Flags()) {
        if (flag.required || !flag.TakenBy(command.name)) continue;
        if (openChoice && flag.choice && std::string(openChoice) == flag.choice) {
            usage.back() = '|';
        } else {
            usage.append(" [");
            openChoice = flag.choice;
        }
        usage.append(flag.Label()).append("]");
    }
    return usage;
}

std::string flagLines(const FlagDef& flag) {
    std::string lines = "  ";
    lines.append(padded(flag.Label(), kLabelWidth));
    for (char c : flag.help) {
        lines += c;
        if (c == '\n') lines.append(kLabelWidth + 2, ' ');
    }
    return lines + "\n";
}

std::string overview() {
    std::string text =
        "usage: quillmere COMMAND SOURCE [options]    (quillmere --help COMMAND for details)\n"
        "\n"
        "Finds deleted and lost files on disk images and copies them to safety. The source is only read.\n"
        "\n"
        "commands:\n";
    for (const CommandDef& command : Commands())
        text += "  " + padded(command.name, kCommandWidth) + command.summary + "\n";
    return text +
           "\n"
           "SOURCE is an image file, or a disk name from 'quillmere media' (disk1, disk1:2; on Windows\n"
           "also a drive letter such as E:).\n";
}

}  // namespace

int ParseOptions(const std::vector<std::string>& args, CliOptions& out, std::string& error) {
    out = CliOptions{};
    out.arguments = args;
    if (args.empty()) {
        error = "no command given";
        return 2;
    }
    out.command = args[0];
    if (out.command == "--version" || out.command == "-V") {
        out.version = true;
        out.command.clear();
        return 0;
    }
    if (out.command == "--help" || out.command == "-h" || out.command == "help") {
        out.help = true;
        out.command = args.size() > 1 ? args[1] : "";
        return 0;
    }
    const CommandDef* command = FindCommand(out.command);
    if (!command) {
        error = "unknown command '" + out.command + "'";
        return 2;
    }
    std::vector<const FlagDef*> given;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out.help = true;
            continue;
        }
        if (a.empty() || a[0] != '-') {
            if (!out.source.empty()) {
                error = "more than one source given ('" + out.source + "' and '" + a + "')";
                return 2;
            }
            out.source = a;
            continue;
        }
        const size_t equals = a.find('=');
        const std::string name = a.substr(0, equals);
        const FlagDef* flag = FindFlag(name, out.command);
        if (!flag) {
            error = IsKnownFlag(name) ? out.command + " does not take " + name : "unknown option '" + name + "'";
            return 2;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = a.substr(equals + 1);
            if (flag->argument.empty()) {
                error = name + " takes no value";
                return 2;
            }
            if (value.empty()) {
                error = name + " needs a value";
                return 2;
            }
        } else if (!flag->argument.empty()) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = a + " needs a value";
                return 2;
            }
            value = args[++i];
        }
        if (!flag->apply(value, out, error)) return 2;
        given.push_back(flag);
    }
    if (out.help) return 0;
    // --resume continues a deep scan: it goes with --deep, never with --fast.
    const auto givenNamed = [&](const char* name) {
        return std::any_of(given.begin(), given.end(), [&](const FlagDef* f) { return f->name == name; });
    };
    if (givenNamed("--fast") && (givenNamed("--deep") || givenNamed("--resume"))) {
        error = std::string("--fast cannot be used with ") + (givenNamed("--deep") ? "--deep" : "--resume");
        return 2;
    }
    if (givenNamed("--deleted-only") && givenNamed("--all")) {
        error = "--deleted-only cannot be used with --all";
        return 2;
    }
    if (!command->operand && !out.source.empty()) {
        error = out.command + " takes no source";
        return 2;
    }
    if (command->operand && !command->operandOptional && out.source.empty()) {
        error = "no source given";
        return 2;
    }
    for (const FlagDef& flag : Flags()) {
        if (!flag.required || !flag.TakenBy(out.command)) continue;
        if (std::find(given.begin(), given.end(), &flag) == given.end()) {
            error = out.command + " needs " + flag.Label();
            return 2;
        }
    }
    return 0;
}

std::vector<std::string> UnknownTypes(const CliOptions& options) {
    std::vector<std::string> unknown;
    for (const std::string& type : options.types) {
        const std::wstring wide(type.begin(), type.end());
        if (type != "other" && GroupOfExtension(wide) == FileGroup::Other && FirstRowOfExtension(type) < 0)
            unknown.push_back(type);
    }
    return unknown;
}

std::string HelpText(const std::string& name) {
    const CommandDef* command = FindCommand(name);
    if (!command) return overview() + kExitCodes;
    std::string text = "usage: quillmere " + usageOf(*command) + "\n" + command->description;
    std::string flags;
    for (const FlagDef& flag : Flags())
        if (flag.TakenBy(name)) flags += flagLines(flag);
    if (!flags.empty()) text += "\n" + flags;
    return text + kExitCodes;
}

}  // namespace qm::cli

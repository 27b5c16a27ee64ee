#include <gtest/gtest.h>

#include <algorithm>

#include "cli/command_table.h"
#include "cli/flag_table.h"
#include "cli/options.h"

namespace qm::cli {
namespace {

// A command line the command accepts without the flag under test: its operand and its
// required flags. A group name serves as every argument but a size: it is a valid type, group
// and path.
std::vector<std::string> validCommandLine(const CommandDef& command, const std::string& value) {
    std::vector<std::string> args{command.name};
    if (command.operand) args.push_back("a.img");
    for (const FlagDef& flag : Flags()) {
        if (!flag.required || !flag.TakenBy(command.name)) continue;
        args.push_back(flag.name);
        args.push_back(value);
    }
    return args;
}

TEST(CliFlagTable, EachFlagIsTakenByTheCommandsThatListItAndShownInTheirHelp) {
    const std::string value = GroupNames().front();
    for (const CommandDef& command : Commands()) {
        const std::string help = HelpText(command.name);
        const std::string usage = help.substr(0, help.find('\n'));
        for (const FlagDef& flag : Flags()) {
            SCOPED_TRACE(std::string(command.name) + " " + flag.Label());
            const bool taken = std::any_of(Flags().begin(), Flags().end(), [&](const FlagDef& row) {
                return row.name == flag.name && row.TakenBy(command.name);
            });
            std::vector<std::string> args = validCommandLine(command, value);
            args.push_back(flag.name);
            if (!flag.argument.empty()) args.push_back(flag.argument == "SIZE" ? "1k" : value);
            CliOptions options;
            std::string error;
            EXPECT_EQ(taken ? 0 : 2, ParseOptions(args, options, error)) << error;
            const bool shown = help.find("\n  " + flag.Label() + " ") != std::string::npos;
            EXPECT_EQ(flag.TakenBy(command.name), shown);
            if (flag.TakenBy(command.name)) {
                EXPECT_NE(std::string::npos, usage.find(flag.Label()));
            }
        }
    }
}

TEST(CliFlagTable, AFlagOfAnotherCommandIsRefusedByName) {
    CliOptions options;
    std::string error;
    EXPECT_EQ(2, ParseOptions({"scan", "a.img", "--tree"}, options, error));
    EXPECT_NE(std::string::npos, error.find("scan"));
    EXPECT_NE(std::string::npos, error.find("--tree"));
    EXPECT_EQ(std::string::npos, error.find("unknown")) << "the option exists, for another command";
}

}  // namespace
}  // namespace qm::cli

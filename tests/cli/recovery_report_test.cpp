#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "cli/command_table.h"
#include "cli/flag_table.h"
#include "cli/xml_text.h"

namespace qm::cli {
namespace {

// Names come from hostile media: whatever they hold, the document must stay well-formed.
TEST(RecoveryReportXml, HostileNamesStayWellFormed) {
    EXPECT_EQ(XmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(XmlEscape("tab\tline\ncr\r"), "tab&#9;line&#10;cr&#13;");
    // Controls XML 1.0 forbids even as references, non-characters and broken UTF-8: U+FFFD.
    EXPECT_EQ(XmlEscape(std::string("a\x01\x1b" "b", 4)), "a\xEF\xBF\xBD\xEF\xBF\xBD" "b");
    EXPECT_EQ(XmlEscape(std::string("\0", 1)), "\xEF\xBF\xBD");
    EXPECT_EQ(XmlEscape("\xEF\xBF\xBF\xEF\xBF\xBE"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(XmlEscape("x\xC3"), "x\xEF\xBF\xBD");
    EXPECT_EQ(XmlEscape("Caf\xC3\xA9 \xE5\x86\x99\xE7\x9C\x9F.jpg"), "Caf\xC3\xA9 \xE5\x86\x99\xE7\x9C\x9F.jpg");
}

std::string readSourceFile(const std::string& path) {
    std::ifstream in(std::string(QM_SOURCE_DIR) + "/" + path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The manual page and the shell completion are written by hand: they must follow the flag table.
TEST(CliDocumentation, ManPageAndCompletionNameEveryFlagOfEveryCommand) {
    const std::string man = readSourceFile("man/quillmere.1");
    const std::string completion = readSourceFile("completion/quillmere.bash");
    ASSERT_FALSE(man.empty());
    ASSERT_FALSE(completion.empty());
    auto roff = [](std::string text) {
        for (size_t at = 0; (at = text.find('-', at)) != std::string::npos; at += 2) text.insert(at, "\\");
        return text;
    };
    for (const CommandDef& command : Commands()) {
        EXPECT_NE(man.find(".B quillmere " + std::string(command.name)), std::string::npos) << command.name;
        const std::string label = "    " + std::string(command.name) + ") flags=\"";
        const size_t at = completion.find(label);
        ASSERT_NE(at, std::string::npos) << command.name;
        std::istringstream listed(completion.substr(at + label.size(),
                                                    completion.find('"', at + label.size()) - at - label.size()));
        std::set<std::string> completed{std::istream_iterator<std::string>(listed), {}};
        std::set<std::string> taken{"--help"};
        for (const FlagDef& flag : Flags())
            if (flag.TakenBy(command.name)) taken.insert(flag.name);
        EXPECT_EQ(completed, taken) << command.name;
    }
    for (const FlagDef& flag : Flags()) EXPECT_NE(man.find(roff(flag.name)), std::string::npos) << flag.name;
}

}  // namespace
}  // namespace qm::cli

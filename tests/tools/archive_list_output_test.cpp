#include "tests/tools/archive_list_helpers.h"

#include <cstdio>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace qm::test {
namespace {

TEST(ArchiveListTable, RowsRuleAndTotals) {
    extract::ArchiveListing listing;
    listing.format = "zip";
    extract::ArchiveEntry file;
    file.name = "folder/file.txt";
    file.size = 12345;
    file.packedSize = 6789;
    file.time = extract::EntryTime::fromDos(static_cast<uint16_t>((44 << 9) | (3 << 5) | 9), (8 << 11) | (5 << 5) | 3);
    file.attributes = extract::kAttrArchive;
    extract::ArchiveEntry folder;
    folder.name = "bad\x1b[2Jname";
    folder.attributes = extract::kAttrFolder | extract::kAttrReadOnly;
    folder.encrypted = true;
    listing.entries = {file, folder};
    const std::string table = extract::FormatListingTable(listing, "a.zip");
    const std::string rule = "------------------- ----- ------------ ------------  ------------------------\n";
    const size_t first = table.find(rule);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(table.substr(first + rule.size()),
              "2024-03-09 08:05:06 ....A        12345         6789  folder/file.txt\n"
              "                    DR...                            bad?[2Jname *\n" +
                  rule +
                  "                                 12345         6789  1 files, 1 folders\n");
}

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#endif

// Runs the built lister; stdout in `out`, the exit code returned.
int RunLister(const std::string& arguments, std::string& out) {
#ifdef _WIN32
    const std::string exe = platform::toUtf8(hostPath(std::string(QM_BINARY_DIR) + "/bin/Extract.exe"));
    const std::string line = "\"\"" + exe + "\" " + arguments + " 2>NUL\"";
#else
    const std::string line = "'" + std::string(QM_BINARY_DIR) + "/bin/Extract' " + arguments + " 2>/dev/null";
#endif
    std::FILE* pipe = popen(line.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    out.clear();
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
#ifdef _WIN32
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

TEST(ArchiveListProgram, PrintsTheTableAndExitsWithItsCodes) {
    const std::string sample = platform::toUtf8(SamplePath("zip/test-documents.zip"));
    std::string out;
    ASSERT_EQ(RunLister("l \"" + sample + "\"", out), 0);
    const size_t rule = out.find("\n-------------------");
    ASSERT_NE(rule, std::string::npos);
    EXPECT_NE(out.find(" 34824        32147  testPDF.pdf\n", rule), std::string::npos);
    EXPECT_NE(out.find("  9 files, 0 folders\n"), std::string::npos);

    const std::string notArchive = platform::toUtf8(SamplePath("README.md"));
    EXPECT_EQ(RunLister("l \"" + notArchive + "\"", out), 1);
    EXPECT_EQ(out.find("-------------------"), std::string::npos);
    EXPECT_EQ(RunLister("l \"" + notArchive + ".missing\"", out), 2);
    EXPECT_EQ(RunLister("x \"" + sample + "\"", out), 1);
}

}  // namespace
}  // namespace qm::test

// Recovery into destinations that are not what they seem: group folders taken by plain files,
// and links planted inside the destination. Every selected file must end counted as succeeded
// or failed, and nothing is written outside the destination.
#include <gtest/gtest.h>

#include "session/text_source.h"
#include "platform/errors.h"
#include "session/recovery_job.h"
#include "tests/engines/fat_test_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace qm {
namespace {

struct ScannedFixture {
    test::TempDir logs;
    std::unique_ptr<CFastFatRecovery> engine = fattest::ScanImage(test::fixturePath("fat/fat32-512.img"), logs.path());
    std::map<std::string, fattest::ListedItem> tree = fattest::ListTree(*engine);

    RecoveryItem item(const std::string& path) {
        const auto it = tree.find(path);
        EXPECT_NE(tree.end(), it) << path;
        return {engine.get(), it == tree.end() ? ScanRecord{} : it->second.record};
    }
};

TEST(RecoveryDestination, GroupFoldersTakenByFilesFailEveryItemVisibly) {
    ScannedFixture scan;
    test::TempDir out;
    test::writeWholeFile(out.file(L"document"), {'x'});
    test::writeWholeFile(out.file(L"others"), {'x'});
    CDefaultTexts texts;
    CRecoveryJob job(texts, out.path());
    const std::vector<RecoveryItem> items = {scan.item("Docs/Quarterly Report 2023.txt"), scan.item("Reuse/!ld.bin"),
                                             scan.item("Gone")};
    EXPECT_EQ(0, job.RunMany(items));
    EXPECT_EQ(3, job.processed());
    EXPECT_EQ(3, job.failed());
    for (const RecoveryDetailRow& row : job.details()) EXPECT_EQ(kErrorAlreadyExists, row.error) << platform::toUtf8(row.path);
}

#ifndef _WIN32
TEST(RecoveryDestination, LinksInsideTheDestinationAreNeverFollowed) {
    ScannedFixture scan;
    test::TempDir out, elsewhere;
    const std::string outside = platform::toUtf8(elsewhere.file(L"planted.txt"));
    const std::string document = platform::toUtf8(out.file(L"document"));
    ASSERT_EQ(0, platform::createFolderTree(out.file(L"document")));
    // A dangling link with the recovered file's name, and a group folder that is a link.
    ASSERT_EQ(0, ::symlink(outside.c_str(), (document + "/Quarterly Report 2023.txt").c_str()));
    ASSERT_EQ(0, ::symlink(platform::toUtf8(elsewhere.path()).c_str(), platform::toUtf8(out.file(L"others")).c_str()));

    CDefaultTexts texts;
    CRecoveryJob job(texts, out.path());
    EXPECT_EQ(0, job.RunMany({scan.item("Docs/Quarterly Report 2023.txt"), scan.item("Reuse/!ld.bin")}));
    EXPECT_EQ(2, job.processed());
    EXPECT_EQ(1, job.failed());  // the linked group folder
    EXPECT_FALSE(platform::pathExists(elsewhere.file(L"planted.txt")));
    EXPECT_FALSE(platform::pathExists(elsewhere.file(L"!ld.bin")));
    const auto original = test::readWholeFile(test::fixturePath("fat/src/quarterly.txt"));
    EXPECT_EQ(original, test::readWholeFile(out.file(L"document/Quarterly Report 2023(1).txt")));
}
#endif

}  // namespace
}  // namespace qm

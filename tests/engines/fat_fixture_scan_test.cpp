// Scans of real volumes made by mkfs.fat and mtools: what is listed, where and how.
#include <gtest/gtest.h>

#include <set>

#include "engines/fat/fat_content_check.h"
#include "platform/errors.h"
#include "tests/engines/fat_test_support.h"

namespace qm {
namespace {

using fattest::ExpectedFile;

class FatFixtureScan : public ::testing::TestWithParam<std::string> {};

TEST_P(FatFixtureScan, ListsExactlyTheDeletedFilesWithTheirFolders) {
    test::TempDir logs;
    auto engine = fattest::ScanImage(test::fixturePath("fat/" + GetParam()), logs.path());
    const auto tree = fattest::ListTree(*engine);
    const std::vector<ExpectedFile> expected = fattest::LoadExpected();
    ASSERT_FALSE(expected.empty());

    std::set<std::string> files, folders;
    for (const auto& [path, item] : tree) (item.record.isFolder ? folders : files).insert(path);
    std::set<std::string> wantedFiles, wantedFolders;
    for (const ExpectedFile& e : expected) {
        wantedFiles.insert(e.path);
        for (size_t slash = e.path.find('/'); slash != std::string::npos; slash = e.path.find('/', slash + 1))
            wantedFolders.insert(e.path.substr(0, slash));
    }
    // The photo whose first cluster another file took fails the content check: condition 0
    // hides it from listings (it is still counted below).
    for (const ExpectedFile& e : expected)
        if (e.expect == "damaged") wantedFiles.erase(e.path);
    EXPECT_EQ(wantedFiles, files);
    EXPECT_EQ(wantedFolders, folders);  // LiveOnly holds nothing deleted: not listed

    for (const ExpectedFile& e : expected) {
        auto it = tree.find(e.path);
        if (it == tree.end()) continue;
        const ScanRecord& r = it->second.record;
        EXPECT_EQ(e.size, +r.size) << e.path;
        EXPECT_EQ(kSourceFastFat, +r.sourceKind);
        EXPECT_EQ('Q', +r.driveLetter);
        EXPECT_EQ(static_cast<int32_t>(engine->Volume().clusterBytes()), +r.clusterBytes);
        EXPECT_EQ(engine->Volume().geometry.dataStart, +r.dataStart);
        EXPECT_GT(+r.location, engine->Volume().geometry.reservedSectors) << e.path;
        EXPECT_NE(0u, +r.modified) << e.path;
        if (e.expect == "intact" || e.expect == "prefix") {
            EXPECT_EQ(1, +r.condition) << e.path;
        }
    }
    uint32_t count = 0;
    EXPECT_EQ(0, engine->CountFiles(nullptr, 0, count));
    EXPECT_EQ(expected.size(), count);
    EXPECT_EQ(expected.size() + wantedFolders.size(), engine->GetFoundCount());
}

TEST_P(FatFixtureScan, DeletedFoldersCarryTheDeletedFlagAndPathsBuild) {
    test::TempDir logs;
    auto engine = fattest::ScanImage(test::fixturePath("fat/" + GetParam()), logs.path());
    const auto tree = fattest::ListTree(*engine);
    for (const char* path : {"Gone", "Gone/Inner", "Gone/Inner/Deeper"}) {
        ASSERT_TRUE(tree.count(path)) << path;
        EXPECT_EQ(1, tree.at(path).record.reserved[0]) << path;
    }
    for (const char* path : {"Docs", "Мир", "Frag"}) {
        ASSERT_TRUE(tree.count(path)) << path;
        EXPECT_EQ(0, tree.at(path).record.reserved[0]) << path;
    }
    const ScanRecord& deep = tree.at("Gone/Inner/Deeper/!.txt").record;
    std::wstring path;
    EXPECT_EQ(0, engine->GetItemPath(deep, path));
    EXPECT_EQ(fattest::NativePath("Gone/Inner/Deeper/"), path);
    // Levels: the children of a folder in the root are filed one level down.
    EXPECT_EQ(1, tree.at("Gone").level);
    EXPECT_EQ(3, tree.at("Gone/Inner/Deeper").level);
}

TEST_P(FatFixtureScan, ListByTypeFindsTheTextFilesAndHidesTheDamagedPhoto) {
    test::TempDir logs;
    auto engine = fattest::ScanImage(test::fixturePath("fat/" + GetParam()), logs.path());
    std::vector<ScanRecord> texts;
    ASSERT_EQ(0, engine->ListByType(L"*.txt", texts));
    size_t wanted = 0;
    for (const ExpectedFile& e : fattest::LoadExpected()) wanted += e.path.ends_with(".txt");
    EXPECT_EQ(wanted, texts.size());
    std::vector<ScanRecord> photos;
    ASSERT_EQ(0, engine->ListByType(L"*.jpg", photos));
    EXPECT_TRUE(photos.empty());  // the damaged photo stays hidden
}

TEST_P(FatFixtureScan, ReopenedLogListsTheSameTree) {
    test::TempDir logs;
    auto engine = fattest::ScanImage(test::fixturePath("fat/" + GetParam()), logs.path());
    const auto before = fattest::ListTree(*engine);
    std::vector<std::wstring> names;
    ASSERT_EQ(0, platform::listFolder(logs.path(), names));
    std::wstring logName;
    for (const auto& n : names)
        if (n.rfind(L"Fast_0_", 0) == 0 && n.find(L'_', 7) == std::wstring::npos) logName = n;
    ASSERT_FALSE(logName.empty());

    CFastFatRecovery again;
    again.SetLogFolder(logs.path());
    ASSERT_EQ(0, again.OpenImage(test::fixturePath("fat/" + GetParam()), 'Q'));
    ASSERT_EQ(0, again.Scan(logName.c_str()));
    const auto after = fattest::ListTree(again);
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [path, item] : before) EXPECT_TRUE(after.count(path)) << path;
}

INSTANTIATE_TEST_SUITE_P(Images, FatFixtureScan, ::testing::ValuesIn(fattest::FixtureImages()),
                         [](const auto& info) {
                             std::string name = info.param.substr(0, info.param.find('.'));
                             for (auto& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace qm

namespace qm {
namespace {

struct ScanLog {
    std::vector<int> steps;
    int answer = 0;
};

int QM_STDCALL LogScan(void* user, int step, int scale, int, uint64_t, uint64_t, uint64_t, int) {
    auto* log = static_cast<ScanLog*>(user);
    log->steps.push_back(step);
    EXPECT_EQ(100, scale);
    return log->answer;
}

TEST(FatScanProgress, ReportsStartEndAndStopsOnTheCallbacksWord) {
    test::TempDir logs;
    CFastFatRecovery engine;
    engine.SetLogFolder(logs.path());
    EXPECT_EQ(kErrorInvalidHandle, engine.Scan(nullptr));  // nothing opened
    ASSERT_EQ(0, engine.OpenImage(test::fixturePath("fat/fat16-2k.img"), 'Q'));
    EXPECT_EQ(0, engine.OpenImage(L"/no/such/image", 'Q'));  // a second open changes nothing
    ScanLog log;
    engine.SetCallbacks(LogScan, nullptr, &log, 100);
    ASSERT_EQ(0, engine.Scan(nullptr));
    ASSERT_GE(log.steps.size(), 3u);
    EXPECT_EQ(1, log.steps.front());
    EXPECT_EQ(80, log.steps[log.steps.size() - 2]);
    EXPECT_EQ(100, log.steps.back());

    // A cancel answered at the start ends the scan before the folders are recorded.
    // (Logs are named by the minute: a second scan gets a folder of its own, as the driver does.)
    test::TempDir again;
    engine.SetLogFolder(again.path());
    log = ScanLog{};
    log.answer = CancelCode;
    EXPECT_EQ(CancelCode, engine.Scan(nullptr));
    EXPECT_EQ(std::vector<int>{1}, log.steps);
    std::vector<ScanRecord> root;
    ASSERT_EQ(0, engine.ListFolder(nullptr, 0, root));
    for (const ScanRecord& r : root) EXPECT_EQ(0, +r.isFolder);
    EXPECT_EQ(kErrorInvalidParameter, engine.ListFolder(nullptr, 2, root));
}

}  // namespace
}  // namespace qm

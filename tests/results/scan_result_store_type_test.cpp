// Listing every file of the log by extension.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results/scan_result_store.h"
#include "tests/results/scan_result_store_fixture.h"

namespace qm::test {
namespace {

void addTypeSamples(ScanResultStore& store) {
    const ParentKey root = ParentKey::make(0, 0);
    StoreTest::addFile(store, root, "x.xyz");
    StoreTest::addFile(store, root, "readme");
    StoreTest::addFile(store, root, "a.qqq");
    StoreTest::addFile(store, root, "a.jpg");
    StoreTest::addFolder(store, root, "folder.xyz", 9);
}

TEST_F(StoreTest, OtherClassKeepsUnknownTypesAndNamesWithoutExtension) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    addTypeSamples(store);
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listByType(L"*.xyz|.other", out));
    EXPECT_EQ((std::vector<std::string>{"a.qqq", "readme", "x.xyz"}), namesOf(out));

    out.clear();
    ASSERT_EQ(0, store.listByType(L"*.xyz", out));
    EXPECT_EQ(std::vector<std::string>{"x.xyz"}, namesOf(out));
}

TEST_F(StoreTest, ExtensionsMatchIgnoringCase) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    addFile(store, ParentKey(0), "LOUD.PNG");
    addFile(store, ParentKey(0), "quiet.png");
    addFile(store, ParentKey(0), "other.gif");
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listByType(L"*.png", out));
    EXPECT_EQ((std::vector<std::string>{"LOUD.PNG", "quiet.png"}), namesOf(out));
}

TEST_F(StoreTest, ExtensionsMatchWholeItemsOnly) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    addFile(store, ParentKey(0), "song.flac");
    addFile(store, ParentKey(0), "movie.fla");
    addFile(store, ParentKey(0), "photo.jp");
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listByType(L"*.jpg|*.flac", out));
    EXPECT_EQ(std::vector<std::string>{"song.flac"}, namesOf(out));
    out.clear();
    ASSERT_EQ(0, store.listByType(L"*.fla|.other", out));  // "jp" is no known type
    EXPECT_EQ((std::vector<std::string>{"movie.fla", "photo.jp"}), namesOf(out));
}

TEST_F(StoreTest, LargeLogsListNoOtherClass) {
    // The limit is the log size: five records are 1730 bytes.
    ScanResultStore below(5 * 346 + 1);
    ASSERT_EQ(0, below.openIn(folder(), L"below"));
    addTypeSamples(below);
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, below.listByType(L"*.xyz|.other", out));
    EXPECT_EQ(3u, out.size());

    ScanResultStore atLimit(5 * 346);
    ASSERT_EQ(0, atLimit.openIn(folder(), L"at"));
    addTypeSamples(atLimit);
    out.clear();
    ASSERT_EQ(0, atLimit.listByType(L"*.xyz|.other", out));
    EXPECT_EQ(std::vector<std::string>{"x.xyz"}, namesOf(out));
}

struct ProgressLog {
    std::vector<int> percents;
    int stopAfter = 0;  // calls answered 0 before the stop; 0 = never stop
};

int recordProgress(void* user, int percent, int zero) {
    auto* log = static_cast<ProgressLog*>(user);
    EXPECT_EQ(0, zero);
    log->percents.push_back(percent);
    if (log->stopAfter && static_cast<int>(log->percents.size()) >= log->stopAfter) return -9527;
    return 0;
}

TEST_F(StoreTest, ListProgressReportsAndCanStopTheListing) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const int kRecords = 10000;  // several read chunks
    for (int i = 0; i < kRecords; ++i) addFile(store, ParentKey(0), numbered("p", i, ".txt"));

    ProgressLog full;
    store.setListProgress(recordProgress, &full);
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listByType(L"*.txt", out));
    EXPECT_EQ(static_cast<size_t>(kRecords), out.size());
    ASSERT_GE(full.percents.size(), 2u);
    for (size_t i = 1; i < full.percents.size(); ++i) EXPECT_LT(full.percents[i - 1], full.percents[i]);
    EXPECT_EQ(100, full.percents.back());

    ProgressLog stopped;
    stopped.stopAfter = 1;
    store.setListProgress(recordProgress, &stopped);
    out.clear();
    EXPECT_EQ(-9527, store.listByType(L"*.txt", out));
    EXPECT_EQ(1u, stopped.percents.size());
    EXPECT_FALSE(out.empty());
    EXPECT_LT(out.size(), static_cast<size_t>(kRecords)) << "reading stopped after the first chunk";
}

}  // namespace
}  // namespace qm::test

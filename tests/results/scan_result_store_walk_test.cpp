// Counting below a folder and building the folder chain above a record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results/scan_result_store.h"
#include "tests/results/scan_result_store_fixture.h"

namespace qm::test {
namespace {

TEST_F(StoreTest, CountFilesWalksAllDepthsAndSkipsFolders) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey root = ParentKey::make(5, 0);
    addFile(store, root, "r1.txt");
    addFolder(store, root, "A", 30);
    addFile(store, ParentKey::make(30, 1), "a1.txt");
    addFile(store, ParentKey::make(30, 1), "a2.txt");
    addFolder(store, ParentKey::make(30, 1), "B", 31);
    addFile(store, ParentKey::make(31, 2), "b1.txt");
    addFile(store, ParentKey::make(31, 7), "wrong-depth.txt");  // not below A at depth 2

    uint32_t count = 0;
    ASSERT_EQ(0, store.countFiles(ParentKey(0), count));
    EXPECT_EQ(4u, count);
    ASSERT_EQ(0, store.countFiles(ParentKey::make(30, 1), count));
    EXPECT_EQ(3u, count);
    ASSERT_EQ(0, store.countFiles(ParentKey::make(99, 1), count));
    EXPECT_EQ(0u, count);
}

TEST_F(StoreTest, CountFilesWalksEachFolderOnceWhateverTheRelationsSay) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    // Every level files the next folder twice: walked naively the work doubles per level.
    const int kLevels = 40;
    for (int level = 0; level < kLevels; ++level) {
        const ParentKey key = ParentKey::make(100 + level, static_cast<uint32_t>(level));
        const int32_t folderNo = addFolder(store, key, numbered("D", level), 101 + level, false);
        store.addChild(key, folderNo, 101 + level);
        addFile(store, key, numbered("f", level));
    }
    // A folder filed under its own key.
    const int32_t self = addFolder(store, ParentKey::make(100 + kLevels, kLevels), "Self", 100 + kLevels, false);
    (void)self;
    uint32_t count = 0;
    ASSERT_EQ(0, store.countFiles(ParentKey::make(100, 0), count));
    EXPECT_EQ(static_cast<uint32_t>(kLevels), count);
}

TEST_F(StoreTest, AncestorsComeFromFolderNamesAndFromTheLog) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey root = ParentKey::make(5, 0);
    const int32_t docs = addFolder(store, root, "Docs", 30);                          // named in _DirInfo
    const int32_t work = addFolder(store, ParentKey::make(30, 1), "Work", 40, false);  // only in the log
    const int32_t file = addFile(store, ParentKey::make(40, 2), "plan.txt");
    const int32_t top = addFile(store, root, "top.txt");

    ScanRecord record{};
    record.recordNo = file;
    std::vector<ScanRecord> chain;
    ASSERT_EQ(0, store.collectAncestors(record, chain));
    ASSERT_EQ((std::vector<std::string>{"Work", "Docs"}), namesOf(chain));
    EXPECT_EQ(work, +chain[0].recordNo);
    EXPECT_EQ(40, +chain[0].fsId);
    EXPECT_EQ(docs, +chain[1].recordNo);
    EXPECT_EQ(1, +chain[1].isFolder);

    record.recordNo = top;
    ASSERT_EQ(0, store.collectAncestors(record, chain));
    EXPECT_TRUE(chain.empty()) << "a record at the root has no folders above it";
    record.recordNo = 999;
    ASSERT_EQ(0, store.collectAncestors(record, chain));
    EXPECT_TRUE(chain.empty());
}

TEST_F(StoreTest, AncestorsOfAFolderWhoseRecordIsMissingReportTheLookup) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    addFile(store, ParentKey::make(5, 0), "top.txt");
    const int32_t orphan = addFile(store, ParentKey::make(77, 1), "orphan.txt");
    ScanRecord record{};
    record.recordNo = orphan;
    std::vector<ScanRecord> chain;
    EXPECT_EQ(87, store.collectAncestors(record, chain));
    EXPECT_TRUE(chain.empty());
}

TEST_F(StoreTest, AncestorWalkEndsOnCycles) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    addFile(store, ParentKey::make(1, 0), "root.txt");
    // A is filed under B and B under A; one of them has its name only in the log.
    const int32_t a = addFolder(store, ParentKey::make(20, 1), "A", 10);
    const int32_t b = addFolder(store, ParentKey::make(10, 1), "B", 20, false);
    const int32_t f = addFile(store, ParentKey::make(10, 2), "f.txt");
    // S is filed under its own key.
    const int32_t s = addFolder(store, ParentKey::make(30, 1), "S", 30);

    ScanRecord record{};
    record.recordNo = f;
    std::vector<ScanRecord> chain;
    ASSERT_EQ(0, store.collectAncestors(record, chain));
    ASSERT_EQ((std::vector<std::string>{"A", "B"}), namesOf(chain));
    EXPECT_EQ(a, +chain[0].recordNo);
    EXPECT_EQ(b, +chain[1].recordNo);

    record.recordNo = s;
    ASSERT_EQ(0, store.collectAncestors(record, chain));
    EXPECT_TRUE(chain.empty());
}

TEST_F(StoreTest, FindFolderRecordTakesTheFirstFolderWithThatId) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey root = ParentKey::make(5, 0);
    add(store, root, {"file-with-id", false, 44});
    // Enough records that the answer is past the first read chunk.
    for (int i = 0; i < 4000; ++i) addFile(store, root, "filler");
    const int32_t first = addFolder(store, root, "First", 44, false);
    addFolder(store, root, "Second", 44, false);

    ScanRecord found;
    ASSERT_EQ(0, store.findFolderRecord(44, found));
    EXPECT_EQ(first, +found.recordNo);
    EXPECT_EQ("First", recordName(found));
    EXPECT_EQ(87, store.findFolderRecord(45, found));
}

}  // namespace
}  // namespace qm::test

#include "results/scan_result_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/results/scan_result_store_fixture.h"

namespace qm::test {
namespace {

uint64_t fileSize(const std::wstring& path) { return readWholeFile(path).size(); }

TEST_F(StoreTest, TheTwoHundredFirstRecordSendsOneFullBlockToTheLog) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    ScanRecord* first = nullptr;
    for (int i = 1; i <= 200; ++i) {
        ScanRecord* slot = store.appendRecord();
        if (i == 1) first = slot;
        EXPECT_EQ(i, +slot->recordNo);
        setRecordName(*slot, numbered("f", i, ".txt"));
    }
    EXPECT_EQ(0u, fileSize(logPath())) << "nothing is written before the buffer is full";

    ScanRecord* slot = store.appendRecord();
    EXPECT_EQ(first, slot) << "the buffer starts over after its block went out";
    EXPECT_EQ(201, store.count());
    EXPECT_EQ(201u, store.foundCount());
    EXPECT_EQ(69200u, fileSize(logPath()));
    setRecordName(*slot, "f201.txt");

    ASSERT_EQ(0, store.flush());
    const auto bytes = readWholeFile(logPath());
    ASSERT_EQ(201u * 346, bytes.size());
    // Record n lies at (n - 1) * 346 and carries its own number.
    for (int32_t n : {1, 200, 201}) {
        ScanRecord r;
        std::memcpy(&r, bytes.data() + recordOffset(n), sizeof r);
        EXPECT_EQ(n, +r.recordNo);
        EXPECT_EQ(numbered("f", n, ".txt"), recordName(r));
    }
}

TEST_F(StoreTest, ReopenedStoreListsTheSameChildrenInTheSameOrder) {
    const ParentKey root = ParentKey::make(5, 0);
    const ParentKey sub = ParentKey::make(40, 1);
    std::vector<ScanRecord> before;
    {
        ScanResultStore store;
        ASSERT_EQ(0, open(store));
        addFile(store, root, "zeta.doc");                // 1
        addFile(store, root, "Alpha.txt");               // 2
        addFile(store, sub, "inner.bin");                // 3
        addFolder(store, ParentKey::make(40, 7), "x", 1);  // 4, filed elsewhere
        addFile(store, sub, "inner2.bin");
        addFile(store, sub, "inner3.bin");
        addFolder(store, root, "Sub", 40);               // 7
        ASSERT_EQ(0, store.flush());
        const auto relation = readWholeFile(store.relationPath());
        const std::string text(relation.begin(), relation.end());
        EXPECT_NE(std::string::npos, text.find(" | 5 - [1,2,7]")) << text;
        ASSERT_EQ(0, store.listChildren(root, before));
        EXPECT_EQ((std::vector<std::string>{"Alpha.txt", "zeta.doc", "Sub"}), namesOf(before));
        EXPECT_EQ(0, store.close());
    }
    ScanResultStore again;
    ASSERT_EQ(0, open(again));
    EXPECT_EQ(7u, again.foundCount());
    std::vector<ScanRecord> after;
    ASSERT_EQ(0, again.listChildren(root, after));
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < after.size(); ++i) EXPECT_EQ(0, std::memcmp(&before[i], &after[i], sizeof(ScanRecord)));
    std::vector<ScanRecord> inner;
    ASSERT_EQ(0, again.listChildren(sub, inner));
    EXPECT_EQ((std::vector<std::string>{"inner.bin", "inner2.bin", "inner3.bin"}), namesOf(inner));
    ASSERT_EQ(2u, again.dirInfo().size());
    EXPECT_EQ("Sub", nameFieldText(again.dirInfo()[1].name));
    EXPECT_EQ(7, +again.dirInfo()[1].recordNo);
}

TEST_F(StoreTest, RootListingOfAnEmptyStoreIsEmptyAndSucceeds) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    std::vector<ScanRecord> out;
    EXPECT_EQ(0, store.listChildren(ParentKey(0), out));
    EXPECT_TRUE(out.empty());
    uint32_t count = 99;
    EXPECT_EQ(0, store.countFiles(ParentKey(0), count));
    EXPECT_EQ(0u, count);

    addFile(store, ParentKey::make(5, 0), "a.txt");
    EXPECT_EQ(0, store.listChildren(ParentKey::make(77, 2), out)) << "a key without children";
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(1u, store.relations().size()) << "asking does not add the key";
}

TEST_F(StoreTest, KeyZeroListsTheSmallestKey) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    addFile(store, ParentKey::make(9, 1), "deeper.txt");
    addFile(store, ParentKey::make(5, 0), "top.txt");
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listChildren(ParentKey(0), out));
    EXPECT_EQ(std::vector<std::string>{"top.txt"}, namesOf(out));
}

TEST_F(StoreTest, FilesComeBeforeFoldersAndNamesIgnoreCase) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey root = ParentKey::make(2, 0);
    addFolder(store, root, "a", 10);
    addFile(store, root, "b.txt");
    addFile(store, root, "A.doc");
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listChildren(root, out));
    EXPECT_EQ((std::vector<std::string>{"A.doc", "b.txt", "a"}), namesOf(out));
}

TEST_F(StoreTest, DamagedPhotosAreHiddenFromListingsButCounted) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey root = ParentKey::make(5, 0);
    addFile(store, root, "broken.JPG", 0);
    addFile(store, root, "good.JPG", 1);
    addFile(store, root, "broken.txt", 0);  // only photos are hidden
    std::vector<ScanRecord> listed;
    ASSERT_EQ(0, store.listChildren(root, listed));
    EXPECT_EQ((std::vector<std::string>{"broken.txt", "good.JPG"}), namesOf(listed));
    std::vector<ScanRecord> typed;
    ASSERT_EQ(0, store.listByType(L"*.jpg|*.txt", typed));
    EXPECT_EQ((std::vector<std::string>{"broken.txt", "good.JPG"}), namesOf(typed));
    uint32_t count = 0;
    ASSERT_EQ(0, store.countFiles(root, count));
    EXPECT_EQ(3u, count);
}

TEST_F(StoreTest, ChildrenInAnyOrderWithGapsAreAllListed) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey mine = ParentKey::make(5, 0);
    const ParentKey other = ParentKey::make(6, 0);
    // Record n is named n; only some of them are mine, out of order and far apart.
    for (int n = 1; n <= 500; ++n) {
        ScanRecord* slot = store.appendRecord();
        char name[16];
        std::snprintf(name, sizeof name, "%03d", n);
        setRecordName(*slot, name);
        store.addChild(other, n, 0);
    }
    const std::vector<int32_t> mineNos{300, 1, 2, 3, 4, 40, 41, 90, 89, 500, 250, 251, 252, 499};
    for (int32_t n : mineNos) store.addChild(mine, n, 0);
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listChildren(mine, out));
    std::vector<std::string> want;
    for (int32_t n : {1, 2, 3, 4, 40, 41, 89, 90, 250, 251, 252, 300, 499, 500}) {
        char name[16];
        std::snprintf(name, sizeof name, "%03d", n);
        want.push_back(name);
    }
    EXPECT_EQ(want, namesOf(out));
    for (const auto& r : out) EXPECT_EQ(std::stoi(recordName(r)), +r.recordNo);
}

TEST_F(StoreTest, ChildNumbersOutsideTheLogAreSkipped) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey root = ParentKey::make(5, 0);
    addFile(store, root, "one.txt");
    store.addChild(root, 0, 0);
    store.addChild(root, -4, 0);
    store.addChild(root, 2, 0);  // one past the last record
    store.addChild(root, 2147483647, 0);
    addFile(store, root, "two.txt");  // now record 2 exists: it is listed once per filing
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listChildren(root, out));
    EXPECT_EQ((std::vector<std::string>{"one.txt", "two.txt", "two.txt"}), namesOf(out));
    uint32_t count = 0;
    ASSERT_EQ(0, store.countFiles(root, count));
    EXPECT_EQ(3u, count);
}

TEST_F(StoreTest, ReopenedStoreNumbersNewRecordsAfterTheOldOnes) {
    const ParentKey root = ParentKey::make(5, 0);
    {
        ScanResultStore store;
        ASSERT_EQ(0, open(store));
        addFile(store, root, "old1.txt");
        addFile(store, root, "old2.txt");
        addFile(store, root, "old3.txt");
    }  // the destructor flushes
    ScanResultStore again;
    ASSERT_EQ(0, open(again));
    EXPECT_EQ(3u, again.foundCount());
    EXPECT_EQ(4, addFile(again, root, "new4.txt"));
    EXPECT_EQ(5, addFile(again, root, "new5.txt"));
    ASSERT_EQ(0, again.flush());
    EXPECT_EQ(5u * 346, readWholeFile(logPath()).size());
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, again.listChildren(root, out));
    ASSERT_EQ((std::vector<std::string>{"new4.txt", "new5.txt", "old1.txt", "old2.txt", "old3.txt"}), namesOf(out));
    EXPECT_EQ(4, +out[0].recordNo);
    EXPECT_EQ(1, +out[2].recordNo);
}

TEST_F(StoreTest, TornLastRecordIsOverwrittenByTheNextOne) {
    {
        ScanResultStore store;
        ASSERT_EQ(0, open(store));
        addFile(store, ParentKey::make(5, 0), "kept.txt");
    }
    auto bytes = readWholeFile(logPath());
    bytes.resize(346 + 100, 0xEE);  // half a record from a scan that was cut off
    writeWholeFile(logPath(), bytes);

    ScanResultStore again;
    ASSERT_EQ(0, open(again));
    EXPECT_EQ(1u, again.foundCount());
    EXPECT_EQ(2, addFile(again, ParentKey::make(5, 0), "next.txt"));
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, again.listChildren(ParentKey::make(5, 0), out));
    EXPECT_EQ((std::vector<std::string>{"kept.txt", "next.txt"}), namesOf(out));
    EXPECT_EQ(2u * 346, readWholeFile(logPath()).size());
}

TEST_F(StoreTest, OpenCreatesTheFolderAndTheThreeFiles) {
    ScanResultStore store;
    ASSERT_EQ(0, store.openIn(platform::joinPath(folder(), L"7"), kTestLogName));
    EXPECT_TRUE(platform::pathExists(store.logPath()));
    EXPECT_TRUE(platform::pathExists(store.relationPath()));
    EXPECT_TRUE(platform::pathExists(store.dirInfoPath()));
    EXPECT_EQ(store.logPath() + L"_Relation", store.relationPath());
    EXPECT_EQ(store.logPath() + L"_DirInfo", store.dirInfoPath());
}

}  // namespace
}  // namespace qm::test

namespace qm::test {
namespace {

TEST_F(StoreTest, LongListsFollowTheRecordOrder) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey root = ParentKey::make(5, 0);
    // Names that differ early, late (past 16 bytes), only in case, or only in length.
    const char* stems[] = {"a", "B", "Holiday_Pictures_2024_", "holiday_pictures_2024_", "\xC3\xA9t\xC3\xA9", "_x", "Z"};
    uint32_t seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        std::string name = stems[(seed >> 16) % 7];
        name += numbered("", (seed >> 8) % 50);
        if ((seed >> 4) % 3 == 0) name += ".JPG";
        add(store, root, {name, (seed >> 12) % 5 == 0, 1000 + i, 1, false});
    }
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listChildren(root, out));
    ASSERT_EQ(3000u, out.size());
    EXPECT_TRUE(std::is_sorted(out.begin(), out.end(), recordOrderLess));
    // Nothing lost or doubled on the way.
    std::vector<int32_t> numbers;
    for (const auto& r : out) numbers.push_back(+r.recordNo);
    std::sort(numbers.begin(), numbers.end());
    for (int32_t i = 0; i < 3000; ++i) ASSERT_EQ(i + 1, numbers[i]);
}

}  // namespace
}  // namespace qm::test

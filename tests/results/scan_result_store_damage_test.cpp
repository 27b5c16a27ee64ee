// Damaged side files and failed writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "platform/errors.h"
#include "results/scan_result_store.h"
#include "tests/results/scan_result_store_fixture.h"

namespace qm::test {
namespace {

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST_F(StoreTest, DamagedSideFilesAreReadAsFarAsTheyMakeSense) {
    {
        ScanResultStore store;
        ASSERT_EQ(0, open(store));
        for (int n = 1; n <= 5; ++n) addFile(store, ParentKey::make(1, 0), numbered("r", n));
        addFolder(store, ParentKey::make(1, 0), "Named", 70);
    }
    // Out-of-range and negative numbers, an item without key, a cut-off last item.
    writeWholeFile(logPath() + L"_Relation",
                   bytesOf(" | 5 - [1,2,99999,0,3] | x - [4] | 6 - [4,2147483648,-1,5] | 7 - [2,"));
    auto dirInfo = readWholeFile(logPath() + L"_DirInfo");
    ASSERT_EQ(268u, dirInfo.size());
    dirInfo.resize(268 + 100, 'z');  // a torn second entry
    writeWholeFile(logPath() + L"_DirInfo", dirInfo);

    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listChildren(ParentKey(5), out));
    EXPECT_EQ((std::vector<std::string>{"r1", "r2", "r3"}), namesOf(out));
    out.clear();
    ASSERT_EQ(0, store.listChildren(ParentKey(6), out));
    EXPECT_EQ((std::vector<std::string>{"r4", "r5"}), namesOf(out));
    out.clear();
    ASSERT_EQ(0, store.listChildren(ParentKey(7), out));
    EXPECT_EQ(std::vector<std::string>{"r2"}, namesOf(out));
    uint32_t count = 0;
    ASSERT_EQ(0, store.countFiles(ParentKey(5), count));
    EXPECT_EQ(3u, count);
    ASSERT_EQ(1u, store.dirInfo().size());
    EXPECT_EQ("Named", nameFieldText(store.dirInfo()[0].name));

    // The next flush writes a tidy file that reads back to the same tree plus the new child.
    const int32_t added = addFile(store, ParentKey(7), "r7");
    addFolder(store, ParentKey(7), "Second", 71);
    ASSERT_EQ(0, store.flush());
    const RelationMap expected = store.relations();
    ASSERT_EQ(0, store.close());
    ScanResultStore again;
    ASSERT_EQ(0, open(again));
    EXPECT_EQ(expected, again.relations());
    EXPECT_EQ((std::vector<int32_t>{2, added, added + 1}), again.relations().at(ParentKey(7)));
    ASSERT_EQ(2u, again.dirInfo().size());
    EXPECT_EQ("Second", nameFieldText(again.dirInfo()[1].name));
}

TEST_F(StoreTest, FolderNamesStayInsideTheirFieldAndTheLog) {
    {
        ScanResultStore store;
        ASSERT_EQ(0, open(store));
        addFile(store, ParentKey::make(1, 0), "top");
    }
    std::vector<uint8_t> entry(268, 'N');
    entry[0] = 70;  // fsId 70
    for (int i = 1; i < 8; ++i) entry[i] = 0;
    entry[4] = 1;  // recordNo 1
    // A second entry cannot belong to a log of one record: it is not read.
    std::vector<uint8_t> twoEntries;
    for (int copy = 0; copy < 2; ++copy)
        for (uint8_t b : entry) twoEntries.push_back(b);
    writeWholeFile(logPath() + L"_DirInfo", twoEntries);
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    ASSERT_EQ(1u, store.dirInfo().size());
    EXPECT_EQ(std::string(260, 'N'), nameFieldText(store.dirInfo()[0].name));
}

TEST_F(StoreTest, AppendingWithoutAnOpenLogIsReportedByFlush) {
    ScanResultStore store;
    ScanRecord* slot = store.appendRecord();
    ASSERT_NE(nullptr, slot);
    setRecordName(*slot, "lost.txt");
    EXPECT_EQ(0u, store.foundCount());
    EXPECT_EQ(kErrorInvalidHandle, store.flush());
    EXPECT_EQ(0, store.flush()) << "an error is reported once";
}

TEST_F(StoreTest, OpenFailsWhenTheFolderCannotBeMade) {
    writeWholeFile(dir_.file(L"plain"), bytesOf("a file where the folder should be"));
    ScanResultStore store;
    EXPECT_NE(0, store.openIn(platform::joinPath(dir_.file(L"plain"), L"sub"), kTestLogName));
    ASSERT_NE(nullptr, store.appendRecord());
    EXPECT_NE(0, store.flush()) << "records appended to a store that did not open are not silently lost";
}

#ifndef _WIN32
// Caps the size of files this process may write, so that a log write fails part-way.
class FileSizeCap {
public:
    explicit FileSizeCap(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit cap = old_;
        cap.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &cap) == 0;
    }
    ~FileSizeCap() { lift(); }
    void lift() {
        if (lifted_) return;
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
        lifted_ = true;
    }
    bool ok() const { return ok_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
    bool lifted_ = false;
};

TEST_F(StoreTest, FailedBlockWriteDuringAppendIsReportedAndLaterRecordsKeepTheirPlace) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey root = ParentKey::make(5, 0);
    {
        FileSizeCap cap(69200);  // room for the first block only
        if (!cap.ok()) GTEST_SKIP() << "cannot cap the file size here";
        for (int n = 1; n <= 401; ++n) addFile(store, root, numbered("n", n));
        cap.lift();
    }
    // Records 201..400 were in the block that failed.
    const int rc = store.flush();
    EXPECT_NE(0, rc);
    EXPECT_EQ(0, store.flush());
    EXPECT_EQ(401u * 346, readWholeFile(logPath()).size());
    std::vector<ScanRecord> out;
    store.listChildren(root, out);
    bool sawFirst = false, sawLast = false;
    for (const auto& r : out) {
        if (recordName(r) == "n1") sawFirst = r.recordNo == 1;
        if (recordName(r) == "n401") sawLast = r.recordNo == 401;
        EXPECT_NE("n300", recordName(r));
    }
    EXPECT_TRUE(sawFirst);
    EXPECT_TRUE(sawLast) << "the record after the lost block lies at its own number";
}

TEST_F(StoreTest, FailedFlushKeepsThePendingRecordsForTheNextOne) {
    ScanResultStore store;
    ASSERT_EQ(0, open(store));
    const ParentKey root = ParentKey::make(5, 0);
    addFile(store, root, "early");
    ASSERT_EQ(0, store.flush());
    addFile(store, root, "late");
    {
        FileSizeCap cap(346);
        if (!cap.ok()) GTEST_SKIP() << "cannot cap the file size here";
        EXPECT_NE(0, store.flush());
    }
    ASSERT_EQ(0, store.flush());
    std::vector<ScanRecord> out;
    ASSERT_EQ(0, store.listChildren(root, out));
    EXPECT_EQ((std::vector<std::string>{"early", "late"}), namesOf(out));
}
#endif

}  // namespace
}  // namespace qm::test

#include <filesystem>

namespace qm {
namespace {

TEST(StoreContinuation, RecordsWrittenAfterTheLastFlushAreDroppedOnRequest) {
    test::TempDir dir;
    const std::wstring folder = dir.path();
    test::TempDir snap;
    {
        ScanResultStore store;
        ASSERT_EQ(0, store.openIn(folder, L"File_Type_0_2026121 9"));
        auto add = [&](const char* name) {
            ScanRecord* r = store.appendRecord();
            setRecordName(*r, name);
            store.addChild(ParentKey(0), store.count(), 0);
        };
        for (int i = 0; i < 5; ++i) add("kept.txt");
        ASSERT_EQ(0, store.flush());
        // 201 more: a block of 200 reaches the log, the relation file is not rewritten.
        for (int i = 0; i < 201; ++i) add("again.txt");
        // What a killed process leaves behind.
        std::filesystem::copy(std::filesystem::path(folder), std::filesystem::path(snap.path()) / "s",
                              std::filesystem::copy_options::recursive);
    }
    ScanResultStore reopened;
    ASSERT_EQ(0, reopened.openIn(platform::joinPath(snap.path(), L"s"), L"File_Type_0_2026121 9"));
    EXPECT_EQ(205, reopened.count());
    ASSERT_EQ(0, reopened.dropRecordsAfterLastFlush());
    EXPECT_EQ(5, reopened.count());
    std::vector<ScanRecord> all;
    ASSERT_EQ(0, reopened.listByType(L"*.txt", all));
    EXPECT_EQ(5u, all.size());
    // New records follow the kept ones.
    const int32_t nextNumber = reopened.appendRecord()->recordNo;  // a copy: the record is packed
    EXPECT_EQ(6, nextNumber);
}

}  // namespace
}  // namespace qm

#include <gtest/gtest.h>

#include <memory>
#include <algorithm>
#include <set>

#include "engines/ntfs/fast_ntfs_recovery.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/engines/ntfs_test_helpers.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

using test::ExpectedEntry;

struct ItemLog {
    std::vector<std::pair<int, int>> calls;  // percent, error
    int stopAt = -1;                         // call index that returns CancelCode
};

int QM_STDCALL LogItem(void* user, int percent, int, int error, const wchar_t*) {
    auto* log = static_cast<ItemLog*>(user);
    log->calls.emplace_back(percent, error);
    return static_cast<int>(log->calls.size()) - 1 == log->stopAt ? CancelCode : 0;
}

int QM_STDCALL CancelScan(void* user, int, int, int, uint64_t, uint64_t, uint64_t, int) {
    ++*static_cast<int*>(user);
    return CancelCode;
}

int QM_STDCALL CountScan(void* user, int step, int, int, uint64_t, uint64_t, uint64_t, int) {
    static_cast<std::vector<int>*>(user)->push_back(step);
    return 0;
}

class NtfsImageTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        env_ = std::make_unique<test::ScopedEnv>("QUILLMERE_APPDATA", appData_.path());
        image_ = test::fixturePath(GetParam() + ".img");
        ASSERT_TRUE(platform::pathExists(image_)) << "fixture missing: " << GetParam();
        expected_ = test::loadExpected(GetParam());
        ASSERT_FALSE(expected_.empty());
        engine_.SetLogFolder(logs_.path());
        ASSERT_EQ(0, engine_.OpenImage(image_, 7));
        ASSERT_EQ(0, engine_.Scan(nullptr));
        found_ = test::walkTree(engine_);
    }

    test::TempDir appData_, logs_, out_;
    std::unique_ptr<test::ScopedEnv> env_;
    std::wstring image_;
    std::vector<ExpectedEntry> expected_;
    CFastNtfsRecovery engine_;
    std::map<std::string, test::FoundItem> found_;
};

TEST_P(NtfsImageTest, ListsEveryDeletedFileUnderItsPathAndNoLiveOne) {
    std::set<std::string> foundFiles;
    for (const auto& [path, item] : found_) {
        if (item.record.isFolder) continue;
        foundFiles.insert(path);
        EXPECT_EQ(7, +item.record.driveLetter);
        EXPECT_EQ(kSourceFastNtfs, +item.record.sourceKind);
        EXPECT_EQ(engine_.Geometry().clusterBytes, +item.record.clusterBytes);
        EXPECT_GE(+item.record.fsId, 12);
    }
    size_t deleted = 0, damaged = 0;
    for (const ExpectedEntry& e : expected_) {
        if (e.state == "damaged") {
            ++damaged;
            EXPECT_EQ(0u, found_.count(e.path)) << "a damaged photo is listed: " << e.path;
        } else if (e.state == "deleted") {
            ++deleted;
            auto it = found_.find(e.path);
            ASSERT_NE(it, found_.end()) << e.path;
            EXPECT_EQ(e.size, +it->second.record.size) << e.path;
            EXPECT_EQ(0, +it->second.record.isFolder) << e.path;
        } else {
            EXPECT_EQ(0u, foundFiles.count(e.path)) << "live file listed: " << e.path;
        }
    }
    EXPECT_EQ(deleted, foundFiles.size());
    EXPECT_EQ(engine_.GetFoundCount(), found_.size() + damaged);
    uint32_t counted = 0;
    ASSERT_EQ(0, engine_.CountFiles(nullptr, 0, counted));
    EXPECT_EQ(deleted + damaged, counted);  // counting includes hidden photos
}

TEST_P(NtfsImageTest, RecoversDeletedFilesByteForByte) {
    for (const ExpectedEntry& e : expected_) {
        if (e.state != "deleted" || !e.exact) continue;
        const auto& item = found_.at(e.path);
        const std::wstring dest = out_.file(platform::fromUtf8(std::to_string(item.record.fsId) + ".out"));
        ItemLog log;
        engine_.SetCallbacks(nullptr, LogItem, &log, 100);
        ASSERT_EQ(0, engine_.RecoverItem(&item.record, dest, 0)) << e.path;
        EXPECT_EQ(e.sha256, test::sha256Hex(test::readWholeFile(dest))) << e.path;
        ASSERT_FALSE(log.calls.empty()) << e.path;
        EXPECT_EQ(std::make_pair(100, 0), log.calls.back()) << e.path;
        // A second recovery to the same path leaves the first copy alone.
        EXPECT_EQ(kErrorFileExists, engine_.RecoverItem(&item.record, dest, 0));
        EXPECT_EQ(e.sha256, test::sha256Hex(test::readWholeFile(dest))) << e.path;
    }
}

TEST_P(NtfsImageTest, GivesPathsOfFoldersAndReadsPreviews) {
    for (const ExpectedEntry& e : expected_) {
        if (e.state != "deleted") continue;
        const auto& item = found_.at(e.path);
        std::wstring path;
        EXPECT_EQ(0, engine_.GetItemPath(item.record, path));
        const size_t cut = e.path.rfind('/');
        std::wstring want = cut == std::string::npos ? L"" : platform::fromUtf8(e.path.substr(0, cut + 1));
        for (auto& c : want)
            if (c == L'/') c = platform::kPathSeparator;
        EXPECT_EQ(want, path) << e.path;
        if (!e.exact || e.size > (1u << 20)) continue;
        std::vector<uint8_t> buffer(e.size + 16);
        uint64_t count = buffer.size();
        std::wstring temp;
        ASSERT_EQ(0, engine_.ExtractItem(&item.record, temp, buffer.data(), count, nullptr, nullptr)) << e.path;
        std::vector<uint8_t> got = temp.empty() ? std::vector<uint8_t>(buffer.begin(), buffer.begin() + count)
                                                : test::readWholeFile(temp);
        EXPECT_EQ(e.sha256, test::sha256Hex(got)) << e.path;
    }
}

TEST_P(NtfsImageTest, RecoversDeletedFoldersWhole) {
    // Every deleted file below a found top-level folder comes out under the same relative path.
    for (const auto& [path, item] : found_) {
        if (!item.record.isFolder || path.find('/') != std::string::npos) continue;
        const std::wstring dest = out_.file(platform::fromUtf8("tree_" + path));
        int separators = 0;
        for (size_t i = 0; i + 1 < dest.size(); ++i) separators += dest[i] == L'/' || dest[i] == L'\\';
        ASSERT_EQ(0, engine_.RecoverItem(&item.record, dest, separators - 1)) << path;
        for (const ExpectedEntry& e : expected_) {
            if (e.state != "deleted" || e.path.rfind(path + "/", 0) != 0) continue;
            std::wstring file = dest + platform::fromUtf8(e.path.substr(path.size()));
            for (auto& c : file)
                if (c == L'/') c = platform::kPathSeparator;
            ASSERT_TRUE(platform::pathExists(file)) << e.path;
            if (e.exact) {
                EXPECT_EQ(e.sha256, test::sha256Hex(test::readWholeFile(file))) << e.path;
            }
        }
    }
}

TEST_P(NtfsImageTest, FreeMapAgreesWithTheVolumeBitmap) {
    ASSERT_EQ(0, engine_.BuildFreeMap());
    const auto& g = engine_.Geometry();
    uint64_t position = 0, length = 0, freeSectors = 0, last = 0;
    int guard = 0;
    while (engine_.NextFreeExtent(position, length) == 1 && length > 0 && ++guard < 100000) {
        EXPECT_GE(position, last);
        EXPECT_LE(position + length, g.volumeSectorCount);
        EXPECT_EQ(0u, position % static_cast<uint64_t>(g.sectorsPerCluster));
        freeSectors += length;
        position += length;
        last = position;
    }
    EXPECT_GT(freeSectors, 0u);
    EXPECT_LT(freeSectors, g.volumeSectorCount);
    // The MFT's first cluster and the boot sector are in use.
    uint64_t at = 0, len = 0;
    engine_.NextFreeExtent(at, len);
    EXPECT_GT(at, 0u);
}

TEST_P(NtfsImageTest, FoldersAreReadOncePerScanAndTheLogReopens) {
    size_t folders = 0;
    for (const auto& [path, item] : found_) folders += item.record.isFolder ? 1 : 0;
    // One read per folder on a path, however many files lie below it.
    EXPECT_LE(engine_.FolderRecordReads(), folders);
    EXPECT_GT(engine_.FolderRecordReads(), 0u);

    // The same log re-opened by name lists the same tree without reading the disk.
    const std::wstring logName = platform::fileNameOf(engine_.store()->logPath());
    CFastNtfsRecovery again;
    again.SetLogFolder(logs_.path());
    ASSERT_EQ(0, again.Scan(logName.c_str()));
    const auto reopened = test::walkTree(again);
    ASSERT_EQ(found_.size(), reopened.size());
    for (const auto& [path, item] : found_) EXPECT_EQ(1u, reopened.count(path)) << path;
}

INSTANTIATE_TEST_SUITE_P(, NtfsImageTest,
                         ::testing::Values("ntfs-512-c4k", "ntfs-4k-c4k", "ntfs-512-c512", "ntfs-512-c16k",
                                           "ntfs-many"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (auto& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace qm

namespace qm {
namespace {

class NtfsEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = std::make_unique<test::ScopedEnv>("QUILLMERE_APPDATA", appData_.path());
        engine_.SetLogFolder(logs_.path());
    }
    void open(const std::string& image) {
        image_ = test::fixturePath(image + ".img");
        ASSERT_EQ(0, engine_.OpenImage(image_, 3));
    }
    int conditionOf(const std::string& path) { return item(path).record.condition; }
    test::FoundItem item(const std::string& path) {
        auto found = test::walkTree(engine_);
        auto it = found.find(path);
        EXPECT_NE(it, found.end()) << path;
        return it == found.end() ? test::FoundItem{} : it->second;
    }

    test::TempDir appData_, logs_, out_;
    std::unique_ptr<test::ScopedEnv> env_;
    std::wstring image_;
    CFastNtfsRecovery engine_;
};

TEST_F(NtfsEngineTest, ReadsTheMftThroughAllItsRunsAndReportsProgress) {
    open("ntfs-many");
    EXPECT_GT(engine_.MftRuns().size(), 1u);  // the MFT grew in several pieces
    std::vector<int> steps;
    engine_.SetCallbacks(CountScan, nullptr, &steps, 100);
    ASSERT_EQ(0, engine_.Scan(nullptr));
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(100, steps.back());
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    // Folders ten deep: the deepest deleted file has its whole path.
    size_t deepest = 0;
    for (const auto& [path, found] : test::walkTree(engine_))
        deepest = std::max<size_t>(deepest, std::count(path.begin(), path.end(), '/'));
    EXPECT_GE(deepest, 10u);
}

TEST_F(NtfsEngineTest, ASecondScanStartsFromAnEmptyLog) {
    open("ntfs-512-c4k");
    ASSERT_EQ(0, engine_.Scan(nullptr));
    const uint64_t first = engine_.GetFoundCount();
    const size_t listed = test::walkTree(engine_).size();
    ASSERT_EQ(0, engine_.Scan(nullptr));  // the same log name within the same minute
    EXPECT_EQ(first, engine_.GetFoundCount());
    EXPECT_EQ(listed, test::walkTree(engine_).size());
}

TEST_F(NtfsEngineTest, CancelEndsTheScanAndKeepsWhatWasFound) {
    open("ntfs-many");
    int calls = 0;
    engine_.SetCallbacks(CancelScan, nullptr, &calls, 100);
    EXPECT_EQ(CancelCode, engine_.Scan(nullptr));
    EXPECT_EQ(1, calls);
    EXPECT_GT(engine_.GetFoundCount(), 0u);  // the first chunk's files stay
}

TEST_F(NtfsEngineTest, RejectsNullRecordsAndLevelsWithoutARecord) {
    open("ntfs-512-c4k");
    ASSERT_EQ(0, engine_.Scan(nullptr));
    std::vector<ScanRecord> list;
    uint32_t count = 0;
    EXPECT_EQ(kErrorInvalidParameter, engine_.ListFolder(nullptr, 1, list));
    EXPECT_EQ(kErrorInvalidParameter, engine_.CountFiles(nullptr, 2, count));
    EXPECT_EQ(kErrorInvalidParameter, engine_.RecoverItem(nullptr, out_.file(L"x"), 0));
    std::wstring temp;
    uint64_t size = 0;
    EXPECT_EQ(kErrorInvalidParameter, engine_.ExtractItem(nullptr, temp, nullptr, size, nullptr, nullptr));
    ASSERT_EQ(0, engine_.CountFiles(nullptr, 0, count));
    EXPECT_GT(count, 20u);
}

TEST_F(NtfsEngineTest, NeverWritesOverTheSourceOrAnExistingFile) {
    open("ntfs-512-c4k");
    ASSERT_EQ(0, engine_.Scan(nullptr));
    const auto gone = item("Docs/gone.txt");
    const auto before = test::readWholeFile(image_);
    ItemLog log;
    engine_.SetCallbacks(nullptr, LogItem, &log, 100);
    EXPECT_EQ(kErrorFileExists, engine_.RecoverItem(&gone.record, image_, 0));
    EXPECT_EQ(before, test::readWholeFile(image_));
    ASSERT_FALSE(log.calls.empty());
    EXPECT_EQ(std::make_pair(100, int(kErrorFileExists)), log.calls.back());

    const std::wstring existing = out_.file(L"existing.txt");
    test::writeWholeFile(existing, {'k', 'e', 'e', 'p'});
    EXPECT_EQ(kErrorFileExists, engine_.RecoverItem(&gone.record, existing, 0));
    EXPECT_EQ((std::vector<uint8_t>{'k', 'e', 'e', 'p'}), test::readWholeFile(existing));
}

TEST_F(NtfsEngineTest, ItemCallbackCanStopACopy) {
    open("ntfs-512-c4k");
    ASSERT_EQ(0, engine_.Scan(nullptr));
    const auto frag = item("Frag/f1.bin");  // 96 KiB: two pieces
    ItemLog log;
    log.stopAt = 0;
    engine_.SetCallbacks(nullptr, LogItem, &log, 100);
    EXPECT_EQ(CancelCode, engine_.RecoverItem(&frag.record, out_.file(L"f1.bin"), 0));
    EXPECT_EQ(1u, log.calls.size());
    EXPECT_LT(log.calls[0].first, 100);
}

TEST_F(NtfsEngineTest, JudgesContentByTheTypeItsNameClaims) {
    open("ntfs-512-c4k");
    ASSERT_EQ(0, engine_.Scan(nullptr));
    EXPECT_EQ(1, conditionOf("Trash/Sub/photo.jpg"));  // a JFIF header
    EXPECT_EQ(0, conditionOf("Names/Ελληνικά.doc"));     // no OLE header
    EXPECT_EQ(1, conditionOf("Docs/gone.txt"));          // no detector for text
    EXPECT_EQ(1, conditionOf("Packed/words.txt"));       // compressed: not judged
    EXPECT_EQ(0, conditionOf("Docs/empty.dat"));         // empty resident data
    EXPECT_EQ(1, conditionOf("Trash"));
}

TEST_F(NtfsEngineTest, ExtractsIntoTheBufferOrATemporaryFileByType) {
    open("ntfs-512-c4k");
    ASSERT_EQ(0, engine_.Scan(nullptr));
    const auto doc = item("Names/Ελληνικά.doc");  // a document: a temporary file named after it
    std::wstring temp;
    std::vector<uint8_t> buffer(100);
    uint64_t count = buffer.size();
    ASSERT_EQ(0, engine_.ExtractItem(&doc.record, temp, buffer.data(), count, nullptr, nullptr));
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(platform::fromUtf8("Ελληνικά.doc"), platform::fileNameOf(temp));
    EXPECT_EQ(0u, temp.find(appData_.path()));
    EXPECT_EQ(800u, test::readWholeFile(temp).size());
    EXPECT_EQ(0u, count);

    const auto bin = item("Docs/four_k.bin");  // no preview type: into the buffer, cut at its size
    temp.clear();
    count = buffer.size();
    ASSERT_EQ(0, engine_.ExtractItem(&bin.record, temp, buffer.data(), count, nullptr, nullptr));
    EXPECT_TRUE(temp.empty());
    EXPECT_EQ(100u, count);

    const auto photo = item("Trash/Sub/photo.jpg");
    ASSERT_EQ(0, engine_.ExtractItem(&photo.record, temp, buffer.data(), count, nullptr, nullptr));
    EXPECT_EQ(L"tmp.jpg", platform::fileNameOf(temp));
    EXPECT_EQ(0xFF, test::readWholeFile(temp).at(0));
}

TEST_F(NtfsEngineTest, SparseAndCompressedFilesAreStoredAsTheirFlagsSay) {
    open("ntfs-512-c4k");
    ASSERT_EQ(0, engine_.Scan(nullptr));
    NtfsVolume volume;
    SectorReader reader;
    ASSERT_EQ(0, reader.OpenImageFile(image_));
    ASSERT_EQ(0, volume.open(std::move(reader), 0, 32768, 512));
    ASSERT_EQ(0, volume.loadMftRuns());
    NtfsStream stream;
    ASSERT_EQ(0, volume.findStreamAt(item("Sparse/holes.bin").record.location, 0x80, stream));
    EXPECT_TRUE(std::any_of(stream.runs.begin(), stream.runs.end(), [](const DataRun& r) { return r.sparse; }));
    ASSERT_EQ(0, volume.findStreamAt(item("Packed/words.txt").record.location, 0x80, stream));
    EXPECT_TRUE(stream.compressed());
    ASSERT_EQ(0, volume.findStreamAt(item("Frag/f2.bin").record.location, 0x80, stream));
    EXPECT_GT(stream.runs.size(), 4u);  // written a block at a time in turn with f1.bin
}

}  // namespace
}  // namespace qm

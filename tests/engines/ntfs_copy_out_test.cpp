// The copy-out both NTFS engines share, driven by a content reader that needs no volume:
// progress and the closing report, the never-overwrite rule, errors as the user sees them,
// cancelling, and extraction into a bounded memory buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engines/ntfs/ntfs_copy_out.h"
#include "engines/ntfs/ntfs_stream_read.h"
#include "engines/ntfs/ntfs_volume.h"
#include "engines/null_engine.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "tests/support/test_support.h"

namespace qm::test {
namespace {

struct Report {
    int percent;
    int error;
};

struct Reports {
    std::vector<Report> seen;
    int cancelAt = -1;  // answer CancelCode to the report of this index
};

int QM_STDCALL onItem(void* user, int percent, int, int error, const wchar_t*) {
    auto* r = static_cast<Reports*>(user);
    r->seen.push_back({percent, error});
    return static_cast<int>(r->seen.size()) - 1 == r->cancelAt ? CancelCode : 0;
}

int QM_STDCALL onExtract(void* user, int percent, int error) {
    static_cast<Reports*>(user)->seen.push_back({percent, error});
    return 0;
}

ScanRecord fileRecord(const char* name, uint64_t size) {
    ScanRecord r{};
    setRecordName(r, name);
    r.size = size;
    return r;
}

// Hands `content` on in pieces of `piece` bytes, as runs (fromRuns) or resident bytes.
NtfsContentReader serving(const std::vector<uint8_t>& content, size_t piece, bool runs, int result = 0) {
    return [=](const ScanRecord&, const NtfsContentSink& sink, bool& fromRuns) -> int {
        fromRuns = runs;
        for (size_t at = 0; at < content.size(); at += piece) {
            const size_t n = std::min(piece, content.size() - at);
            if (int rc = sink(content.data() + at, n); rc != 0) return rc;
        }
        return result;
    };
}

std::vector<uint8_t> bytes(size_t n) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i * 7 + 3);
    return out;
}

TEST(NtfsCopyOut, CopiesWithProgressAndOneClosingReport) {
    TempDir dir;
    const std::vector<uint8_t> content = bytes(4000);
    const ScanRecord r = fileRecord("a.bin", content.size());
    const std::wstring path = platform::joinPath(dir.file(L"sub"), L"a.bin");
    Reports reports;
    ASSERT_EQ(copyNtfsFileOut(r, path, onItem, &reports, serving(content, 1000, true)), 0);
    EXPECT_EQ(readWholeFile(path), content);
    ASSERT_EQ(reports.seen.size(), 4u);
    EXPECT_EQ(reports.seen[0].percent, 25);
    EXPECT_EQ(reports.seen[3].percent, 100);
    EXPECT_EQ(reports.seen[3].error, 0);

    // Resident content reports nothing along the way, then 100 once.
    Reports resident;
    const std::wstring small = dir.file(L"b.bin");
    ASSERT_EQ(copyNtfsFileOut(fileRecord("b.bin", 10), small, onItem, &resident, serving(bytes(10), 64, false)), 0);
    ASSERT_EQ(resident.seen.size(), 1u);
    EXPECT_EQ(resident.seen[0].percent, 100);
}

TEST(NtfsCopyOut, NeverWritesOverAnExistingFile) {
    TempDir dir;
    const std::wstring path = dir.file(L"kept.bin");
    const std::vector<uint8_t> earlier = {1, 2, 3};
    writeWholeFile(path, earlier);
    Reports reports;
    EXPECT_EQ(copyNtfsFileOut(fileRecord("kept.bin", 100), path, onItem, &reports, serving(bytes(100), 50, true)),
              kErrorFileExists);
    EXPECT_EQ(readWholeFile(path), earlier);
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(reports.seen[0].percent, 100);
    EXPECT_EQ(reports.seen[0].error, kErrorFileExists);
}

TEST(NtfsCopyOut, InternalErrorsAndCancelling) {
    TempDir dir;
    // A record without content reads as "file not found" to the user, in the result and report.
    Reports missing;
    EXPECT_EQ(copyNtfsFileOut(fileRecord("m.bin", 10), dir.file(L"m.bin"), onItem, &missing,
                              serving({}, 1, false, kNtfsNoFileRecord)),
              kErrorFileNotFound);
    ASSERT_EQ(missing.seen.size(), 1u);
    EXPECT_EQ(missing.seen[0].error, kErrorFileNotFound);

    // A cancel answered to a progress report stops the copy with no closing report.
    Reports cancelled;
    cancelled.cancelAt = 1;
    EXPECT_EQ(copyNtfsFileOut(fileRecord("c.bin", 4000), dir.file(L"c.bin"), onItem, &cancelled,
                              serving(bytes(4000), 1000, true)),
              CancelCode);
    EXPECT_EQ(cancelled.seen.size(), 2u);
}

TEST(NtfsCopyOut, RecoverAndExtractRejectNullRecords) {
    TempDir dir;
    struct NoFolders : CNullEngine {} engine;
    EXPECT_EQ(recoverNtfsItem(engine, nullptr, dir.file(L"x"), 0, nullptr, nullptr, serving({}, 1, false)),
              kErrorInvalidParameter);
    std::wstring temp = L"stale";
    uint64_t count = 10;
    EXPECT_EQ(extractNtfsItem(nullptr, temp, nullptr, count, nullptr, nullptr, serving({}, 1, false)),
              kErrorInvalidParameter);
}

TEST(NtfsCopyOut, ExtractIntoMemoryStopsAtTheBuffer) {
    // An extension no preview list names goes to memory, never to a file.
    const std::vector<uint8_t> content = bytes(5000);
    const ScanRecord r = fileRecord("data.qqz", content.size());
    std::vector<uint8_t> memory(1200, 0xEE);
    uint64_t count = memory.size();
    std::wstring temp;
    Reports reports;
    ASSERT_EQ(extractNtfsItem(&r, temp, memory.data(), count, onExtract, &reports, serving(content, 1000, true)), 0);
    EXPECT_TRUE(temp.empty());
    ASSERT_EQ(count, 1200u);
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), content.begin()));
    ASSERT_FALSE(reports.seen.empty());
    EXPECT_EQ(reports.seen.back().percent, 100);

    // A read error is reported once and returned.
    Reports failed;
    count = memory.size();
    EXPECT_EQ(extractNtfsItem(&r, temp, memory.data(), count, onExtract, &failed,
                              serving({}, 1, true, kErrorReadFault)),
              kErrorReadFault);
    ASSERT_EQ(failed.seen.size(), 1u);
    EXPECT_EQ(failed.seen[0].error, kErrorReadFault);
}

// The shared stream reader, on streams that need no medium: resident bytes, and runs that
// read as zeros (sparse, or past the initialised size).
TEST(NtfsStreamRead, ResidentZerosAndUnusableGeometry) {
    SectorReader unopened;
    NtfsVolumeGeometry g;
    g.sectorsPerCluster = 1;
    g.clusterBytes = 512;
    std::vector<uint8_t> got;
    auto collect = [&](const uint8_t* data, size_t n) {
        got.insert(got.end(), data, data + n);
        return 0;
    };

    NtfsStream resident;
    resident.resident = true;
    resident.residentBytes = {1, 2, 3, 4, 5};
    ASSERT_EQ(readNtfsStream(unopened, g, resident, 3, collect), 0);
    EXPECT_EQ(got, (std::vector<uint8_t>{1, 2, 3}));

    NtfsStream runs;
    runs.runs = {DataRun{2, 0, true}, DataRun{300, 10, false}};
    runs.initializedSize = 0;  // nothing was ever written: no sector is read
    got.clear();
    ASSERT_EQ(readNtfsStream(unopened, g, runs, 70000, collect), 0);
    ASSERT_EQ(got.size(), 70000u);
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](uint8_t b) { return b == 0; }));

    // Runs on a volume without a usable cluster size are refused, not read.
    NtfsVolumeGeometry unusable;
    EXPECT_EQ(readNtfsStream(unopened, unusable, runs, 10, collect), kErrorInvalidParameter);
}

}  // namespace
}  // namespace qm::test

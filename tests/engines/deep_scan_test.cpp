#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "engines/professional/professional_recovery.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "results/scan_history.h"
#include "disk/byte_view.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

const std::wstring kEverything =
    L"*.jpg|*.png|*.pdf|*.wav|*.doc|.other";  // the types the fixtures hold, and the rest

struct Progress {
    int calls = 0;
    int deepCalls = 0;
    uint64_t cancelAtFiles = UINT64_MAX;  // the user cancels once this many files were found
    static int QM_STDCALL Fn(void* user, int step, int scale, int, uint64_t, uint64_t, uint64_t files, int) {
        auto* self = static_cast<Progress*>(user);
        ++self->calls;
        if (scale == 90 && step >= 10) ++self->deepCalls;
        return files >= self->cancelAtFiles ? CancelCode : 0;
    }
};

std::set<std::string> names(const std::vector<ScanRecord>& records, int32_t kind = -1) {
    std::set<std::string> out;
    for (const ScanRecord& r : records)
        if (kind < 0 || r.sourceKind == kind) out.insert(recordName(r));
    return out;
}

class DeepScanTest : public ::testing::Test {
protected:
    std::wstring image(const char* name) { return test::fixturePath(std::string("deep/") + name); }
    test::TempDir dir;
    CScanHistory history{dir.path()};
    void SetUp() override { history.Load(); }
};

TEST_F(DeepScanTest, FileSystemFilesPlusCarvedFilesWithoutDuplicates) {
    CProfessionalRecovery deep(history);
    ASSERT_EQ(0, deep.OpenImage(image("deep-fat32.img"), 'D'));
    ASSERT_NE(nullptr, deep.fastEngine());  // FAT: the fast pass runs first
    Progress progress;
    deep.SetCallbacks(Progress::Fn, nullptr, &progress, 100);
    ASSERT_EQ(0, deep.Scan(nullptr));
    EXPECT_GT(progress.deepCalls, 0);

    std::vector<ScanRecord> byType;
    ASSERT_EQ(0, deep.ListByType(kEverything, byType));
    const auto fromFat = names(byType, kSourceFastFat);
    EXPECT_TRUE(fromFat.count("Ball game.jpg"));
    EXPECT_TRUE(fromFat.count("Statement.pdf"));
    // The PNG that no file system names is carved under its sector; the carved copies of the
    // deleted JPEG and PDF are left out, their file-system names stand for them.
    const auto carved = names(byType, kSourceCarving);
    EXPECT_TRUE(carved.count("81920.png")) << "carved: " << carved.size();
    for (const std::string& name : carved) {
        EXPECT_EQ(std::string::npos, name.find(".jpg")) << name;
        EXPECT_EQ(std::string::npos, name.find(".pdf")) << name;
    }
    EXPECT_GE(deep.GetFoundCount(), byType.size());

    // The scan is in the history with a finished position.
    ScanHistoryRecord saved;
    ASSERT_EQ(1, history.FindImage(image("deep-fat32.img"), &saved));
    EXPECT_EQ(0u, saved.resume.extentLength);
}

TEST_F(DeepScanTest, RawMediumIsCarvedWhole) {
    CProfessionalRecovery deep(history);
    ASSERT_EQ(0, deep.OpenImage(image("raw.img"), 'R'));
    EXPECT_EQ(nullptr, deep.fastEngine());  // no file system: no fast pass
    Progress progress;
    deep.SetCallbacks(Progress::Fn, nullptr, &progress, 100);
    ASSERT_EQ(0, deep.Scan(nullptr));

    std::vector<ScanRecord> root;
    ASSERT_EQ(0, deep.ListFolder(nullptr, 0, root));
    EXPECT_EQ((std::set<std::string>{"100.jpg", "400.pdf"}), names(root));
    uint32_t count = 0;
    EXPECT_EQ(0, deep.CountFiles(nullptr, 0, count));
    EXPECT_EQ(2u, count);
    EXPECT_EQ(kErrorInvalidParameter, deep.ListFolder(nullptr, 3, root));

    // Carved records have no folder path; unknown kinds do nothing.
    std::wstring path = L"untouched";
    EXPECT_EQ(0, deep.GetItemPath(root[0], path));
    EXPECT_EQ(L"untouched", path);
    ScanRecord odd = root[0];
    odd.sourceKind = 77;
    EXPECT_EQ(0, deep.RecoverItem(&odd, dir.file(L"x"), 0));
    EXPECT_EQ(kErrorInvalidParameter, deep.RecoverItem(nullptr, dir.file(L"x"), 0));

    // Recovery goes to the carving engine and gives the bytes back.
    const std::wstring out = dir.file(L"100.jpg");
    const auto jpeg = std::find_if(root.begin(), root.end(), [](const ScanRecord& r) { return recordName(r) == "100.jpg"; });
    ASSERT_EQ(0, deep.RecoverItem(&*jpeg, out, 0));
    EXPECT_EQ(test::readWholeFile(test::hostPath(std::string(QM_SOURCE_DIR) + "/tests/data/demo/testJPEG_EXIF.jpg")),
              test::readWholeFile(out));
}

TEST_F(DeepScanTest, CancelledScanContinuesToTheSameResult) {
    std::set<std::string> first;
    {
        CProfessionalRecovery deep(history);
        ASSERT_EQ(0, deep.OpenImage(image("raw.img"), 'R'));
        EXPECT_FALSE(deep.HasResumableScan());
        Progress progress;
        progress.cancelAtFiles = 1;  // once the JPEG is in, before the PDF
        deep.SetCallbacks(Progress::Fn, nullptr, &progress, 100);
        EXPECT_EQ(CancelCode, deep.Scan(nullptr));
        std::vector<ScanRecord> root;
        deep.ListFolder(nullptr, 0, root);
        first = names(root);
        EXPECT_EQ((std::set<std::string>{"100.jpg"}), first);
    }
    ScanHistoryRecord saved;
    ASSERT_EQ(1, history.FindImage(image("raw.img"), &saved));
    EXPECT_GT(saved.resume.extentLength, 0u);
    EXPECT_GT(saved.resume.sectorsDone, 0u);

    CProfessionalRecovery again(history);
    ASSERT_EQ(0, again.OpenImage(image("raw.img"), 'R'));
    ASSERT_TRUE(again.HasResumableScan());
    Progress progress;
    again.SetCallbacks(Progress::Fn, nullptr, &progress, 100);
    ASSERT_EQ(0, again.Scan(nullptr));
    std::vector<ScanRecord> root;
    again.ListFolder(nullptr, 0, root);
    EXPECT_EQ((std::set<std::string>{"100.jpg", "400.pdf"}), names(root));
    EXPECT_EQ(2u, again.GetFoundCount());

    // A scan that ran to its end is nothing to continue.
    CProfessionalRecovery third(history);
    ASSERT_EQ(0, third.OpenImage(image("raw.img"), 'R'));
    EXPECT_FALSE(third.HasResumableScan());
}

// A finished scan of an unchanged source stands in for a new one when allowed: its results,
// and not one sector read again; a changed source is scanned afresh.
TEST_F(DeepScanTest, FinishedScanOfAnUnchangedSourceIsReused) {
    const std::wstring copy = dir.file(L"raw-copy.img");
    test::writeWholeFile(copy, test::readWholeFile(image("raw.img")));
    std::set<std::string> first;
    {
        CProfessionalRecovery deep(history);
        ASSERT_EQ(0, deep.OpenImage(copy, 'R'));
        deep.AllowReuse(true);
        ASSERT_EQ(0, deep.Scan(nullptr));
        EXPECT_FALSE(deep.ReusedEarlierScan());
        std::vector<ScanRecord> root;
        deep.ListFolder(nullptr, 0, root);
        first = names(root);
        ASSERT_EQ(2u, first.size());
    }
    {
        CProfessionalRecovery again(history);
        ASSERT_EQ(0, again.OpenImage(copy, 'R'));
        again.AllowReuse(true);
        Progress progress;
        again.SetCallbacks(Progress::Fn, nullptr, &progress, 100);
        ASSERT_EQ(0, again.Scan(nullptr));
        EXPECT_TRUE(again.ReusedEarlierScan());
        EXPECT_EQ(0, progress.deepCalls) << "no sector read";
        std::vector<ScanRecord> root;
        again.ListFolder(nullptr, 0, root);
        EXPECT_EQ(first, names(root));
        EXPECT_EQ(2u, again.GetFoundCount());
    }
    // One changed byte in the first MiB, the file's time kept: the fingerprint tells.
    uint64_t written = 0;
    ASSERT_EQ(0, platform::lastWriteTime(copy, written));
    auto bytes = test::readWholeFile(copy);
    bytes[600] ^= 0x5A;
    test::writeWholeFile(copy, bytes);
    ASSERT_EQ(0, platform::setFileTimes(copy, written, 0));
    CProfessionalRecovery changed(history);
    ASSERT_EQ(0, changed.OpenImage(copy, 'R'));
    changed.AllowReuse(true);
    ASSERT_EQ(0, changed.Scan(nullptr));
    EXPECT_FALSE(changed.ReusedEarlierScan());
}

TEST_F(DeepScanTest, DeclinedContinuationStartsAfresh) {
    {
        CProfessionalRecovery deep(history);
        ASSERT_EQ(0, deep.OpenImage(image("raw.img"), 'R'));
        Progress progress;
        progress.cancelAtFiles = 1;
        deep.SetCallbacks(Progress::Fn, nullptr, &progress, 100);
        EXPECT_EQ(CancelCode, deep.Scan(nullptr));
    }
    CProfessionalRecovery again(history);
    ASSERT_EQ(0, again.OpenImage(image("raw.img"), 'R'));
    ASSERT_TRUE(again.HasResumableScan());
    again.ClearResumableScan();
    Progress progress;
    again.SetCallbacks(Progress::Fn, nullptr, &progress, 100);
    ASSERT_EQ(0, again.Scan(nullptr));
    std::vector<ScanRecord> root;
    again.ListFolder(nullptr, 0, root);
    EXPECT_EQ((std::set<std::string>{"100.jpg", "400.pdf"}), names(root));
}

}  // namespace
}  // namespace qm

#include <filesystem>

namespace qm {
namespace {

// A process killed mid-scan leaves on disk exactly what its last checkpoint wrote (plus
// record blocks written since). Simulated by copying the state folder at that moment and
// putting it back after the scan has run on.
struct KillSnapshot {
    std::filesystem::path state;
    std::filesystem::path copy;
    bool taken = false;
    // Killed once the JPEG at sector 100 is behind it and before the PDF at sector 400.
    // (Reports from the JPEG's look-ahead still say 0 files.)
    static int QM_STDCALL Fn(void* user, int, int, int, uint64_t sectorsDone, uint64_t, uint64_t files, int) {
        auto* self = static_cast<KillSnapshot*>(user);
        if (!self->taken && files >= 1 && sectorsDone >= 300 && sectorsDone < 400) {
            std::filesystem::copy(self->state, self->copy, std::filesystem::copy_options::recursive);
            self->taken = true;
        }
        return 0;
    }
};

TEST_F(DeepScanTest, ScanKilledWithoutCancelContinuesFromItsLastCheckpoint) {
    const std::filesystem::path state(dir.path());
    test::TempDir snapshotDir;
    KillSnapshot kill{state, std::filesystem::path(snapshotDir.path()) / "state"};
    {
        CProfessionalRecovery deep(history);
        ASSERT_EQ(0, deep.OpenImage(image("raw.img"), 'R'));
        deep.SetCheckpointInterval(0);  // a checkpoint after every chunk
        deep.SetCallbacks(KillSnapshot::Fn, nullptr, &kill, 100);
        ASSERT_EQ(0, deep.Scan(nullptr));
    }
    ASSERT_TRUE(kill.taken);
    // "Restart the machine": the state is what the killed process had left.
    std::filesystem::remove_all(state);
    std::filesystem::copy(kill.copy, state, std::filesystem::copy_options::recursive);

    CScanHistory after(dir.path());
    after.Load();
    CProfessionalRecovery again(after);
    ASSERT_EQ(0, again.OpenImage(image("raw.img"), 'R'));
    ASSERT_TRUE(again.HasResumableScan());
    Progress progress;
    again.SetCallbacks(Progress::Fn, nullptr, &progress, 100);
    ASSERT_EQ(0, again.Scan(nullptr));
    std::vector<ScanRecord> byType;
    ASSERT_EQ(0, again.ListByType(kEverything, byType));
    EXPECT_EQ(2u, byType.size()) << "nothing may be listed twice";
    EXPECT_EQ((std::set<std::string>{"100.jpg", "400.pdf"}), names(byType));
}

TEST_F(DeepScanTest, HostileMediumOfRecordLookAlikesFinishes) {
    // Every 1 KiB an MFT record header, every other sector a FAT directory look-alike.
    std::vector<uint8_t> medium(4u << 20, 0);
    for (size_t at = 0; at + 1024 <= medium.size(); at += 1024) {
        uint8_t* r = medium.data() + at;
        std::memcpy(r, "FILE", 4);
        putU16(r + 4, 0x30);   // update sequence offset
        putU16(r + 6, 3);      // and count
        putU16(r + 0x14, 0x38);
        putU32(r + 0x18, 0x200);
        putU32(r + 0x1C, 1024);
        putU16(r + 0x30, 0x1234);
        putU16(r + 0x1FE, 0x1234);
        putU16(r + 0x3FE, 0x1234);
        putU32(r + 0x2C, static_cast<uint32_t>(at / 1024));
        uint8_t* d = r + 512;
        std::memcpy(d, "FILE    TXT", 11);
        d[11] = 0x20;
        putU16(d + 26, static_cast<uint16_t>(at / 1024 + 2));
        putU32(d + 28, 4096);
    }
    const std::wstring path = dir.file(L"hostile.img");
    test::writeWholeFile(path, medium);
    CProfessionalRecovery deep(history);
    ASSERT_EQ(0, deep.OpenImage(path, 'H'));
    Progress progress;
    deep.SetCallbacks(Progress::Fn, nullptr, &progress, 100);
    EXPECT_EQ(0, deep.Scan(nullptr));
    std::vector<ScanRecord> root;
    EXPECT_EQ(0, deep.ListFolder(nullptr, 0, root));
    // Whatever was made of it, it is bounded by the medium.
    EXPECT_LT(deep.GetFoundCount(), medium.size() / 64);
}

}  // namespace
}  // namespace qm

// The deep scan of a whole disk: volumes lie behind a megabyte of zeros, so only the boot
// sectors met in the pass say where their fixed root and their MFT are.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/professional/professional_recovery.h"
#include "results/scan_history.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

constexpr uint64_t kFirstVolumeSector = 2048;
const std::wstring kAllTypes = L"*.txt|*.bin|*.dat|*.jpg|*.md|*.doc";

// 1 MiB of zeros, then the fixture volumes one after another.
std::wstring writeDisk(const test::TempDir& dir, const std::vector<std::string>& volumes) {
    std::vector<uint8_t> disk(kFirstVolumeSector * 512, 0);
    for (const std::string& volume : volumes) {
        const std::vector<uint8_t> bytes = test::readWholeFile(test::fixturePath(volume));
        disk.insert(disk.end(), bytes.begin(), bytes.end());
    }
    const std::wstring path = dir.file(L"disk.img");
    test::writeWholeFile(path, disk);
    return path;
}

std::vector<ScanRecord> named(const std::vector<ScanRecord>& records, const std::string& name) {
    std::vector<ScanRecord> out;
    for (const ScanRecord& r : records)
        if (recordName(r) == name) out.push_back(r);
    return out;
}

class DeepWholeDiskTest : public ::testing::Test {
protected:
    test::TempDir dir;
    CScanHistory history{dir.path()};
    void SetUp() override { history.Load(); }
};

// The second volume's root lies on a cluster boundary of the first volume's geometry: only
// its own boot sector places its files.
TEST_F(DeepWholeDiskTest, FixedRootOfTheSecondFat16VolumeIsReadUnderItsOwnGeometryOnce) {
    const uint64_t secondStart =
        kFirstVolumeSector + test::readWholeFile(test::fixturePath("profat/fat16.img")).size() / 512;
    CProfessionalRecovery deep(history);
    ASSERT_EQ(0, deep.OpenImage(writeDisk(dir, {"profat/fat16.img", "profat/fat16-rootgone.img"}), 'D'));
    ASSERT_EQ(0, deep.Scan(nullptr));
    std::vector<ScanRecord> found;
    ASSERT_EQ(0, deep.ListByType(kAllTypes, found));

    const auto gone = named(found, "Gone from root.txt");
    ASSERT_EQ(1u, gone.size());
    const std::wstring out = dir.file(L"gone.txt");
    ASSERT_EQ(0, deep.RecoverItem(&gone[0], out, 0));
    EXPECT_EQ(test::readWholeFile(test::fixturePath("profat/src/gone.txt")), test::readWholeFile(out));

    // The live root.txt of each volume, once each.
    std::multiset<uint64_t> rootFileVolumes;
    for (const ScanRecord& r : named(found, "root.txt")) {
        const uint64_t start = r.partitionStart;  // a plain copy: the record's fields are packed
        rootFileVolumes.insert(start);
    }
    EXPECT_EQ((std::multiset<uint64_t>{kFirstVolumeSector, secondStart}), rootFileVolumes);
}

TEST_F(DeepWholeDiskTest, DeletedFilesOfA4096ByteSectorNtfsVolumeInsideADiskAreListedByName) {
    CFastNtfsRecovery fast;
    fast.SetLogFolder(dir.file(L"fast"));
    ASSERT_EQ(0, fast.OpenImage(test::fixturePath("ntfs-4k-c4k.img"), 'F'));
    ASSERT_EQ(0, fast.Scan(nullptr));
    std::vector<ScanRecord> bare;
    ASSERT_EQ(0, fast.ListByType(kAllTypes, bare));
    ASSERT_FALSE(bare.empty());

    CProfessionalRecovery deep(history);
    ASSERT_EQ(0, deep.OpenImage(writeDisk(dir, {"ntfs-4k-c4k.img"}), 'D'));
    ASSERT_EQ(0, deep.Scan(nullptr));
    std::vector<ScanRecord> found;
    ASSERT_EQ(0, deep.ListByType(kAllTypes, found));
    for (const ScanRecord& r : bare) EXPECT_FALSE(named(found, recordName(r)).empty()) << recordName(r);

    // Placed by that volume's clusters: a file with data copies out as on the bare volume.
    const auto gone = named(found, "gone.txt");
    ASSERT_EQ(1u, gone.size());
    const auto bareGone = named(bare, "gone.txt");
    ASSERT_EQ(1u, bareGone.size());
    ASSERT_EQ(0, deep.RecoverItem(&gone[0], dir.file(L"deep-gone.txt"), 0));
    ASSERT_EQ(0, fast.RecoverItem(&bareGone[0], dir.file(L"bare-gone.txt"), 0));
    EXPECT_EQ(test::readWholeFile(dir.file(L"bare-gone.txt")), test::readWholeFile(dir.file(L"deep-gone.txt")));
}

}  // namespace
}  // namespace qm

// Whole-disk images made by sfdisk, sgdisk and fdisk: every FAT partition's deleted file is
// found by the fast mode through the table and comes back byte-identical, also when the
// primary GPT is damaged; with the table wiped, the deep mode finds the volumes' root files by
// name from their boot sectors alone.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "disk/image_layout.h"
#include "platform/text.h"
#include "results/scan_history.h"
#include "results/type_classification.h"
#include "session/engine_factory.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

const std::wstring kEverything = BuildTypePattern(std::vector<std::wstring>{}) + L"|*.other";

class WholeDiskScan : public ::testing::Test {
protected:
    void SetUp() override { history.Load(); }

    std::wstring copyOf(const std::string& fixture, const std::function<void(std::vector<uint8_t>&)>& edit) {
        auto bytes = test::readWholeFile(test::fixturePath(fixture));
        edit(bytes);
        const std::wstring path = dir.file(L"disk.img");
        test::writeWholeFile(path, bytes);
        return path;
    }
    // Scans every partition fast and recovers each deleted file; the names it recovered.
    std::set<std::string> recoverDeleted(const std::wstring& disk) {
        ImageLayout layout;
        EXPECT_EQ(0, ReadImageLayout(disk, layout));
        EXPECT_TRUE(layout.IsDisk());
        std::set<std::string> names;
        for (size_t i = 1; i <= layout.entries.size(); ++i) {
            uint64_t first = 0, count = 0;
            if (!layout.PartitionArea(i, first, count)) continue;
            auto engine = CreateEngine(SourceLocation::ImagePartition(disk, static_cast<uint16_t>(i), first, count),
                                       false, nullptr, &history);
            if (!engine || engine->Scan(nullptr) != 0) continue;  // NTFS without deletions, ext
            std::vector<ScanRecord> found;
            engine->ListByType(kEverything, found);
            for (const ScanRecord& r : found) {
                const std::wstring out = dir.file(std::to_wstring(++copies) + L" " + platform::fromUtf8(recordName(r)));
                EXPECT_EQ(0, engine->RecoverItem(&r, out, 0));
                const auto copy = test::readWholeFile(out);
                EXPECT_EQ(wav, copy) << recordName(r);
                names.insert(recordName(r));
            }
        }
        return names;
    }

    test::TempDir dir;
    CScanHistory history{dir.path()};
    int copies = 0;
    const std::vector<uint8_t> wav = test::readWholeFile(test::hostPath(std::string(QM_SOURCE_DIR) + "/tests/data/demo/testWAV.wav"));
};

TEST_F(WholeDiskScan, EveryFatPartitionsDeletedFileComesBackThroughTheTable) {
    EXPECT_EQ((std::set<std::string>{"Deleted PHOTOS.wav", "Deleted LOGICAL1.wav", "Deleted LOGICAL2.wav"}),
              recoverDeleted(test::fixturePath("disks/mbr.img")));
    EXPECT_EQ((std::set<std::string>{"Deleted PHOTOS.wav"}), recoverDeleted(test::fixturePath("disks/gpt.img")));
    EXPECT_EQ((std::set<std::string>{"Deleted VOL4K1.wav", "Deleted VOL4K2.wav"}),
              recoverDeleted(test::fixturePath("disks/gpt-4k.img")));
}

TEST_F(WholeDiskScan, ADamagedPrimaryGptIsReadFromItsBackup) {
    const std::wstring disk = copyOf("disks/gpt.img", [](std::vector<uint8_t>& b) { b[512 + 0x30] ^= 0xFF; });
    EXPECT_EQ((std::set<std::string>{"Deleted PHOTOS.wav"}), recoverDeleted(disk));
}

TEST_F(WholeDiskScan, AWipedTableLeavesTheDeepModeToFindTheVolumes) {
    const std::wstring disk = copyOf("disks/mbr.img", [](std::vector<uint8_t>& b) { std::fill(b.begin(), b.begin() + 512, 0); });
    ImageLayout layout;
    ASSERT_EQ(0, ReadImageLayout(disk, layout));
    EXPECT_FALSE(layout.IsDisk());
    auto deep = CreateEngine(SourceLocation::Image(disk, 1), true, nullptr, &history);
    ASSERT_NE(nullptr, deep);
    ASSERT_EQ(0, deep->Scan(nullptr));
    std::vector<ScanRecord> found;
    deep->ListByType(kEverything, found);
    std::set<std::string> names;
    for (const ScanRecord& r : found) names.insert(recordName(r));
    // The roots of the FAT32 volume and of both logical FAT16 volumes, by name.
    for (const char* name : {"Deleted PHOTOS.wav", "Deleted LOGICAL1.wav", "Deleted LOGICAL2.wav"})
        EXPECT_TRUE(names.count(name)) << name;
}

}  // namespace
}  // namespace qm

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "disk/volume_list.h"

namespace qm {
namespace {

constexpr uint64_t kMiB = 1024 * 1024;

// Disks and volumes made up for the list: what the system would report, nothing more.
struct FakeSystem {
    bool catalogueOpens = true;
    std::vector<VolumeEntry> volumes;  // start and length in bytes
    std::map<int, DiskShape> shapes;   // disks whose geometry can be read
    std::set<int> removable;
    std::set<int> probed;
};

class FakeQuery : public IVolumeQuery {
public:
    explicit FakeQuery(FakeSystem& system) : s_(system) {}
    bool CollectVolumes(std::vector<VolumeEntry>& volumes) override {
        if (!s_.catalogueOpens) return false;
        volumes = s_.volumes;
        return true;
    }
    bool QueryDiskShape(int diskNumber, DiskShape& shape) override {
        s_.probed.insert(diskNumber);
        const auto it = s_.shapes.find(diskNumber);
        if (it == s_.shapes.end()) return false;
        shape = it->second;
        return true;
    }
    bool IsRemovable(int diskNumber) override { return s_.removable.count(diskNumber) != 0; }

private:
    FakeSystem& s_;
};

// A disk of the usual translated geometry (255 heads, 63 sectors: 16065 sectors a cylinder).
DiskShape diskOf(uint64_t bytes, uint32_t sectorSize = 512) {
    DiskShape shape;
    shape.bytesPerSector = sectorSize;
    shape.sectorsPerTrack = 63;
    shape.tracksPerCylinder = 255;
    shape.totalSectors = bytes / sectorSize / 16065 * 16065;
    return shape;
}

VolumeEntry volume(int disk, uint64_t startBytes, uint64_t lengthBytes, uint16_t tag = kTagUnnumbered,
                   uint8_t fsType = kFsTypeNtfs) {
    VolumeEntry e;
    e.diskNumber = disk;
    e.partitionNumber = 1;
    e.start = startBytes;
    e.length = lengthBytes;
    e.tag = tag;
    e.fsType = fsType;
    e.fsName = fsType == kFsTypeFat32 ? L"FAT32" : L"NTFS";
    e.totalBytes = lengthBytes;
    e.freeBytes = lengthBytes / 2;
    e.usedBytes = e.totalBytes - e.freeBytes;
    return e;
}

class VolumeListTest : public ::testing::Test {
protected:
    std::vector<VolumeEntry> refresh() {
        list = std::make_unique<VolumeList>(std::make_unique<FakeQuery>(system));
        EXPECT_EQ(1, list->Refresh());
        std::vector<VolumeEntry> entries;
        list->CopyAll(entries);
        return entries;
    }
    FakeSystem system;
    std::unique_ptr<VolumeList> list;
};

TEST_F(VolumeListTest, UsbStickWithOneFat32Volume) {
    system.shapes[1] = diskOf(16065ull * 512 * 100);  // exactly 100 cylinders
    system.volumes.push_back(volume(1, 63 * 512, 16065ull * 512 * 100 - 63 * 512, u'E', kFsTypeFat32));
    system.removable.insert(1);
    const auto entries = refresh();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(u'E', entries[0].tag);
    EXPECT_EQ(kFsTypeFat32, entries[0].fsType);
    EXPECT_EQ(1, entries[0].diskNumber);
    EXPECT_EQ(63u, entries[0].start);
    EXPECT_EQ(16065u * 100 - 63, entries[0].length);
    EXPECT_EQ(1, list->IsRemovableDisk(1));
    EXPECT_EQ(0, list->IsRemovableDisk(0));
    EXPECT_EQ(512u, list->sectorSize());
}

TEST_F(VolumeListTest, GapBetweenTwoVolumesIsListedInOrderAndSmallGapsAreNot) {
    const uint64_t disk = 1024 * kMiB * 2;
    system.shapes[0] = diskOf(disk);
    const uint64_t firstEnd = kMiB + 400 * kMiB;
    // Collected out of order: the list orders by start.
    system.volumes.push_back(volume(0, firstEnd + 100 * kMiB, 500 * kMiB, u'D'));
    system.volumes.push_back(volume(0, kMiB, 400 * kMiB, u'C'));
    // Disk 1: a gap of less than one cylinder (16065 sectors) between its two volumes.
    system.shapes[1] = diskOf(disk);
    system.volumes.push_back(volume(1, kMiB, 100 * kMiB, u'F'));
    system.volumes.push_back(volume(1, kMiB + 100 * kMiB + 16000 * 512ull, disk - 101 * kMiB - 16000 * 512ull, u'G'));

    const auto entries = refresh();
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ(u'C', entries[0].tag);
    EXPECT_EQ(kMiB / 512, entries[0].start);
    EXPECT_EQ(400 * kMiB / 512, entries[0].length);
    const VolumeEntry& gap = entries[1];
    EXPECT_EQ(0, gap.fsType);
    EXPECT_EQ(0, gap.diskNumber);
    EXPECT_EQ(firstEnd / 512, gap.start);
    EXPECT_EQ(100 * kMiB / 512, gap.length);
    EXPECT_EQ(100 * kMiB, gap.totalBytes);
    EXPECT_EQ(gap.totalBytes, gap.freeBytes);
    EXPECT_EQ(0u, gap.usedBytes);
    EXPECT_EQ(2u, gap.tag);  // a letterless entry: its place in the list
    EXPECT_EQ(u'D', entries[2].tag);
    // The rest of disk 0 after D is more than a cylinder: a trailing gap up to the disk's end.
    ASSERT_EQ(0, entries[3].fsType);
    EXPECT_EQ(0, entries[3].diskNumber);
    EXPECT_EQ((firstEnd + 600 * kMiB) / 512, entries[3].start);
    EXPECT_EQ(system.shapes[0].totalSectors, entries[3].start + entries[3].length);

    std::vector<VolumeEntry> disk1;
    for (const auto& e : entries)
        if (e.diskNumber == 1) disk1.push_back(e);
    ASSERT_EQ(2u, disk1.size()) << "a gap under one cylinder is not listed";
    EXPECT_EQ(u'F', disk1[0].tag);
    EXPECT_EQ(u'G', disk1[1].tag);
}

TEST_F(VolumeListTest, UnformattedDiskIsOneWholeDiskEntryWithANumber) {
    system.shapes[0] = diskOf(1024 * kMiB);
    system.volumes.push_back(volume(0, 63 * 512, 1024 * kMiB - 16065 * 512, u'C'));
    system.shapes[2] = diskOf(512 * kMiB, 4096);
    const auto entries = refresh();
    ASSERT_EQ(2u, entries.size());
    const VolumeEntry& bare = entries[1];
    EXPECT_EQ(2, bare.diskNumber);
    EXPECT_EQ(0, bare.fsType);
    EXPECT_EQ(0u, bare.start);
    EXPECT_EQ(system.shapes[2].totalSectors, bare.length);
    EXPECT_EQ(bare.length * 4096, bare.totalBytes);
    EXPECT_EQ(bare.totalBytes, bare.freeBytes);
    EXPECT_EQ(2u, bare.tag);
    EXPECT_EQ(4096u, list->sectorSize());
}

TEST_F(VolumeListTest, LetterlessVolumesAreNumberedByPositionAcrossDisks) {
    system.shapes[0] = diskOf(100 * kMiB);
    system.shapes[3] = diskOf(100 * kMiB);
    system.volumes.push_back(volume(3, kMiB, 90 * kMiB));        // third in the list
    system.volumes.push_back(volume(0, 42 * kMiB, 48 * kMiB));   // second
    system.volumes.push_back(volume(0, kMiB, 40 * kMiB, u'C'));  // first
    const auto entries = refresh();
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(u'C', entries[0].tag);
    EXPECT_EQ(2u, entries[1].tag);
    EXPECT_EQ(3, entries[2].diskNumber);
    EXPECT_EQ(3u, entries[2].tag);
}

TEST_F(VolumeListTest, DisksFrom128OnAreNeverProbed) {
    system.shapes[127] = diskOf(10 * kMiB);
    system.shapes[128] = diskOf(10 * kMiB);
    const auto entries = refresh();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(127, entries[0].diskNumber);
    EXPECT_EQ(0, *system.probed.begin());
    EXPECT_EQ(127, *system.probed.rbegin());
    EXPECT_EQ(128u, system.probed.size());
}

TEST_F(VolumeListTest, DiskWithoutGeometryKeepsItsVolumesIn512ByteSectorsAndGetsNoGaps) {
    system.volumes.push_back(volume(4, kMiB, 10 * kMiB, u'X'));
    system.volumes.push_back(volume(4, 500 * kMiB, 10 * kMiB));
    const auto entries = refresh();
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(kMiB / 512, entries[0].start);
    EXPECT_EQ(10 * kMiB / 512, entries[0].length);
    EXPECT_EQ(500 * kMiB / 512, entries[1].start);
    EXPECT_EQ(2u, entries[1].tag);
}

TEST_F(VolumeListTest, VolumesWithoutDiskOrFileSystemAreLeftOut) {
    system.shapes[0] = diskOf(100 * kMiB);
    system.volumes.push_back(volume(0, kMiB, 90 * kMiB, u'C'));
    system.volumes.push_back(volume(-1, kMiB, 90 * kMiB, u'Y'));
    system.volumes.push_back(volume(0, kMiB, 90 * kMiB, u'Z', 0));
    const auto entries = refresh();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(u'C', entries[0].tag);
}

TEST_F(VolumeListTest, OverlappingEntriesDoNotMakeAGapInsideAVolume) {
    system.shapes[0] = diskOf(16065ull * 512 * 10);
    system.volumes.push_back(volume(0, 63 * 512, 16065ull * 512 * 10 - 63 * 512, u'C'));
    system.volumes.push_back(volume(0, 16065ull * 512 * 4, 16065ull * 512, u'D'));  // inside C
    const auto entries = refresh();
    ASSERT_EQ(2u, entries.size());
    EXPECT_NE(0, entries[0].fsType);
    EXPECT_NE(0, entries[1].fsType);
}

TEST_F(VolumeListTest, NextEntryWalksTheListAndRefreshStartsOver) {
    system.shapes[0] = diskOf(100 * kMiB);
    system.shapes[1] = diskOf(100 * kMiB);
    system.volumes.push_back(volume(1, kMiB, 90 * kMiB, u'E'));
    system.volumes.push_back(volume(0, kMiB, 90 * kMiB, u'C'));
    refresh();
    VolumeEntry e;
    ASSERT_EQ(1, list->NextEntry(e));
    EXPECT_EQ(u'C', e.tag);
    ASSERT_EQ(1, list->NextEntry(e));
    EXPECT_EQ(u'E', e.tag);
    EXPECT_EQ(0, list->NextEntry(e));
    EXPECT_EQ(0, list->NextEntry(e));
    ASSERT_EQ(1, list->Refresh());
    ASSERT_EQ(1, list->NextEntry(e));
    EXPECT_EQ(u'C', e.tag);
}

TEST_F(VolumeListTest, UnopenableCatalogueGivesAnEmptyListAndZero) {
    system.catalogueOpens = false;
    system.shapes[0] = diskOf(100 * kMiB);
    VolumeList l(std::make_unique<FakeQuery>(system));
    EXPECT_EQ(0, l.Refresh());
    std::vector<VolumeEntry> entries{VolumeEntry{}};
    l.CopyAll(entries);
    EXPECT_TRUE(entries.empty());
    VolumeEntry e;
    EXPECT_EQ(0, l.NextEntry(e));
}

TEST_F(VolumeListTest, RefreshAndFindVanishedListsWhatWentAway) {
    system.shapes[0] = diskOf(100 * kMiB);
    system.shapes[1] = diskOf(100 * kMiB);
    system.volumes.push_back(volume(0, kMiB, 90 * kMiB, u'C'));
    system.volumes.push_back(volume(1, kMiB, 90 * kMiB, u'E'));
    const auto before = refresh();
    ASSERT_EQ(2u, before.size());

    std::vector<VolumeEntry> vanished;
    EXPECT_FALSE(list->RefreshAndFindVanished(before, vanished));
    EXPECT_TRUE(vanished.empty());

    // The stick on disk 1 is pulled; disk 0's volume is examined last and is still there,
    // yet the answer must say that something vanished.
    system.volumes.pop_back();
    system.shapes.erase(1);
    const std::vector<VolumeEntry> reordered{before[1], before[0]};
    EXPECT_TRUE(list->RefreshAndFindVanished(reordered, vanished));
    ASSERT_EQ(1u, vanished.size());
    EXPECT_EQ(u'E', vanished[0].tag);

    std::vector<VolumeEntry> none;
    EXPECT_TRUE(list->RefreshAndFindVanished({}, none));
    system.catalogueOpens = false;
    EXPECT_FALSE(list->RefreshAndFindVanished({}, none));
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// Whatever this machine has (under Wine: whatever its mount manager reports): the list holds
// together. Needs no rights; an unreadable catalogue is skipped.
TEST(VolumeListSystem, RealListKeepsItsRules) {
    VolumeList list;
    if (list.Refresh() == 0) GTEST_SKIP() << "no volume catalogue readable here";
    std::vector<VolumeEntry> entries;
    list.CopyAll(entries);
    int previousDisk = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        const VolumeEntry& e = entries[i];
        EXPECT_NE(kTagUnnumbered, e.tag);
        if (!HasDriveLetter(e)) {
            EXPECT_EQ(i + 1, e.tag);
        }
        EXPECT_GE(e.diskNumber, previousDisk);
        EXPECT_LT(e.diskNumber, kMaxProbedDisks);
        previousDisk = e.diskNumber;
        EXPECT_EQ(e.totalBytes - e.freeBytes, e.usedBytes);
        if (e.fsType == 0) {
            EXPECT_EQ(e.totalBytes, e.freeBytes);
        }
    }
}

}  // namespace
}  // namespace qm

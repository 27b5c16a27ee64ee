// A whole-disk image (or a disk the system lists without partitions) read as a disk: its
// table's partitions become the entries a disk list shows.
#include <gtest/gtest.h>

#include "disk/image_layout.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

TEST(ImageLayout, ADiskImagesPartitionsAndGapsWithTheirFileSystems) {
    ImageLayout layout;
    ASSERT_EQ(0, ReadImageLayout(test::fixturePath("disks/mbr.img"), layout));
    ASSERT_TRUE(layout.IsDisk());
    // The builder's table: FAT32 at 2048, an NTFS partition, two logical FAT16 volumes.
    std::vector<uint64_t> starts;
    for (const VolumeEntry& e : layout.entries)
        if (e.partitionNumber >= 0) starts.push_back(e.start);
    EXPECT_EQ((std::vector<uint64_t>{2048, 71680, 106496, 141312}), starts);
    EXPECT_EQ(L"FAT32", layout.entries[0].fsName);
    uint64_t first = 0, count = 0;
    ASSERT_TRUE(layout.PartitionArea(3, first, count));
    EXPECT_EQ(106496u, first);
    EXPECT_EQ(32768u, count);
    EXPECT_FALSE(layout.PartitionArea(99, first, count));

    ImageLayout volume;
    ASSERT_EQ(0, ReadImageLayout(test::fixturePath("fat16.img"), volume));
    EXPECT_FALSE(volume.IsDisk());
    EXPECT_TRUE(volume.entries.empty());
}

TEST(ImageLayout, ABareDiskIsListedAsItsTableDescribesIt) {
    VolumeEntry bare;
    bare.diskNumber = 3;
    bare.start = 0;
    bare.length = 204800;
    bare.tag = 1;
    VolumeEntry lettered;
    lettered.diskNumber = 4;
    lettered.fsType = kFsTypeNtfs;
    lettered.start = 2048;
    lettered.length = 1000;
    lettered.tag = u'E';
    std::vector<VolumeEntry> entries{bare, lettered};
    ReadTablesOfBareDisks(entries, [](int disk, SectorReader& reader) {
        return disk == 3 ? reader.OpenImageFile(test::fixturePath("disks/mbr.img")) : 2;
    });
    ASSERT_GT(entries.size(), 4u);
    EXPECT_EQ(3, entries[0].diskNumber);
    EXPECT_EQ(2048u, entries[0].start);
    EXPECT_EQ(1, entries[0].partitionNumber);
    EXPECT_EQ(1, entries[0].tag);
    EXPECT_EQ(2, entries[1].tag);
    EXPECT_EQ(u'E', entries.back().tag);  // a drive letter stays
    EXPECT_EQ(4, entries.back().diskNumber);
}

}  // namespace
}  // namespace qm

#include <gtest/gtest.h>

#include "disk/file_system_probe.h"
#include "disk/volume_entry.h"
#include "disk/volume_file_system.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

struct Described {
    uint8_t fsType;
    std::wstring name, label;
};

Described describe(const std::string& fixture) {
    std::vector<uint8_t> probe;
    EXPECT_EQ(0, ReadProbeFromImage(test::fixturePath(fixture), probe)) << fixture;
    Described d{};
    d.fsType = DescribeVolumeFileSystem(ByteView(probe.data(), probe.size()), d.name, d.label);
    return d;
}

TEST(VolumeFileSystem, NamesAndLabelsOfVolumesMadeByTheRealTools) {
    const Described fat12 = describe("fat12.img");
    EXPECT_EQ(kFsTypeFat, fat12.fsType);
    EXPECT_EQ(L"FAT", fat12.name);
    EXPECT_EQ(L"FAT12FIX", fat12.label);
    const Described fat16 = describe("fat16.img");
    EXPECT_EQ(kFsTypeFat, fat16.fsType);
    EXPECT_EQ(L"FAT16FIX", fat16.label);
    const Described fat32 = describe("fat32.img");
    EXPECT_EQ(kFsTypeFat32, fat32.fsType);
    EXPECT_EQ(L"FAT32", fat32.name);
    EXPECT_EQ(L"FAT32FIX", fat32.label);
    const Described ntfs = describe("ntfs.img");
    EXPECT_EQ(kFsTypeNtfs, ntfs.fsType);
    EXPECT_EQ(L"NTFS", ntfs.name);
    const Described ext = describe("ext4.img");
    EXPECT_EQ(kFsTypeLinux, ext.fsType);
    EXPECT_EQ(L"ext", ext.name);
    const Described blank = describe("blank.img");
    EXPECT_EQ(0, blank.fsType);
    EXPECT_TRUE(blank.name.empty());
}

TEST(VolumeFileSystem, LabelBytesAreCleanedAndShortInputIsSafe) {
    std::vector<uint8_t> probe;
    ASSERT_EQ(0, ReadProbeFromImage(test::fixturePath("fat32.img"), probe));
    const char raw[11] = {'N', 'O', ' ', 'N', 'A', 'M', 'E', ' ', ' ', ' ', ' '};
    std::copy(raw, raw + 11, probe.begin() + 0x47);
    std::wstring name, label;
    EXPECT_EQ(kFsTypeFat32, DescribeVolumeFileSystem(ByteView(probe.data(), probe.size()), name, label));
    EXPECT_TRUE(label.empty()) << "the placeholder of an unlabelled volume";
    probe[0x47] = 0xE9;
    probe[0x48] = 0x01;
    DescribeVolumeFileSystem(ByteView(probe.data(), probe.size()), name, label);
    EXPECT_EQ(L"?", label.substr(0, 1));
    EXPECT_EQ(0, DescribeVolumeFileSystem(ByteView(probe.data(), 100), name, label));
    EXPECT_EQ(0, DescribeVolumeFileSystem(ByteView(), name, label));
}

TEST(VolumeFileSystem, TypesFromSystemNames) {
    EXPECT_EQ(kFsTypeNtfs, FsTypeFromName(L"NTFS"));
    EXPECT_EQ(kFsTypeFat32, FsTypeFromName(L"fat32"));
    EXPECT_EQ(kFsTypeFat, FsTypeFromName(L"FAT"));
    EXPECT_EQ(kFsTypeFat, FsTypeFromName(L"vfat"));
    EXPECT_EQ(kFsTypeNtfs, FsTypeFromName(L"ntfs3"));
    EXPECT_EQ(kFsTypeLinux, FsTypeFromName(L"ext4"));
    EXPECT_EQ(kFsTypeExFat, FsTypeFromName(L"exFAT"));
    EXPECT_EQ(0, FsTypeFromName(L""));
}

}  // namespace
}  // namespace qm

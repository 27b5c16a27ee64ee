// The Linux catalogue of disks read from a made-up /sys/block tree and mount table.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "disk/byte_view.h"
#include "disk/volume_list.h"
#include "platform/device.h"
#include "platform/disk_enumeration.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

void put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

// A FAT32 boot sector with a label, as mkfs would leave it, padded to a full probe.
std::vector<uint8_t> fat32Volume(const char* label) {
    std::vector<uint8_t> v(16384, 0);
    v[0] = 0xEB;
    v[1] = 0x58;
    v[2] = 0x90;
    putU16(&v[0x0B], 512);
    v[0x0D] = 8;
    putU16(&v[0x0E], 32);
    v[0x10] = 2;
    v[0x15] = 0xF8;
    putU32(&v[0x20], 2000000);
    putU32(&v[0x24], 1950);
    v[0x42] = 0x29;
    std::memcpy(&v[0x47], label, 11);
    std::memcpy(&v[0x52], "FAT32   ", 8);
    v[0x1FE] = 0x55;
    v[0x1FF] = 0xAA;
    return v;
}

class SysfsTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = platform::toUtf8(dir.path());
        sys = fs::path(root) / "sys";
        // sda: an internal disk, two partitions of which the first is mounted, and an
        // extended partition's container; sdb: a USB stick holding a file system without
        // partitions; loop0 without backing file and ram0 are not disks.
        const fs::path pci = sys / "devices/pci0000:00/ata1/block/sda";
        put(pci / "size", "4194304");  // 2 GiB
        put(pci / "removable", "0");
        put(pci / "dev", "8:0");
        put(pci / "queue/logical_block_size", "512");
        put(pci / "sda1/partition", "1");
        put(pci / "sda1/start", "2048");
        put(pci / "sda1/size", "1048576");
        put(pci / "sda1/dev", "8:1");
        put(pci / "sda2/partition", "2");
        put(pci / "sda2/start", "1050624");
        put(pci / "sda2/size", "2");
        put(pci / "sda2/dev", "8:2");
        put(pci / "sda5/partition", "5");
        put(pci / "sda5/start", "1052672");
        put(pci / "sda5/size", "1048576");
        put(pci / "sda5/dev", "8:5");
        const fs::path usb = sys / "devices/pci0000:00/usb1/1-1/host6/block/sdb";
        put(usb / "size", "2000000");
        put(usb / "removable", "0");
        put(usb / "dev", "8:16");
        put(usb / "queue/logical_block_size", "512");
        fs::create_directories(sys / "block");
        fs::create_directory_symlink(pci, sys / "block/sda");
        fs::create_directory_symlink(usb, sys / "block/sdb");
        put(sys / "block/loop0/size", "0");
        put(sys / "block/ram0/size", "8192");

        dev = fs::path(root) / "dev";
        fs::create_directories(dev);
        test::writeWholeFile(platform::fromUtf8((dev / "sdb").string()), fat32Volume("STICK      "));
        mountPoint = fs::path(root) / "media" / "my disk";
        fs::create_directories(mountPoint);
        put(fs::path(root) / "mountinfo",
            "22 1 8:1 / " + (fs::path(root) / "media" / "my\\040disk").string() + " rw,relatime - ext4 /dev/sda1 rw\n"
            "23 1 0:5 / /proc rw - proc proc rw");

        platform::BlockDeviceRoots roots;
        roots.sysBlock = (sys / "block").string();
        roots.mountInfo = (fs::path(root) / "mountinfo").string();
        roots.devFolder = dev.string();
        saved = platform::blockDeviceRoots();
        platform::setBlockDeviceRoots(roots);
    }
    void TearDown() override { platform::setBlockDeviceRoots(saved); }

    test::TempDir dir;
    std::string root;
    fs::path sys, dev, mountPoint;
    platform::BlockDeviceRoots saved;
};

TEST_F(SysfsTreeTest, PartitionsAndWholeDisksComeWithPositionsAndMounts) {
    std::vector<platform::MountedVolume> volumes;
    ASSERT_EQ(0, platform::listMountedVolumes(volumes));
    ASSERT_EQ(3u, volumes.size());  // sda1, sda5 (the container sda2 left out), sdb
    const auto& a1 = volumes[0];
    EXPECT_EQ(0, a1.diskNumber);
    EXPECT_EQ(1, a1.partitionNumber);
    EXPECT_EQ(2048u * 512, a1.startBytes);
    EXPECT_EQ(1048576u * 512, a1.lengthBytes);
    EXPECT_TRUE(a1.mounted);
    EXPECT_EQ(platform::fromUtf8(mountPoint.string()), a1.rootPath);  // "\040" is a blank
    EXPECT_EQ(L"ext4", a1.fsName);
    EXPECT_TRUE(a1.spaceKnown);
    EXPECT_GT(a1.totalBytes, 0u);
    EXPECT_EQ(platform::fromUtf8((dev / "sda1").string()), a1.devicePath);
    EXPECT_EQ(5, volumes[1].partitionNumber);
    EXPECT_FALSE(volumes[1].mounted);
    EXPECT_TRUE(volumes[2].wholeDisk);
    EXPECT_EQ(1, volumes[2].diskNumber);
    EXPECT_EQ(2000000u * 512, volumes[2].lengthBytes);
}

TEST_F(SysfsTreeTest, ShapeAndBusOfEachDisk) {
    platform::DiskShapeInfo shape;
    ASSERT_EQ(0, platform::queryDiskShape(0, shape));
    EXPECT_EQ(512u, shape.bytesPerSector);
    EXPECT_EQ(4194304u, shape.totalSectors);
    EXPECT_NE(0, platform::queryDiskShape(2, shape));  // loop0 and ram0 are not disks
    EXPECT_FALSE(platform::isRemovableDisk(0));
    EXPECT_TRUE(platform::isRemovableDisk(1));  // on a USB bus, though it says "removable 0"

    put(sys / "block/sda/queue/logical_block_size", "4096");
    ASSERT_EQ(0, platform::queryDiskShape(0, shape));
    EXPECT_EQ(4096u, shape.bytesPerSector);
    EXPECT_EQ(4194304u / 8, shape.totalSectors);
}

TEST_F(SysfsTreeTest, TheListNamesFileSystemsAndFillsGaps) {
    VolumeList list;
    ASSERT_EQ(1, list.Refresh());
    std::vector<VolumeEntry> entries;
    list.CopyAll(entries);
    // sda1 (ext4 by the mount table: its device cannot be read here), the gap between sda1 and
    // sda5 is under a cylinder, sda5 (a partition of unknown type), the rest of sda, sdb.
    ASSERT_EQ(4u, entries.size());
    EXPECT_EQ(kFsTypeLinux, entries[0].fsType);
    EXPECT_EQ(2048u, entries[0].start);
    EXPECT_EQ(1u, entries[0].tag);
    EXPECT_EQ(kFsTypeOtherPartition, entries[1].fsType);
    EXPECT_EQ(1052672u, entries[1].start);
    EXPECT_EQ(0, entries[2].fsType);  // gap to the end of the disk
    EXPECT_EQ(1052672u + 1048576, entries[2].start);
    EXPECT_EQ(4194304u, entries[2].start + entries[2].length);
    EXPECT_EQ(3u, entries[2].tag);
    const VolumeEntry& stick = entries[3];
    EXPECT_EQ(1, stick.diskNumber);
    EXPECT_EQ(kFsTypeFat32, stick.fsType);
    EXPECT_EQ(L"FAT32", stick.fsName);
    EXPECT_EQ(L"STICK", stick.label);
    EXPECT_EQ(0u, stick.start);
    EXPECT_EQ(2000000u, stick.length);
    EXPECT_EQ(4u, stick.tag);
    EXPECT_EQ(1, list.IsRemovableDisk(1));
}

TEST_F(SysfsTreeTest, MissingTreeMeansNoCatalogue) {
    platform::BlockDeviceRoots roots;
    roots.sysBlock = (fs::path(root) / "nothing").string();
    platform::setBlockDeviceRoots(roots);
    VolumeList list;
    EXPECT_EQ(0, list.Refresh());
}

// The list's disk numbers must name the same disks as the device paths the readers open.
TEST(SysfsRealTree, DiskNumbersMatchPhysicalDrivePaths) {
    const std::string sysBlock = platform::blockDeviceRoots().sysBlock;
    std::vector<platform::MountedVolume> volumes;
    if (platform::listMountedVolumes(volumes) != 0) GTEST_SKIP() << "no " << sysBlock << " here";
    for (const auto& v : volumes) {
        const std::wstring path = platform::physicalDrivePath(v.diskNumber);
        ASSERT_FALSE(path.empty());
        if (v.wholeDisk) {
            EXPECT_EQ(path, v.devicePath);
        } else {
            EXPECT_EQ(0u, v.devicePath.rfind(path, 0)) << platform::toUtf8(v.devicePath);
        }
    }
}

}  // namespace
}  // namespace qm
#endif

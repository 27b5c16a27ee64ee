// A destination on the medium being recovered is refused: decided from a made-up sysfs tree on
// Linux, and on the real system for the everyday case of a folder beside an image file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "disk/destination_check.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/disk_enumeration.h"
#endif

namespace qm {
namespace {

namespace fs = std::filesystem;

TEST(DestinationCheck, AFolderBesideTheImageFileIsFine) {
    test::TempDir dir;
    const std::wstring image = dir.file(L"card.img");
    test::writeWholeFile(image, std::vector<uint8_t>(4096, 0));
    const DestinationCheck check = CheckDestination(ImageFileMedium(image), dir.file(L"recovered"));
    EXPECT_FALSE(check.onSource) << platform::toUtf8(check.reason);
    EXPECT_TRUE(check.reason.empty());
}

#ifndef _WIN32

void put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

// "MAJ:MIN" of the file system holding path, as /sys/dev/block names devices.
std::string deviceNumberOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
}

// sda (partitions sda1, sda2; dm-0 built on sda2), sdb (sdb1), loop3 presenting card.img with
// a partition loop3p1 and dm-1 built on that, loop4 presenting another file, and dm-2 and dm-3
// each claiming to be built on the other. The temporary folder's own device number is pointed
// at whichever device a case puts the destination on.
class FakeSysfsTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = platform::toUtf8(dir.path());
        sys = root / "sys";
        card = root / "card.img";
        put(card, "image");
        put(root / "other.img", "image");
        const fs::path ata = sys / "devices/pci0000:00/ata1/block";
        const fs::path usb = sys / "devices/pci0000:00/usb1/block";
        const fs::path virt = sys / "devices/virtual/block";
        addDevice(ata / "sda");
        addDevice(ata / "sda/sda1", true);
        addDevice(ata / "sda/sda2", true);
        addDevice(usb / "sdb");
        addDevice(usb / "sdb/sdb1", true);
        addDevice(virt / "loop3");
        put(virt / "loop3/loop/backing_file", card.string());
        addDevice(virt / "loop3/loop3p1", true);
        addDevice(virt / "loop4");
        put(virt / "loop4/loop/backing_file", (root / "other.img").string());
        for (const char* dm : {"dm-0", "dm-1", "dm-2", "dm-3"}) addDevice(virt / dm);
        fs::create_directories(virt / "dm-0/slaves");
        fs::create_directory_symlink(ata / "sda/sda2", virt / "dm-0/slaves/sda2");
        fs::create_directories(virt / "dm-1/slaves");
        fs::create_directory_symlink(virt / "loop3/loop3p1", virt / "dm-1/slaves/loop3p1");
        fs::create_directories(virt / "dm-2/slaves");
        fs::create_directories(virt / "dm-3/slaves");
        fs::create_directory_symlink(virt / "dm-3", virt / "dm-2/slaves/dm-3");
        fs::create_directory_symlink(virt / "dm-2", virt / "dm-3/slaves/dm-2");

        destination = root / "out";
        fs::create_directories(destination);
        ownNumber = deviceNumberOf(destination);
        ASSERT_FALSE(ownNumber.empty());
        fs::create_directories(sys / "dev/block");
        put(root / "mountinfo", "");

        platform::BlockDeviceRoots roots;
        roots.sysBlock = (sys / "block").string();
        roots.mountInfo = (root / "mountinfo").string();
        roots.devFolder = (root / "dev").string();
        saved = platform::blockDeviceRoots();
        platform::setBlockDeviceRoots(roots);
    }
    void TearDown() override { platform::setBlockDeviceRoots(saved); }

    void addDevice(const fs::path& node, bool partition = false) {
        fs::create_directories(node);
        const std::string name = node.filename().string();
        if (partition) {
            put(node / "partition", "1");
        } else {
            fs::create_directories(sys / "block");
            fs::create_directory_symlink(node, sys / "block" / name);
        }
        fs::create_directories(sys / "class/block");
        fs::create_directory_symlink(node, sys / "class/block" / name);
    }

    // Puts the destination's file system on the named device.
    void destinationOn(const std::string& name) {
        const fs::path link = sys / "dev/block" / ownNumber;
        fs::remove(link);
        fs::create_directory_symlink(fs::canonical(sys / "class/block" / name), link);
    }

    std::wstring devicePath(const std::string& name) const {
        return platform::fromUtf8((root / "dev" / name).string());
    }
    platform::SourceMedium device(const std::string& name) const { return {devicePath(name), true}; }
    DestinationCheck check(const platform::SourceMedium& source) const {
        return CheckDestination(source, platform::fromUtf8(destination.string()));
    }

    test::TempDir dir;
    fs::path root, sys, card, destination;
    std::string ownNumber;
    platform::BlockDeviceRoots saved;
};

TEST_F(FakeSysfsTest, ADiskSourceRefusesEveryDestinationOnThatDisk) {
    for (const char* on : {"sda", "sda1", "dm-0"}) {
        destinationOn(on);
        const DestinationCheck c = check(device("sda"));
        EXPECT_TRUE(c.onSource) << on;
        EXPECT_EQ(devicePath("sda"), c.device) << on;
        EXPECT_NE(std::wstring::npos, c.reason.find(platform::fromUtf8(destination.string()))) << on;
    }
    // A partition being read stands for its whole disk.
    destinationOn("sda1");
    EXPECT_TRUE(check(device("sda2")).onSource);
    destinationOn("sdb1");
    EXPECT_FALSE(check(device("sda")).onSource);
    EXPECT_FALSE(check(device("sda2")).onSource);
}

TEST_F(FakeSysfsTest, AnImageSourceRefusesFileSystemsMountedFromThatImage) {
    const platform::SourceMedium image = ImageFileMedium(platform::fromUtf8(card.string()));
    for (const char* on : {"loop3", "loop3p1", "dm-1"}) {
        destinationOn(on);
        const DestinationCheck c = check(image);
        EXPECT_TRUE(c.onSource) << on;
        EXPECT_EQ(devicePath("loop3"), c.device) << on;
    }
    destinationOn("loop4");  // another file's loop device
    EXPECT_FALSE(check(image).onSource);
    destinationOn("sdb1");  // the file system that holds card.img itself
    EXPECT_FALSE(check(image).onSource);
    // The loop device read directly is a disk like any other.
    destinationOn("loop3p1");
    EXPECT_TRUE(check(device("loop3")).onSource);
}

TEST_F(FakeSysfsTest, ALoopDeviceLiesOnTheDiskHoldingItsBackingFile) {
    // Any file outside the temporary folder's file system serves as loop5's backing file.
    const fs::path backing = "/proc/version";
    const std::string backingNumber = deviceNumberOf(backing);
    ASSERT_FALSE(backingNumber.empty());
    ASSERT_NE(ownNumber, backingNumber);
    const fs::path loop5 = sys / "devices/virtual/block/loop5";
    addDevice(loop5);
    put(loop5 / "loop/backing_file", backing.string());
    fs::create_directory_symlink(fs::canonical(sys / "class/block/sdb1"), sys / "dev/block" / backingNumber);
    destinationOn("loop5");
    EXPECT_TRUE(check(device("sdb")).onSource);
    EXPECT_FALSE(check(device("sda")).onSource);
    // Read as a source, the loop device is only itself: its file's neighbours are not on it.
    destinationOn("sdb1");
    EXPECT_FALSE(check(device("loop5")).onSource);
}

TEST_F(FakeSysfsTest, AnUnnumberedFileSystemIsFoundThroughTheMountTable) {
    // btrfs gives its files a device number that no block device has.
    put(root / "mountinfo", "40 1 " + ownNumber + " / /data rw - btrfs " + (root / "dev/sda1").string() + " rw\n");
    EXPECT_TRUE(check(device("sda")).onSource);
    EXPECT_FALSE(check(device("sdb")).onSource);
    put(root / "mountinfo", "40 1 " + ownNumber + " / /data rw - overlay overlay rw\n");
    EXPECT_FALSE(check(device("sda")).onSource);
}

TEST_F(FakeSysfsTest, AMissingDestinationIsJudgedByItsNearestFolderAndNotMade) {
    destinationOn("sda1");
    const fs::path missing = destination / "new" / "deeper";
    EXPECT_TRUE(CheckDestination(device("sda"), platform::fromUtf8(missing.string())).onSource);
    EXPECT_FALSE(fs::exists(destination / "new"));
}

TEST_F(FakeSysfsTest, VolumesBuiltOnEachOtherDoNotLoopTheWalk) {
    destinationOn("dm-2");
    EXPECT_FALSE(check(device("sda")).onSource);
    EXPECT_TRUE(check(device("dm-3")).onSource);
}

#endif

}  // namespace
}  // namespace qm

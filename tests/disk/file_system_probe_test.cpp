#include <gtest/gtest.h>

#include <cstring>

#include "disk/file_system_probe.h"
#include "platform/errors.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

std::vector<uint8_t> probeOf(const std::string& fixture) {
    std::vector<uint8_t> probe;
    EXPECT_EQ(0, ReadProbeFromImage(test::fixturePath(fixture), probe)) << fixture;
    probe.resize(kProbeSize);  // edits below stay in bounds even after a failed read
    return probe;
}

FileSystemKind kindOf(const std::vector<uint8_t>& probe) { return ProbeFileSystem(ByteView(probe.data(), probe.size())); }

TEST(ProbeFileSystem, RealVolumesMadeByMkfs) {
    EXPECT_EQ(FileSystemKind::Fat, kindOf(probeOf("fat12.img")));
    EXPECT_EQ(FileSystemKind::Fat, kindOf(probeOf("fat16.img")));
    EXPECT_EQ(FileSystemKind::Fat, kindOf(probeOf("fat32.img")));
    EXPECT_EQ(FileSystemKind::Fat, kindOf(probeOf("fat32-4k.img")));
    EXPECT_EQ(FileSystemKind::Ntfs, kindOf(probeOf("ntfs.img")));
    EXPECT_EQ(FileSystemKind::Ext, kindOf(probeOf("ext4.img")));
    EXPECT_EQ(FileSystemKind::Unknown, kindOf(probeOf("blank.img")));
}

TEST(ProbeFileSystem, NtfsWith128SectorsPerClusterIsNotNtfs) {
    auto probe = probeOf("ntfs.img");
    ASSERT_EQ(FileSystemKind::Ntfs, kindOf(probe));
    probe[0x0D] = 128;
    EXPECT_FALSE(IsNtfsBootSector(ByteView(probe.data(), 512)));
    // Nothing else fits an NTFS boot sector either, so it ends as unknown.
    EXPECT_EQ(FileSystemKind::Unknown, kindOf(probe));
    probe[0x0D] = 64;
    EXPECT_EQ(FileSystemKind::Ntfs, kindOf(probe));
}

TEST(ProbeFileSystem, NtfsFieldChecks) {
    const auto good = probeOf("ntfs.img");
    auto mutate = [&](size_t offset, uint8_t value) {
        auto p = good;
        p[offset] = value;
        return IsNtfsBootSector(ByteView(p.data(), 512));
    };
    EXPECT_FALSE(mutate(0x0B, 0x01));  // bytes per sector 513
    EXPECT_FALSE(mutate(0x0E, 1));     // reserved sectors
    EXPECT_FALSE(mutate(0x10, 2));     // number of FATs
    EXPECT_FALSE(mutate(0x22, 1));
    EXPECT_FALSE(mutate(0x1FE, 0));
    EXPECT_FALSE(mutate(0x07, 'X'));   // "NTFX    "
    EXPECT_TRUE(mutate(0x15, 0xAB));   // the media descriptor is not checked
    auto zeroTotal = probeOf("ntfs.img");
    putU64(&zeroTotal[0x28], 0);
    EXPECT_FALSE(IsNtfsBootSector(ByteView(zeroTotal.data(), 512)));
}

TEST(ProbeFileSystem, EncryptedVolumeIsNeverFat) {
    auto probe = probeOf("fat16.img");
    ASSERT_TRUE(IsFatBootSector(ByteView(probe.data(), 512)));
    std::memcpy(probe.data() + 3, "-FVE-FS-", 8);
    EXPECT_TRUE(IsEncryptedBootSector(ByteView(probe.data(), 512)));
    EXPECT_FALSE(IsFatBootSector(ByteView(probe.data(), 512)));
    EXPECT_EQ(FileSystemKind::Unknown, kindOf(probe));

    // The second signature: eight 'x', nineteen 0xFF, then 00 1F 2C before the boot signature.
    auto marked = probeOf("fat16.img");
    std::memset(marked.data() + 0x1E0, 'x', 8);
    std::memset(marked.data() + 0x1E8, 0xFF, 19);
    marked[0x1FB] = 0x00;
    marked[0x1FC] = 0x1F;
    marked[0x1FD] = 0x2C;
    EXPECT_TRUE(IsEncryptedBootSector(ByteView(marked.data(), 512)));
    EXPECT_FALSE(IsFatBootSector(ByteView(marked.data(), 512)));
    marked[0x1FD] = 0x2D;
    EXPECT_FALSE(IsEncryptedBootSector(ByteView(marked.data(), 512)));
}

TEST(ProbeFileSystem, Fat16WithoutSixteenBitFatSizeNeedsTheFat32Fields) {
    auto probe = probeOf("fat16.img");
    const uint32_t fatSize = ByteView(probe.data(), 512).u16(0x16);
    probe[0x16] = probe[0x17] = 0;
    // Without a FAT size of either width it is no FAT.
    EXPECT_FALSE(IsFatBootSector(ByteView(probe.data(), 512)));
    // "FAT32   " at 0x52 and a 32-bit FAT size let the second sub-test accept it.
    std::memcpy(probe.data() + 0x52, "FAT32   ", 8);
    putU32(probe.data() + 0x24, fatSize);
    if (ByteView(probe.data(), 512).u32(0x20) == 0) putU32(probe.data() + 0x20, ByteView(probe.data(), 512).u16(0x13));
    EXPECT_FALSE(IsFat1216BootSector(ByteView(probe.data(), 512)));
    EXPECT_TRUE(IsFat32BootSector(ByteView(probe.data(), 512)));
    EXPECT_TRUE(IsFatBootSector(ByteView(probe.data(), 512)));
}

TEST(ProbeFileSystem, FatBpbSanity) {
    const auto good = probeOf("fat32.img");
    auto check = [&](auto edit) {
        auto p = good;
        edit(p.data());
        return IsFatBootSector(ByteView(p.data(), 512));
    };
    EXPECT_TRUE(check([](uint8_t*) {}));
    EXPECT_FALSE(check([](uint8_t* b) { putU16(b + 0x0B, 0); }));
    EXPECT_FALSE(check([](uint8_t* b) { putU16(b + 0x0B, 1000); }));
    EXPECT_FALSE(check([](uint8_t* b) { b[0x0D] = 0; }));
    EXPECT_FALSE(check([](uint8_t* b) { b[0x0D] = 3; }));
    EXPECT_FALSE(check([](uint8_t* b) { b[0x10] = 0; }));
    EXPECT_FALSE(check([](uint8_t* b) { b[0x1FF] = 0; }));
    EXPECT_TRUE(check([](uint8_t* b) { b[0x0D] = 128; }));
    // A cluster count at or beyond 0x0FFFFFF0 is refused whatever the rest says.
    EXPECT_FALSE(check([](uint8_t* b) {
        putU32(b + 0x20, 0xFFFFFFFF);
        putU32(b + 0x24, 1);
        putU16(b + 0x0E, 0);
        b[0x0D] = 1;
    }));
}

TEST(ProbeFileSystem, ExtSuperblockChecks) {
    const auto good = probeOf("ext4.img");
    auto check = [&](size_t offset, uint32_t value) {
        auto p = good;
        putU32(p.data() + 1024 + offset, value);
        return kindOf(p);
    };
    EXPECT_EQ(FileSystemKind::Ext, kindOf(good));
    EXPECT_EQ(FileSystemKind::Unknown, check(0x54, 2));          // first inode must be above 2
    EXPECT_EQ(FileSystemKind::Unknown, check(0x20, 0));          // blocks per group
    EXPECT_EQ(FileSystemKind::Unknown, check(0x04, 0xFFFFFF00)); // group counts disagree
    const uint32_t firstData = ByteView(good.data(), good.size()).u32(1024 + 0x14);
    EXPECT_EQ(FileSystemKind::Unknown, check(0x14, firstData ^ 1));
    auto badMagic = good;
    badMagic[1024 + 0x38] = 0;
    EXPECT_EQ(FileSystemKind::Unknown, kindOf(badMagic));
}

TEST(ProbeFileSystem, GarbageAndShortBuffersAreUnknown) {
    EXPECT_EQ(FileSystemKind::Unknown, ProbeFileSystem(ByteView()));
    std::vector<uint8_t> tiny(100, 0xFF);
    EXPECT_EQ(FileSystemKind::Unknown, ProbeFileSystem(ByteView(tiny.data(), tiny.size())));
    // A boot sector cut short is not read past its end.
    const auto ntfs = probeOf("ntfs.img");
    EXPECT_FALSE(IsNtfsBootSector(ByteView(ntfs.data(), 511)));
    uint32_t state = 12345;
    std::vector<uint8_t> noise(kProbeSize);
    for (int round = 0; round < 200; ++round) {
        for (auto& b : noise) b = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 16);
        noise[0x1FE] = 0x55;
        noise[0x1FF] = 0xAA;
        const FileSystemKind kind = ProbeFileSystem(ByteView(noise.data(), noise.size()));
        EXPECT_NE(FileSystemKind::Ntfs, kind);
    }
}

TEST(ReadProbe, ImageShorterThanSixteenKiBFails) {
    std::vector<uint8_t> probe;
    EXPECT_EQ(kErrorReadFault, ReadProbeFromImage(test::fixturePath("short.img"), probe));
    EXPECT_EQ(kErrorFileNotFound, ReadProbeFromImage(test::fixturePath("no-such.img"), probe));
    EXPECT_EQ(0, ReadProbeFromImage(test::fixturePath("blank.img"), probe));
    EXPECT_EQ(kProbeSize, probe.size());
}

}  // namespace
}  // namespace qm

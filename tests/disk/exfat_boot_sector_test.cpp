#include "disk/exfat_boot_sector.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "disk/file_system_probe.h"
#include "platform/errors.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

std::vector<uint8_t> readImage(const std::string& name) { return test::readWholeFile(test::fixturePath("exfat/" + name)); }

TEST(ExFatBootSector, DecodesTheCommittedImagesWithSoundChecksums) {
    struct Case {
        const char* image;
        uint32_t bytesPerSector, bytesPerCluster;
    } const cases[] = {{"exfat-512-c4k.img", 512, 4096},
                       {"exfat-4k-c128k.img", 4096, 131072},
                       {"exfat-quickformat.img", 512, 4096}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        const auto image = readImage(c.image);
        ASSERT_GT(image.size(), 24u * 4096);
        ExFatBootFields f;
        const char* why = "unset";
        ASSERT_EQ(DecodeExFatBootSector(ByteView(image.data(), image.size()), f, &why), 0);
        EXPECT_EQ(why, nullptr);
        EXPECT_EQ(f.bytesPerSector(), c.bytesPerSector);
        EXPECT_EQ(f.bytesPerCluster(), c.bytesPerCluster);
        EXPECT_EQ(f.volumeLength * f.bytesPerSector(), image.size());
        EXPECT_EQ(f.numberOfFats, 1);
        EXPECT_EQ(f.revision, 0x0100);
        EXPECT_LE(f.clusterOffset(f.clusterCount + 2), image.size());
        // The main boot region and its backup right after it.
        const size_t region = size_t{12} * f.bytesPerSector();
        EXPECT_TRUE(VerifyExFatBootChecksum(ByteView(image.data(), image.size()), f.bytesPerSector()));
        EXPECT_TRUE(VerifyExFatBootChecksum(ByteView(image.data() + region, region), f.bytesPerSector()));
        EXPECT_FALSE(VerifyExFatBootChecksum(ByteView(image.data(), region - 1), f.bytesPerSector()));
    }
}

TEST(ExFatBootSector, ChecksumSeesEveryByteButTheChangingOnes) {
    auto image = readImage("exfat-512-c4k.img");
    const ByteView view(image.data(), image.size());
    image[exfatboot::kPercentInUse] ^= 0x5A;
    image[exfatboot::kVolumeFlags] ^= 0x02;
    EXPECT_TRUE(VerifyExFatBootChecksum(view, 512));
    image[3 * 512 + 100] ^= 0x01;
    EXPECT_FALSE(VerifyExFatBootChecksum(view, 512));
    image[3 * 512 + 100] ^= 0x01;
    image[11 * 512 + 508] ^= 0x01;  // the last repeat of the stored sum
    EXPECT_FALSE(VerifyExFatBootChecksum(view, 512));
}

TEST(ExFatBootSector, EachRefusalFollowsFromOneEditedField) {
    const auto original = readImage("exfat-512-c4k.img");
    struct Edit {
        size_t offset;
        int width;
        uint64_t value;
        const char* reason;
    } const edits[] = {
        {exfatboot::kFileSystemName, 1, 'X', "it is not an exFAT boot sector"},
        {0x20, 1, 1, "fields exFAT keeps at zero are not zero"},
        {exfatboot::kBytesPerSectorShift, 1, 13, "its bytes per sector are not 512 to 4096"},
        {exfatboot::kSectorsPerClusterShift, 1, 17, "its clusters are larger than 32 MiB"},
        {exfatboot::kNumberOfFats, 1, 3, "its number of FATs is not 1 or 2"},
        {exfatboot::kVolumeLength, 8, 100, "its volume is smaller than 1 MiB"},
        {exfatboot::kFatOffset, 4, 10, "its FAT lies outside the FAT region"},
        {exfatboot::kFatLength, 4, 1, "its FAT is too short for its clusters"},
        {exfatboot::kClusterCount, 4, 0xE01, "its cluster heap lies past the end of the volume"},
        {exfatboot::kRootCluster, 4, 1, "its root directory lies outside the cluster heap"},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.reason);
        std::vector<uint8_t> boot(original.begin(), original.begin() + 512);
        for (int i = 0; i < e.width; ++i) boot[e.offset + i] = static_cast<uint8_t>(e.value >> (8 * i));
        ExFatBootFields f;
        f.clusterCount = 7;
        const char* why = nullptr;
        EXPECT_EQ(DecodeExFatBootSector(ByteView(boot.data(), boot.size()), f, &why), kErrorInvalidParameter);
        ASSERT_NE(why, nullptr);
        EXPECT_STREQ(why, e.reason);
        EXPECT_EQ(f.clusterCount, 0u);
    }
}

// A card whose first sector was overwritten is still read through its backup boot region, and
// the probe names it exFAT; one whose both regions are gone is named exFAT with a reason.
TEST(ExFatBootSector, BackupRegionStandsInForADamagedMainOne) {
    auto image = readImage("exfat-512-c4k.img");
    image.resize(kProbeSize);
    ExFatBootFields main, chosen;
    ASSERT_EQ(DecodeExFatBootSector(ByteView(image.data(), image.size()), main), 0);
    EXPECT_EQ(ExamineFileSystem(ByteView(image.data(), image.size())).kind, FileSystemKind::ExFat);
    EXPECT_TRUE(ExamineFileSystem(ByteView(image.data(), image.size())).usable());

    // A changed byte the checksum covers: the main region no longer checks, the backup does.
    image[0x80] ^= 0xFF;
    bool backup = false;
    ASSERT_EQ(ChooseExFatBootSector(ByteView(image.data(), image.size()), chosen, &backup), 0);
    EXPECT_TRUE(backup);
    EXPECT_EQ(chosen.clusterCount, main.clusterCount);
    std::memset(image.data(), 0, 512);
    EXPECT_TRUE(ExamineFileSystem(ByteView(image.data(), image.size())).usable());

    std::memset(image.data() + 12 * 512, 0, 512);
    EXPECT_EQ(ExamineFileSystem(ByteView(image.data(), image.size())).kind, FileSystemKind::Unknown);
    std::memcpy(image.data() + 12 * 512 + exfatboot::kFileSystemName, "EXFAT   ", 8);
    image[12 * 512 + 0x1FE] = 0x55;
    image[12 * 512 + 0x1FF] = 0xAA;
    const ProbeVerdict named = ExamineFileSystem(ByteView(image.data(), image.size()));
    EXPECT_EQ(named.kind, FileSystemKind::ExFat);
    EXPECT_FALSE(named.usable());
    EXPECT_FALSE(named.problem.empty());
}

}  // namespace
}  // namespace qm

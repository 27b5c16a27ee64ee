#include <gtest/gtest.h>

#include <numeric>

#include "disk/sector_reader.h"
#include "platform/errors.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

// An image whose every byte tells its own offset, so a read can be checked for position.
std::vector<uint8_t> patternImage(size_t sectors) {
    std::vector<uint8_t> bytes(sectors * 512);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i / 512) * 7 + i % 251);
    return bytes;
}

class SectorReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        image = patternImage(300);
        image.resize(image.size() + 100);  // a partial last sector is not part of the medium
        path = dir.file(L"image.img");
        test::writeWholeFile(path, image);
        ASSERT_EQ(0, reader.OpenImageFile(path));
    }
    test::TempDir dir;
    std::wstring path;
    std::vector<uint8_t> image;
    SectorReader reader;
};

TEST_F(SectorReaderTest, ImageSizeInWholeSectors) {
    EXPECT_EQ(300u, reader.totalSectors);
    EXPECT_TRUE(reader.IsOpen());
    reader.Close();
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(0u, reader.totalSectors);
    reader.Close();  // closing twice is harmless
}

TEST_F(SectorReaderTest, LastSectorReadsOneMoreIsRefused) {
    std::vector<uint8_t> buffer(512 * 2, 0xEE);
    uint32_t got = 99;
    EXPECT_EQ(0, reader.ReadSectors(2, buffer.data(), 298, 512, got));
    EXPECT_EQ(2u, got);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), image.begin() + 298 * 512));

    got = 99;
    EXPECT_EQ(kErrorInvalidParameter, reader.ReadSectors(2, buffer.data(), 299, 512, got));
    EXPECT_EQ(0u, got);
    EXPECT_EQ(kErrorInvalidParameter, reader.ReadSectors(1, buffer.data(), 300, 512, got));
    // A first sector near 2^64 must not wrap around the bounds check.
    EXPECT_EQ(kErrorInvalidParameter, reader.ReadSectors(2, buffer.data(), UINT64_MAX, 512, got));
    EXPECT_EQ(kErrorInvalidParameter, reader.ReadSectors(1, buffer.data(), 0, 0, got));
}

TEST_F(SectorReaderTest, LargeReadsArriveWholeAcrossPieces) {
    // 300 sectors = 150 KiB: three 64 KiB pieces, the last one partial.
    std::vector<uint8_t> buffer(300 * 512);
    uint32_t got = 0;
    ASSERT_EQ(0, reader.ReadSectors(300, buffer.data(), 0, 512, got));
    EXPECT_EQ(300u, got);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), image.begin()));
}

TEST_F(SectorReaderTest, LargerSectorSizeAddressesBytesBySectorTimesSize) {
    std::vector<uint8_t> buffer(4096);
    uint32_t got = 0;
    // totalSectors counts 512-byte units; with 4096-byte sectors, sector 3 is byte 12288.
    ASSERT_EQ(0, reader.ReadSectors(1, buffer.data(), 3, 4096, got));
    EXPECT_EQ(1u, got);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), image.begin() + 3 * 4096));
}

TEST_F(SectorReaderTest, ShortReadReportsReadFaultAndWholeSectors) {
    // 4096-byte sectors: sector 37 would end at byte 155648, past the file's 153700 bytes,
    // although the 512-byte count lets the request through.
    std::vector<uint8_t> buffer(2 * 4096);
    uint32_t got = 0;
    EXPECT_EQ(kErrorReadFault, reader.ReadSectors(2, buffer.data(), 36, 4096, got));
    // 153700 - 36*4096 = 6244 bytes arrived: one whole sector.
    EXPECT_EQ(1u, got);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 4096, image.begin() + 36 * 4096));
}

TEST(SectorReader, OpenFailuresReturnTheErrorNumber) {
    SectorReader reader;
    test::TempDir dir;
    EXPECT_EQ(kErrorFileNotFound, reader.OpenImageFile(dir.file(L"missing.img")));
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_NE(0, reader.OpenImageFile(dir.path()));  // a folder is no image
    uint32_t got = 0;
    uint8_t buffer[512];
    EXPECT_EQ(kErrorInvalidParameter, reader.ReadSectors(1, buffer, 0, 512, got));
    EXPECT_NE(0, reader.OpenDisk(9999));
}

TEST(SectorReader, QuerySectorSizeOfAFileIsTheDefault) {
    test::TempDir dir;
    test::writeWholeFile(dir.file(L"x.img"), std::vector<uint8_t>(4096, 1));
    platform::File f;
    ASSERT_EQ(0, f.open(dir.file(L"x.img"), platform::OpenMode::ReadExisting));
    EXPECT_EQ(512u, QuerySectorSize(f));
    platform::File closed;
    EXPECT_EQ(512u, QuerySectorSize(closed));
}

}  // namespace
}  // namespace qm

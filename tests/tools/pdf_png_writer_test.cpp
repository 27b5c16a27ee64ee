// The PNG writer: decoded again with zlib, the file gives back the pixels it was given.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pdf_render/png_writer.h"

namespace qm::pdf {
namespace {

uint32_t bigEndian(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

TEST(PngWriter, RoundTripsPixelsThroughZlib) {
    const int width = 3, height = 2;
    const uint32_t pixels[] = {0xFFFFFF, 0x102030, 0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    const std::vector<uint8_t> png = EncodePng(pixels, width, height);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    std::vector<uint8_t> idat;
    std::vector<std::string> chunks;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = bigEndian(png, at);
        ASSERT_LE(at + 12 + length, png.size());
        chunks.emplace_back(png.begin() + at + 4, png.begin() + at + 8);
        EXPECT_EQ(crc32(0, png.data() + at + 4, length + 4), bigEndian(png, at + 8 + length));
        if (chunks.back() == "IHDR") {
            EXPECT_EQ(bigEndian(png, at + 8), uint32_t(width));
            EXPECT_EQ(bigEndian(png, at + 12), uint32_t(height));
            EXPECT_EQ(png[at + 16], 8);  // bits per sample
            EXPECT_EQ(png[at + 17], 2);  // RGB
        }
        if (chunks.back() == "IDAT") idat.insert(idat.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
        at += 12 + length;
    }
    EXPECT_EQ(chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    std::vector<uint8_t> raw(height * (1 + width * 3));
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize, idat.data(), idat.size()), Z_OK);
    ASSERT_EQ(rawSize, raw.size());
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = raw.data() + y * (1 + width * 3);
        ASSERT_EQ(row[0], 1);  // Sub filter: each sample is stored as the difference to its left neighbour
        uint8_t left[3] = {0, 0, 0};
        for (int x = 0; x < width; ++x) {
            for (int k = 0; k < 3; ++k) left[k] = static_cast<uint8_t>(left[k] + row[1 + 3 * x + k]);
            const uint32_t decoded = (uint32_t{left[0]} << 16) | (uint32_t{left[1]} << 8) | left[2];
            EXPECT_EQ(decoded, pixels[y * width + x]) << x << "," << y;
        }
    }
    EXPECT_TRUE(EncodePng(pixels, 0, 2).empty());
}

}  // namespace
}  // namespace qm::pdf

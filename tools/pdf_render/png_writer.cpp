#include "tools/pdf_render/png_writer.h"

#include <zlib.h>

#include <cstring>

namespace qm::pdf {

namespace {

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void appendChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
    putBigEndian(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::vector<uint8_t> EncodePng(const uint32_t* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0 || width > 16384 || height > 16384) return {};
    // Each row: filter "Sub" (1), which suits the flat areas of a page, then RGB triples.
    const size_t rowBytes = static_cast<size_t>(width) * 3 + 1;
    std::vector<uint8_t> raw(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        uint8_t* row = raw.data() + rowBytes * static_cast<size_t>(y);
        row[0] = 1;
        uint8_t previous[3] = {0, 0, 0};
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            const uint8_t rgb[3] = {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
            for (int k = 0; k < 3; ++k) {
                row[1 + 3 * x + k] = static_cast<uint8_t>(rgb[k] - previous[k]);
                previous[k] = rgb[k];
            }
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return {};
    packed.resize(packedSize);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, adaptive filtering, no interlace
    appendChunk(out, "IHDR", header);
    appendChunk(out, "IDAT", packed);
    appendChunk(out, "IEND", {});
    return out;
}

}  // namespace qm::pdf

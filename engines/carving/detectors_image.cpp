#include "engines/carving/carve_context.h"
#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

int DetectGif(CarveContext&, ByteView b) {
    if (b.size() < 8 || !HasText(b, 0, "GIF")) return kTypeNoMatch;
    const uint8_t letter = b.u8(5);
    return IsDigit(b.u8(3)) && IsDigit(b.u8(4)) && letter >= 'a' && letter <= 'z' ? kTypeGif : kTypeNoMatch;
}

// Every header size the bitmap format has had: OS/2 1.x and 2.x, Windows 3 with its Adobe
// extensions, and the V4/V5 headers today's editors write.
bool KnownBitmapHeaderSize(uint32_t size) {
    switch (size) {
        case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124: return true;
        default: return false;
    }
}

int DetectBmp(CarveContext&, ByteView b) {
    if (b.size() < 40 || !(HasText(b, 0, "BM") || HasText(b, 0, "BA"))) return kTypeNoMatch;
    if (b.u16(6) != 0 || b.u16(8) != 0) return kTypeNoMatch;
    const uint32_t header = b.u32(14);
    if (!KnownBitmapHeaderSize(header)) return kTypeNoMatch;
    // The pixels start after the headers; a stated file size (0 is allowed) must hold them.
    const uint32_t pixels = b.u32(10), fileSize = b.u32(2);
    if (pixels < 14 + header || (fileSize != 0 && pixels > fileSize)) return kTypeNoMatch;
    return kTypeBmp;
}

// The shortest segment each marker that may open a JPEG can have (length field included);
// 0 for markers that cannot open one.
uint32_t ShortestOpeningSegment(uint8_t marker) {
    if (marker >= 0xE0 && marker <= 0xEF) return 2;  // APPn: JFIF, Exif, ICC, Adobe, ...
    switch (marker) {
        case 0xDB: return 67;  // one 8-bit quantisation table
        case 0xC4: return 19;  // one Huffman table with its 16 counts
        case 0xDD: return 4;   // restart interval
        case 0xFE: return 2;   // comment
        case 0xC8: case 0xCC: return 0;  // reserved, arithmetic conditioning
        default: return marker >= 0xC0 && marker <= 0xCF ? 11 : 0;  // SOFn with one component
    }
}

// SOI followed by a segment that can open a JPEG: encoders and editors start with APP0/APP1,
// but also with a quantisation table, ICC or Adobe data, or a comment.
int DetectJpeg(CarveContext&, ByteView b) {
    if (b.size() < 16 || !HasText(b, 0, "\xFF\xD8\xFF")) return kTypeNoMatch;
    const uint8_t marker = b.u8(3);
    const uint32_t shortest = ShortestOpeningSegment(marker);
    const uint32_t length = BigEndian16(b, 4);
    if (shortest == 0 || length < shortest || (marker == 0xDD && length != 4)) return kTypeNoMatch;
    return kTypeJpg;
}

int DetectPng(CarveContext&, ByteView b) {
    return b.size() >= 8 && HasText(b, 0, "\x89PNG\x0D\x0A\x1A\x0A") ? kTypePng : kTypeNoMatch;
}

int DetectPhotoshop(CarveContext&, ByteView b) {
    return b.size() >= 40 && HasText(b, 0, "8BPS") ? kTypePsd : kTypeNoMatch;
}

int DetectTiff(CarveContext&, ByteView b) {
    if (b.size() < 4) return kTypeNoMatch;
    // Classic TIFF and BigTIFF, in both byte orders.
    return HasText(b, 0, "MM\x00\x2A") || HasText(b, 0, "II\x2A\x00") || HasText(b, 0, "MM\x00\x2B") ||
                   HasText(b, 0, "II\x2B\x00")
               ? kTypeTif
               : kTypeNoMatch;
}

// The directory entries must describe images laid out back to back right after it.
int DetectIcon(CarveContext&, ByteView b) {
    if (b.size() < 16 || !HasText(b, 0, "\x00\x00\x01\x00")) return kTypeNoMatch;
    const uint32_t count = b.u16(4);
    if (count == 0 || b.size() < 16ull * count + 6) return kTypeNoMatch;
    uint64_t running = 16ull * count + 6;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * static_cast<size_t>(i);
        if (b.u8(entry + 3) != 0 || b.u32(entry + 12) != running) return kTypeNoMatch;
        running += b.u32(entry + 8);
    }
    return kTypeIco;
}

// A font whose first table is not 'head' still proves itself by its directory: the binary
// search fields agree with the count, and the records name printable tags in ascending order
// with data after the directory.
bool HasFontTableDirectory(ByteView b, uint32_t count) {
    uint32_t power = 1, log2 = 0;
    while (power * 2 <= count) power *= 2, ++log2;
    if (BigEndian16(b, 6) != power * 16 || BigEndian16(b, 8) != log2 || BigEndian16(b, 10) != count * 16 - power * 16)
        return false;
    const uint64_t directoryEnd = 12 + 16ull * count;
    uint32_t previous = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t record = 12 + 16 * static_cast<size_t>(i);
        const uint32_t tag = BigEndian32(b, record);
        for (int shift = 0; shift < 32; shift += 8) {
            const uint8_t c = static_cast<uint8_t>(tag >> shift);
            if (c < 0x20 || c > 0x7E) return false;
        }
        if (i > 0 && tag <= previous) return false;
        if (BigEndian32(b, record + 8) < directoryEnd) return false;
        previous = tag;
    }
    return true;
}

int DetectTrueType(CarveContext&, ByteView b) {
    if (b.size() < 16 || !HasText(b, 0, "\x00\x01\x00\x00")) return kTypeNoMatch;
    const uint32_t count = BigEndian16(b, 4);
    if (count == 0 || b.size() < 16ull * count + 16) return kTypeNoMatch;
    const bool searchFieldsSet = BigEndian16(b, 6) != 0 && BigEndian16(b, 8) != 0 && BigEndian16(b, 10) != 0;
    if (searchFieldsSet && HasText(b, 16 * static_cast<size_t>(count) + 12, "\x00\x01\x00\x00")) return kTypeTtf;
    return HasFontTableDirectory(b, count) ? kTypeTtf : kTypeNoMatch;
}

// OpenType: PostScript outlines behind their own tag, or TrueType outlines (which the ttf
// rows before this one name when carving; a file system's .otf file of that kind passes too).
int DetectOpenType(CarveContext&, ByteView b) {
    if (b.size() < 16 || !(HasText(b, 0, "OTTO") || HasText(b, 0, "\x00\x01\x00\x00"))) return kTypeNoMatch;
    const uint32_t count = BigEndian16(b, 4);
    if (count == 0 || b.size() < 16ull * count + 16) return kTypeNoMatch;
    return HasFontTableDirectory(b, count) ? kTypeOtf : kTypeNoMatch;
}

}  // namespace

const Detector kGifDetector{"GIF", DetectGif, {{0, 'G'}}, 1, false};
const Detector kBmpDetector{"BMP", DetectBmp, {{0, 'B'}}, 1, false};
const Detector kJpegDetector{"JPEG", DetectJpeg, {{0, 0xFF}}, 1, false};
const Detector kPngDetector{"PNG", DetectPng, {{0, 0x89}}, 1, false};
const Detector kPhotoshopDetector{"Photoshop", DetectPhotoshop, {{0, '8'}}, 1, false};
const Detector kTiffDetector{"TIFF", DetectTiff, {{0, 'M'}, {0, 'I'}}, 2, false};
const Detector kIconDetector{"icon directory", DetectIcon, {{0, 0x00}}, 1, false};
const Detector kTrueTypeDetector{"TrueType", DetectTrueType, {{0, 0x00}}, 1, false};
const Detector kOpenTypeDetector{"OpenType", DetectOpenType, {{0, 'O'}, {0, 0x00}}, 2, false};

}  // namespace qm

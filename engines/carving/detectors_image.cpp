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

int DetectBmp(CarveContext&, ByteView b) {
    if (b.size() < 40 || !(HasText(b, 0, "BM") || HasText(b, 0, "BA"))) return kTypeNoMatch;
    return b.u16(6) == 0 && b.u16(8) == 0 && b.u32(14) == 40 ? kTypeBmp : kTypeNoMatch;
}

int DetectJpeg(CarveContext&, ByteView b) {
    if (b.size() < 16) return kTypeNoMatch;
    if (HasText(b, 0, "\xFF\xD8\xFF\xE0") && HasText(b, 6, "JFIF")) return kTypeJpg;
    if (HasText(b, 0, "\xFF\xD8\xFF\xE1") && HasText(b, 6, "Exif")) return kTypeJpg;
    return kTypeNoMatch;
}

int DetectPng(CarveContext&, ByteView b) {
    return b.size() >= 8 && HasText(b, 0, "\x89PNG\x0D\x0A\x1A\x0A") ? kTypePng : kTypeNoMatch;
}

int DetectPhotoshop(CarveContext&, ByteView b) {
    return b.size() >= 40 && HasText(b, 0, "8BPS") ? kTypePsd : kTypeNoMatch;
}

int DetectTiff(CarveContext&, ByteView b) {
    if (b.size() < 4) return kTypeNoMatch;
    return HasText(b, 0, "MM\x00\x2A") || HasText(b, 0, "II\x2A\x00") ? kTypeTif : kTypeNoMatch;
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

int DetectTrueType(CarveContext&, ByteView b) {
    if (b.size() < 16 || !HasText(b, 0, "\x00\x01\x00\x00")) return kTypeNoMatch;
    const uint32_t count = BigEndian16(b, 4);
    if (count == 0 || BigEndian16(b, 6) == 0 || BigEndian16(b, 8) == 0 || BigEndian16(b, 10) == 0)
        return kTypeNoMatch;
    if (b.size() < 16ull * count + 16) return kTypeNoMatch;
    return HasText(b, 16 * static_cast<size_t>(count) + 12, "\x00\x01\x00\x00") ? kTypeTtf : kTypeNoMatch;
}

}  // namespace

const Detector kGifDetector{"GIF", DetectGif, {{0, 'G'}}, 1, false};
const Detector kBmpDetector{"BMP", DetectBmp, {{0, 'B'}}, 1, false};
const Detector kJpegDetector{"JPEG JFIF/Exif", DetectJpeg, {{0, 0xFF}}, 1, false};
const Detector kPngDetector{"PNG", DetectPng, {{0, 0x89}}, 1, false};
const Detector kPhotoshopDetector{"Photoshop", DetectPhotoshop, {{0, '8'}}, 1, false};
const Detector kTiffDetector{"TIFF", DetectTiff, {{0, 'M'}, {0, 'I'}}, 2, false};
const Detector kIconDetector{"icon directory", DetectIcon, {{0, 0x00}}, 1, false};
const Detector kTrueTypeDetector{"TrueType", DetectTrueType, {{0, 0x00}}, 1, false};

}  // namespace qm

#include "engines/carving/carve_context.h"
#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_packages.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

int DetectZip(CarveContext&, ByteView b) { return b.size() >= 48 && HasText(b, 0, "PK\x03\x04") ? kTypeZip : kTypeNoMatch; }

int DetectGzip(CarveContext&, ByteView b) {
    if (b.size() < 16 || !HasText(b, 0, "\x1F\x8B\x08")) return kTypeNoMatch;
    const uint8_t flags = b.u8(3);
    const uint8_t extra = b.u8(8);
    const uint8_t os = b.u8(9);
    // Extra flags 0 ("no level given") are what many libraries write; the member walk inflates the
    // data before it trusts the match.
    return (flags == 0 || flags == 8) && (extra == 0 || extra == 2 || extra == 4) && (os < 14 || os == 0xFF)
               ? kTypeGz
               : kTypeNoMatch;
}

int Detect7z(CarveContext&, ByteView b) {
    return b.size() >= 2 && HasText(b, 0, "7z\xBC\xAF\x27") ? kType7z : kTypeNoMatch;
}

// Versions 1.5 to 4 and version 5 differ in the byte after the common signature.
int DetectRar(CarveContext&, ByteView b) {
    return HasText(b, 0, "Rar!\x1A\x07\x00") || HasText(b, 0, "Rar!\x1A\x07\x01\x00") ? kTypeRar : kTypeNoMatch;
}

// "BZh", the block size digit, then the first block's mark or, for an empty stream, the end mark.
int DetectBzip2(CarveContext&, ByteView b) {
    if (b.size() < 10 || !HasText(b, 0, "BZh") || b.u8(3) < '1' || b.u8(3) > '9') return kTypeNoMatch;
    return HasText(b, 4, "\x31\x41\x59\x26\x53\x59") || HasText(b, 4, "\x17\x72\x45\x38\x50\x90") ? kTypeBz2
                                                                                                 : kTypeNoMatch;
}

int DetectCabinet(CarveContext&, ByteView b) { return b.size() >= 36 && HasText(b, 0, "MSCF") ? kTypeCab : kTypeNoMatch; }

}  // namespace

const Detector kZipDetector{"ZIP local header", DetectZip, {{0, 'P'}}, 1, false};
const Detector kGzipDetector{"gzip", DetectGzip, {{0, 0x1F}}, 1, false};
const Detector k7zDetector{"7z", Detect7z, {{0, '7'}}, 1, false};
const Detector kRarDetector{"RAR", DetectRar, {{0, 'R'}}, 1, false};
const Detector kCabinetDetector{"cabinet", DetectCabinet, {{0, 'M'}}, 1, false};
const Detector kBzip2Detector{"bzip2", DetectBzip2, {{0, 'B'}}, 1, false};

}  // namespace qm

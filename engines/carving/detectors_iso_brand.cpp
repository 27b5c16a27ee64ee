// ISO media files told apart by their ftyp brands. A generic major brand (the HEIF image
// and sequence brands, the iso and mp4 ones) says little, so the compatible brands decide then.
#include "engines/carving/carve_context.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_pictures.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

constexpr size_t kMaxCompatibleBrands = 64;

struct Brand {
    char name[5];
    int code;
};

constexpr Brand kBrands[] = {
    {"heic", kTypeHeic}, {"heix", kTypeHeic}, {"hevc", kTypeHeic}, {"hevx", kTypeHeic}, {"heim", kTypeHeic},
    {"heis", kTypeHeic}, {"avif", kTypeAvif}, {"avis", kTypeAvif}, {"crx ", kTypeCr3},  {"M4A ", kTypeM4a},
    {"M4B ", kTypeM4a},  {"M4P ", kTypeM4a},  {"M4V ", kTypeM4v}, {"M4VH", kTypeM4v}, {"M4VP", kTypeM4v},
};

int CodeOfBrand(ByteView b, size_t at) {
    for (const Brand& brand : kBrands)
        if (b.equals(at, brand.name, 4)) return brand.code;
    return kTypeNoMatch;
}

int DetectIsoBrand(CarveContext&, ByteView b) {
    if (b.size() < 16 || !HasText(b, 4, "ftyp")) return kTypeNoMatch;
    const int major = CodeOfBrand(b, 8);
    if (major != kTypeNoMatch) return major;
    const bool heif = HasText(b, 8, "mif1") || HasText(b, 8, "msf1");
    if (!heif && !HasText(b, 8, "iso") && !HasText(b, 8, "mp41") && !HasText(b, 8, "mp42")) return kTypeNoMatch;

    // The compatible brands follow the minor version, up to the box's end.
    const uint32_t boxSize = BigEndian32(b, 0);
    if (boxSize < 16) return kTypeNoMatch;
    int found = kTypeNoMatch;
    for (size_t i = 0, at = 16; i < kMaxCompatibleBrands && at + 4 <= boxSize && b.has(at, 4); ++i, at += 4) {
        const int code = CodeOfBrand(b, at);
        if (code == kTypeAvif) return kTypeAvif;  // an AVIF file lists the generic HEIF brands too
        if (found == kTypeNoMatch) found = code;
    }
    if (heif) return kTypeHeic;
    return found;
}

}  // namespace

const Detector kIsoBrandDetector{"ISO media ftyp (HEIF, AVIF, CR3, M4A, M4V)", DetectIsoBrand, {{4, 'f'}}, 1, false};

}  // namespace qm

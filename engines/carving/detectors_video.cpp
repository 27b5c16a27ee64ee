#include "engines/carving/carve_context.h"
#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

// A start code must lie wholly in the first 32 bytes.
bool HasStartCodeIn32(ByteView b, char code) {
    const char pattern[4] = {0, 0, 1, code};
    for (size_t i = 0; i + 4 <= 32; ++i)
        if (b.equals(i, pattern, 4)) return true;
    return false;
}

int DetectMpegStream(CarveContext&, ByteView b) {
    if (b.size() < 16) return kTypeNoMatch;
    if (HasText(b, 0, "\x00\x00\x01\xBA") && HasStartCodeIn32(b, '\xBB')) return kTypeMpeg;
    if (HasText(b, 0, "\x00\x00\x01\xB3") && HasStartCodeIn32(b, '\xB8')) return kTypeMpeg;
    return kTypeNoMatch;
}

int DetectIsoMedia(CarveContext&, ByteView b) {
    if (b.size() < 32 || !HasText(b, 4, "ftyp")) return kTypeNoMatch;
    return HasText(b, 8, "iso") || HasText(b, 8, "mp42") ? kTypeMp4 : kTypeNoMatch;
}

int DetectIsoMedia3gp(CarveContext&, ByteView b) {
    if (b.size() < 32) return kTypeNoMatch;
    return HasText(b, 4, "ftyp") && HasText(b, 8, "3gp") ? kType3gp : kTypeNoMatch;
}

int DetectQuickTime(CarveContext&, ByteView b) {
    if (b.size() < 16) return kTypeNoMatch;
    if (HasText(b, 0, "moov") || (HasText(b, 4, "ftyp") && HasText(b, 8, "qt  "))) return kTypeMov;
    return kTypeNoMatch;
}

int DetectRealMedia(CarveContext&, ByteView b) {
    return b.size() >= 4 && HasText(b, 0, ".RMF") ? kTypeRmvb : kTypeNoMatch;
}

int DetectAsf(CarveContext&, ByteView b) {
    if (b.size() < 24) return kTypeNoMatch;
    return HasText(b, 0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C") ? kTypeWmv : kTypeNoMatch;
}

int DetectFlashMovie(CarveContext&, ByteView b) {
    if (b.size() < 8) return kTypeNoMatch;
    const uint8_t version = b.u8(3);
    if (HasText(b, 0, "CWS") && version >= 6 && version <= 15) return kTypeSwf;
    if (HasText(b, 0, "FWS") && version < 6) return kTypeSwf;
    return kTypeNoMatch;
}

int DetectRiffAvi(CarveContext&, ByteView b) {
    if (b.size() < 16) return kTypeNoMatch;
    return HasText(b, 0, "RIFF") && HasText(b, 8, "AVI ") && HasText(b, 12, "LIST") ? kTypeAvi : kTypeNoMatch;
}

int DetectFlashVideo(CarveContext&, ByteView b) {
    if (b.size() < 16) return kTypeNoMatch;
    return HasText(b, 0, "FLV") && b.u8(3) == 1 && HasText(b, 5, "\x00\x00\x00\x09") ? kTypeFlv : kTypeNoMatch;
}

int DetectMatroska(CarveContext&, ByteView b) {
    return b.size() >= 16 && HasText(b, 0, "\x1A\x45\xDF\xA3") ? kTypeMkv : kTypeNoMatch;
}

int DetectAvchd(CarveContext& ctx, ByteView b) {
    if (b.size() < 16 || !HasText(b, 8, "\x00\x00\xB0\x11\x00\x00\xC1\x00")) return kTypeNoMatch;
    // A sector inside a stream already carved carries a non-zero packet timestamp.
    if (b.u32(0) != 0 && ctx.previousWasAvchd) return kTypeNoMatch;
    return kTypeMts;
}

int DetectMxf(CarveContext&, ByteView b) {
    if (b.size() < 16) return kTypeNoMatch;
    return HasText(b, 0, "\x06\x0E\x2B\x34\x02\x05\x01\x01\x0D\x01\x02\x01\x01\x02\x04\x00") ? kTypeMxf : kTypeNoMatch;
}

}  // namespace

const Detector kMpegStreamDetector{"MPEG program/video stream", DetectMpegStream, {{0, 0x00}}, 1, false};
const Detector kIsoMediaDetector{"ISO media ftyp (iso / mp42)", DetectIsoMedia, {{4, 'f'}}, 1, false};
const Detector kIsoMedia3gpDetector{"ISO media ftyp 3gp", DetectIsoMedia3gp, {{4, 'f'}}, 1, false};
const Detector kQuickTimeDetector{"QuickTime moov / ftyp qt", DetectQuickTime, {{0, 'm'}, {4, 'f'}}, 2, false};
const Detector kRealMediaDetector{"RealMedia", DetectRealMedia, {{0, '.'}}, 1, false};
const Detector kAsfDetector{"ASF header GUID", DetectAsf, {{0, 0x30}}, 1, false};
const Detector kFlashMovieDetector{"Flash movie", DetectFlashMovie, {{0, 'C'}, {0, 'F'}}, 2, false};
const Detector kRiffAviDetector{"RIFF AVI", DetectRiffAvi, {{0, 'R'}}, 1, false};
const Detector kFlashVideoDetector{"Flash video", DetectFlashVideo, {{0, 'F'}}, 1, false};
const Detector kMatroskaDetector{"Matroska", DetectMatroska, {{0, 0x1A}}, 1, false};
const Detector kAvchdDetector{"AVCHD transport stream", DetectAvchd, {{10, 0xB0}}, 1, false};
const Detector kMxfDetector{"MXF partition key", DetectMxf, {{0, 0x06}}, 1, false};

}  // namespace qm

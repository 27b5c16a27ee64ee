#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

// "fLaC", then a STREAMINFO block of 34 bytes whose block sizes and sample rate are possible.
int DetectFlac(CarveContext&, ByteView b) {
    if (!HasText(b, 0, "fLaC") || (b.u8(4) & 0x7F) != 0 || !HasText(b, 5, "\x00\x00\x22") || !b.has(8, 34))
        return kTypeNoMatch;
    const uint32_t minBlock = BigEndian16(b, 8);
    const uint32_t maxBlock = BigEndian16(b, 10);
    const uint32_t rate = BigEndian32(b, 18) >> 12;
    return minBlock >= 16 && maxBlock >= minBlock && rate != 0 ? kTypeFlac : kTypeNoMatch;
}

}  // namespace

const Detector kFlacDetector{"FLAC stream", DetectFlac, {{0, 'f'}}, 1, false};

}  // namespace qm

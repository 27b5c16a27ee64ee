#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

constexpr size_t kPageHeader = 27;

// The first page of a file: it begins a stream, is numbered 0 and passes its CRC, which keeps
// chance "OggS" bytes away. Its first packet names the codec.
int DetectOgg(CarveContext&, ByteView b) {
    if (!HasText(b, 0, "OggS") || b.u8(4) != 0 || (b.u8(5) & ~4u) != 0x02 || b.u32(18) != 0) return kTypeNoMatch;
    const size_t segments = b.u8(26);
    size_t body = 0;
    for (size_t i = 0; i < segments; ++i) body += b.u8(kPageHeader + i);
    const size_t packet = kPageHeader + segments;
    if (segments == 0 || !b.has(packet, body)) return kTypeNoMatch;
    uint8_t zeros[4] = {};
    uint32_t crc = OggCrc(0, b.sub(0, 22));
    crc = OggCrc(crc, ByteView(zeros, 4));
    crc = OggCrc(crc, b.sub(26, packet + body - 26));
    if (crc != b.u32(22)) return kTypeNoMatch;
    if (HasText(b, packet, "OpusHead")) return kTypeOpus;
    if (HasText(b, packet, "\x80theora")) return kTypeOgv;
    return kTypeOgg;  // Vorbis, FLAC, Speex and the rest
}

}  // namespace

const Detector kOggDetector{"Ogg first page", DetectOgg, {{0, 'O'}}, 1, false};

}  // namespace qm

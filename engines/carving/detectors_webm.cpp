#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

constexpr size_t kMaxHeaderChildren = 32;

// An EBML variable-length number at `at`; its length comes from the first byte's leading zeros.
bool ReadVarint(ByteView b, size_t& at, bool keepMarker, uint64_t& value) {
    const uint8_t lead = b.u8(at);
    size_t length = 1;
    while (length <= 8 && (lead & (0x80 >> (length - 1))) == 0) ++length;
    if (length > 8 || !b.has(at, length)) return false;
    value = 0;
    for (size_t i = 0; i < length; ++i) value = (value << 8) | b.u8(at + i);
    if (!keepMarker) value &= (1ull << (7 * length)) - 1;
    at += length;
    return true;
}

// Matroska whose EBML header names the "webm" document type.
int DetectWebm(CarveContext&, ByteView b) {
    if (!HasText(b, 0, "\x1A\x45\xDF\xA3")) return kTypeNoMatch;
    size_t at = 4;
    uint64_t headerSize = 0;
    if (!ReadVarint(b, at, false, headerSize) || headerSize > b.size() - at) return kTypeNoMatch;
    const size_t end = at + static_cast<size_t>(headerSize);
    for (size_t children = 0; children < kMaxHeaderChildren && at < end; ++children) {
        uint64_t id = 0, size = 0;
        if (!ReadVarint(b, at, true, id) || !ReadVarint(b, at, false, size) || at > end || size > end - at)
            return kTypeNoMatch;
        if (id == 0x4282) return size == 4 && HasText(b, at, "webm") ? kTypeWebm : kTypeNoMatch;
        at += static_cast<size_t>(size);
    }
    return kTypeNoMatch;
}

}  // namespace

const Detector kWebmDetector{"WebM EBML header", DetectWebm, {{0, 0x1A}}, 1, false};

}  // namespace qm

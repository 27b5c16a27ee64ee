// A 7z archive ends with the header its start header points to: the start header holds that
// header's offset, size and CRC-32, and a CRC-32 of its own over them.
#include "engines/carving/file_window.h"
#include "engines/carving/formats_packages.h"
#include "engines/carving/measures.h"
#include "engines/carving/signature_bytes.h"
#include "engines/carving/window_crc32.h"

namespace qm {

using namespace carving;
namespace {

// The start header: signature, version, its CRC-32 of the next 20 bytes, and where the
// closing header lies and how long it is.
uint64_t Walk7zHeaders(FileWindow& window, ByteView) {
    const ByteView h = window.Bytes(0, 32);
    if (h.size() != 32 || !HasText(h, 0, "7z\xBC\xAF\x27\x1C") || h.u8(6) != 0) return 0;
    const uint32_t startCrc = h.u32(8);
    const uint64_t offset = h.u64(12);
    const uint64_t size = h.u64(20);
    const uint32_t headerCrc = h.u32(28);
    uint32_t crc = 0;
    if (!WindowCrc32(window, 12, 20, crc) || crc != startCrc) return 0;
    if (size == 0) return offset == 0 ? 32 : 0;  // an empty archive
    if (offset > UINT64_MAX - 32 || size > 16 * kMiB || !window.Holds(32 + offset) ||
        !window.Holds(32 + offset + size))
        return 0;
    const uint8_t kind = window.Bytes(32 + offset, 1).u8(0);
    if (kind != 0x01 && kind != 0x17) return 0;  // a plain or a packed header
    if (!WindowCrc32(window, 32 + offset, size, crc) || crc != headerCrc) return 0;
    return 32 + offset + size;
}

}  // namespace

uint64_t Measure7zHeaders(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 4 * kGiB, Walk7zHeaders, Measure7zEnd);
}

}  // namespace qm

// A RAR archive ends with its end-of-archive block. The walk goes from block to block by
// each header's size and the packed data it announces, checking every header's CRC, so it
// jumps over the packed files without reading them.
#include "engines/carving/file_window.h"
#include "engines/carving/formats_packages.h"
#include "engines/carving/measures.h"
#include "engines/carving/signature_bytes.h"
#include "engines/carving/window_crc32.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kMaxBlocks = 1u << 20;
constexpr uint64_t kMaxHeader5 = 2 * kMiB;

// Version 4: CRC16 (the low half of the CRC-32 from the type on), type, flags, header size,
// and, with flag 0x8000, a 32-bit data size (files and service blocks may widen it to 64).
uint64_t WalkRar4(FileWindow& window, uint64_t at) {
    for (uint32_t blocks = 0; blocks < kMaxBlocks; ++blocks) {
        const ByteView h = window.Bytes(at, 7);
        const uint8_t type = h.u8(2);
        const uint16_t flags = h.u16(3);
        const uint16_t size = h.u16(5);
        const uint16_t stored = h.u16(0);
        if (h.size() != 7 || type < 0x73 || type > 0x7B || size < 7) return 0;
        uint32_t crc = 0;
        if (!WindowCrc32(window, at + 2, size - 2u, crc) || (crc & 0xFFFF) != stored) return 0;
        uint64_t data = 0;
        if (flags & 0x8000) {
            const ByteView fields = window.Bytes(at, size < 36 ? size : 36);
            data = fields.u32(7);
            if ((type == 0x74 || type == 0x7A) && (flags & 0x100)) data |= static_cast<uint64_t>(fields.u32(32)) << 32;
        }
        if (data > UINT64_MAX - at - size || !window.Holds(at + size + data)) return 0;
        at += size + data;
        if (type == 0x7B) return at;
    }
    return 0;
}

// A variable-length integer: seven bits a byte, low first; false when it runs off or is too long.
bool ReadVint(ByteView b, size_t& at, uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (!b.has(at, 1)) return false;
        const uint8_t byte = b.u8(at++);
        value |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return true;
    }
    return false;
}

// Version 5: CRC-32, header size, type, flags, then the extra-area and data sizes the flags
// announce. Encrypted headers cannot be walked.
uint64_t WalkRar5(FileWindow& window, uint64_t at) {
    for (uint32_t blocks = 0; blocks < kMaxBlocks; ++blocks) {
        const ByteView h = window.Bytes(at, window.Available(at, 64));
        size_t i = 4;
        uint64_t headerSize = 0, type = 0, flags = 0, extra = 0, data = 0;
        if (!ReadVint(h, i, headerSize) || headerSize == 0 || headerSize > kMaxHeader5) return 0;
        const uint64_t headerEnd = i + headerSize;
        if (!ReadVint(h, i, type) || !ReadVint(h, i, flags)) return 0;
        if ((flags & 1) && !ReadVint(h, i, extra)) return 0;
        if ((flags & 2) && !ReadVint(h, i, data)) return 0;
        if (type < 1 || type > 5 || type == 4 || i > headerEnd) return 0;
        const uint32_t stored = h.u32(0);
        uint32_t crc = 0;
        if (!WindowCrc32(window, at + 4, headerEnd - 4, crc) || crc != stored) return 0;
        if (data > UINT64_MAX - at - headerEnd || !window.Holds(at + headerEnd + data)) return 0;
        at += headerEnd + data;
        if (type == 5) return at;
    }
    return 0;
}

uint64_t WalkRarBlocks(FileWindow& window, ByteView) {
    const ByteView signature = window.Bytes(0, 8);
    if (HasText(signature, 0, "Rar!\x1A\x07\x00")) return WalkRar4(window, 7);
    if (HasText(signature, 0, "Rar!\x1A\x07\x01\x00")) return WalkRar5(window, 8);
    return 0;
}

}  // namespace

uint64_t MeasureRarBlocks(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 4 * kGiB, WalkRarBlocks, MeasureRarEnd);
}

}  // namespace qm

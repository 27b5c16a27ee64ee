// PNG and GIF end where their own block chains end: a PNG with its IEND chunk, a GIF with
// its trailer byte. Walking the chunks and blocks gives that end whatever bytes follow it in
// its last sector, where the marker rules need zeros.
#include "engines/carving/file_window.h"
#include "engines/carving/formats_pictures.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kMaxChunks = 1u << 20;
constexpr uint32_t kMaxGifBlocks = 1u << 24;

bool IsChunkType(ByteView type) {
    for (size_t i = 0; i < 4; ++i) {
        const uint8_t c = type.u8(i);
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    }
    return true;
}

uint64_t WalkPngChunks(FileWindow& window, ByteView) {
    const ByteView signature = window.Bytes(0, 8);
    if (!signature.equals(0, "\x89PNG\x0D\x0A\x1A\x0A", 8)) return 0;
    uint64_t at = 8;
    for (uint32_t chunks = 0; chunks < kMaxChunks; ++chunks) {
        const ByteView header = window.Bytes(at, 8);
        if (header.size() != 8 || !IsChunkType(header.sub(4, 4))) return 0;
        const uint64_t length = BigEndianN(header, 0, 4);
        if (length > 0x7FFFFFFF) return 0;  // chunk lengths are at most 2^31 - 1
        const uint64_t end = at + 12 + length;
        if (!window.Holds(end)) return 0;
        if (header.equals(4, "IEND", 4)) return length == 0 ? end : 0;
        at = end;
    }
    return 0;
}

// Sub-blocks: a size byte, that many bytes, until a size of 0. The offset after the
// terminator, or 0 when the chain runs out.
uint64_t SkipSubBlocks(FileWindow& window, uint64_t at, uint32_t& budget) {
    for (; budget > 0; --budget) {
        const ByteView size = window.Bytes(at, 1);
        if (size.size() != 1) return 0;
        at += 1 + size.u8(0);
        if (size.u8(0) == 0) return at;
    }
    return 0;
}

uint64_t ColourTableBytes(uint8_t packed) { return (packed & 0x80) ? 3ull << ((packed & 7) + 1) : 0; }

uint64_t WalkGifBlocks(FileWindow& window, ByteView) {
    const ByteView screen = window.Bytes(0, 13);
    if (screen.size() != 13 || !(screen.equals(0, "GIF87a", 6) || screen.equals(0, "GIF89a", 6))) return 0;
    uint64_t at = 13 + ColourTableBytes(screen.u8(10));
    uint32_t budget = kMaxGifBlocks;
    while (budget-- > 0) {
        const ByteView kind = window.Bytes(at, 1);
        if (kind.size() != 1) return 0;
        switch (kind.u8(0)) {
            case 0x3B:
                return at + 1;
            case 0x21: {  // extension: label, then sub-blocks
                at = SkipSubBlocks(window, at + 2, budget);
                break;
            }
            case 0x2C: {  // image: descriptor, local colours, LZW code size, sub-blocks
                const ByteView descriptor = window.Bytes(at, 10);
                if (descriptor.size() != 10) return 0;
                const uint64_t data = at + 10 + ColourTableBytes(descriptor.u8(9));
                const ByteView codeSize = window.Bytes(data, 1);
                if (codeSize.size() != 1 || codeSize.u8(0) < 2 || codeSize.u8(0) > 11) return 0;
                at = SkipSubBlocks(window, data + 1, budget);
                break;
            }
            default:
                return 0;
        }
        if (at == 0) return 0;
    }
    return 0;
}

}  // namespace

uint64_t MeasurePngChunks(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 128 * kMiB, WalkPngChunks, MeasurePngEnd);
}

uint64_t MeasureGifBlocks(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 128 * kMiB, WalkGifBlocks, MeasureGifTrailer);
}

}  // namespace qm

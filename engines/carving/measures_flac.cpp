// A FLAC file is its metadata blocks, then frames. A frame's length would take decoding its
// subframes, so its end is found instead: the CRC-16 over the frame, footer included, comes
// to zero there, and the next frame's header (its own CRC-8 valid, numbered next) starts
// there. The last frame is the one that reaches the sample count STREAMINFO gives; it ends
// where the CRC first comes to zero. A stream without a count ends with the first frame
// after which no next frame follows; a stream cut short ends with its last whole frame.
#include <algorithm>
#include <array>

#include "engines/carving/file_window.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kMaxMetadataBlocks = 4096;
constexpr uint64_t kMaxFrames = 100'000'000;
// The largest frame: 65535 samples of 8 channels at 32 bits, with its headers.
constexpr uint64_t kLargestFrame = 2'200'000;
constexpr size_t kChunk = 4096;
constexpr size_t kLongestHeader = 16;

template <typename T, uint32_t Poly, int Bits>
constexpr std::array<T, 256> MakeCrcTable() {
    std::array<T, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << (Bits - 8);
        for (int bit = 0; bit < 8; ++bit) r = (r & (1u << (Bits - 1))) ? (r << 1) ^ Poly : r << 1;
        table[i] = static_cast<T>(r);
    }
    return table;
}
constexpr auto kCrc8 = MakeCrcTable<uint8_t, 0x07, 8>();
constexpr auto kCrc16 = MakeCrcTable<uint16_t, 0x8005, 16>();

uint16_t Crc16(uint16_t crc, uint8_t byte) {
    return static_cast<uint16_t>((crc << 8) ^ kCrc16[((crc >> 8) ^ byte) & 0xFF]);
}

struct FrameHeader {
    uint64_t number = 0;  // the frame number, or with variable blocking the first sample's
    uint32_t blockSize = 0;
    bool variable = false;
    size_t length = 0;
};

bool DecodeHeader(ByteView h, FrameHeader& out) {
    if (h.u8(0) != 0xFF || (h.u8(1) & 0xFE) != 0xF8) return false;
    out.variable = h.u8(1) & 1;
    const uint32_t sizeCode = h.u8(2) >> 4;
    const uint32_t rateCode = h.u8(2) & 15;
    if (sizeCode == 0 || rateCode == 15 || (h.u8(3) >> 4) > 10 || ((h.u8(3) >> 1) & 7) == 3 || (h.u8(3) & 1))
        return false;
    // The number is coded like UTF-8, up to 36 bits.
    const uint8_t lead = h.u8(4);
    size_t ones = 0;
    while (ones < 8 && (lead & (0x80 >> ones))) ++ones;
    if (ones == 1 || ones == 8 || (!out.variable && ones == 7)) return false;
    const size_t extra = ones ? ones - 1 : 0;
    uint64_t number = lead & (0x7F >> ones);
    for (size_t i = 1; i <= extra; ++i) {
        const uint8_t c = h.u8(4 + i);
        if ((c & 0xC0) != 0x80) return false;
        number = (number << 6) | (c & 0x3F);
    }
    size_t at = 5 + extra;
    if (sizeCode == 1)
        out.blockSize = 192;
    else if (sizeCode <= 5)
        out.blockSize = 576u << (sizeCode - 2);
    else if (sizeCode == 6)
        out.blockSize = h.u8(at++) + 1u;
    else if (sizeCode == 7) {
        out.blockSize = static_cast<uint32_t>(BigEndianN(h, at, 2)) + 1;
        at += 2;
    } else
        out.blockSize = 256u << (sizeCode - 8);
    at += rateCode == 12 ? 1 : rateCode == 13 || rateCode == 14 ? 2 : 0;
    if (!h.has(at, 1)) return false;
    uint8_t crc = 0;
    for (size_t i = 0; i < at; ++i) crc = kCrc8[crc ^ h.u8(i)];
    out.number = number;
    out.length = at + 1;
    return crc == h.u8(at);
}

bool HeaderAt(FileWindow& window, uint64_t at, FrameHeader& out) {
    return DecodeHeader(window.Bytes(at, window.Available(at, kLongestHeader)), out);
}

struct FrameEnd {
    uint64_t end = 0;  // 0: no end found within the frame's reach
    bool final = false;
    FrameHeader next;
};

// Where the frame at `at` ends: the first place, `shortest` bytes or more on, where its CRC
// comes to zero and the frame numbered `nextNumber` starts; for the last frame the first such
// place where its CRC comes to zero. When `mayBeLast`, a frame that no next frame follows
// ends where its CRC first comes to zero.
FrameEnd FindFrameEnd(FileWindow& window, uint64_t at, const FrameHeader& frame, uint64_t shortest, uint64_t reach,
                      bool last, uint64_t nextNumber, bool mayBeLast) {
    FrameEnd result;
    uint64_t firstZero = 0;
    uint16_t crc = 0;
    std::array<uint8_t, kChunk> chunk;
    for (uint64_t x = at; x < at + reach;) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(kChunk, at + reach - x));
        const ByteView view = window.Bytes(x, window.Available(x, wanted));
        if (view.size() == 0) break;
        const size_t got = view.size();
        std::copy(view.data(), view.data() + got, chunk.begin());  // checking a header moves the window
        for (size_t i = 0; i < got; ++i) {
            crc = Crc16(crc, chunk[i]);
            const uint64_t end = x + i + 1;
            if (crc != 0 || end < at + shortest) continue;
            if (last) return {end, true, {}};
            if (firstZero == 0) firstZero = end;
            if (HeaderAt(window, end, result.next) && result.next.variable == frame.variable &&
                result.next.number == nextNumber) {
                result.end = end;
                return result;
            }
        }
        x += got;
    }
    return mayBeLast && firstZero != 0 ? FrameEnd{firstZero, true, {}} : result;
}

uint64_t WalkFlac(FileWindow& window, ByteView first) {
    const uint64_t largest = BigEndianN(first, 15, 3);
    const uint64_t reach = largest != 0 ? std::min(largest, kLargestFrame) : kLargestFrame;
    const uint64_t total = BigEndianN(first, 18, 8) & ((1ull << 36) - 1);
    // No frame is shorter than STREAMINFO's smallest, the last one neither; taken only beside a largest.
    const uint64_t smallest = BigEndianN(first, 12, 3) <= largest ? BigEndianN(first, 12, 3) : 0;
    uint64_t at = 4;
    for (uint32_t blocks = 0;; ++blocks) {
        const ByteView block = window.Bytes(at, 4);
        if (block.size() == 0 || blocks == kMaxMetadataBlocks) return 0;
        at += 4 + BigEndianN(block, 1, 3);
        if (block.u8(0) & 0x80) break;
    }
    if (!window.Holds(at)) return 0;

    FrameHeader frame;
    if (!HeaderAt(window, at, frame) || frame.number != 0) return at;  // no frames, or cut off before them
    uint64_t samples = 0;
    for (uint64_t frames = 0; frames < kMaxFrames; ++frames) {
        const bool last = total != 0 && samples + frame.blockSize >= total;
        const uint64_t next = frame.variable ? samples + frame.blockSize : frame.number + 1;
        // Without a count any frame may be the last one; with a count only the counted one is.
        const uint64_t shortest = std::max<uint64_t>(frame.length + 2, smallest);
        const FrameEnd end = FindFrameEnd(window, at, frame, shortest, reach, last, next, total == 0);
        if (end.end == 0) return at;  // cut short: the end of the last whole frame
        at = end.end;
        if (end.final) return at;
        samples += frame.blockSize;
        frame = end.next;
    }
    return at;
}

}  // namespace

uint64_t MeasureFlacFrames(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 4 * kGiB, WalkFlac, MeasureNextHeader4G);
}

}  // namespace qm

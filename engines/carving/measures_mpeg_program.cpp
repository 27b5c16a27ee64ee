// An MPEG program stream is a run of packs, each a pack header and the packets its
// lengths chain together; it ends with the program end code, or else with its last whole
// packet. Video-only streams have no packs and keep the end-marker rule.
#include <algorithm>
#include <string_view>

#include "engines/carving/byte_search.h"
#include "engines/carving/file_window.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint64_t kMaxStructures = 100'000'000;
constexpr uint32_t kPackStart = 0x1BA;
constexpr uint32_t kProgramEnd = 0x1B9;

// The pack header's length: MPEG-2 with its stuffing, or MPEG-1; 0 for neither.
uint64_t PackHeaderLength(ByteView h) {
    if ((h.u8(4) & 0xC0) == 0x40) return h.has(0, 14) ? 14u + (h.u8(13) & 7) : 0;
    if ((h.u8(4) & 0xF0) == 0x20) return 12;
    return 0;
}

// A packet whose length jumps over a pack header is no packet: the stream is broken there.
bool SwallowsAPack(FileWindow& window, uint64_t start, uint64_t end) {
    using namespace std::string_view_literals;
    for (uint64_t from = start + 4; from + 4 <= end; from += FileWindow::kMaxRun - 3) {
        const size_t run = static_cast<size_t>(std::min<uint64_t>(FileWindow::kMaxRun, end - from));
        const ByteView bytes = window.Bytes(from, run);
        if (bytes.size() != run || FindPattern(bytes, "\x00\x00\x01\xBA"sv) != kNotFound) return true;
    }
    return false;
}

uint64_t WalkPacks(FileWindow& window, ByteView) {
    uint64_t at = 0;
    bool packets = false;
    uint64_t n = 0;
    for (; n < kMaxStructures; ++n) {
        const ByteView h = window.Bytes(at, window.Available(at, 14));
        const uint32_t code = static_cast<uint32_t>(BigEndianN(h, 0, 4));
        uint64_t length = 0;
        if (code == kProgramEnd) return at + 4;
        if (code == kPackStart) {
            length = PackHeaderLength(h);
        } else if ((code >> 8) == 1 && (code & 0xFF) >= 0xBB && h.has(0, 6)) {
            length = 6 + BigEndianN(h, 4, 2);  // system header or packet
            if (window.Holds(at + length) && SwallowsAPack(window, at, at + length)) return 0;
            packets = true;
        }
        if (length == 0 || !window.Holds(at + length)) break;
        at += length;
    }
    // Without an end code the stream ends with its last whole packet.
    return packets && n < kMaxStructures ? at : 0;
}

}  // namespace

uint64_t MeasureMpegPacks(CarveContext& ctx, ByteView first) {
    if (BigEndianN(first, 0, 4) != kPackStart) return MeasureMpegEnd(ctx, first);
    return WalkOrFallback(ctx, first, 6 * kGiB, WalkPacks, MeasureMpegEnd);
}

}  // namespace qm

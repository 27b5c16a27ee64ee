// A JPEG ends with the end-of-image marker of its main image. Segments are jumped over by
// their lengths, so an EXIF thumbnail (a whole JPEG inside an APP1 segment) never ends the
// file; a scan's entropy-coded data runs to the next marker that is neither a stuffed zero
// nor a restart marker.
#include <cstring>

#include "engines/carving/file_window.h"
#include "engines/carving/formats_packages.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kMaxSegments = 1u << 16;
constexpr uint32_t kMaxFill = 64;  // 0xFF fill bytes before one marker

bool HasLength(uint8_t marker) { return (marker >= 0xC0 && marker <= 0xCF) || (marker >= 0xDA && marker <= 0xFE); }

// The offset of the 0xFF that starts the marker ending the entropy-coded data from `at`,
// or 0 when the reach ends first.
uint64_t ScanEnd(FileWindow& window, uint64_t at) {
    for (;;) {
        const size_t run = window.Available(at, FileWindow::kMaxRun);
        if (run < 2) return 0;
        const ByteView b = window.Bytes(at, run);
        if (b.size() != run) return 0;
        size_t i = 0;
        while (i + 1 < run) {
            const void* ff = std::memchr(b.data() + i, 0xFF, run - 1 - i);
            if (ff == nullptr) {
                i = run - 1;
                break;
            }
            i = static_cast<size_t>(static_cast<const uint8_t*>(ff) - b.data());
            const uint8_t next = b.u8(i + 1);
            if (next != 0x00 && next != 0xFF && (next < 0xD0 || next > 0xD7)) return at + i;
            i += next == 0xFF ? 1 : 2;  // fill bytes: the marker follows them
        }
        at += i;
    }
}

uint64_t WalkJpegSegments(FileWindow& window, ByteView) {
    const ByteView soi = window.Bytes(0, 2);
    if (soi.size() != 2 || soi.u8(0) != 0xFF || soi.u8(1) != 0xD8) return 0;
    uint64_t at = 2;
    for (uint32_t segments = 0; segments < kMaxSegments; ++segments) {
        uint32_t fill = 0;
        ByteView m = window.Bytes(at, 2);
        while (m.size() == 2 && m.u8(0) == 0xFF && m.u8(1) == 0xFF && fill++ < kMaxFill) m = window.Bytes(++at, 2);
        if (m.size() != 2 || m.u8(0) != 0xFF) return 0;
        const uint8_t marker = m.u8(1);
        if (marker == 0xD9) return at + 2;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;  // stands alone
            continue;
        }
        if (!HasLength(marker)) return 0;  // another image's start, a stuffed zero or a reserved code
        const uint64_t length = BigEndianN(window.Bytes(at + 2, 2), 0, 2);
        if (length < 2 || !window.Holds(at + 2 + length)) return 0;
        at += 2 + length;
        if (marker != 0xDA) continue;
        at = ScanEnd(window, at);
        if (at == 0) return 0;
    }
    return 0;
}

}  // namespace

uint64_t MeasureJpegSegments(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 128 * kMiB, WalkJpegSegments, MeasureJpegEnd);
}

}  // namespace qm

// A Photoshop image is its header, three length-prefixed sections (colour-mode data,
// image resources, layers and masks) and the merged image data, whose length follows
// from the header's dimensions: raw, or run-length coded with a table of row lengths.
// Zip-coded image data has no length short of inflating it.
#include <algorithm>

#include "engines/carving/file_window.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint64_t kMaxRows = 1u << 24;  // channels times height

uint64_t WalkPhotoshop(FileWindow& window, ByteView first) {
    const uint64_t version = BigEndianN(first, 4, 2);
    if (!first.equals(0, "8BPS", 4) || (version != 1 && version != 2) || !first.has(0, 26)) return 0;
    const bool large = version == 2;
    const uint64_t channels = BigEndianN(first, 12, 2), height = BigEndianN(first, 14, 4);
    const uint64_t width = BigEndianN(first, 18, 4), depth = BigEndianN(first, 22, 2);
    if (channels == 0 || channels > 56 || height == 0 || width == 0 || depth == 0 || depth > 32) return 0;

    uint64_t at = 26;
    for (int section = 0; section < 3; ++section) {
        const size_t field = large && section == 2 ? 8 : 4;
        const ByteView length = window.Bytes(at, field);
        if (length.size() != field) return 0;
        const uint64_t size = BigEndianN(length, 0, field);
        if (!window.Holds(at) || size > UINT64_MAX - field - at) return 0;
        at += field + size;
        if (!window.Holds(at)) return 0;
    }
    const ByteView compression = window.Bytes(at, 2);
    if (compression.size() != 2) return 0;
    at += 2;
    const uint64_t rows = channels * height;
    if (BigEndianN(compression, 0, 2) == 0) {
        const uint64_t rowBytes = (width * depth + 7) / 8;
        if (rowBytes > UINT64_MAX / rows || rows * rowBytes > UINT64_MAX - at) return 0;
        at += rows * rowBytes;
    } else if (BigEndianN(compression, 0, 2) == 1 && rows <= kMaxRows) {
        const size_t entry = large ? 4 : 2;
        uint64_t data = 0;
        const uint64_t table = rows * entry;
        for (uint64_t done = 0; done < table;) {
            const size_t run = static_cast<size_t>(std::min<uint64_t>(FileWindow::kMaxRun, table - done));
            const ByteView counts = window.Bytes(at + done, run);
            if (counts.size() != run) return 0;
            for (size_t i = 0; i + entry <= run; i += entry) data += BigEndianN(counts, i, entry);
            done += run;
        }
        at += table + data;
    } else {
        return 0;
    }
    return window.Holds(at) ? at : 0;
}

}  // namespace

uint64_t MeasurePhotoshopSections(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 128 * kMiB, WalkPhotoshop, MeasureNextHeader128M);
}

}  // namespace qm

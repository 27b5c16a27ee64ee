// Matroska and WebM end with their Segment: the EBML header's size leads to it, and the
// Segment's size to the end. A Segment written live has no size; then its top-level
// elements are walked until one that cannot belong to a Segment.
#include "engines/carving/file_window.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kMaxElements = 10'000'000;
constexpr uint64_t kEbmlHeaderId = 0x1A45DFA3;
constexpr uint64_t kSegmentId = 0x18538067;

struct Element {
    uint64_t id = 0;
    uint64_t size = 0;
    bool unknownSize = false;
    uint64_t dataStart = 0;  // file offset of the element's data
};

// An EBML variable-length number: its length comes from the first byte's leading zeros.
bool ReadVarint(ByteView bytes, size_t& at, bool keepMarker, uint64_t& value, bool& allOnes) {
    const uint8_t lead = bytes.u8(at);
    size_t length = 1;
    while (length <= 8 && (lead & (0x80 >> (length - 1))) == 0) ++length;
    if (length > 8 || !bytes.has(at, length)) return false;
    value = BigEndianN(bytes, at, length);
    const uint64_t valueBits = (1ull << (7 * length)) - 1;
    allOnes = (value & valueBits) == valueBits;
    if (!keepMarker) value &= valueBits;
    at += length;
    return true;
}

bool ReadElement(FileWindow& window, uint64_t at, Element& out) {
    const ByteView bytes = window.Bytes(at, window.Available(at, 12));
    size_t pos = 0;
    bool ones = false;
    if (!ReadVarint(bytes, pos, true, out.id, ones) || pos > 4) return false;
    if (!ReadVarint(bytes, pos, false, out.size, out.unknownSize)) return false;
    out.dataStart = at + pos;
    return true;
}

bool IsSegmentChild(uint64_t id) {
    switch (id) {
        case 0x114D9B74:  // SeekHead
        case 0x1549A966:  // Info
        case 0x1654AE6B:  // Tracks
        case 0x1F43B675:  // Cluster
        case 0x1C53BB6B:  // Cues
        case 0x1941A469:  // Attachments
        case 0x1043A770:  // Chapters
        case 0x1254C367:  // Tags
        case 0xEC:        // Void
        case 0xBF:        // CRC-32
            return true;
        default:
            return false;
    }
}

bool EndOf(FileWindow& window, const Element& e, uint64_t& end) {
    if (e.unknownSize || e.size > UINT64_MAX - e.dataStart) return false;
    end = e.dataStart + e.size;
    return window.Holds(end);
}

uint64_t WalkMatroska(FileWindow& window, ByteView) {
    Element header;
    uint64_t at = 0;
    if (!ReadElement(window, 0, header) || header.id != kEbmlHeaderId || !EndOf(window, header, at)) return 0;
    Element segment;
    if (!ReadElement(window, at, segment) || segment.id != kSegmentId) return 0;
    if (!segment.unknownSize) return EndOf(window, segment, at) ? at : 0;

    at = segment.dataStart;
    uint32_t children = 0;
    for (Element child; children < kMaxElements && ReadElement(window, at, child) && IsSegmentChild(child.id);
         ++children)
        if (!EndOf(window, child, at)) return 0;  // a live Cluster of unknown size, or one cut short
    return children != 0 && children < kMaxElements ? at : 0;
}

}  // namespace

uint64_t MeasureMatroska(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 64 * kGiB, WalkMatroska, MeasureNextHeader64G);
}

}  // namespace qm

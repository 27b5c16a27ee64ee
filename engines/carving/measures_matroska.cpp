// Matroska and WebM end with their Segment: the EBML header's size leads to it, and the
// Segment's size to the end, when its top-level elements fill it exactly. A Segment written
// live has no size; then its elements are walked until one that cannot belong to a Segment.
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

// Top-level elements a writer adds of its own carry 3- or 4-byte IDs; IDs with every value
// bit set are reserved. Garbage behind a file cut short rarely passes.
bool MayBeTopLevel(uint64_t id) {
    if (id >= 0x10000000) return (id & 0x0FFFFFFF) != 0x0FFFFFFF;
    if (id >= 0x200000) return (id & 0x1FFFFF) != 0x1FFFFF;
    return false;
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
    uint64_t segmentEnd = 0;
    if (!segment.unknownSize && !EndOf(window, segment, segmentEnd)) return 0;

    // The Segment's own elements are walked either way: a file cut short claims a size its
    // elements do not fill, and taking the claim would swallow the files behind it.
    at = segment.dataStart;
    uint32_t children = 0;
    // Inside a sized Segment a well-formed element of a top-level ID's length counts (writers
    // add their own); a live one ends at the first element that cannot be a Segment's.
    for (Element child; children < kMaxElements && (segment.unknownSize || at < segmentEnd) &&
                        ReadElement(window, at, child) &&
                        (IsSegmentChild(child.id) || (!segment.unknownSize && MayBeTopLevel(child.id)));
         ++children) {
        if (!EndOf(window, child, at)) return 0;  // a live Cluster of unknown size, or one cut short
        if (!segment.unknownSize && at > segmentEnd) return 0;
    }
    if (children == 0 || children >= kMaxElements) return 0;
    return segment.unknownSize || at == segmentEnd ? at : 0;
}

}  // namespace

uint64_t MeasureMatroska(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 64 * kGiB, WalkMatroska, MeasureNextHeader64G);
}

}  // namespace qm

// Flash video ends after its last tag: each tag's header gives its data size, and the
// size of the tag before it follows every tag, which confirms the chain as it goes. The
// walk ends at the first bytes that are no tag header.
#include "engines/carving/file_window.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint64_t kMaxTags = 50'000'000;

bool IsTagType(uint8_t type) {
    if ((type & 0xC0) != 0) return false;  // reserved bits
    const uint8_t kind = type & 0x1F;      // bit 5 marks filtered (encrypted) tags
    return kind == 8 || kind == 9 || kind == 18;
}

uint64_t WalkFlvTags(FileWindow& window, ByteView first) {
    const uint64_t dataOffset = BigEndianN(first, 5, 4);
    const ByteView firstPrevious = window.Bytes(dataOffset, 4);  // no tag before the first one
    if (dataOffset < 9 || firstPrevious.size() != 4 || BigEndianN(firstPrevious, 0, 4) != 0) return 0;
    uint64_t at = dataOffset + 4;
    uint64_t tags = 0;
    for (; tags < kMaxTags; ++tags) {
        const ByteView header = window.Bytes(at, 11);
        if (header.size() != 11 || !IsTagType(header.u8(0)) || BigEndianN(header, 8, 3) != 0) break;
        const uint64_t tagSize = 11 + BigEndianN(header, 1, 3);
        // A tag header whose size the next field does not confirm: the chain is broken.
        const ByteView previous = window.Bytes(at + tagSize, 4);
        if (previous.size() != 4 || BigEndianN(previous, 0, 4) != tagSize) return 0;
        at += tagSize + 4;
    }
    return tags != 0 && tags < kMaxTags ? at : 0;
}

}  // namespace

uint64_t MeasureFlvTags(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 6 * kGiB, WalkFlvTags, MeasureNextHeader6G);
}

}  // namespace qm

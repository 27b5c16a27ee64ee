// A ZIP archive ends with its end-of-central-directory record and the comment it sizes. Only
// a record whose central directory ends right where the record starts, counted from this
// file's start, is ours: the record of a ZIP stored inside the archive counts from its own
// start, so it never ends the outer file. Without such a record, the marker rule decides.
// Entries are walked header by header first; when that cannot be done, the end record is
// searched for, reading past sectors that start with a ZIP local header: in a ZIP they are
// most often its own next entries.
#include <string_view>

#include "engines/carving/byte_search.h"
#include "engines/carving/carve_context.h"
#include "engines/carving/detectors.h"
#include "engines/carving/file_window.h"
#include "engines/carving/formats_packages.h"
#include "engines/carving/measures.h"
#include "engines/carving/next_header_rule.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

constexpr size_t kEndRecord = 22;
constexpr size_t kLocator = 20;
constexpr size_t kEndRecord64 = 56;

bool ReadAt(CarveContext& ctx, uint64_t offset, size_t length, uint8_t* dest) {
    return ReadFileBytes(ctx, ctx.startSector, offset, length, dest, false);
}

// The central directory's offset and size from the ZIP64 records before the end record at
// `record`; false when they are missing or do not chain up.
bool Directory64(CarveContext& ctx, uint64_t record, uint64_t& offset, uint64_t& size) {
    uint8_t locator[kLocator];
    if (record < kLocator || !ReadAt(ctx, record - kLocator, kLocator, locator)) return false;
    const ByteView l(locator, kLocator);
    if (!HasText(l, 0, "PK\x06\x07") || l.u32(4) != 0 || l.u32(16) > 1) return false;
    const uint64_t at = l.u64(8);
    uint8_t end64[kEndRecord64];
    if (at > record - kLocator || !ReadAt(ctx, at, kEndRecord64, end64)) return false;
    const ByteView e(end64, kEndRecord64);
    const uint64_t recordSize = e.u64(4);
    if (!HasText(e, 0, "PK\x06\x06") || recordSize > record - kLocator - at || at + 12 + recordSize != record - kLocator)
        return false;
    size = e.u64(40);
    offset = e.u64(48);
    return offset <= at && size == at - offset;
}

// The archive's length when an end record starts at `record`, else 0.
uint64_t EndAt(CarveContext& ctx, uint64_t record, uint64_t limit) {
    uint8_t bytes[kEndRecord];
    if (!ReadAt(ctx, record, kEndRecord, bytes)) return 0;
    const ByteView r(bytes, kEndRecord);
    uint64_t offset = r.u32(16);
    uint64_t size = r.u32(12);
    const bool wide = r.u16(4) == 0xFFFF || r.u16(6) == 0xFFFF || r.u16(8) == 0xFFFF || r.u16(10) == 0xFFFF ||
                      size == 0xFFFFFFFF || offset == 0xFFFFFFFF;
    if (wide) {
        if (!Directory64(ctx, record, offset, size)) return 0;
    } else if (r.u16(4) != 0 || r.u16(6) != 0 || r.u16(8) != r.u16(10) || offset > record || size != record - offset) {
        return 0;
    }
    uint8_t header[4];
    if (size != 0 && (!ReadAt(ctx, offset, 4, header) || !HasText(ByteView(header, 4), 0, "PK\x01\x02"))) return 0;
    const uint64_t end = record + kEndRecord + r.u16(20);
    uint8_t last;
    if (end > limit || !ReadAt(ctx, end - 1, 1, &last)) return 0;
    return end;
}

uint64_t FirstEndIn(CarveContext& ctx, ByteView bytes, uint64_t fileOffset, size_t lastStart, uint64_t limit) {
    for (size_t at = FindPattern(bytes, "PK\x05\x06", 0, lastStart); at != kNotFound;
         at = FindPattern(bytes, "PK\x05\x06", at + 1, lastStart)) {
        const uint64_t end = EndAt(ctx, fileOffset + at, limit);
        if (end != 0) return end;
    }
    return 0;
}

uint64_t MeasureZipDirectory(CarveContext& ctx, ByteView first, uint64_t limit) {
    const uint64_t inFirst = FirstEndIn(ctx, first, 0, kNotFound, limit);
    if (inFirst != 0) return inFirst;
    static const RowMask kOtherRows =
        RowsWithout(kZipDetector) & RowsWithout(kOoxmlDetector) & RowsWithout(kPackageMimetypeDetector);
    bool exact = false;
    const uint64_t length = RunNextHeaderRule(
        ctx, limit,
        [&](const ReadAheadChunk& chunk, uint64_t& reached) {
            const uint64_t end = FirstEndIn(ctx, chunk.bytes, chunk.fileOffset, chunk.LastMarkerStart(), limit);
            if (end == 0) return false;
            reached = end;
            exact = true;
            return true;
        },
        &kOtherRows);
    return exact ? length : MeasureZipEndMarker(ctx, limit);
}

constexpr uint32_t kMaxRecords = 1u << 22;

// Entry by entry: each local header names its data's compressed size, so the walk hops over
// the data (and whatever file a stored entry holds) to the central directory and its end
// record. Entries that put their sizes behind the data, or ZIP64 sizes, leave it to the search.
uint64_t WalkZipEntries(FileWindow& window, ByteView) {
    uint64_t at = 0;
    for (uint32_t records = 0; records < kMaxRecords; ++records) {
        const ByteView signature = window.Bytes(at, 4);
        if (signature.size() != 4) return 0;
        if (signature.equals(0, "PK\x03\x04", 4)) {
            const ByteView h = window.Bytes(at, 30);
            if (h.size() != 30 || (h.u16(6) & 8) != 0 || h.u32(18) == 0xFFFFFFFF) return 0;
            at += 30 + uint64_t{h.u16(26)} + h.u16(28) + h.u32(18);
        } else if (signature.equals(0, "PK\x01\x02", 4)) {
            const ByteView h = window.Bytes(at, 46);
            if (h.size() != 46) return 0;
            at += 46 + uint64_t{h.u16(28)} + h.u16(30) + h.u16(32);
        } else if (signature.equals(0, "PK\x05\x06", 4)) {
            const ByteView r = window.Bytes(at, 22);
            if (r.size() != 22 || r.u32(16) == 0xFFFFFFFF || uint64_t{r.u32(16)} + r.u32(12) != at) return 0;
            const uint64_t end = at + 22 + r.u16(20);
            return window.Holds(end) ? end : 0;
        } else {
            return 0;
        }
        if (!window.Holds(at)) return 0;
    }
    return 0;
}

uint64_t SearchZipEnd4G(CarveContext& ctx, ByteView first) { return MeasureZipDirectory(ctx, first, 4 * kGiB); }
uint64_t SearchZipEndPackage(CarveContext& ctx, ByteView first) {
    return MeasureZipDirectory(ctx, first, kPackageLimit);
}

}  // namespace

uint64_t MeasureZipEnd4G(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 4 * kGiB, WalkZipEntries, SearchZipEnd4G);
}

uint64_t MeasureZipEndPackage(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, kPackageLimit, WalkZipEntries, SearchZipEndPackage);
}

}  // namespace qm

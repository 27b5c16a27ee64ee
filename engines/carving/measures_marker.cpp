// Measures that read ahead until the format's own end marker.
#include <string_view>

#include "engines/carving/byte_search.h"
#include "engines/carving/carve_context.h"
#include "engines/carving/detectors.h"
#include "engines/carving/measures.h"
#include "engines/carving/next_header_rule.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

using namespace std::string_view_literals;

// The first zero-tailed marker: in the first sector when `inFirstSector`, else in the first
// chunk that holds one; the length ends with the marker.
uint64_t FirstMarkerEnd(CarveContext& ctx, ByteView first, std::string_view marker, uint64_t limit,
                        bool inFirstSector, bool zeroTail) {
    if (inFirstSector) {
        const size_t at = FindZeroTailedMarker(first, marker, marker.size(), kNotFound, ctx.sectorSize, false);
        if (at != kNotFound) return at + marker.size();
    }
    return RunNextHeaderRule(ctx, limit, [&](const ReadAheadChunk& chunk, uint64_t& length) {
        const size_t at = zeroTail ? FindZeroTailedMarker(chunk.bytes, marker, marker.size(), chunk.LastMarkerStart(),
                                                          ctx.sectorSize, false)
                                   : FindPattern(chunk.bytes, marker, 0, chunk.LastMarkerStart());
        if (at == kNotFound) return false;
        length = chunk.fileOffset + at + marker.size();
        return true;
    });
}

// The last zero-tailed marker of the first chunk that holds one; the length ends
// `endAfterStart` bytes after the marker's start.
uint64_t LastMarkerEnd(CarveContext& ctx, std::string_view marker, size_t endAfterStart, uint64_t limit) {
    return RunNextHeaderRule(ctx, limit, [&](const ReadAheadChunk& chunk, uint64_t& length) {
        const size_t at =
            FindZeroTailedMarker(chunk.bytes, marker, endAfterStart, chunk.LastMarkerStart(), ctx.sectorSize, true);
        if (at == kNotFound) return false;
        length = chunk.fileOffset + at + endAfterStart;
        return true;
    });
}

// A candidate end that a later chunk may replace; the shorter of it and the length reached wins.
uint64_t CandidateEnd(CarveContext& ctx, ByteView first, std::string_view marker, size_t endAfterStart,
                      uint64_t limit, bool inFirstSector) {
    if (inFirstSector) {
        const size_t at = FindZeroTailedMarker(first, marker, endAfterStart, kNotFound, ctx.sectorSize, false);
        if (at != kNotFound) return at + endAfterStart;
    }
    uint64_t candidate = UINT64_MAX;
    const uint64_t length = RunNextHeaderRule(ctx, limit, [&](const ReadAheadChunk& chunk, uint64_t&) {
        const size_t at =
            FindZeroTailedMarker(chunk.bytes, marker, endAfterStart, chunk.LastMarkerStart(), ctx.sectorSize, false);
        if (at != kNotFound) candidate = chunk.fileOffset + at + endAfterStart;
        return false;
    });
    return candidate < length ? candidate : length;
}

// After "%%EOF" and its line break, an incremental update goes on with an object, a
// cross-reference section or a pointer to one, perhaps after comment lines; another
// "%PDF-" is the next file.
bool UpdateFollows(CarveContext& ctx, uint64_t end) {
    uint8_t buffer[128] = {};
    size_t got = sizeof buffer;
    while (got > 0 && !ReadFileBytes(ctx, ctx.startSector, end, got, buffer, false)) got /= 2;
    const ByteView b(buffer, got);
    size_t i = 0;
    for (;;) {
        while (i < got && (b.u8(i) == ' ' || b.u8(i) == '\t' || b.u8(i) == '\r' || b.u8(i) == '\n' || b.u8(i) == '\f'))
            ++i;
        if (b.u8(i) != '%' || HasText(b, i, "%PDF-") || HasText(b, i, "%%EOF")) break;
        while (i < got && b.u8(i) != '\r' && b.u8(i) != '\n') ++i;
    }
    if (HasText(b, i, "xref") || HasText(b, i, "startxref")) return true;
    for (int field = 0; field < 2; ++field) {  // object and generation numbers
        const size_t digits = i;
        while (i < got && b.u8(i) >= '0' && b.u8(i) <= '9') ++i;
        if (i == digits || b.u8(i) != ' ') return false;
        while (i < got && b.u8(i) == ' ') ++i;
    }
    return HasText(b, i, "obj");
}

}  // namespace

uint64_t MeasureJpegEnd(CarveContext& ctx, ByteView first) {
    return CandidateEnd(ctx, first, "\xFF\xD9"sv, 2, 128 * kMiB, true);
}

uint64_t MeasureGifTrailer(CarveContext& ctx, ByteView first) {
    return FirstMarkerEnd(ctx, first, "\x00\x3B"sv, 128 * kMiB, true, true);
}

uint64_t MeasurePngEnd(CarveContext& ctx, ByteView first) {
    return FirstMarkerEnd(ctx, first, "IEND\xAE\x42\x60\x82"sv, 128 * kMiB, true, true);
}

uint64_t MeasureRealMediaIndex(CarveContext& ctx, ByteView first) {
    static constexpr std::string_view kIndexHeader =
        "INDX\x00\x00\x00\x14\x00\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00\x00"sv;
    return FirstMarkerEnd(ctx, first, kIndexHeader, 6 * kGiB, false, false);
}

uint64_t MeasureIsoMediaTrailer(CarveContext& ctx, ByteView) {
    return RunNextHeaderRule(ctx, 6 * kGiB, [&](const ReadAheadChunk& chunk, uint64_t& length) {
        static constexpr std::string_view kText = "freeIsoMedia File Produced"sv;
        const size_t at = FindPattern(chunk.bytes, kText, 0, chunk.LastMarkerStart());
        if (at == kNotFound) return false;
        size_t end = at + kText.size();
        while (end < chunk.bytes.size() && chunk.bytes.u8(end) != 0) ++end;
        length = chunk.fileOffset + end;
        return true;
    });
}

uint64_t MeasureMpegEnd(CarveContext& ctx, ByteView first) {
    const std::string_view marker = HasText(first, 0, "\x00\x00\x01\xB3") ? "\x00\x00\x01\xB7"sv : "\x00\x00\x01\xB9"sv;
    // Packs and sequences of the same stream look like new starts; only other formats end it.
    static const RowMask kOtherRows = RowsWithout(kMpegStreamDetector);
    return RunNextHeaderRule(
        ctx, 6 * kGiB,
        [&](const ReadAheadChunk& chunk, uint64_t& length) {
            const size_t at = FindZeroTailedMarker(chunk.bytes, marker, marker.size(), chunk.LastMarkerStart(),
                                                   ctx.sectorSize, false);
            if (at == kNotFound) return false;
            length = chunk.fileOffset + at + marker.size();
            return true;
        },
        &kOtherRows);
}

uint64_t MeasureMp3Tag(CarveContext& ctx, ByteView first) {
    // An ID3v1 tag is the last 128 bytes of the file.
    return CandidateEnd(ctx, first, "TAG"sv, 128, 2 * kGiB, false);
}

uint64_t MeasureApeTag(CarveContext& ctx, ByteView) {
    static constexpr std::string_view kTag = "APETAGEX\xD0\x07"sv;
    return RunNextHeaderRule(ctx, 2 * kGiB, [&](const ReadAheadChunk& chunk, uint64_t& length) {
        const size_t header = FindPattern(chunk.bytes, kTag, 0, chunk.LastMarkerStart());
        if (header == kNotFound) return false;
        // The footer closes the tag and the file; without one the chunk stays in.
        const size_t footer = FindPattern(chunk.bytes, kTag, header + 1);
        if (footer != kNotFound && footer + 32 <= chunk.bytes.size() &&
            HasZeroTail(chunk.bytes, footer + 32, ctx.sectorSize))
            length = chunk.fileOffset + footer + 32;
        return true;
    });
}

uint64_t MeasurePdfEnd(CarveContext& ctx, ByteView) {
    return RunNextHeaderRule(ctx, 1 * kGiB, [&](const ReadAheadChunk& chunk, uint64_t& length) {
        const size_t lastStart = chunk.LastMarkerStart();
        bool sawEnd = false;
        for (size_t at = FindPattern(chunk.bytes, "%%EOF", 0, lastStart); at != kNotFound;
             at = FindPattern(chunk.bytes, "%%EOF", at + 1, lastStart)) {
            sawEnd = true;
            size_t end = at + 5;
            // The line break belongs to the file when it is there; one read past the chunk tells.
            uint8_t next[2] = {};
            const size_t have = ReadFileBytes(ctx, ctx.startSector, chunk.fileOffset + end, 2, next, false) ? 2
                                : ReadFileBytes(ctx, ctx.startSector, chunk.fileOffset + end, 1, next, false) ? 1
                                                                                                               : 0;
            size_t taken = 0;
            if (taken < have && next[taken] == '\r') ++taken;
            if (taken < have && next[taken] == '\n') ++taken;
            end += taken;
            if (UpdateFollows(ctx, chunk.fileOffset + end)) continue;
            length = chunk.fileOffset + end;
            return true;
        }
        if (sawEnd) return false;
        // No end marker in this chunk: a trailer that closes its sector ends the file.
        const size_t at = FindZeroTailedMarker(chunk.bytes, "trailer", 7, lastStart, ctx.sectorSize, true);
        if (at == kNotFound) return false;
        length = chunk.fileOffset + at + 7;
        return true;
    });
}

uint64_t MeasureZipEndMarker(CarveContext& ctx, uint64_t limit) { return LastMarkerEnd(ctx, "PK\x05\x06"sv, 22, limit); }

uint64_t Measure7zEnd(CarveContext& ctx, ByteView) {
    return LastMarkerEnd(ctx, "\x00\x07\x0B\x01\x00\x01\x23\x03\x01\x01\x05\x5D"sv, 27, 4 * kGiB);
}

uint64_t MeasureRarEnd(CarveContext& ctx, ByteView first) {
    return FirstMarkerEnd(ctx, first, "\xC4\x3D\x7B\x00\x40\x07\x00"sv, 4 * kGiB, false, true);
}

}  // namespace qm

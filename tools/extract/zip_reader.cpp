// Zip listing from the central directory (found through the end record, with ZIP64), or, when
// a truncated file has none, by walking the local headers from the start.
#include <zlib.h>

#include <algorithm>

#include "disk/byte_view.h"
#include "tools/extract/format_readers.h"
#include "tools/extract/name_text.h"

namespace qm::extract {
namespace {

constexpr uint32_t kCentralSig = 0x02014B50, kLocalSig = 0x04034B50, kEndSig = 0x06054B50;
constexpr uint32_t kZip64EndSig = 0x06064B50, kZip64LocatorSig = 0x07064B50, kDescriptorSig = 0x08074B50;
constexpr uint16_t kFlagEncrypted = 0x0001, kFlagDescriptor = 0x0008, kFlagUtf8 = 0x0800;
constexpr size_t kEndSize = 22, kMaxComment = 0xFFFF;
// A stored entry with a trailing descriptor is followed by at most this much scanning.
constexpr uint64_t kMaxDescriptorScan = 256ull << 20;

struct Directory {
    uint64_t offset = 0, size = 0, entries = 0;
    uint64_t recordEnd = 0;  // where the central directory should end (start of the end record)
};

// The end record: the last signature in the final 64 KiB + 22 bytes whose comment fits.
bool FindEndRecord(ByteSource& source, Directory& dir) {
    const uint64_t tail = std::min<uint64_t>(source.size(), kEndSize + kMaxComment);
    std::vector<uint8_t> bytes;
    if (tail < kEndSize || !source.readBlock(source.size() - tail, static_cast<size_t>(tail), bytes)) return false;
    const ByteView view(bytes.data(), bytes.size());
    for (size_t pos = bytes.size() - kEndSize + 1; pos-- > 0;) {
        if (view.u32(pos) != kEndSig || pos + kEndSize + view.u16(pos + 20) > bytes.size()) continue;
        const uint64_t endPos = source.size() - tail + pos;
        dir.entries = view.u16(pos + 10);
        dir.size = view.u32(pos + 12);
        dir.offset = view.u32(pos + 16);
        dir.recordEnd = endPos;
        // ZIP64: a locator just before the end record points at the larger record.
        uint8_t locator[20];
        if (endPos >= 20 && source.readAt(endPos - 20, locator, 20) && ByteView(locator, 20).u32(0) == kZip64LocatorSig) {
            const uint64_t at = ByteView(locator, 20).u64(8);
            uint8_t record[56];
            if (source.readAt(at, record, 56) && ByteView(record, 56).u32(0) == kZip64EndSig) {
                const ByteView r(record, 56);
                dir.entries = r.u64(32);
                dir.size = r.u64(40);
                dir.offset = r.u64(48);
                dir.recordEnd = at;
            }
        }
        return true;
    }
    return false;
}

struct Zip64Fields {
    bool wantSize, wantPacked, wantOffset;
};

// The ZIP64 extra field holds only the values whose 32-bit field is saturated, in this order.
void ApplyZip64Extra(ByteView extra, Zip64Fields want, uint64_t& size, uint64_t& packed, uint64_t& offset) {
    for (size_t pos = 0; pos + 4 <= extra.size();) {
        const uint16_t id = extra.u16(pos), length = extra.u16(pos + 2);
        if (!extra.has(pos + 4, length)) return;
        if (id == 0x0001) {
            const ByteView field = extra.sub(pos + 4, length);
            size_t at = 0;
            if (want.wantSize && field.has(at, 8)) size = field.u64(at), at += 8;
            if (want.wantPacked && field.has(at, 8)) packed = field.u64(at), at += 8;
            if (want.wantOffset && field.has(at, 8)) offset = field.u64(at);
            return;
        }
        pos += 4 + length;
    }
}

// Info-ZIP's Unicode path field: the UTF-8 name, valid while its CRC matches the header name.
bool UnicodePathExtra(ByteView extra, std::string_view rawName, std::string& name) {
    for (size_t pos = 0; pos + 4 <= extra.size();) {
        const uint16_t id = extra.u16(pos), length = extra.u16(pos + 2);
        if (!extra.has(pos + 4, length)) return false;
        if (id == 0x7075 && length >= 5 && extra.u8(pos + 4) == 1) {
            const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(rawName.data()), static_cast<uInt>(rawName.size()));
            if (extra.u32(pos + 5) != crc) return false;
            name.assign(reinterpret_cast<const char*>(extra.data() + pos + 9), length - 5);
            return IsValidUtf8(name);
        }
        pos += 4 + length;
    }
    return false;
}

std::string DecodeName(std::string_view raw, uint16_t flags, ByteView extra) {
    std::string name;
    if (flags & kFlagUtf8) return std::string(raw);
    if (UnicodePathExtra(extra, raw, name)) return name;
    // Unix zip tools store UTF-8 without the flag; genuine code page 437 text is rarely valid UTF-8.
    return Utf8OrCp437(raw);
}

uint32_t AttributesOf(uint8_t host, uint32_t external, const std::string& name) {
    uint32_t attributes = 0;
    if (host == 3 || host == 19) {  // Unix, OS X: the mode lives in the high half
        attributes = AttributesFromUnixMode(external >> 16) | (external & kAttrFolder);
    } else {
        attributes = external & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrFolder | kAttrArchive);
    }
    if (!name.empty() && (name.back() == '/' || name.back() == '\\')) attributes |= kAttrFolder;
    return attributes;
}

bool WalkCentralDirectory(ReadContext& ctx, uint64_t start, uint64_t end) {
    SourceCursor cursor(ctx.source, start);
    uint8_t header[46];
    std::vector<uint8_t> variable;
    while (cursor.position() < end && ctx.listing.entries.size() < kMaxEntries) {
        if (!cursor.read(header, sizeof header)) break;
        const ByteView h(header, sizeof header);
        if (h.u32(0) != kCentralSig) break;
        const size_t nameLength = h.u16(28), extraLength = h.u16(30), commentLength = h.u16(32);
        variable.resize(nameLength + extraLength);
        if (!cursor.read(variable.data(), variable.size()) || !cursor.skip(commentLength)) break;
        const std::string_view raw(reinterpret_cast<const char*>(variable.data()), nameLength);
        const ByteView extra(variable.data() + nameLength, extraLength);
        uint64_t size = h.u32(24), packed = h.u32(20), offset = h.u32(42);
        ApplyZip64Extra(extra, {size == 0xFFFFFFFF, packed == 0xFFFFFFFF, offset == 0xFFFFFFFF}, size, packed, offset);
        ArchiveEntry entry;
        entry.name = DecodeName(raw, h.u16(8), extra);
        entry.size = size;
        entry.packedSize = packed;
        entry.time = EntryTime::fromDos(h.u16(14), h.u16(12));
        entry.attributes = AttributesOf(h.u8(5), h.u32(38), entry.name);
        entry.encrypted = (h.u16(8) & kFlagEncrypted) != 0;
        ctx.listing.entries.push_back(std::move(entry));
    }
    return !ctx.listing.entries.empty();
}

// Finds the data descriptor that ends a streamed entry: its compressed size must equal the
// distance walked. Returns the offset just past the descriptor, or 0.
uint64_t FindDescriptor(ByteSource& source, uint64_t dataStart, bool zip64, uint64_t& size, uint64_t& packed) {
    const uint64_t limit = std::min(source.size(), dataStart + kMaxDescriptorScan);
    std::vector<uint8_t> chunk;
    const size_t kChunk = 64 * 1024, kRecord = zip64 ? 24 : 16;
    for (uint64_t base = dataStart; base < limit; base += kChunk - kRecord) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, source.size() - base));
        if (!source.readBlock(base, n, chunk)) return 0;
        const ByteView view(chunk.data(), chunk.size());
        for (size_t i = 0; i + kRecord <= n; ++i) {
            if (view.u32(i) != kDescriptorSig) continue;
            const uint64_t distance = base + i - dataStart;
            const uint64_t claimed = zip64 ? view.u64(i + 8) : view.u32(i + 8);
            if (claimed != distance) continue;
            packed = claimed;
            size = zip64 ? view.u64(i + 16) : view.u32(i + 12);
            return base + i + kRecord;
        }
        if (n < kChunk) break;
    }
    return 0;
}

bool WalkLocalHeaders(ReadContext& ctx) {
    uint64_t pos = 0;
    uint8_t header[30];
    std::vector<uint8_t> variable;
    while (ctx.listing.entries.size() < kMaxEntries && ctx.source.readAt(pos, header, sizeof header)) {
        const ByteView h(header, sizeof header);
        if (h.u32(0) != kLocalSig) break;
        const size_t nameLength = h.u16(26), extraLength = h.u16(28);
        if (!ctx.source.readBlock(pos + 30, nameLength + extraLength, variable)) break;
        const std::string_view raw(reinterpret_cast<const char*>(variable.data()), nameLength);
        const ByteView extra(variable.data() + nameLength, extraLength);
        const uint16_t flags = h.u16(6);
        uint64_t size = h.u32(22), packed = h.u32(18), unused = 0;
        const bool zip64 = size == 0xFFFFFFFF || packed == 0xFFFFFFFF;
        ApplyZip64Extra(extra, {size == 0xFFFFFFFF, packed == 0xFFFFFFFF, false}, size, packed, unused);
        const uint64_t dataStart = pos + 30 + nameLength + extraLength;
        uint64_t next = 0;
        if ((flags & kFlagDescriptor) && packed == 0) {
            next = FindDescriptor(ctx.source, dataStart, zip64, size, packed);
            if (next == 0) break;
        } else {
            if (!ctx.source.contains(dataStart, packed)) break;
            next = dataStart + packed;
            // A descriptor may still follow, with or without its signature.
            uint8_t sig[4];
            if ((flags & kFlagDescriptor) && ctx.source.readAt(next, sig, 4))
                next += (ByteView(sig, 4).u32(0) == kDescriptorSig ? 4 : 0) + (zip64 ? 16 : 8) + 4;
        }
        ArchiveEntry entry;
        entry.name = DecodeName(raw, flags, extra);
        entry.size = size;
        entry.packedSize = packed;
        entry.time = EntryTime::fromDos(h.u16(12), h.u16(10));
        entry.attributes = AttributesOf(0, 0, entry.name);
        entry.encrypted = (flags & kFlagEncrypted) != 0;
        ctx.listing.entries.push_back(std::move(entry));
        pos = next;
    }
    return !ctx.listing.entries.empty();
}

uint32_t SignatureAt(ByteSource& source, uint64_t offset) {
    uint8_t sig[4];
    return source.readAt(offset, sig, 4) ? ByteView(sig, 4).u32(0) : 0;
}

}  // namespace

ReadResult ReadZip(ReadContext& ctx) {
    const uint32_t first = SignatureAt(ctx.source, 0);
    const bool startsAsZip = first == kLocalSig || first == kEndSig || first == kDescriptorSig;
    Directory dir;
    const bool haveEnd = FindEndRecord(ctx.source, dir);
    if (!startsAsZip && !haveEnd) return ReadResult::NotThisFormat;
    ctx.listing.format = "zip";
    if (haveEnd) {
        if (dir.entries == 0 && dir.size == 0) return ReadResult::Listed;  // an empty archive
        // Data put before the archive (a self-extractor) shifts every offset: the directory
        // then ends where the end record starts.
        uint64_t start = dir.offset;
        if (SignatureAt(ctx.source, start) != kCentralSig && dir.recordEnd >= dir.size)
            start = dir.recordEnd - dir.size;
        if (SignatureAt(ctx.source, start) == kCentralSig) {
            const uint64_t end = std::min(ctx.source.size(), std::max(dir.recordEnd, start));
            WalkCentralDirectory(ctx, start, end);
            if (ctx.listing.entries.size() != std::min<uint64_t>(dir.entries, kMaxEntries))
                ctx.listing.note = "the central directory holds " + std::to_string(ctx.listing.entries.size()) +
                                   " of the " + std::to_string(dir.entries) + " entries it announces";
            return ReadResult::Listed;
        }
        if (!startsAsZip) {
            ctx.error = "the zip central directory is missing or damaged";
            return ReadResult::Failed;
        }
    }
    if (first != kLocalSig || !WalkLocalHeaders(ctx)) {
        ctx.error = "the zip archive has no readable directory or entries";
        return ReadResult::Failed;
    }
    ctx.listing.note = "no central directory: entries found by walking the local headers";
    return ReadResult::Listed;
}

}  // namespace qm::extract

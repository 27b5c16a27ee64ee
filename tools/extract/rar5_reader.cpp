// RAR 5 listing: headers of variable-length integers after the 8-byte signature.
#include <cstring>

#include "disk/byte_view.h"
#include "tools/extract/format_readers.h"
#include "tools/extract/name_text.h"

namespace qm::extract {
namespace {

constexpr uint8_t kSignature[8] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
constexpr uint64_t kTypeFile = 2, kTypeEncryption = 4, kTypeEnd = 5;
constexpr uint64_t kHasExtra = 0x01, kHasData = 0x02;
constexpr uint64_t kFileIsFolder = 0x01, kFileHasTime = 0x02, kFileHasCrc = 0x04, kFileSizeUnknown = 0x08;
constexpr uint64_t kMaxHeader = 2u << 20;

// Reads the integers of one header; every read past its end fails the reader for good.
class VintReader {
public:
    explicit VintReader(ByteView view, size_t at = 0) : view_(view), at_(at) {}
    uint64_t vint() {
        uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (!view_.has(at_, 1)) return fail();
            const uint8_t b = view_.u8(at_++);
            value |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) return value;
        }
        return fail();
    }
    uint32_t u32() {
        if (!view_.has(at_, 4)) return static_cast<uint32_t>(fail());
        at_ += 4;
        return view_.u32(at_ - 4);
    }
    uint64_t u64() {
        if (!view_.has(at_, 8)) return fail();
        at_ += 8;
        return view_.u64(at_ - 8);
    }
    std::string_view bytes(uint64_t length) {
        if (!view_.has(at_, length)) return fail(), std::string_view();
        at_ += length;
        return {reinterpret_cast<const char*>(view_.data() + at_ - length), static_cast<size_t>(length)};
    }
    size_t at() const { return at_; }
    bool ok() const { return ok_; }

private:
    uint64_t fail() {
        ok_ = false;
        at_ = view_.size();
        return 0;
    }
    ByteView view_;
    size_t at_;
    bool ok_ = true;
};

// Extra records: file time (type 3) and encryption (type 1) matter for a listing.
void ApplyExtra(ByteView extra, ArchiveEntry& entry) {
    VintReader r(extra);
    while (r.ok() && r.at() < extra.size()) {
        const uint64_t size = r.vint();
        const size_t start = r.at();
        if (!r.ok() || size == 0 || !extra.has(start, size)) return;
        VintReader record(extra.sub(start, size));
        const uint64_t type = record.vint();
        if (type == 1) entry.encrypted = true;
        if (type == 3) {
            const uint64_t flags = record.vint();
            if (flags & 0x02) {
                const EntryTime t = (flags & 0x01) ? EntryTime::fromUnix(record.u32()) : EntryTime::fromFiletime(record.u64());
                if (record.ok()) entry.time = t;
            }
        }
        r.bytes(size);
    }
}

}  // namespace

ReadResult ReadRar5(ReadContext& ctx) {
    uint8_t signature[8];
    if (!ctx.source.readAt(0, signature, 8) || std::memcmp(signature, kSignature, 8) != 0) return ReadResult::NotThisFormat;
    ctx.listing.format = "rar5";
    uint64_t pos = 8;
    std::vector<uint8_t> block;
    while (ctx.listing.entries.size() < kMaxEntries) {
        // CRC32, then the header size as a vint of at most 3 bytes.
        uint8_t prefix[7] = {};
        const uint64_t available = ctx.source.size() > pos ? ctx.source.size() - pos : 0;
        if (available < 6 || !ctx.source.readAt(pos, prefix, static_cast<size_t>(std::min<uint64_t>(7, available)))) break;
        VintReader sizeReader(ByteView(prefix, 7), 4);
        const uint64_t headerSize = sizeReader.vint();
        const size_t headerStart = sizeReader.at();
        if (!sizeReader.ok() || headerSize == 0 || headerSize > kMaxHeader ||
            !ctx.source.readBlock(pos + headerStart, static_cast<size_t>(headerSize), block)) {
            ctx.listing.note = "the archive is damaged after entry " + std::to_string(ctx.listing.entries.size());
            break;
        }
        const ByteView header(block.data(), block.size());
        VintReader r(header);
        const uint64_t type = r.vint(), flags = r.vint();
        const uint64_t extraSize = (flags & kHasExtra) ? r.vint() : 0;
        const uint64_t dataSize = (flags & kHasData) ? r.vint() : 0;
        if (!r.ok()) {
            ctx.listing.note = "a header is damaged";
            break;
        }
        if (type == kTypeEncryption) {
            ctx.error = "the archive's headers are encrypted: its names cannot be listed without the password";
            return ReadResult::Failed;
        }
        if (type == kTypeEnd) break;
        if (type == kTypeFile) {
            const uint64_t fileFlags = r.vint(), size = r.vint(), attributes = r.vint();
            ArchiveEntry entry;
            if (fileFlags & kFileHasTime) entry.time = EntryTime::fromUnix(r.u32());
            if (fileFlags & kFileHasCrc) r.u32();
            r.vint();  // compression
            const uint64_t host = r.vint();
            entry.name = Utf8OrCp437(r.bytes(r.vint()));
            if (!r.ok()) {
                ctx.listing.note = "a file header is damaged";
                break;
            }
            if (extraSize <= headerSize) ApplyExtra(header.sub(static_cast<size_t>(headerSize - extraSize)), entry);
            entry.attributes = host == 1 ? AttributesFromUnixMode(static_cast<uint32_t>(attributes))
                                         : static_cast<uint32_t>(attributes) & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
            if (fileFlags & kFileIsFolder) entry.attributes |= kAttrFolder;
            if (!entry.folder() && !(fileFlags & kFileSizeUnknown)) entry.size = size;
            entry.packedSize = dataSize;
            ctx.listing.entries.push_back(std::move(entry));
        }
        const uint64_t next = pos + headerStart + headerSize;
        if (!ctx.source.contains(next, dataSize)) {
            ctx.listing.note = "the archive is cut short inside its last entry";
            break;
        }
        pos = next + dataSize;
    }
    return ReadResult::Listed;
}

}  // namespace qm::extract

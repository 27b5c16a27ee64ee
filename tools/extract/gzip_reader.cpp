// Gzip: one member entry (its stored name, time and the trailer's size), or, when the body is a
// tar, that tar's entries read through a bounded streaming inflate.
#include <zlib.h>

#include <algorithm>

#include "disk/byte_view.h"
#include "tools/extract/format_readers.h"
#include "tools/extract/name_text.h"

namespace qm::extract {
namespace {

constexpr uint64_t kMaxInflated = 2ull << 30;   // a tar inside is listed up to 2 GiB of output
constexpr size_t kMaxInnerEntries = 100000;

// The inflated body of a gzip file as a forward stream; concatenated members run on.
class InflateStream final : public ByteStream {
public:
    explicit InflateStream(ByteSource& source) : input_(source, 0), inputLeft_(source.size()) {
        ok_ = inflateInit2(&z_, 15 + 16) == Z_OK;
    }
    ~InflateStream() override { inflateEnd(&z_); }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    bool read(void* buffer, size_t length) override { return produce(static_cast<uint8_t*>(buffer), length); }
    bool skip(uint64_t length) override {
        uint8_t scratch[16384];
        while (length > 0) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(length, sizeof scratch));
            if (!produce(scratch, n)) return false;
            length -= n;
        }
        return true;
    }
    uint64_t position() const override { return produced_; }

private:
    bool produce(uint8_t* out, size_t length) {
        if (!ok_ || produced_ + length > kMaxInflated) return false;
        z_.next_out = out;
        z_.avail_out = static_cast<uInt>(length);
        while (z_.avail_out > 0) {
            if (z_.avail_in == 0) {
                const size_t n = static_cast<size_t>(std::min<uint64_t>(inputLeft_, sizeof chunk_));
                if (n == 0 || !input_.read(chunk_, n)) return ok_ = false;
                inputLeft_ -= n;
                z_.next_in = chunk_;
                z_.avail_in = static_cast<uInt>(n);
            }
            const int rc = inflate(&z_, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                if (inflateReset(&z_) != Z_OK) return ok_ = false;
            } else if (rc != Z_OK && !(rc == Z_BUF_ERROR && z_.avail_in == 0)) {
                return ok_ = false;
            }
        }
        produced_ += length;
        return true;
    }

    SourceCursor input_;
    uint64_t inputLeft_;
    z_stream z_{};
    uint8_t chunk_[65536];
    uint64_t produced_ = 0;
    bool ok_ = false;
};

}  // namespace

ReadResult ReadGzip(ReadContext& ctx) {
    std::vector<uint8_t> head;
    const size_t headLength = static_cast<size_t>(std::min<uint64_t>(ctx.source.size(), 64 * 1024));
    if (!ctx.source.readBlock(0, headLength, head) || head.size() < 18) return ReadResult::NotThisFormat;
    const ByteView h(head.data(), head.size());
    if (h.u8(0) != 0x1F || h.u8(1) != 0x8B || h.u8(2) != 8) return ReadResult::NotThisFormat;
    ctx.listing.format = "gzip";

    const uint8_t flags = h.u8(3);
    size_t pos = 10;
    if (flags & 0x04) pos += 2 + h.u16(10);  // FEXTRA
    std::string name;
    if ((flags & 0x08) && pos < head.size()) {  // FNAME
        const std::string_view stored = UntilNul(head.data() + pos, head.size() - pos);
        name = Utf8OrCp437(stored);
    }
    if (name.empty()) {
        static const char* const ext[] = {".tgz", ".taz", ".gz", ".gzip", "-gz", ".z"};
        static const char* const rep[] = {".tar", ".tar", "", "", "", ""};
        name = NameWithoutExtension(ctx.archiveName, ext, rep, 6);
    }

    uint8_t trailer[4];
    ArchiveEntry member;
    member.name = name;
    if (ctx.source.readAt(ctx.source.size() - 4, trailer, 4)) member.size = ByteView(trailer, 4).u32(0);
    member.packedSize = ctx.source.size();
    if (const uint32_t mtime = h.u32(4); mtime != 0) member.time = EntryTime::fromUnix(mtime);

    // A tar inside is listed entry by entry; anything else is the one member.
    InflateStream stream(ctx.source);
    uint8_t block[512];
    if (stream.read(block, sizeof block) && IsTarHeader(block)) {
        InflateStream body(ctx.source);
        ArchiveListing inner;
        if (WalkTar(body, inner, kMaxInnerEntries) > 0) {
            ctx.listing.format = "tar (gzip)";
            ctx.listing.entries = std::move(inner.entries);
            ctx.listing.note = inner.note;
            if (ctx.listing.entries.size() >= kMaxInnerEntries)
                ctx.listing.note = "only the first " + std::to_string(kMaxInnerEntries) + " entries are listed";
            return ReadResult::Listed;
        }
    }
    ctx.listing.entries.push_back(std::move(member));
    return ReadResult::Listed;
}

}  // namespace qm::extract

// Formats whose length only inflating their deflate streams tells (the output is thrown
// away). A gzip file ends after its last member, each a deflate stream and an 8-byte
// trailer, where no further member starts; a compressed Flash movie ends with the zlib
// stream that follows its 8-byte header.
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "engines/carving/file_window.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kMaxMembers = 4096;
constexpr uint64_t kMaxInflated = 8 * kGiB;  // keeps a decompression bomb from running long

class Inflater {
public:
    // `windowBits` as inflateInit2 takes them: 16 + MAX_WBITS for gzip members (their
    // trailers checked), MAX_WBITS for zlib streams.
    explicit Inflater(int windowBits) : out_(65536) { ok_ = inflateInit2(&stream_, windowBits) == Z_OK; }
    ~Inflater() {
        if (ok_) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // The stream that starts at `at`: its end, or 0 when it is broken or runs too long.
    uint64_t StreamEnd(FileWindow& window, uint64_t at, uint64_t& inflated) {
        if (!ok_ || inflateReset(&stream_) != Z_OK) return 0;
        for (uint64_t fed = at;;) {
            const ByteView in = window.Bytes(fed, window.Available(fed, FileWindow::kMaxRun));
            if (in.size() == 0) return 0;  // cut short by the medium or the limit
            stream_.next_in = const_cast<Bytef*>(in.data());
            stream_.avail_in = static_cast<uInt>(in.size());
            while (stream_.avail_in > 0) {
                stream_.next_out = out_.data();
                stream_.avail_out = static_cast<uInt>(out_.size());
                const int rc = inflate(&stream_, Z_NO_FLUSH);
                inflated += out_.size() - stream_.avail_out;
                if (rc == Z_STREAM_END) return fed + (in.size() - stream_.avail_in);
                if (rc != Z_OK || inflated > kMaxInflated) return 0;
            }
            fed += in.size();
        }
    }

private:
    z_stream stream_{};
    bool ok_ = false;
    std::vector<uint8_t> out_;
};

bool MemberStarts(FileWindow& window, uint64_t at) {
    const ByteView b = window.Bytes(at, 4);
    return b.size() == 4 && b.u8(0) == 0x1F && b.u8(1) == 0x8B && b.u8(2) == 8 && (b.u8(3) & 0xE0) == 0;
}

uint64_t WalkGzipMembers(FileWindow& window, ByteView) {
    Inflater inflater(16 + MAX_WBITS);
    uint64_t at = 0;
    uint64_t inflated = 0;
    uint32_t members = 0;
    for (; members < kMaxMembers && MemberStarts(window, at); ++members) {
        const uint64_t end = inflater.StreamEnd(window, at, inflated);
        if (end == 0) return 0;
        at = end;
    }
    return members < kMaxMembers ? at : 0;
}

uint64_t WalkCompressedFlash(FileWindow& window, ByteView first) {
    Inflater inflater(MAX_WBITS);
    uint64_t inflated = 0;
    const uint64_t end = inflater.StreamEnd(window, 8, inflated);
    return inflated + 8 == first.u32(4) ? end : 0;  // the header names the inflated movie's length
}

}  // namespace

uint64_t MeasureGzipMembers(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 6 * kGiB, WalkGzipMembers, MeasureNextHeader6G);
}

uint64_t MeasureFlashMovie(CarveContext& ctx, ByteView first) {
    if (!first.equals(0, "CWS", 3)) return MeasureFlashHeaderLength(ctx, first);
    return WalkOrFallback(ctx, first, 256 * kMiB, WalkCompressedFlash, MeasureFlashHeaderLength);
}

}  // namespace qm

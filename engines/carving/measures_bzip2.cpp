// A bzip2 stream ends with a 48-bit end-of-stream mark and the 32-bit stream CRC, at any bit
// position (its blocks are not byte-aligned), then pads to a whole byte. The mark is found
// bit by bit without decompressing. Streams written one after another (parallel
// compressors do that) make one file.
#include <cstring>

#include "engines/carving/carve_context.h"
#include "engines/carving/formats_packages.h"
#include "engines/carving/measures.h"
#include "engines/carving/next_header_rule.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint64_t kEndMark = 0x177245385090ull;
constexpr uint64_t kBlockMark = 0x314159265359ull;
constexpr uint64_t kMark48 = (1ull << 48) - 1;
constexpr size_t kStreamHeader = 10;  // "BZh", the block size digit, then a block or end mark

bool IsStreamHeader(const uint8_t* h) {
    if (std::memcmp(h, "BZh", 3) != 0 || h[3] < '1' || h[3] > '9') return false;
    uint64_t mark = 0;
    for (size_t i = 4; i < kStreamHeader; ++i) mark = (mark << 8) | h[i];
    return mark == kBlockMark || mark == kEndMark;
}

class StreamScanner {
public:
    // Feeds the file's bytes [offset, offset + end) that it has not seen yet. False once the
    // last stream's end is known.
    bool Feed(ByteView bytes, uint64_t offset, size_t end) {
        for (size_t i = pos_ > offset ? static_cast<size_t>(pos_ - offset) : 0; i < end; ++i, ++pos_) {
            const uint8_t byte = bytes.u8(i);
            if (streamEnd_ != 0) {  // watching for a following stream's header
                if (pos_ >= streamEnd_) next_[pos_ - streamEnd_] = byte;
                if (pos_ + 1 < streamEnd_ + kStreamHeader) continue;
                if (!IsStreamHeader(next_)) return false;
                streamStart_ = streamEnd_;
                streamEnd_ = 0;
                bits_ = 0;
                continue;
            }
            if (pos_ < streamStart_ + 4) continue;  // "BZh" and the block size digit
            register_ = (register_ << 8) | byte;
            bits_ += 8;
            for (unsigned shift = 0; shift < 8; ++shift) {
                if (bits_ < 48 + shift || ((register_ >> shift) & kMark48) != kEndMark) continue;
                const uint64_t markEndBit = (pos_ + 1) * 8 - shift;
                streamEnd_ = (markEndBit + 32 + 7) / 8;  // the stream CRC, then the byte's padding
                break;
            }
        }
        return true;
    }
    // The end of the last stream whose end mark was seen and read past, or 0.
    uint64_t End(uint64_t reached) const { return streamEnd_ != 0 && reached >= streamEnd_ ? streamEnd_ : 0; }
    uint64_t Pending() const { return streamEnd_; }

private:
    uint64_t pos_ = 0;
    uint64_t streamStart_ = 0;
    uint64_t streamEnd_ = 0;
    uint64_t register_ = 0;
    uint64_t bits_ = 0;
    uint8_t next_[kStreamHeader] = {};
};

}  // namespace

uint64_t MeasureBzip2Streams(CarveContext& ctx, ByteView first) {
    if (first.size() < kStreamHeader || !IsStreamHeader(first.data())) return MeasureNextHeader4G(ctx, first);
    StreamScanner scanner;
    if (!scanner.Feed(first, 0, first.size())) return scanner.Pending();
    bool ended = false;
    const uint64_t reached = RunNextHeaderRule(ctx, 4 * kGiB, [&](const ReadAheadChunk& chunk, uint64_t& length) {
        if (scanner.Feed(chunk.bytes, chunk.fileOffset, chunk.newStart)) return false;
        length = scanner.Pending();
        ended = true;
        return true;
    });
    if (ended) return reached;
    const uint64_t end = scanner.End(reached);
    return end != 0 ? end : reached;
}

}  // namespace qm

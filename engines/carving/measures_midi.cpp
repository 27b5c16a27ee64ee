// A standard MIDI file ends with its last track: the header names the track count, and
// each "MTrk" header gives the length of the track it opens.
#include "engines/carving/carve_context.h"
#include "engines/carving/measures.h"
#include "engines/carving/next_header_rule.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

// Follows the chain of track headers through the bytes as they are read.
class TrackChain {
public:
    explicit TrackChain(uint32_t tracks) : tracks_(tracks) {}

    void Feed(uint64_t offset, ByteView bytes) {
        while (!Done() && !broken_) {
            const uint64_t want = next_ + have_;  // file offset of the next header byte
            if (want < offset) {
                broken_ = true;  // skipped past unseen bytes
                return;
            }
            if (want - offset >= bytes.size()) return;
            header_[have_++] = bytes.u8(static_cast<size_t>(want - offset));
            if (have_ < 8) continue;
            const ByteView h(header_, 8);
            if (!HasText(h, 0, "MTrk")) {
                broken_ = true;
                return;
            }
            next_ += 8 + static_cast<uint64_t>(BigEndian32(h, 4));
            have_ = 0;
            ++counted_;
        }
    }
    bool Done() const { return counted_ == tracks_; }
    uint64_t End() const { return next_; }

private:
    uint32_t tracks_;
    uint32_t counted_ = 0;
    uint64_t next_ = 14;  // the header chunk is 14 bytes
    uint8_t header_[8] = {};
    uint32_t have_ = 0;
    bool broken_ = false;
};

}  // namespace

uint64_t MeasureMidiTracks(CarveContext& ctx, ByteView first) {
    const uint32_t tracks = BigEndian16(first, 10);
    if (tracks == 0) return RunNextHeaderRule(ctx, 8 * kMiB);
    TrackChain chain(tracks);
    chain.Feed(0, first);
    if (chain.Done() && chain.End() <= ctx.sectorSize) return chain.End();
    return RunNextHeaderRule(ctx, 8 * kMiB, [&](const ReadAheadChunk& chunk, uint64_t& length) {
        chain.Feed(chunk.fileOffset, chunk.bytes.sub(0, chunk.newStart));
        if (!chain.Done() || chain.End() > length) return false;
        length = chain.End();
        return true;
    });
}

}  // namespace qm

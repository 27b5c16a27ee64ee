#include <algorithm>

#include "engines/carving/carve_context.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_sound.h"

namespace qm {

namespace {

constexpr size_t kConfirmFrames = 5;
// Five of the longest frames (layer II, 384 kbit/s at 32 kHz, padded) and a header.
constexpr size_t kConfirmBytes = 5 * 1729 + 4;

// The frames from the start of `b` on: true when `kConfirmFrames` of one stream follow each
// other; `short_` is set when `b` ends before that could be told.
bool FramesFollow(ByteView b, uint32_t format, bool& short_) {
    short_ = false;
    size_t at = 0;
    for (size_t frames = 0; frames < kConfirmFrames; ++frames) {
        if (!b.has(at, 4)) {
            short_ = true;
            return false;
        }
        uint32_t next = 0;
        uint8_t layer = 0;
        const uint32_t length = MpegAudioFrameLength(b.sub(at, 4), next, layer);
        if (length == 0 || next != format) return false;
        at += length;
    }
    return true;
}

// A sector that starts with a layer II or III frame header which a run of frames of the same
// stream follows, or whose frame carries an encoder's frame count. Frames running past the
// sector are read from the medium.
int DetectUntaggedMpegAudio(CarveContext& ctx, ByteView b) {
    uint32_t format = 0;
    uint8_t layer = 0;
    if (MpegAudioFrameLength(b, format, layer) == 0 || layer == 1) return kTypeNoMatch;
    if (MpegAudioEncoderFrame(b)) return kTypeMp3;
    bool short_ = false;
    if (FramesFollow(b, format, short_)) return kTypeMp3;
    if (!short_ || !ctx.CanRead()) return kTypeNoMatch;

    const uint64_t sectors = ctx.MediumSectors();
    if (ctx.currentSector >= sectors) return kTypeNoMatch;
    const uint64_t left = (sectors - ctx.currentSector) * ctx.sectorSize;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kConfirmBytes, left));
    uint8_t confirm[kConfirmBytes];
    if (!ReadFileBytes(ctx, ctx.currentSector, 0, want, confirm, true)) return kTypeNoMatch;
    return FramesFollow(ByteView(confirm, want), format, short_) ? kTypeMp3 : kTypeNoMatch;
}

}  // namespace

const Detector kUntaggedMpegAudioDetector{"MPEG audio frames", DetectUntaggedMpegAudio, {{0, 0xFF}}, 1, true};

}  // namespace qm

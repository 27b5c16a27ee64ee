// MPEG audio (MP3, MP2) ends after its last frame and the tags that may follow it: an ID3v2
// tag first, then frames whose lengths their headers give, then an APE tag and an ID3v1 tag.
#include <vector>

#include "engines/carving/file_window.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

uint64_t ApeTagLength(FileWindow& window, uint64_t at);

constexpr uint64_t kMaxFrames = 50'000'000;
constexpr size_t kResyncBytes = 8192;  // junk tolerated between the ID3v2 tag and the first frame

struct Frame {
    uint32_t length = 0;
    uint32_t format = 0;  // version, layer and sample-rate bits: the same in every frame of a stream
    uint8_t version = 0;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    uint8_t layer = 0;    // 1, 2 or 3
    bool mono = false;
};

bool DecodeFrame(ByteView h, Frame& out) {
    const uint32_t bits = static_cast<uint32_t>(BigEndianN(h, 0, 4));
    if ((bits >> 21) != 0x7FF) return false;
    const uint8_t version = (bits >> 19) & 3;
    const uint8_t layer = static_cast<uint8_t>(4 - ((bits >> 17) & 3));
    const uint32_t bitrateIndex = (bits >> 12) & 15;
    const uint32_t rateIndex = (bits >> 10) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    static constexpr uint16_t kBitrates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2 layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2 layers II, III
    };
    static constexpr uint32_t kRates[3] = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const uint32_t table = mpeg1 ? layer - 1u : (layer == 1 ? 3u : 4u);
    const uint32_t bitrate = kBitrates[table][bitrateIndex] * 1000u;
    const uint32_t rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const uint32_t padding = (bits >> 9) & 1;
    if (layer == 1) {
        out.length = (12 * bitrate / rate + padding) * 4;
    } else {
        const uint32_t factor = layer == 3 && !mpeg1 ? 72 : 144;
        out.length = factor * bitrate / rate + padding;
    }
    out.format = bits & 0xFFFE0C00;
    out.version = version;
    out.layer = layer;
    out.mono = ((bits >> 6) & 3) == 3;
    return out.length >= 4;
}

// The frame count an encoder wrote into the first frame `bytes` (Xing, Info or VBRI), or 0.
uint64_t DeclaredFramesIn(ByteView bytes, const Frame& frame) {
    if (frame.layer != 3) return 0;
    const size_t sideInfo = frame.version == 3 ? (frame.mono ? 17 : 32) : (frame.mono ? 9 : 17);
    const size_t xing = 4 + sideInfo;
    if ((bytes.equals(xing, "Xing", 4) || bytes.equals(xing, "Info", 4)) && (BigEndianN(bytes, xing + 4, 4) & 1))
        return BigEndianN(bytes, xing + 8, 4);
    if (bytes.equals(36, "VBRI", 4)) return BigEndianN(bytes, 36 + 14, 4);
    return 0;
}

uint64_t DeclaredFrames(FileWindow& window, uint64_t at, const Frame& frame) {
    return DeclaredFramesIn(window.Bytes(at, window.Available(at, frame.length)), frame);
}

bool FrameAt(FileWindow& window, uint64_t at, Frame& frame) { return DecodeFrame(window.Bytes(at, 4), frame); }

// The first frame at or shortly after `at` that another frame of the same stream follows.
bool FindFirstFrame(FileWindow& window, uint64_t& at, Frame& frame) {
    // A copy: looking at the following frame may move the window.
    const ByteView view = window.Bytes(at, window.Available(at, kResyncBytes + 4));
    const std::vector<uint8_t> copy(view.data(), view.data() + view.size());
    const ByteView area(copy.data(), copy.size());
    for (size_t i = 0; i + 4 <= area.size() && i <= kResyncBytes; ++i) {
        Frame next;
        if (DecodeFrame(area.sub(i, 4), frame) && FrameAt(window, at + i + frame.length, next) &&
            next.format == frame.format) {
            at += i;
            return true;
        }
    }
    return false;
}

uint64_t WalkMpegAudio(FileWindow& window, ByteView first) {
    uint64_t at = 0;
    if (first.equals(0, "ID3", 3)) {
        uint64_t size = 0;
        for (size_t i = 6; i < 10; ++i) size = (size << 7) | (first.u8(i) & 0x7F);
        at = 10 + size + ((first.u8(5) & 0x10) ? 10 : 0);
    }
    Frame frame;
    if (!FindFirstFrame(window, at, frame)) return 0;
    const uint32_t format = frame.format;
    const uint64_t declared = DeclaredFrames(window, at, frame);
    uint64_t frames = 0;
    while (frames < kMaxFrames && FrameAt(window, at, frame) && frame.format == format &&
           window.Holds(at + frame.length)) {
        at += frame.length;
        ++frames;
    }
    if (frames < declared || frames == kMaxFrames) return 0;  // broken off before the encoder's count
    return AfterAudioTags(window, at);
}

// An APE tag that starts at `at`: with its header, or found by a footer that points back here.
uint64_t ApeTagLength(FileWindow& window, uint64_t at) {
    const ByteView area = window.Bytes(at, window.Available(at, FileWindow::kMaxRun));
    if (area.equals(0, "APETAGEX", 8) && (area.u32(20) & (1u << 29))) return 32ull + area.u32(12);
    for (size_t i = 0; i + 32 <= area.size(); ++i)
        if (area.equals(i, "APETAGEX", 8) && area.u32(i + 12) == i + 32) return i + 32;
    return 0;
}

}  // namespace

uint64_t AfterAudioTags(FileWindow& window, uint64_t at) {
    if (const uint64_t ape = ApeTagLength(window, at); ape != 0 && window.Holds(at + ape)) at += ape;
    if (window.Bytes(at, 128).equals(0, "TAG", 3)) at += 128;
    return at;
}

uint32_t MpegAudioFrameLength(ByteView bytes, uint32_t& format, uint8_t& layer) {
    Frame frame;
    if (!DecodeFrame(bytes, frame)) return 0;
    format = frame.format;
    layer = frame.layer;
    return frame.length;
}

bool MpegAudioEncoderFrame(ByteView bytes) {
    Frame frame;
    return DecodeFrame(bytes, frame) && DeclaredFramesIn(bytes.sub(0, frame.length), frame) != 0;
}

uint64_t MeasureMp3Frames(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 2 * kGiB, WalkMpegAudio, MeasureMp3Tag);
}

uint64_t MeasureMpegAudioFrames(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 256 * kMiB, WalkMpegAudio, MeasureNextHeader256M);
}

}  // namespace qm

// AAC in ADTS frames has no container: the file is its frames, each giving its own length in
// its header, and may end with an APE and an ID3v1 tag as MPEG audio does. The walk stops at
// the first position that is not a frame of the same stream.
#include "engines/carving/file_window.h"
#include "engines/carving/formats_sound.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint64_t kMaxFrames = 100'000'000;
constexpr uint64_t kFewestFrames = 5;  // as many as the detector saw
constexpr size_t kHeader = 7;

uint64_t WalkAdts(FileWindow& window, ByteView) {
    uint32_t format = 0;
    uint64_t at = 0;
    uint64_t frames = 0;
    for (; frames < kMaxFrames; ++frames) {
        uint32_t next = 0;
        const uint32_t length = AdtsFrameLength(window.Bytes(at, kHeader), next);
        if (length == 0 || (frames != 0 && next != format) || !window.Holds(at + length)) break;
        format = next;
        at += length;
    }
    if (frames < kFewestFrames || frames == kMaxFrames) return 0;
    return AfterAudioTags(window, at);
}

}  // namespace

uint32_t AdtsFrameLength(ByteView bytes, uint32_t& format) {
    if (!bytes.has(0, kHeader)) return 0;
    const uint32_t bits = static_cast<uint32_t>(BigEndianN(bytes, 0, 4));
    if ((bits >> 20) != 0xFFF || ((bits >> 17) & 3) != 0) return 0;  // layer 00 sets it apart from MPEG audio
    const bool mpeg2 = (bits >> 19) & 1;
    const uint32_t profile = (bits >> 14) & 3;
    const uint32_t rateIndex = (bits >> 10) & 15;
    if (rateIndex > 12 || (mpeg2 && profile == 3)) return 0;
    const uint32_t length = ((bits & 3) << 11) | (uint32_t{bytes.u8(4)} << 3) | (bytes.u8(5) >> 5);
    const bool crc = ((bits >> 16) & 1) == 0;
    if (length < (crc ? 9u : 7u)) return 0;
    format = bits & 0xFFFFFDC0;  // sync, version, layer, CRC, profile, sample rate, channels
    return length;
}

uint64_t MeasureAdtsFrames(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 4 * kGiB, WalkAdts, MeasureNextHeader4G);
}

}  // namespace qm

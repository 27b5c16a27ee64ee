// Detectors and measures of the sound rows: FLAC, Ogg, WebM, MPEG audio without a tag and
// AAC in ADTS frames, and camcorder transport streams.
#pragma once
#include <cstdint>

#include "engines/carving/detector.h"

namespace qm {

class FileWindow;

// Ogg: a first page (beginning of stream, sequence 0) whose first packet names the codec:
// Vorbis, FLAC and others give kTypeOgg, Opus kTypeOpus, Theora kTypeOgv.
extern const Detector kOggDetector;
// The pages of the logical streams begun at the start, until each has ended (4 GiB).
uint64_t MeasureOggPages(CarveContext& ctx, ByteView first);

// FLAC: "fLaC" and a STREAMINFO block first.
extern const Detector kFlacDetector;
// The metadata blocks, then the frames up to the sample count STREAMINFO gives (4 GiB).
uint64_t MeasureFlacFrames(CarveContext& ctx, ByteView first);

// An EBML header whose DocType is "webm"; measured as Matroska.
extern const Detector kWebmDetector;

// MPEG audio frames (layers II and III) with no tag before them: five frames of one stream
// in a row, or a first frame with an encoder's frame count.
extern const Detector kUntaggedMpegAudioDetector;

// The MPEG audio frame whose header starts `bytes`: its length and the bits its stream
// shares (version, layer, sample rate), or a length of 0. `layer` is 1, 2 or 3.
uint32_t MpegAudioFrameLength(ByteView bytes, uint32_t& format, uint8_t& layer);
// True when the frame that starts `bytes` carries an encoder's Xing, Info or VBRI header.
bool MpegAudioEncoderFrame(ByteView bytes);

// The CRC of Ogg pages (0x04C11DB7, not reflected, from 0), continued from `crc`.
uint32_t OggCrc(uint32_t crc, ByteView bytes);

// AAC in ADTS frames: five frames in a row whose fixed headers agree.
extern const Detector kAdtsDetector;
// The frames of one stream, then an APE and an ID3v1 tag (4 GiB).
uint64_t MeasureAdtsFrames(CarveContext& ctx, ByteView first);
// The ADTS frame whose header starts `bytes`: its length and the header bits every frame of
// its stream shares (version, profile, sample rate, channels), or a length of 0.
uint32_t AdtsFrameLength(ByteView bytes, uint32_t& format);
// The end of the tags an audio stream may carry after its last frame (an APE tag, then a
// 128-byte ID3v1 tag), from `at`, the end of the frames.
uint64_t AfterAudioTags(FileWindow& window, uint64_t at);

// The run of 192-byte time-stamped transport packets of a camcorder stream, up to 64 GiB; the
// next header, 6 GiB, when fewer than two packets are there.
uint64_t MeasureTimestampedPackets(CarveContext& ctx, ByteView first);

}  // namespace qm

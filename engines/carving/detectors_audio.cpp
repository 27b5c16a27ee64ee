#include "engines/carving/carve_context.h"
#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

int DetectId3v2(CarveContext&, ByteView b) {
    if (b.size() < 10 || !HasText(b, 0, "ID3")) return kTypeNoMatch;
    if (b.u8(3) == 0xFF || b.u8(4) == 0xFF || (b.u8(5) & 0x1F) != 0) return kTypeNoMatch;
    for (size_t i = 6; i <= 9; ++i)
        if (b.u8(i) >= 0x80) return kTypeNoMatch;  // the tag size is a 28-bit syncsafe number
    return kTypeMp3;
}

int DetectMpegAudio(CarveContext&, ByteView b) {
    return b.size() >= 4 && HasText(b, 0, "\xFF\xFD\xE4\x00") ? kTypeMp2 : kTypeNoMatch;
}

int DetectMidi(CarveContext&, ByteView b) {
    if (b.size() < 16) return kTypeNoMatch;
    return HasText(b, 0, "MThd") && BigEndian32(b, 4) == 6 && HasText(b, 14, "MTrk") ? kTypeMid : kTypeNoMatch;
}

int DetectSmaf(CarveContext&, ByteView b) { return b.size() >= 4 && HasText(b, 0, "MMMD") ? kTypeMmf : kTypeNoMatch; }

int DetectMonkeysAudio(CarveContext&, ByteView b) {
    return b.size() >= 4 && HasText(b, 0, "MAC ") ? kTypeApe : kTypeNoMatch;
}

int DetectRiffWave(CarveContext&, ByteView b) {
    if (b.size() < 16) return kTypeNoMatch;
    return HasText(b, 0, "RIFF") && HasText(b, 8, "WAVE") && HasText(b, 12, "fmt ") ? kTypeWav : kTypeNoMatch;
}

}  // namespace

const Detector kId3v2Detector{"ID3v2", DetectId3v2, {{0, 'I'}}, 1, false};
const Detector kMpegAudioDetector{"MPEG audio frame", DetectMpegAudio, {{0, 0xFF}}, 1, false};
const Detector kMidiDetector{"MIDI header", DetectMidi, {{0, 'M'}}, 1, false};
const Detector kSmafDetector{"SMAF", DetectSmaf, {{0, 'M'}}, 1, false};
const Detector kMonkeysAudioDetector{"Monkey's Audio", DetectMonkeysAudio, {{0, 'M'}}, 1, false};
const Detector kRiffWaveDetector{"RIFF WAVE", DetectRiffWave, {{0, 'R'}}, 1, false};

}  // namespace qm

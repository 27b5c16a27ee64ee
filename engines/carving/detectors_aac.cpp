#include "engines/carving/carve_context.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_sound.h"

namespace qm {

namespace {

constexpr size_t kConfirmFrames = 5;
constexpr size_t kHeader = 7;

// A sector that starts with an ADTS frame header which four more frames of the same stream
// follow. Headers past the sector are read from the medium; five frames span 40 KB at most.
int DetectAdts(CarveContext& ctx, ByteView b) {
    uint32_t format = 0;
    uint32_t length = AdtsFrameLength(b, format);
    if (length == 0) return kTypeNoMatch;
    size_t at = length;
    for (size_t frames = 1; frames < kConfirmFrames; ++frames) {
        uint8_t read[kHeader];
        ByteView header = b.sub(at, kHeader);
        if (header.size() < kHeader) {
            if (!ReadFileBytes(ctx, ctx.currentSector, at, kHeader, read, true)) return kTypeNoMatch;
            header = ByteView(read, kHeader);
        }
        uint32_t next = 0;
        length = AdtsFrameLength(header, next);
        if (length == 0 || next != format) return kTypeNoMatch;
        at += length;
    }
    return kTypeAac;
}

}  // namespace

const Detector kAdtsDetector{"ADTS frames", DetectAdts, {{0, 0xFF}}, 1, true};

}  // namespace qm

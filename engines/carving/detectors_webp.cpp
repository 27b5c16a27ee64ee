// WebP: a RIFF form whose first chunk holds a lossy, lossless or extended image.
#include "engines/carving/carve_context.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/formats_pictures.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;
namespace {

int DetectWebp(CarveContext&, ByteView b) {
    if (b.size() < 16 || !HasText(b, 0, "RIFF") || !HasText(b, 8, "WEBP")) return kTypeNoMatch;
    return HasText(b, 12, "VP8 ") || HasText(b, 12, "VP8L") || HasText(b, 12, "VP8X") ? kTypeWebp : kTypeNoMatch;
}

}  // namespace

const Detector kWebpDetector{"RIFF WEBP", DetectWebp, {{0, 'R'}}, 1, false};

}  // namespace qm

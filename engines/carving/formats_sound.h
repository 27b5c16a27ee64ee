// Detectors and measures of the sound rows: FLAC, Ogg, AAC, WebM and MPEG audio without a tag.
#pragma once
#include "engines/carving/detector.h"

namespace qm {

}  // namespace qm

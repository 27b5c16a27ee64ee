// Detectors and measures of the pictures rows: ISO media pictures (HEIF, AVIF, CR3), M4A/M4V, WebP and camera raw files.
#pragma once
#include "engines/carving/detector.h"

namespace qm {

}  // namespace qm

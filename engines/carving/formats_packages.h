// Detectors and measures of the packages rows: ZIP packages that name their kind in a first mimetype entry (EPUB, OpenDocument).
#pragma once
#include "engines/carving/detector.h"

namespace qm {

}  // namespace qm

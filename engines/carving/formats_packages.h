// Detectors and measures of the packages rows: EPUB and OpenDocument packages, which name their kind in a
// first mimetype entry, and the structure walks that end JPEG, RAR and 7z files exactly.
#pragma once
#include <cstdint>

#include "engines/carving/detector.h"

namespace qm {

// A ZIP whose first entry is a stored "mimetype" naming an EPUB book or an OpenDocument file.
extern const Detector kPackageMimetypeDetector;

// Structures walked through a FileWindow; each falls back to the rule named beside it.
uint64_t MeasureJpegSegments(CarveContext& ctx, ByteView first);  // the end marker while reading ahead
uint64_t MeasureRarBlocks(CarveContext& ctx, ByteView first);     // the end-block marker
uint64_t Measure7zHeaders(CarveContext& ctx, ByteView first);     // the header marker

// The last zero-tailed end-of-central-directory marker of the first chunk that holds one:
// what a ZIP falls back to when no end record fits it.
uint64_t MeasureZipEndMarker(CarveContext& ctx, uint64_t limit);

// bzip2 streams, one after another, to the end mark and CRC of the last; the next header,
// 4 GiB, when no end mark comes first.
uint64_t MeasureBzip2Streams(CarveContext& ctx, ByteView first);
extern const Detector kBzip2Detector;

}  // namespace qm

// Detectors and measures of the pictures rows: ISO media pictures (HEIF, AVIF, CR3), M4A/M4V, WebP and camera raw files.
#pragma once
#include "engines/carving/detector.h"

namespace qm {

// ISO media named by its ftyp brands: HEIF (kTypeHeic for every HEIF brand), AVIF, CR3, M4A, M4V.
extern const Detector kIsoBrandDetector;
// RIFF WEBP with a VP8, VP8L or VP8X first chunk.
extern const Detector kWebpDetector;
// TIFF-based camera raw files, told apart by their header magic and first directory.
extern const Detector kCameraRawDetector;
// The Fujifilm raw header.
extern const Detector kFujifilmRawDetector;

// The RIFF size plus its header and pad byte; the next header, 256 MiB, when the size is absurd.
uint64_t MeasureWebpLength(CarveContext& ctx, ByteView first);
// The TIFF walk over a camera raw file, up to 1 GiB; the next header, 256 MiB, when it breaks.
uint64_t MeasureCameraRawExtent(CarveContext& ctx, ByteView first);
// The furthest part that the Fujifilm raw header points to; the next header, 256 MiB, when none fits.
uint64_t MeasureFujifilmRawLength(CarveContext& ctx, ByteView first);
// The PNG chunk chain to IEND, the GIF block chain to its trailer; the marker rules when the
// chain breaks.
uint64_t MeasurePngChunks(CarveContext& ctx, ByteView first);
uint64_t MeasureGifBlocks(CarveContext& ctx, ByteView first);

}  // namespace qm

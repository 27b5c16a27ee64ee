// The format detectors, grouped by family in detectors_*.cpp.
#pragma once
#include "engines/carving/detector.h"

namespace qm {

// Video
extern const Detector kMpegStreamDetector;
extern const Detector kIsoMediaDetector;
extern const Detector kIsoMedia3gpDetector;
extern const Detector kQuickTimeDetector;
extern const Detector kRealMediaDetector;
extern const Detector kAsfDetector;
extern const Detector kFlashMovieDetector;
extern const Detector kRiffAviDetector;
extern const Detector kFlashVideoDetector;
extern const Detector kMatroskaDetector;
extern const Detector kTransportStreamDetector;
extern const Detector kAvchdDetector;
extern const Detector kMxfDetector;
// Audio
extern const Detector kId3v2Detector;
extern const Detector kMpegAudioDetector;
extern const Detector kMidiDetector;
extern const Detector kSmafDetector;
extern const Detector kMonkeysAudioDetector;
extern const Detector kRiffWaveDetector;
// Pictures and fonts
extern const Detector kGifDetector;
extern const Detector kBmpDetector;
extern const Detector kJpegDetector;
extern const Detector kPngDetector;
extern const Detector kPhotoshopDetector;
extern const Detector kTiffDetector;
extern const Detector kIconDetector;
extern const Detector kTrueTypeDetector;
extern const Detector kOpenTypeDetector;
// Documents
extern const Detector kCompoundFirstFourDetector;
extern const Detector kCompoundFileDetector;
extern const Detector kOoxmlDetector;
extern const Detector kPdfDetector;
// Archives
extern const Detector kZipDetector;
extern const Detector kGzipDetector;
extern const Detector k7zDetector;
extern const Detector kRarDetector;
extern const Detector kCabinetDetector;
// Programs, images and stores
extern const Detector kPeImageDetector;
extern const Detector kGhostDetector;
extern const Detector kSqliteDetector;
extern const Detector kOutlookStoreDetector;
extern const Detector kOutlookExpressDetector;

}  // namespace qm

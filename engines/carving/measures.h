// The length measures, grouped by family in measures_*.cpp. Each takes the candidate's
// first sector and returns the carved file's length in bytes; it never returns less than its
// rule gives for that sector, and stops at the medium's end, a read error, a non-zero
// progress result and its limit.
#pragma once
#include <cstdint>

#include "engines/carving/detector.h"

namespace qm {

namespace carving {
inline constexpr uint64_t kMiB = 1024ull * 1024;
inline constexpr uint64_t kGiB = 1024ull * kMiB;
inline constexpr uint64_t kPackageLimit = 134217727;  // OOXML packages and compound files
}  // namespace carving

// The next-header rule alone, at each limit of the table.
uint64_t MeasureNextHeader256M(CarveContext& ctx, ByteView first);
uint64_t MeasureNextHeader128M(CarveContext& ctx, ByteView first);
uint64_t MeasureNextHeader2G(CarveContext& ctx, ByteView first);
uint64_t MeasureNextHeader4G(CarveContext& ctx, ByteView first);
uint64_t MeasureNextHeader6G(CarveContext& ctx, ByteView first);
uint64_t MeasureNextHeader64G(CarveContext& ctx, ByteView first);

// End markers found while reading ahead.
uint64_t MeasureJpegEnd(CarveContext& ctx, ByteView first);
uint64_t MeasureGifTrailer(CarveContext& ctx, ByteView first);
uint64_t MeasurePngEnd(CarveContext& ctx, ByteView first);
uint64_t MeasureRealMediaIndex(CarveContext& ctx, ByteView first);
uint64_t MeasureIsoMediaTrailer(CarveContext& ctx, ByteView first);
uint64_t MeasureMpegEnd(CarveContext& ctx, ByteView first);
uint64_t MeasureMp3Tag(CarveContext& ctx, ByteView first);
uint64_t MeasureApeTag(CarveContext& ctx, ByteView first);
uint64_t MeasurePdfEnd(CarveContext& ctx, ByteView first);
uint64_t MeasureZipEnd4G(CarveContext& ctx, ByteView first);
uint64_t MeasureZipEndPackage(CarveContext& ctx, ByteView first);
uint64_t Measure7zEnd(CarveContext& ctx, ByteView first);
uint64_t MeasureRarEnd(CarveContext& ctx, ByteView first);

// Structures walked while reading ahead.
uint64_t MeasureMidiTracks(CarveContext& ctx, ByteView first);
uint64_t MeasureTransportPackets(CarveContext& ctx, ByteView first);

// Structures walked from header to header through a FileWindow. Each falls back to the
// rule its rows had before (named beside it) when the structure breaks off, runs past the
// medium or the limit, or gives no end.
uint64_t MeasureMp4Boxes(CarveContext& ctx, ByteView first);           // the ISO media trailer
uint64_t MeasureIsoBoxes(CarveContext& ctx, ByteView first);           // the next header, 6 GiB
uint64_t MeasureMp3Frames(CarveContext& ctx, ByteView first);          // the ID3v1 tag
uint64_t MeasureMpegAudioFrames(CarveContext& ctx, ByteView first);    // the next header, 256 MiB
uint64_t MeasureFlvTags(CarveContext& ctx, ByteView first);            // the next header, 6 GiB
uint64_t MeasureMatroska(CarveContext& ctx, ByteView first);           // the next header, 64 GiB
uint64_t MeasureMpegPacks(CarveContext& ctx, ByteView first);          // the end marker
uint64_t MeasureTiffExtent(CarveContext& ctx, ByteView first);         // the next header, 128 MiB
uint64_t MeasurePhotoshopSections(CarveContext& ctx, ByteView first);  // the next header, 128 MiB
uint64_t MeasureGzipMembers(CarveContext& ctx, ByteView first);        // the next header, 6 GiB
uint64_t MeasureFlashMovie(CarveContext& ctx, ByteView first);         // compressed: one sector
uint64_t MeasureSqlitePages(CarveContext& ctx, ByteView first);        // the next header, 4 GiB

// Lengths taken from header fields.
uint64_t MeasureRiffAvi(CarveContext& ctx, ByteView first);
uint64_t MeasureRiffWave(CarveContext& ctx, ByteView first);
uint64_t MeasureBmpLength(CarveContext& ctx, ByteView first);
uint64_t MeasureFlashHeaderLength(CarveContext& ctx, ByteView first);
uint64_t MeasureAsfFileSize(CarveContext& ctx, ByteView first);
uint64_t MeasureCabinetLength(CarveContext& ctx, ByteView first);
uint64_t MeasureIconExtent(CarveContext& ctx, ByteView first);
uint64_t MeasureFontExtent(CarveContext& ctx, ByteView first);
uint64_t MeasureCompoundFile(CarveContext& ctx, ByteView first);

}  // namespace qm

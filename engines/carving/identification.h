// Identification of a candidate sector, its measure, and how far the scan moves on: the
// steps the carving engine runs for every sector offered to it.
#pragma once
#include <cstdint>
#include <string>

#include "disk/byte_view.h"
#include "engines/carving/detector.h"
#include "engines/carving/file_type_code.h"

namespace qm {

class CarveContext;

struct Identification {
    int row = -1;                // the first table row of the code: it names and measures the file
    int code = kTypeNoMatch;
    const char* extension = nullptr;
    MeasureFn measure = nullptr;
};

// Finds the first table row whose detector claims the sector, which starts at the context's
// current sector. 0 with the identification, or 87 when nothing claims the sector or its
// format is recognised but not carved. Remembers whether a transport stream (plain or
// AVCHD) was identified, for the next call.
int Identify(CarveContext& ctx, ByteView sector, Identification& out);

// The identified file's length in bytes. Clears the context's remembered callback result
// first; a measure stopped by the callback leaves that result in the context.
uint64_t Measure(CarveContext& ctx, const Identification& id, ByteView sector);

// How many sectors the scan moves on after a carved file: one for containers and formats
// whose length comes from header fields or from structures jumped over unread, else the
// length in whole sectors (at least one).
uint64_t SectorsToSkip(int code, uint64_t length, uint32_t sectorSize);

// The carved file's name: the sector number, a dot and the extension.
std::string CarvedFileName(uint64_t sector, const char* extension);

struct CarvedFile {
    Identification id;
    uint64_t length = 0;
    uint64_t sectorsToSkip = 1;
    std::string name;
};

// Identify and Measure for the sector at `sectorNumber`: 0, 87 (nothing to carve here) or
// CancelCode when the progress callback cancelled during the measure.
int IdentifyAndMeasure(CarveContext& ctx, ByteView sector, uint64_t sectorNumber, CarvedFile& out);

}  // namespace qm

// The state that identification and every measure of one carving run share: the medium,
// the candidate's position, the progress inputs, the flags remembered between sectors and
// the read-ahead buffer. One context per run, passed explicitly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/carving/sector_source.h"
#include "engines/file_recovery_parse.h"

namespace qm {

inline constexpr uint32_t kReadAheadBytes = 65536;

// The FAT engine's directory-sector test; the read-ahead treats a passing sector as the
// start of something else.
using FatDirectorySectorTest = bool (*)(const uint8_t* bytes, size_t length);

// The scan progress inputs; a read-ahead reports through the callback after every chunk,
// and a non-zero result stops the measure.
struct CarveProgress {
    ScanProgressFn callback = nullptr;
    void* userData = nullptr;
    int scale = 100;
    int secondsLeft = -1;
    uint64_t sectorsDone = 0;
    uint64_t totalSectors = 0;
    uint64_t filesFound = 0;
};

// A carved transport stream: its first and last sector, both included.
struct TransportStreamExtent {
    uint64_t first = 0;
    uint64_t last = 0;
};

class CarveContext {
public:
    uint32_t sectorSize = 512;
    ISectorSource* source = nullptr;
    uint64_t startSector = 0;    // where the candidate file starts
    uint64_t currentSector = 0;  // the sector being examined; the read-ahead moves it
    CarveProgress progress;
    int callbackResult = 0;      // of the last progress call; CancelCode ends everything
    bool previousWasTransportStream = false;
    bool previousWasAvchd = false;
    std::vector<TransportStreamExtent> transportStreamExtents;  // for the whole run
    FatDirectorySectorTest fatDirectorySectorTest = nullptr;

    // Points the context at a candidate that starts at `sector`.
    void BeginCandidate(uint64_t sector) { startSector = currentSector = sector; }
    // Sector sizes beyond one read-ahead chunk cannot be read ahead.
    bool CanRead() const { return source != nullptr && sectorSize != 0 && sectorSize <= kReadAheadBytes; }
    uint64_t MediumSectors() const { return CanRead() ? source->TotalSectors(sectorSize) : 0; }

    uint8_t* ReadAheadBuffer();
    // Scratch space for detectors that read the medium themselves (they may run while the
    // read-ahead buffer is being examined) and for measures that read single structures.
    uint8_t* DetectorScratch(size_t bytes) { return Grow(detectorScratch_, bytes); }
    uint8_t* MeasureScratch(size_t bytes) { return Grow(measureScratch_, bytes); }

private:
    static uint8_t* Grow(std::vector<uint8_t>& buffer, size_t bytes);
    std::vector<uint8_t> readAhead_;
    std::vector<uint8_t> detectorScratch_;
    std::vector<uint8_t> measureScratch_;
};

// Reads up to `count` sectors from `first` into `dest`, never past the medium's end. Returns
// the sectors that arrived; `failed` is set on a read error.
uint32_t ReadSectorsClamped(CarveContext& ctx, uint64_t first, uint32_t count, uint8_t* dest, bool& failed);

// Reads `length` bytes at byte `offset` of the file that starts at `baseSector`, whatever the
// alignment, into `dest`; false when any of them cannot be read.
bool ReadFileBytes(CarveContext& ctx, uint64_t baseSector, uint64_t offset, size_t length, uint8_t* dest,
                   bool forDetector);

// Reports read-ahead progress; remembers and returns the callback's result (0 without one).
int ReportReadAhead(CarveContext& ctx, uint64_t sectorsReadAhead);

}  // namespace qm

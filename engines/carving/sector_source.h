// Where the carving detectors and measures read ahead: the scanned medium through its
// SectorReader, or bytes in memory (tests, fuzzing, benchmarks).
#pragma once
#include <cstdint>

#include "disk/byte_view.h"
#include "disk/sector_reader.h"

namespace qm {

class ISectorSource {
public:
    virtual ~ISectorSource() = default;
    // As SectorReader::ReadSectors: 0, 87 for a read past the end (nothing read), or 30 when
    // the medium stops delivering; sectorsRead counts the whole sectors that arrived.
    virtual int ReadSectors(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize,
                            uint32_t& sectorsRead) = 0;
    // The medium's length in sectors of sectorSize bytes.
    virtual uint64_t TotalSectors(uint32_t sectorSize) const = 0;
};

class ReaderSectorSource final : public ISectorSource {
public:
    explicit ReaderSectorSource(SectorReader& reader) : reader_(reader) {}
    int ReadSectors(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize,
                    uint32_t& sectorsRead) override {
        return reader_.ReadSectors(count, buffer, firstSector, sectorSize, sectorsRead);
    }
    // The reader counts in the medium's own sectors, which are the carving sectors.
    uint64_t TotalSectors(uint32_t) const override { return reader_.totalSectors; }

private:
    SectorReader& reader_;
};

// A medium held in memory. Optionally fails like a bad disk from a given sector on.
class MemorySectorSource final : public ISectorSource {
public:
    explicit MemorySectorSource(ByteView medium) : medium_(medium) {}
    void FailFrom(uint64_t sector) { failFrom_ = sector; }

    int ReadSectors(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize,
                    uint32_t& sectorsRead) override;
    uint64_t TotalSectors(uint32_t sectorSize) const override {
        return sectorSize ? medium_.size() / sectorSize : 0;
    }

private:
    ByteView medium_;
    uint64_t failFrom_ = UINT64_MAX;
};

}  // namespace qm

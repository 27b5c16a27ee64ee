// ext2/3/4 in the fast mode: the source is taken, nothing is found.
#pragma once
#include <cstdint>

#include "disk/sector_reader.h"
#include "engines/null_engine.h"
#include "engines/source_engine.h"

namespace qm {

class CFastExtRecovery : public CNullEngine, public ISourceEngine {
public:
    int OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t driveLetter) override;
    int AttachSource(const Source& source) override;

    int diskNumber() const { return diskNumber_; }
    uint64_t firstSector() const { return firstSector_; }
    uint64_t sectorCount() const { return sectorCount_; }
    uint16_t driveLetter() const { return driveLetter_; }

private:
    SectorReader reader_;
    int diskNumber_ = -1;
    uint64_t firstSector_ = 0;
    uint64_t sectorCount_ = 0;
    uint16_t driveLetter_ = 0;
};

}  // namespace qm

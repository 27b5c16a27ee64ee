#include "engines/fast_ext_recovery.h"

namespace qm {

int CFastExtRecovery::OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t driveLetter) {
    // What it was asked to open is kept even when the disk cannot be opened.
    diskNumber_ = diskNumber;
    firstSector_ = firstSector;
    sectorCount_ = sectorCount;
    driveLetter_ = driveLetter;
    return OpenAndAttach(*this, SourceLocation::Partition(diskNumber, firstSector, sectorCount, driveLetter));
}

int CFastExtRecovery::AttachSource(const Source& source) {
    reader_ = source.reader;
    diskNumber_ = source.where.isImage ? -1 : source.where.diskNumber;
    firstSector_ = source.where.firstSector;
    sectorCount_ = source.where.sectorCount;
    driveLetter_ = source.where.tag;
    return 0;
}

}  // namespace qm

#include "engines/fast_ext_recovery.h"

namespace qm {

int CFastExtRecovery::OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                                    uint16_t driveLetter) {
    diskNumber_ = diskNumber;
    firstSector_ = firstSector;
    sectorCount_ = sectorCount;
    driveLetter_ = driveLetter;
    return reader_.OpenDisk(diskNumber);
}

}  // namespace qm

// What the disk list asks of the system, behind an interface so the list's ordering, gap and
// numbering rules can be exercised with made-up disks.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "disk/volume_entry.h"

namespace qm {

struct DiskShape {
    uint32_t bytesPerSector = 0;
    uint32_t sectorsPerTrack = 0;
    uint32_t tracksPerCylinder = 0;
    uint64_t totalSectors = 0;
    uint64_t SectorsPerCylinder() const { return static_cast<uint64_t>(sectorsPerTrack) * tracksPerCylinder; }
};

class IVolumeQuery {
public:
    virtual ~IVolumeQuery() = default;
    // The mounted volumes, start and length in bytes, tag a letter or kTagUnnumbered. Entries
    // may still lack a disk number or fsType; the list leaves those out. false when the
    // system's volume catalogue cannot be opened at all.
    virtual bool CollectVolumes(std::vector<VolumeEntry>& volumes) = 0;
    // false when the disk does not open or its geometry cannot be read.
    virtual bool QueryDiskShape(int diskNumber, DiskShape& shape) = 0;
    virtual bool IsRemovable(int diskNumber) = 0;
};

// The real system: mount manager and control codes on Windows, sysfs and the mount table on Linux.
std::unique_ptr<IVolumeQuery> CreateSystemVolumeQuery();

}  // namespace qm

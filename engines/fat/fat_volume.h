// An opened FAT volume: the reader, its geometry and its extent on the medium. Every read
// of the engine goes through here and stays inside the volume.
#pragma once
#include <cstdint>

#include "disk/fat_boot_sector.h"
#include "disk/sector_reader.h"

namespace qm {

class FatVolume {
public:
    SectorReader reader;
    FatGeometry geometry;
    uint64_t start = 0;       // absolute sector of the boot sector, in the volume's sectors
    uint64_t sectors = 0;     // readable length: the smaller of the medium and the boot sector's
    uint32_t maxCluster = 1;  // highest cluster number inside the table and the volume

    // Sets geometry, extent and the highest usable cluster.
    void Describe(const FatGeometry& g, uint64_t startSector, uint64_t mediumSectors);

    uint32_t sectorSize() const { return geometry.bytesPerSector; }
    uint32_t clusterBytes() const { return geometry.clusterBytes(); }
    bool IsDataCluster(uint32_t cluster) const { return cluster >= 2 && cluster <= maxCluster; }
    // A cluster the volume has but the medium does not: an image cut short before it.
    bool BeyondMediumEnd(uint32_t cluster) const {
        if (cluster < 2) return false;
        const uint64_t sector = ClusterSector(cluster);
        return sector >= End() && sector < start + geometry.totalSectors;
    }
    // Absolute sector of a data cluster, or of the fixed root directory for cluster 0 on FAT12/16.
    uint64_t ClusterSector(uint32_t cluster) const;
    uint64_t RootDirSector() const { return start + geometry.rootDirStart(); }
    uint64_t End() const { return start + sectors; }

    // Reads up to count sectors at an absolute sector, never past the volume's end. 87 for a
    // start outside the volume; 30 when fewer sectors than asked arrived (got tells how many).
    int Read(uint64_t sector, uint32_t count, void* buffer, uint32_t& got);
};

}  // namespace qm

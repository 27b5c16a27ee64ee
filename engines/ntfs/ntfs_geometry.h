// Where things are on an NTFS volume: sector and cluster sizes, the MFT's start and the size
// of one file record, learned from the boot sector.
#pragma once
#include <cstdint>

#include "disk/byte_view.h"
#include "engines/ntfs/ntfs_runs.h"

namespace qm {

struct NtfsVolumeGeometry {
    uint64_t volumeStartSector = 0;
    uint64_t volumeSectorCount = 0;
    int32_t bytesPerSector = 512;
    int32_t sectorsPerCluster = 0;
    uint64_t mftStartSector = 0;
    int32_t recordSectors = 2;
    int32_t recordBytes = 1024;
    int32_t clusterBytes = 0;
    // The format protects the last word of every 512 bytes of a record, whatever the sector size.
    int32_t fixupCount = 2;
    int32_t fixupStride = 512;

    // A boot sector gave a cluster size the engine can read with.
    bool usable() const { return sectorsPerCluster > 0 && clusterBytes > 0; }
};

inline constexpr uint32_t kNtfsFixupStride = 512;

// Record size and fix-up layout for a sector size: 1024-byte records on 512-byte sectors,
// one sector per record otherwise.
void setRecordLayout(NtfsVolumeGeometry& geometry, int32_t bytesPerSector);

// The geometry a boot sector describes. A stored sector size of 0 is taken as 512. Cluster
// sizes other than 1..64 sectors leave sectorsPerCluster at 0 (usable() is false).
NtfsVolumeGeometry readGeometry(ByteView bootSector, uint64_t volumeStartSector, uint64_t volumeSectorCount,
                                uint32_t deviceSectorSize);

// Absolute sector of a record's first sector through the MFT's runs; the volume's first
// sector when no run covers it (that sector fails the "FILE" test).
uint64_t recordToSector(uint64_t recordNumber, const RunList& mftRuns, const NtfsVolumeGeometry& geometry);
// The same for any sector inside the MFT, counted from the MFT's start.
uint64_t mftVirtualSectorToSector(uint64_t virtualSector, const RunList& mftRuns, const NtfsVolumeGeometry& geometry,
                                  bool* covered = nullptr);

// Absolute sector of a cluster.
inline uint64_t clusterToSector(int64_t cluster, const NtfsVolumeGeometry& geometry) {
    return geometry.volumeStartSector + static_cast<uint64_t>(cluster) * static_cast<uint64_t>(geometry.sectorsPerCluster);
}

}  // namespace qm

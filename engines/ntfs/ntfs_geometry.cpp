#include "engines/ntfs/ntfs_geometry.h"

#include "disk/ntfs_boot_sector.h"

namespace qm {

void setRecordLayout(NtfsVolumeGeometry& geometry, int32_t bytesPerSector) {
    geometry.bytesPerSector = bytesPerSector;
    geometry.recordSectors = bytesPerSector == 512 ? 2 : 1;
    geometry.recordBytes = bytesPerSector * geometry.recordSectors;
    geometry.fixupStride = static_cast<int32_t>(kNtfsFixupStride);
    geometry.fixupCount = geometry.recordBytes / geometry.fixupStride;
    if (geometry.fixupCount < 1) geometry.fixupCount = 1;
}

NtfsVolumeGeometry readGeometry(ByteView boot, uint64_t volumeStartSector, uint64_t volumeSectorCount,
                                uint32_t deviceSectorSize) {
    (void)deviceSectorSize;  // only the seek to the boot sector uses it
    NtfsVolumeGeometry g;
    g.volumeStartSector = volumeStartSector;
    g.volumeSectorCount = volumeSectorCount;
    const NtfsBootFields fields = ReadNtfsBootFields(boot);
    uint32_t bytesPerSector = fields.bytesPerSector;
    if (bytesPerSector == 0) bytesPerSector = 512;
    // Sizes that are not a power of two from 256 to 4096 would make records we cannot lay out.
    if (bytesPerSector < 256 || bytesPerSector > 4096 || (bytesPerSector & (bytesPerSector - 1)) != 0)
        bytesPerSector = 512;
    setRecordLayout(g, static_cast<int32_t>(bytesPerSector));
    const uint32_t spc = fields.sectorsPerCluster;
    // 128 and the negative-exponent form of large clusters are refused: the engines cannot read them.
    if (spc >= 1 && spc <= 64 && (spc & (spc - 1)) == 0) g.sectorsPerCluster = spc;
    g.clusterBytes = g.sectorsPerCluster * g.bytesPerSector;
    g.mftStartSector = volumeStartSector + fields.mftCluster * static_cast<uint64_t>(g.sectorsPerCluster);
    return g;
}

uint64_t mftVirtualSectorToSector(uint64_t v, const RunList& mftRuns, const NtfsVolumeGeometry& g, bool* covered) {
    if (covered) *covered = false;
    const uint64_t spc = static_cast<uint64_t>(g.sectorsPerCluster > 0 ? g.sectorsPerCluster : 0);
    uint64_t vstart = 0;
    int64_t lcn = 0;
    for (const DataRun& run : mftRuns) {
        lcn += run.lcnDelta;
        const uint64_t runSectors = run.lengthClusters * spc;
        if (v >= vstart && v - vstart < runSectors) {
            if (run.sparse) return g.volumeStartSector;
            if (covered) *covered = true;
            return g.volumeStartSector + static_cast<uint64_t>(lcn) * spc + (v - vstart);
        }
        vstart += runSectors;
    }
    return g.volumeStartSector;
}

uint64_t recordToSector(uint64_t recordNumber, const RunList& mftRuns, const NtfsVolumeGeometry& g) {
    return mftVirtualSectorToSector(recordNumber * static_cast<uint64_t>(g.recordSectors), mftRuns, g);
}

}  // namespace qm

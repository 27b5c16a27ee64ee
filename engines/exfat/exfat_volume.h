// An opened exFAT volume: where it lies on the medium, its boot sector, and bounded reads of
// its clusters and of its FAT. Every read of the exFAT engines goes through here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "disk/exfat_boot_sector.h"
#include "disk/sector_reader.h"

namespace qm {

class ExFatVolume {
public:
    // The volume's first bytes read at open: both boot regions of a 4096-byte-sector volume.
    static constexpr size_t kBootAreaBytes = 2 * exfatboot::kBootRegionSectors * 4096;
    // End of a FAT chain, and the marks above the last cluster number a FAT can hold.
    static constexpr uint32_t kLastClusterMark = 0xFFFFFFF6u;

    SectorReader reader;
    ExFatBootFields boot;
    uint64_t startBytes = 0;     // where the volume begins on the medium
    uint64_t readableBytes = 0;  // the smaller of the volume's length and the medium's rest
    bool usedBackupBoot = false;

    // Reads the boot area at startBytes and decodes it (the backup region when the main one
    // fails). 0, a read error, or 87 with the reason in *why.
    int Open(const SectorReader& medium, uint64_t start, uint64_t mediumBytes, const char** why = nullptr);
    // The same on fields decoded elsewhere (a boot sector the deep scan met).
    void Describe(const SectorReader& medium, const ExFatBootFields& fields, uint64_t start, uint64_t mediumBytes);

    uint32_t SectorBytes() const { return boot.bytesPerSector(); }
    uint32_t ClusterBytes() const { return boot.bytesPerCluster(); }
    bool IsHeapCluster(uint32_t cluster) const {
        return cluster >= exfatboot::kFirstCluster && cluster - exfatboot::kFirstCluster < boot.clusterCount;
    }
    // Byte offset of a heap cluster from the volume's start.
    uint64_t ClusterOffset(uint32_t cluster) const { return boot.clusterOffset(cluster); }
    // The heap's first sector, counted from the volume's start.
    uint64_t HeapSector() const { return boot.clusterHeapOffset; }
    // Bytes the volume describes from a cluster to the heap's end (0 outside the heap).
    uint64_t HeapBytesFrom(uint32_t cluster) const;

    // Up to `length` bytes at a volume offset, never past readableBytes. 0 when all arrived;
    // 38 when the medium ends first, 30 for another short read, 87 for an offset outside.
    int Read(uint64_t volumeOffset, void* buffer, size_t length, size_t& got);

    // The FAT's value for a cluster (from the first FAT), read through a window; 0 for a
    // cluster the FAT has no entry for or whose entry cannot be read.
    uint32_t FatEntry(uint32_t cluster);
    // The next cluster of a chain, or 0 at its end, at a bad mark or outside the heap.
    uint32_t NextCluster(uint32_t cluster) {
        const uint32_t next = FatEntry(cluster);
        return IsHeapCluster(next) ? next : 0;
    }

private:
    static constexpr size_t kFatWindowBytes = 1 << 20;
    std::vector<uint8_t> fatWindow_;
    uint64_t fatWindowStart_ = 0;  // byte offset of the window in the FAT
};

}  // namespace qm

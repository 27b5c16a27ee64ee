// An exFAT volume's boot sector and boot-region checksum: the layout, and the one decoder the
// engines decide through.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"

namespace qm {

namespace exfatboot {
inline constexpr size_t kFileSystemName = 0x03;         // "EXFAT   "
inline constexpr size_t kMustBeZero = 0x0B;             // up to kPartitionOffset
inline constexpr size_t kPartitionOffset = 0x40;        // u64, sectors
inline constexpr size_t kVolumeLength = 0x48;           // u64, sectors
inline constexpr size_t kFatOffset = 0x50;              // u32, sectors
inline constexpr size_t kFatLength = 0x54;              // u32, sectors
inline constexpr size_t kClusterHeapOffset = 0x58;      // u32, sectors
inline constexpr size_t kClusterCount = 0x5C;           // u32
inline constexpr size_t kRootCluster = 0x60;            // u32
inline constexpr size_t kSerial = 0x64;                 // u32
inline constexpr size_t kRevision = 0x68;               // u16, major.minor as high.low byte
inline constexpr size_t kVolumeFlags = 0x6A;            // u16
inline constexpr size_t kBytesPerSectorShift = 0x6C;    // u8
inline constexpr size_t kSectorsPerClusterShift = 0x6D; // u8
inline constexpr size_t kNumberOfFats = 0x6E;           // u8
inline constexpr size_t kPercentInUse = 0x70;           // u8, skipped by the checksum
inline constexpr size_t kSignature = 0x1FE;             // 0x55 0xAA
inline constexpr uint32_t kFirstCluster = 2;
inline constexpr uint32_t kFirstFatSector = 24;         // the boot regions come first
inline constexpr uint32_t kBootRegionSectors = 12;      // main boot region; the backup follows
inline constexpr uint32_t kChecksumSector = 11;
}  // namespace exfatboot

struct ExFatBootFields {
    uint64_t partitionOffset = 0;
    uint64_t volumeLength = 0;
    uint32_t fatOffset = 0;
    uint32_t fatLength = 0;
    uint32_t clusterHeapOffset = 0;
    uint32_t clusterCount = 0;
    uint32_t rootCluster = 0;
    uint32_t serial = 0;
    uint16_t revision = 0;
    uint16_t volumeFlags = 0;
    uint8_t bytesPerSectorShift = 0;
    uint8_t sectorsPerClusterShift = 0;
    uint8_t numberOfFats = 0;

    uint32_t bytesPerSector() const { return 1u << bytesPerSectorShift; }
    uint32_t bytesPerCluster() const { return 1u << (bytesPerSectorShift + sectorsPerClusterShift); }
    // Byte offset of a heap cluster from the volume's start (cluster 2 is the heap's first).
    uint64_t clusterOffset(uint32_t cluster) const {
        return (static_cast<uint64_t>(clusterHeapOffset) << bytesPerSectorShift) +
               static_cast<uint64_t>(cluster - exfatboot::kFirstCluster) * bytesPerCluster();
    }
};

// Whether the sector names itself exFAT ("EXFAT   " and the boot signature), usable or not.
bool HasExFatBootName(ByteView boot);

// 0 when the boot sector describes a usable volume (its fields in out), else 87 with the reason
// in *why when asked: a non-zero must-be-zero region, sector or cluster sizes exFAT does not
// use, a FAT count other than 1 or 2, a FAT or cluster heap outside the volume, a root
// directory outside the heap.
int DecodeExFatBootSector(ByteView boot, ExFatBootFields& out, const char** why = nullptr);

// Whether sector 11 of the boot region (12 sectors) repeats the checksum of sectors 0..10.
bool VerifyExFatBootChecksum(ByteView bootRegion, uint32_t bytesPerSector);

// The boot sector a reader should trust in a volume's first bytes (`area`): the main one when
// it decodes and its region's checksum holds (or the area is too short to hold the region),
// otherwise the backup region's when that decodes and, if present whole, checks. 0 with the
// fields in out and *usedBackup set; else 87 with the main sector's reason in *why.
int ChooseExFatBootSector(ByteView area, ExFatBootFields& out, bool* usedBackup = nullptr, const char** why = nullptr);

}  // namespace qm

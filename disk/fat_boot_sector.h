// The boot sector's parameter block, decoded once and checked, so the rest of the engine
// works with sound numbers whatever the medium holds.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"

namespace qm {

// Where the boot sector keeps its parameters: the one description of the layout, read by
// the decoder below, the probe and the volume lister.
namespace fatboot {
inline constexpr size_t kBytesPerSector = 0x0B;     // u16
inline constexpr size_t kSectorsPerCluster = 0x0D;  // u8
inline constexpr size_t kReservedSectors = 0x0E;    // u16
inline constexpr size_t kFatCount = 0x10;           // u8
inline constexpr size_t kRootEntries = 0x11;        // u16
inline constexpr size_t kTotalSectors16 = 0x13;     // u16
inline constexpr size_t kMedia = 0x15;              // u8
inline constexpr size_t kSectorsPerFat16 = 0x16;    // u16
inline constexpr size_t kHiddenSectors = 0x1C;      // u32
inline constexpr size_t kTotalSectors32 = 0x20;     // u32
inline constexpr size_t kSectorsPerFat32 = 0x24;    // u32, FAT32
inline constexpr size_t kRootCluster = 0x2C;        // u32, FAT32
inline constexpr size_t kBackupBootSector = 0x32;   // u16, FAT32
inline constexpr size_t kFat32TypeName = 0x52;      // "FAT32   "
inline constexpr size_t kSignature = 0x1FE;         // 0x55 0xAA
// The extended parameter block: signature 0x29, then serial and label.
inline constexpr size_t kExtendedSignature16 = 0x26;
inline constexpr size_t kLabel16 = 0x2B;
inline constexpr size_t kExtendedSignature32 = 0x42;
inline constexpr size_t kLabel32 = 0x47;
}  // namespace fatboot

struct FatGeometry {
    uint32_t bytesPerSector = 512;
    uint32_t sectorsPerCluster = 1;
    uint32_t reservedSectors = 0;
    uint32_t fatCount = 0;
    uint32_t sectorsPerFat = 0;
    uint32_t rootEntries = 0;       // FAT12/16: entries of the fixed root directory
    uint64_t totalSectors = 0;      // as the boot sector states it
    int fatBits = 16;               // 12, 16 or 32
    uint32_t rootCluster = 0;       // FAT32; 0 (the fixed root) otherwise
    uint32_t rootDirSectors = 0;    // FAT12/16: sectors of the fixed root directory
    uint32_t dataStart = 0;         // sectors from the boot sector to cluster 2
    uint32_t clusterCount = 0;      // data clusters the boot sector describes
    uint8_t media = 0;              // the media byte, repeated at the start of every table
    uint32_t hiddenSectors = 0;     // sectors before the volume on its disk, as recorded at format time
    uint32_t backupBootSector = 0;  // FAT32: sectors from the boot sector to its copy; 0 when none

    bool isFat32() const { return fatBits == 32; }
    uint32_t clusterBytes() const { return sectorsPerCluster * bytesPerSector; }
    // Sectors from the boot sector to the first allocation table.
    uint32_t tableStart() const { return reservedSectors; }
    // Sectors from the boot sector to the fixed root directory (FAT12/16).
    uint32_t rootDirStart() const { return dataStart - rootDirSectors; }
};

// Fills `out` from the first sector of a FAT volume; 0, or 87 when the parameters cannot
// describe a usable volume (zero or odd sizes, areas that overlap or exceed 32 bits), with
// the reason in *why when asked. The probe and every engine decide through this one function.
// layoutOnly: where the tables and the data area lie is all that is asked, so a FAT32 root
// cluster outside the data area is let through (the deep scan places clusters without it).
int DecodeFatBootSector(ByteView boot, FatGeometry& out, const char** why = nullptr, bool layoutOnly = false);

// Whether a sector begins as the geometry's allocation tables do: the media byte, then the
// rest of entries 0 and 1 all ones.
bool FatTableBegins(ByteView sector, const FatGeometry& g);

}  // namespace qm

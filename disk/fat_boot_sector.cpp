#include "disk/fat_boot_sector.h"

#include "disk/decode_refusal.h"

namespace qm {
namespace {

bool isPowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// The cluster counts that decide the table width, as every FAT implementation reads them.
constexpr uint32_t kMaxFat12Clusters = 4084;

}  // namespace

int DecodeFatBootSector(ByteView b, FatGeometry& g, const char** why, bool layoutOnly) {
    const DecodeRefusal refuse(why);
    g = FatGeometry{};
    if (!b.has(0, 512)) return refuse("the boot sector is cut short");
    g.bytesPerSector = b.u16(fatboot::kBytesPerSector);
    g.sectorsPerCluster = b.u8(fatboot::kSectorsPerCluster);
    g.reservedSectors = b.u16(fatboot::kReservedSectors);
    g.fatCount = b.u8(fatboot::kFatCount);
    g.rootEntries = b.u16(fatboot::kRootEntries);
    g.totalSectors =
        b.u16(fatboot::kTotalSectors16) != 0 ? b.u16(fatboot::kTotalSectors16) : b.u32(fatboot::kTotalSectors32);
    g.media = b.u8(fatboot::kMedia);
    g.hiddenSectors = b.u32(fatboot::kHiddenSectors);

    if (!isPowerOfTwo(g.bytesPerSector) || g.bytesPerSector < 512 || g.bytesPerSector > 4096)
        return refuse("its bytes per sector are not 512, 1024, 2048 or 4096");
    if (!isPowerOfTwo(g.sectorsPerCluster) || g.sectorsPerCluster > 128)
        return refuse("its sectors per cluster are not a power of two up to 128");
    if (g.reservedSectors == 0) return refuse("it has no reserved sectors");
    if (g.fatCount == 0) return refuse("it has no allocation table");

    const bool fat32 = b.equals(fatboot::kFat32TypeName, "FAT32   ", 8) ||
                       (b.u16(fatboot::kSectorsPerFat16) == 0 && b.u32(fatboot::kSectorsPerFat32) != 0);
    g.sectorsPerFat = fat32 ? b.u32(fatboot::kSectorsPerFat32) : b.u16(fatboot::kSectorsPerFat16);
    if (g.sectorsPerFat == 0) return refuse("its allocation table has no sectors");

    uint64_t dataStart = static_cast<uint64_t>(g.fatCount) * g.sectorsPerFat + g.reservedSectors;
    if (fat32) {
        g.rootCluster = b.u32(fatboot::kRootCluster);
        if (g.rootCluster < 2 && !layoutOnly) return refuse("its root folder cluster is not a data cluster");
        // 0xFFFF is written by formatters that keep no copy.
        const uint16_t backup = b.u16(fatboot::kBackupBootSector);
        g.backupBootSector = backup != 0xFFFF && backup < g.reservedSectors ? backup : 0;
    } else {
        // The fixed root holds as many entries as the boot sector says; it is not always 32 sectors.
        if (g.rootEntries == 0) return refuse("its root folder has room for no entries");
        g.rootDirSectors = (g.rootEntries * 32u + g.bytesPerSector - 1) / g.bytesPerSector;
        dataStart += g.rootDirSectors;
    }
    if (dataStart > UINT32_MAX || g.totalSectors <= dataStart)
        return refuse("its tables and root folder do not fit in the volume it describes");
    g.dataStart = static_cast<uint32_t>(dataStart);

    const uint64_t clusters = (g.totalSectors - g.dataStart) / g.sectorsPerCluster;
    if (clusters == 0) return refuse("it leaves no room for data clusters");
    g.clusterCount = static_cast<uint32_t>(clusters > 0x0FFFFFF5 ? 0x0FFFFFF5 : clusters);
    g.fatBits = fat32 ? 32 : (g.clusterCount <= kMaxFat12Clusters ? 12 : 16);
    return 0;
}

bool FatTableBegins(ByteView s, const FatGeometry& g) {
    if (s.u8(0) != g.media || s.u8(1) != 0xFF) return false;
    if (g.fatBits == 12) return (s.u8(2) & 0xF0) == 0xF0;
    // Entry 1's top bits may record an unclean shutdown or a disk error.
    if (g.fatBits == 16) return s.u8(2) == 0xFF && (s.u8(3) & 0x3F) == 0x3F;
    // The top four bits of a FAT32 entry are reserved.
    return s.u8(2) == 0xFF && (s.u8(3) & 0x0F) == 0x0F && s.u8(4) == 0xFF && s.u8(5) == 0xFF && s.u8(6) == 0xFF &&
           (s.u8(7) & 0x03) == 0x03;
}

}  // namespace qm

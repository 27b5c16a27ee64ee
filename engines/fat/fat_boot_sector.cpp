#include "engines/fat/fat_boot_sector.h"

#include "platform/errors.h"

namespace qm {
namespace {

bool isPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

// The cluster counts that decide the table width, as every FAT implementation reads them.
constexpr uint32_t kMaxFat12Clusters = 4084;

}  // namespace

int DecodeFatBootSector(ByteView b, FatGeometry& g) {
    g = FatGeometry{};
    if (!b.has(0, 512)) return kErrorInvalidParameter;
    g.bytesPerSector = b.u16(0x0B);
    g.sectorsPerCluster = b.u8(0x0D);
    g.reservedSectors = b.u16(0x0E);
    g.fatCount = b.u8(0x10);
    g.rootEntries = b.u16(0x11);
    g.totalSectors = b.u16(0x13) != 0 ? b.u16(0x13) : b.u32(0x20);
    g.media = b.u8(0x15);
    g.hiddenSectors = b.u32(0x1C);

    if (!isPowerOfTwo(g.bytesPerSector) || g.bytesPerSector < 512 || g.bytesPerSector > 4096)
        return kErrorInvalidParameter;
    if (!isPowerOfTwo(g.sectorsPerCluster) || g.sectorsPerCluster > 128) return kErrorInvalidParameter;
    if (g.reservedSectors == 0 || g.fatCount == 0) return kErrorInvalidParameter;

    const bool fat32 = b.equals(0x52, "FAT32   ", 8) || (b.u16(0x16) == 0 && b.u32(0x24) != 0);
    g.sectorsPerFat = fat32 ? b.u32(0x24) : b.u16(0x16);
    if (g.sectorsPerFat == 0) return kErrorInvalidParameter;

    uint64_t dataStart = static_cast<uint64_t>(g.fatCount) * g.sectorsPerFat + g.reservedSectors;
    if (fat32) {
        g.rootCluster = b.u32(0x2C);
        if (g.rootCluster < 2) return kErrorInvalidParameter;
        // 0xFFFF is written by formatters that keep no copy.
        const uint16_t backup = b.u16(0x32);
        g.backupBootSector = backup != 0xFFFF && backup < g.reservedSectors ? backup : 0;
    } else {
        // The fixed root holds as many entries as the boot sector says; it is not always 32 sectors.
        if (g.rootEntries == 0) return kErrorInvalidParameter;
        g.rootDirSectors = (g.rootEntries * 32u + g.bytesPerSector - 1) / g.bytesPerSector;
        dataStart += g.rootDirSectors;
    }
    if (dataStart > UINT32_MAX || g.totalSectors <= dataStart) return kErrorInvalidParameter;
    g.dataStart = static_cast<uint32_t>(dataStart);

    const uint64_t clusters = (g.totalSectors - g.dataStart) / g.sectorsPerCluster;
    if (clusters == 0) return kErrorInvalidParameter;
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

#include "disk/ntfs_boot_sector.h"

#include "disk/decode_refusal.h"

namespace qm {

NtfsBootFields ReadNtfsBootFields(ByteView b) {
    NtfsBootFields f;
    f.bytesPerSector = b.u16(ntfsboot::kBytesPerSector);
    f.sectorsPerCluster = b.u8(ntfsboot::kSectorsPerCluster);
    f.totalSectors = b.u64(ntfsboot::kTotalSectors);
    f.mftCluster = b.u64(ntfsboot::kMftCluster);
    f.mftMirrorCluster = b.u64(ntfsboot::kMftMirrorCluster);
    return f;
}

bool HasNtfsBootName(ByteView b) {
    return b.has(0, 512) && b.equals(ntfsboot::kOemName, "NTFS    ", 8) && b.u8(ntfsboot::kSignature) == 0x55 &&
           b.u8(ntfsboot::kSignature + 1) == 0xAA;
}

int DecodeNtfsBootSector(ByteView b, NtfsBootFields& out, const char** why) {
    const DecodeRefusal refuse(why);
    out = NtfsBootFields{};
    if (!HasNtfsBootName(b)) return refuse("it is not an NTFS boot sector");
    const NtfsBootFields f = ReadNtfsBootFields(b);
    if (f.bytesPerSector % 512 != 0) return refuse("its bytes per sector are not a multiple of 512");
    if (b.u16(ntfsboot::kReservedSectors) != 0) return refuse("fields NTFS keeps at zero are not zero");
    // Unlike FAT, 128 sectors per cluster is not taken as NTFS: the engines cannot read it.
    switch (f.sectorsPerCluster) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 32:
        case 64: break;
        default: return refuse("its sectors per cluster are not a power of two up to 64");
    }
    if (f.totalSectors == 0) return refuse("it describes a volume of no sectors");
    // The FAT fields an NTFS boot sector keeps at zero.
    for (size_t offset : {0x10, 0x11, 0x12, 0x13, 0x14, 0x16, 0x17, 0x20, 0x21, 0x22, 0x23})
        if (b.u8(offset) != 0) return refuse("fields NTFS keeps at zero are not zero");
    if (f.mftCluster >= f.totalSectors / f.sectorsPerCluster) return refuse("its MFT lies past the end of the volume");
    out = f;
    return 0;
}

}  // namespace qm

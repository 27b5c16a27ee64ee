#include "disk/file_system_probe.h"

#include "disk/exfat_boot_sector.h"
#include "disk/fat_boot_sector.h"
#include "disk/ntfs_boot_sector.h"
#include "disk/sector_reader.h"
#include "platform/device.h"
#include "platform/errors.h"
#include "platform/file.h"

namespace qm {
namespace {

bool hasBootSignature(ByteView b) {
    return b.u8(0x1FE) == 0x55 && b.u8(0x1FF) == 0xAA;
}

bool isFatClusterSize(uint8_t sectorsPerCluster) {
    switch (sectorsPerCluster) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 32:
        case 64:
        case 128: return true;
        default: return false;
    }
}

}  // namespace

bool IsNtfsBootSector(ByteView b) {
    NtfsBootFields fields;
    return DecodeNtfsBootSector(b, fields) == 0;
}

bool IsEncryptedBootSector(ByteView b) {
    if (b.equals(3, "-FVE-FS-", 8)) return true;
    if (!b.has(0x1E0, 30)) return false;
    for (size_t i = 0; i < 8; ++i)
        if (b.u8(0x1E0 + i) != 0x78) return false;
    for (size_t i = 8; i < 27; ++i)
        if (b.u8(0x1E0 + i) != 0xFF) return false;
    return b.u8(0x1FB) == 0x00 && b.u8(0x1FC) == 0x1F && b.u8(0x1FD) == 0x2C;
}

bool IsFat1216BootSector(ByteView b) {
    using namespace fatboot;
    return b.has(0, 512) && b.u8(kFatCount) != 0 && (b.u16(kTotalSectors16) != 0 || b.u32(kTotalSectors32) != 0) &&
           isFatClusterSize(b.u8(kSectorsPerCluster)) && b.u16(kSectorsPerFat16) >= 1 && hasBootSignature(b);
}

bool IsFat32BootSector(ByteView b) {
    using namespace fatboot;
    return b.has(0, 512) && b.equals(kFat32TypeName, "FAT32   ", 8) && b.u8(kFatCount) != 0 &&
           b.u32(kTotalSectors32) != 0 && isFatClusterSize(b.u8(kSectorsPerCluster)) && b.u32(kSectorsPerFat32) != 0 &&
           hasBootSignature(b);
}

bool LooksLikeFatBootSector(ByteView b) {
    using namespace fatboot;
    if (!b.has(0, 512) || IsEncryptedBootSector(b)) return false;
    const uint32_t fatSize = b.u16(kSectorsPerFat16) != 0 ? b.u16(kSectorsPerFat16) : b.u32(kSectorsPerFat32);
    const uint32_t totalSectors = b.u32(kTotalSectors32) != 0 ? b.u32(kTotalSectors32) : b.u16(kTotalSectors16);
    const uint32_t bytesPerSector = b.u16(kBytesPerSector);
    if (bytesPerSector == 0 || bytesPerSector % 512 != 0) return false;
    const uint32_t sectorsPerCluster = b.u8(kSectorsPerCluster);
    if (sectorsPerCluster == 0) return false;
    const uint32_t rootDirSectors = (static_cast<uint32_t>(b.u16(kRootEntries)) * 32) / bytesPerSector;
    // Unsigned 32-bit on purpose: a BPB whose areas exceed the volume wraps to a huge count
    // and is then judged by the FAT32 rules or refused.
    const uint32_t dataSectors =
        totalSectors - rootDirSectors - static_cast<uint32_t>(b.u8(kFatCount)) * fatSize - b.u16(kReservedSectors);
    const uint32_t clusters = dataSectors / sectorsPerCluster;
    if (clusters < 65525) return IsFat1216BootSector(b) || IsFat32BootSector(b);
    if (clusters < 0x0FFFFFF0) return IsFat32BootSector(b) || IsFat1216BootSector(b);
    return false;
}

bool IsFatBootSector(ByteView b) {
    FatGeometry geometry;
    return LooksLikeFatBootSector(b) && DecodeFatBootSector(b, geometry) == 0;
}

bool IsExtSuperblock(ByteView s) {
    if (!s.has(0, 1024) || s.u16(0x38) != 0xEF53) return false;
    const uint32_t inodeCount = s.u32(0x00);
    const uint32_t blockCount = s.u32(0x04);
    const uint32_t firstDataBlock = s.u32(0x14);
    const uint32_t logBlockSize = s.u32(0x18);
    const uint32_t blocksPerGroup = s.u32(0x20);
    const uint32_t inodesPerGroup = s.u32(0x28);
    const uint32_t firstInode = s.u32(0x54);
    if (blockCount == 0 || inodeCount == 0 || blocksPerGroup == 0 || inodesPerGroup == 0 || firstInode <= 2)
        return false;
    const uint32_t groupsByBlocks = (blockCount - firstDataBlock - 1) / blocksPerGroup + 1;
    const uint32_t groupsByInodes = (inodeCount - 1) / inodesPerGroup + 1;
    if (groupsByBlocks != groupsByInodes) return false;
    // 1024 << shift; a shift that large cannot be a 1 KiB block size.
    const bool oneKiBBlocks = logBlockSize == 0;
    if (firstDataBlock != (oneKiBBlocks ? 1u : 0u)) return false;
    return inodeCount > firstInode;
}

size_t FatBackupBootOffset(ByteView area) {
    for (uint32_t bytesPerSector = 512; bytesPerSector <= 2048; bytesPerSector *= 2) {
        const size_t at = size_t{kFatBackupBootSector} * bytesPerSector;
        const ByteView copy = area.sub(at, 512);
        if (copy.u16(fatboot::kBytesPerSector) == bytesPerSector &&
            copy.u16(fatboot::kBackupBootSector) == kFatBackupBootSector && IsFat32BootSector(copy) &&
            IsFatBootSector(copy))
            return at;
    }
    return 0;
}

ProbeVerdict ExamineFileSystem(ByteView probe) {
    const ByteView boot = probe.sub(0, 512);
    ProbeVerdict verdict;
    if (HasExFatBootName(boot) || HasExFatBootName(probe.sub(exfatboot::kBootRegionSectors * 512, 512))) {
        // Named exFAT in the main or the backup boot sector (a 512-byte-sector volume's
        // backup is the one the probe holds whole).
        ExFatBootFields fields;
        const char* why = nullptr;
        verdict.kind = FileSystemKind::ExFat;
        if (ChooseExFatBootSector(probe, fields, nullptr, &why) != 0)
            verdict.problem = why ? why : "its boot sector cannot be used";
    } else if (IsNtfsBootSector(boot)) {
        verdict.kind = FileSystemKind::Ntfs;
    } else if (IsFatBootSector(boot)) {
        verdict.kind = FileSystemKind::Fat;
    } else if (IsExtSuperblock(probe.sub(1024, 1024))) {
        verdict.kind = FileSystemKind::Ext;
    } else if (!IsEncryptedBootSector(boot) && FatBackupBootOffset(probe) != 0) {
        // A volume whose first sector says it is encrypted is not opened through an older copy.
        verdict.kind = FileSystemKind::Fat;
    } else if (HasNtfsBootName(boot)) {
        // Named NTFS, but its numbers cannot be used: the deep mode still reads every sector.
        NtfsBootFields fields;
        const char* why = nullptr;
        DecodeNtfsBootSector(boot, fields, &why);
        verdict.kind = FileSystemKind::Ntfs;
        verdict.problem = why ? why : "its boot sector cannot be used";
    } else if (LooksLikeFatBootSector(boot)) {
        FatGeometry geometry;
        const char* why = nullptr;
        DecodeFatBootSector(boot, geometry, &why);
        verdict.kind = FileSystemKind::Fat;
        verdict.problem = why ? why : "its boot sector cannot be used";
    }
    return verdict;
}

FileSystemKind ProbeFileSystem(ByteView probe) {
    const ProbeVerdict verdict = ExamineFileSystem(probe);
    return verdict.usable() ? verdict.kind : FileSystemKind::Unknown;
}

const wchar_t* FileSystemKindName(FileSystemKind kind) {
    switch (kind) {
        case FileSystemKind::Fat: return L"FAT";
        case FileSystemKind::Ntfs: return L"NTFS";
        case FileSystemKind::Ext: return L"ext";
        case FileSystemKind::ExFat: return L"exFAT";
        case FileSystemKind::Unknown: break;
    }
    return L"unknown";
}

namespace {
int readProbeAt(platform::File& file, uint64_t offset, std::vector<uint8_t>& probe) {
    probe.assign(kProbeSize, 0);
    if (int rc = file.seek(offset); rc != 0) return rc;
    size_t got = 0;
    const int rc = platform::readFully(file, probe.data(), probe.size(), got);
    if (rc == kErrorHandleEof || (rc == 0 && got != kProbeSize)) return kErrorReadFault;
    return rc;
}
}  // namespace

int ReadProbeFromDisk(int diskNumber, uint64_t firstSector, std::vector<uint8_t>& probe) {
    const std::wstring path = platform::physicalDrivePath(diskNumber);
    if (path.empty()) return kErrorFileNotFound;
    platform::File disk;
    if (int rc = disk.open(path, platform::OpenMode::ReadExisting); rc != 0) return rc;
    const uint32_t sectorSize = QuerySectorSize(disk);
    if (firstSector > UINT64_MAX / sectorSize) return kErrorInvalidParameter;
    return readProbeAt(disk, firstSector * sectorSize, probe);
}

int ReadProbeFromImage(const std::wstring& imagePath, std::vector<uint8_t>& probe) {
    platform::File image;
    if (int rc = image.open(imagePath, platform::OpenMode::ReadExisting); rc != 0) return rc;
    return readProbeAt(image, 0, probe);
}

}  // namespace qm

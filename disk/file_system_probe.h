// Classification of a partition's first 16 KiB: which engine fits it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "disk/byte_view.h"

namespace qm {

enum class FileSystemKind { Fat, Ntfs, Ext, ExFat, Unknown };

inline constexpr size_t kProbeSize = 16384;

bool IsNtfsBootSector(ByteView bootSector);
bool IsEncryptedBootSector(ByteView bootSector);
bool IsFat1216BootSector(ByteView bootSector);
bool IsFat32BootSector(ByteView bootSector);
bool IsFatBootSector(ByteView bootSector);
// Whether a sector presents itself as a FAT boot sector, before the decoder judges whether
// its numbers describe a volume that can be read.
bool LooksLikeFatBootSector(ByteView bootSector);
bool IsExtSuperblock(ByteView superblock);  // the 1024 bytes at offset 1024 of the probe

// Where a FAT32 volume keeps the copy of its boot sector, in its own sectors.
inline constexpr uint32_t kFatBackupBootSector = 6;
// The byte offset in `area` (a volume's first sectors) of a FAT32 boot sector copy at sector
// 6 that says it is one, for sector sizes of 512 to 2048 bytes; 0 when there is none.
size_t FatBackupBootOffset(ByteView area);

// What the probe made of a source: the file system its first sectors name, and when that
// file system's own numbers cannot be used, why (the deep mode then reads every sector).
struct ProbeVerdict {
    FileSystemKind kind = FileSystemKind::Unknown;
    std::string problem;  // empty when the boot sector decodes
    bool usable() const { return kind != FileSystemKind::Unknown && problem.empty(); }
};

// Asks each file system's boot-sector decoder, so the probe and the engines never disagree.
// A FAT32 volume whose first sector is damaged counts as FAT when its copy at sector 6 is sound.
ProbeVerdict ExamineFileSystem(ByteView probe);
// The usable file system, or Unknown.
FileSystemKind ProbeFileSystem(ByteView probe);
const wchar_t* FileSystemKindName(FileSystemKind kind);

// The probe reads: exactly kProbeSize bytes from the partition's first sector, or from the
// start of an image file. 0 or a Windows error number (30 for a short read).
int ReadProbeFromDisk(int diskNumber, uint64_t firstSector, std::vector<uint8_t>& probe);
int ReadProbeFromImage(const std::wstring& imagePath, std::vector<uint8_t>& probe);

}  // namespace qm

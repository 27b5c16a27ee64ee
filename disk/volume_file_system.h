// Naming the file system of a volume from its own first sectors, and from the names systems use.
#pragma once
#include <cstdint>
#include <string>

#include "disk/byte_view.h"

namespace qm {

// From a volume's first 16 KiB: its fsType (kFsTypeNtfs, kFsTypeFat32, kFsTypeFat,
// kFsTypeLinux, or 0 when not recognised), its name ("NTFS", "FAT32", "FAT", "ext") and label.
uint8_t DescribeVolumeFileSystem(ByteView probe, std::wstring& name, std::wstring& label);

// fsType for a file-system name: "NTFS", "FAT32" and "FAT" (any case) as Windows reports
// them, plus the Linux mount types vfat, msdos, ntfs, ntfs3, ext2/3/4; 0 for anything else.
uint8_t FsTypeFromName(const std::wstring& name);

}  // namespace qm

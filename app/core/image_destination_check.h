// What is checked of the path chosen for a new disk image before the copy starts, and the
// file names the save dialog proposes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "disk/volume_entry.h"

namespace qm {

// FAT32 keeps a file's size in 32 bits: 4 GiB - 1 byte is the largest file it holds.
inline constexpr uint64_t kFat32LargestFile = 0xFFFFFFFFull;
// The largest image put on FAT12/16: many of their drivers take sizes as signed 32-bit numbers.
inline constexpr uint64_t kFatLargestFile = 0x80000000ull;

struct ImageDestination {
    std::wstring path;                  // the chosen image file
    std::wstring fileSystem;            // name of the file system holding it ("FAT32", "NTFS")
    std::optional<uint64_t> freeBytes;  // free space there; nullopt when it cannot be learned
};

// The MSG key of the first failed check, or empty when the image may be written there:
//   MSG0218 the path lies on the source partition (its first character is the drive letter;
//           sourceDriveLetter 0 or a number tag never matches),
//   MSG0220 FAT32 and the image exceeds kFat32LargestFile,
//   MSG0219 other FAT and the image exceeds kFatLargestFile,
//   MSG0221 the free space is known and not greater than the image.
std::wstring CheckImageDestination(const ImageDestination& destination, uint16_t sourceDriveLetter,
                                   uint64_t imageBytes);

// "E (FAT32, 1.95 GB)", or "3 (NTFS, 10.00 GB)" for a partition without a letter.
std::wstring ProposedImageName(const VolumeEntry& entry);
// "Physical Disk 2" for disk number 1 (shown from 1).
std::wstring ProposedDiskImageName(int diskNumber);

}  // namespace qm

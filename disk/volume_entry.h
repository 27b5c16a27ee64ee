// One line of the disk list: a mounted partition, an unpartitioned gap, or a bare disk.
#pragma once
#include <cstdint>
#include <string>

namespace qm {

// fsType values set from the file-system name; other values are partition-type bytes.
inline constexpr uint8_t kFsTypeNtfs = 7;
inline constexpr uint8_t kFsTypeFat32 = 11;
inline constexpr uint8_t kFsTypeFat = 6;
inline constexpr uint8_t kFsTypeExFat = 7;  // exFAT partitions carry NTFS's type byte
inline constexpr uint8_t kFsTypeLinux = 0x83;
// A partition whose type byte the system does not report (Linux sees partitions, not their types).
inline constexpr uint8_t kFsTypeOtherPartition = 0x7F;

// Placeholder tag of an entry without a drive letter until the list numbers it.
inline constexpr uint16_t kTagUnnumbered = u'*';

struct VolumeEntry {
    uint16_t tag = kTagUnnumbered;  // drive letter, or the entry's 1-based position in the list
    uint8_t fsType = 0;             // 0 for gaps and bare disks
    int32_t diskNumber = -1;
    int32_t partitionNumber = -1;
    uint64_t totalBytes = 0;
    uint64_t usedBytes = 0;
    uint64_t freeBytes = 0;
    uint64_t start = 0;   // bytes while volumes are collected, sectors once the list is built
    uint64_t length = 0;  // as start
    std::wstring fsName;
    std::wstring rootPath;
    std::wstring label;
};

inline bool HasDriveLetter(const VolumeEntry& e) {
    return (e.tag >= u'A' && e.tag <= u'Z') || (e.tag >= u'a' && e.tag <= u'z');
}

}  // namespace qm

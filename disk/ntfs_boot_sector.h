// An NTFS volume's boot sector: its layout, and the one decoder the probe and the engines
// decide through.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"

namespace qm {

namespace ntfsboot {
inline constexpr size_t kOemName = 0x03;            // "NTFS    "
inline constexpr size_t kBytesPerSector = 0x0B;     // u16
inline constexpr size_t kSectorsPerCluster = 0x0D;  // u8
inline constexpr size_t kReservedSectors = 0x0E;    // u16, always 0
inline constexpr size_t kTotalSectors = 0x28;       // u64
inline constexpr size_t kMftCluster = 0x30;         // u64
inline constexpr size_t kMftMirrorCluster = 0x38;   // u64
inline constexpr size_t kSignature = 0x1FE;         // 0x55 0xAA
}  // namespace ntfsboot

// The fields as stored, read without judging them.
struct NtfsBootFields {
    uint32_t bytesPerSector = 0;
    uint32_t sectorsPerCluster = 0;
    uint64_t totalSectors = 0;
    uint64_t mftCluster = 0;
    uint64_t mftMirrorCluster = 0;
};

NtfsBootFields ReadNtfsBootFields(ByteView boot);

// Whether the sector names itself NTFS ("NTFS    " and the boot signature), usable or not.
bool HasNtfsBootName(ByteView boot);

// 0 when the boot sector describes a usable volume (its fields in out), else 87 with the
// reason in *why when asked: sizes NTFS does not use, fields that must be zero, a volume of
// no sectors, an MFT placed past the volume's end.
int DecodeNtfsBootSector(ByteView boot, NtfsBootFields& out, const char** why = nullptr);

}  // namespace qm

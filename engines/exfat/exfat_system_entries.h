// The root directory's own entries that are no files: where the allocation bitmap and the
// up-case table lie.
#pragma once
#include <cstdint>

#include "disk/byte_view.h"

namespace qm {

namespace exfatsystem {
inline constexpr uint8_t kTypeBitmap = 0x81;
inline constexpr uint8_t kTypeUpcase = 0x82;
inline constexpr size_t kBitmapFlags = 1;    // u8; bit 0: which FAT the bitmap belongs to
inline constexpr size_t kFirstCluster = 20;  // u32, both entries
inline constexpr size_t kDataLength = 24;    // u64, both entries
}  // namespace exfatsystem

struct ExFatStreamPlace {
    uint32_t firstCluster = 0;
    uint64_t length = 0;
    bool found = false;
};

struct ExFatSystemEntries {
    ExFatStreamPlace bitmap;  // the first FAT's
    ExFatStreamPlace upcase;
};

// Looks through the root directory's bytes for the first bitmap (of the first FAT) and up-case
// entries in use.
ExFatSystemEntries FindExFatSystemEntries(ByteView root);

}  // namespace qm

// One 32-byte directory entry, decoded, and the test that tells a plausible entry from the
// bytes of a cluster that holds something else by now.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"

namespace qm {

inline constexpr size_t kDirEntryBytes = 32;

enum : uint8_t {
    kFatAttrReadOnly = 0x01,
    kFatAttrVolumeLabel = 0x08,
    kFatAttrDirectory = 0x10,
    kFatAttrArchive = 0x20,
    kFatAttrLongName = 0x0F,
};
inline constexpr uint8_t kFatDeletedMark = 0xE5;

// A volume label entry. Some systems (macOS among them) also set the archive bit on it; such a
// label is still a label, not a file, and must not make its directory sector look invalid.
inline bool IsVolumeLabelAttr(uint8_t attributes) {
    return (attributes & ~kFatAttrArchive) == kFatAttrVolumeLabel;
}

struct FatDirEntry {
    uint8_t first = 0;
    uint8_t attributes = 0;
    uint8_t createTenMs = 0;
    uint16_t createTime = 0, createDate = 0, accessDate = 0;
    uint16_t highCluster = 0, writeTime = 0, writeDate = 0, lowCluster = 0;
    uint32_t size = 0;

    bool deleted() const { return first == kFatDeletedMark; }
    bool isLongName() const { return attributes == kFatAttrLongName; }
    bool isDirectory() const { return !isLongName() && (attributes & kFatAttrDirectory) != 0; }
    // Any entry that is neither a folder, a volume label nor a long-name part; the archive bit
    // says nothing (backup programs clear it, many devices never set it).
    bool isFile() const {
        return !isLongName() && (attributes & (kFatAttrDirectory | kFatAttrVolumeLabel)) == 0;
    }
    uint32_t cluster(bool fat32) const { return fat32 ? (uint32_t{highCluster} << 16) | lowCluster : lowCluster; }
};

FatDirEntry DecodeDirEntry(ByteView entry);

// A "." entry followed by a ".." entry: how every subdirectory begins.
bool IsDotPair(ByteView entry, ByteView next);

// Whether an entry may stand in a directory; `next` is the entry after it (empty at the end
// of the buffer). On FAT32 the cluster high word counts as a cluster word.
bool IsValidDirEntry(ByteView entry, ByteView next, bool fat32);

}  // namespace qm

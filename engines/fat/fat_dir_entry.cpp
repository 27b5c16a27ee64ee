#include "engines/fat/fat_dir_entry.h"

#include <cstring>

#include "engines/fat/fat_time.h"

namespace qm {
namespace {

// Long names have at most 20 parts (255 characters).
constexpr uint8_t kMaxLongNameOrdinal = 20;

bool inLiveRange(uint64_t t) { return t >= kFatEarliestTime && t <= kFatLatestTime; }

bool liveTimesPlausible(const FatDirEntry& e) {
    uint64_t created = 0, accessed = 0, modified = 0;
    if (!FatTimeToFileTime(e.createDate, e.createTime, e.createTenMs, created)) return false;
    if (!FatDateToFileTime(e.accessDate, accessed)) return false;
    if (!FatTimeToFileTime(e.writeDate, e.writeTime, 0, modified)) return false;
    return inLiveRange(created) && inLiveRange(accessed) && inLiveRange(modified);
}

bool forbiddenNameByte(uint8_t c) {
    if (c < 0x20 || (c >= 'a' && c <= 'z')) return true;
    return c != 0 && std::strchr("\"*/:<>?\\|.", c) != nullptr;
}

}  // namespace

FatDirEntry DecodeDirEntry(ByteView b) {
    FatDirEntry e;
    e.first = b.u8(0);
    e.attributes = b.u8(11);
    e.createTenMs = b.u8(13);
    e.createTime = b.u16(14);
    e.createDate = b.u16(16);
    e.accessDate = b.u16(18);
    e.highCluster = b.u16(20);
    e.writeTime = b.u16(22);
    e.writeDate = b.u16(24);
    e.lowCluster = b.u16(26);
    e.size = b.u32(28);
    return e;
}

bool IsDotPair(ByteView entry, ByteView next) {
    if (!entry.has(0, kDirEntryBytes) || !next.has(0, kDirEntryBytes)) return false;
    return entry.u8(0) == '.' && (entry.u8(11) & kFatAttrDirectory) && entry.u32(28) == 0 && next.u8(0) == '.' &&
           next.u8(1) == '.' && (next.u8(11) & kFatAttrDirectory) && next.u32(28) == 0;
}

bool IsValidDirEntry(ByteView entry, ByteView next, bool fat32) {
    if (!entry.has(0, kDirEntryBytes)) return false;
    if (IsDotPair(entry, next)) return true;
    const FatDirEntry e = DecodeDirEntry(entry);
    const uint8_t attr = e.attributes;
    const bool directory = (attr & kFatAttrDirectory) != 0;
    const bool label = IsVolumeLabelAttr(attr);
    const bool longName = attr == kFatAttrLongName;
    const uint32_t clusterWord = e.lowCluster | (fat32 && !longName ? e.highCluster : 0);

    if (e.size == 0 && !directory && !longName && clusterWord != 0) return false;
    if (label && (e.size != 0 || clusterWord != 0)) return false;
    if (!longName && !label && (attr & kFatAttrVolumeLabel)) return false;
    if (directory && (attr & kFatAttrReadOnly)) return false;
    if (attr & 0xC0) return false;
    if (longName && !e.deleted() && (e.first & ~0x40) > kMaxLongNameOrdinal) return false;
    // A label is not a file: systems leave its creation and access dates at zero.
    if (!e.deleted() && !directory && !longName && !label && !liveTimesPlausible(e)) return false;
    if (!label && !longName) {
        for (size_t i = e.deleted() ? 1 : 0; i < 11; ++i) {
            uint8_t c = entry.u8(i);
            if (i == 0 && c == 0x05) continue;  // stands for a leading 0xE5 character
            if (forbiddenNameByte(c)) return false;
        }
    }
    if (directory && !e.deleted() && e.size != 0) return false;
    if (longName && e.lowCluster != 0) return false;
    // Read-only, hidden and system files, and files whose archive bit a backup program cleared
    // or a camera never set, are files all the same.
    return true;
}

}  // namespace qm

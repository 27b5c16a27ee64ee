#include "engines/professional/pro_fat_directory_sector.h"

#include "engines/fat/fat_dir_entry.h"
#include "engines/fat/fat_time.h"

namespace qm::profat {
namespace {

// Long names have at most 20 parts; a run is checked for at most this many more.
constexpr size_t kMaxFollowingParts = 18;

bool allZero(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0) return false;
    return true;
}

// A stretch of a repeating pattern: bytes 1..14 equal bytes 17..30.
bool repeats(ByteView e) {
    for (size_t i = 1; i <= 14; ++i)
        if (e.u8(i) != e.u8(i + 16)) return false;
    return true;
}

// Blanks only at the end of the name and of the extension.
bool blanksTrail(ByteView e, size_t from, size_t to) {
    bool blank = false;
    for (size_t i = from; i < to; ++i) {
        const uint8_t c = e.u8(i);
        if (c == ' ')
            blank = true;
        else if (blank)
            return false;
    }
    return true;
}

bool shortEntryPlausible(ByteView e) {
    const FatDirEntry d = DecodeDirEntry(e);
    if (!IsVolumeLabelAttr(d.attributes)) {
        uint64_t t = 0;
        if (!FatTimeToFileTime(d.createDate, d.createTime, d.createTenMs, t)) return false;
    }
    for (size_t i = d.deleted() ? 1 : 0; i < 11; ++i) {
        const uint8_t c = e.u8(i);
        if (c < 0x20 || c == '.') return false;
    }
    if (!blanksTrail(e, 0, 8) || !blanksTrail(e, 8, 11)) return false;
    // Double-byte characters come in pairs.
    for (size_t i = d.deleted() ? 1 : 0; i <= 9;) {
        if (e.u8(i) > 0x7F) {
            if (e.u8(i + 1) <= 0x7F) return false;
            i += 2;
        } else {
            ++i;
        }
    }
    return true;
}

// A long-name part must be followed by parts of the same name and then by its short entry.
bool longNameRunPlausible(ByteView sector, size_t offset) {
    const uint8_t checksum = sector.u8(offset + 13);
    for (size_t k = 1; k <= kMaxFollowingParts; ++k) {
        const size_t at = offset + k * kDirEntryBytes;
        if (!sector.has(at, kDirEntryBytes)) return true;
        const ByteView e = sector.sub(at, kDirEntryBytes);
        if (!IsValidDirEntry(e, sector.sub(at + kDirEntryBytes, kDirEntryBytes), true)) return false;
        if (e.u8(11) == kFatAttrLongName) {
            if (e.u8(13) != checksum) return false;
            continue;
        }
        return e.u8(0) == kFatDeletedMark || ShortNameChecksum(e) == checksum;
    }
    return true;
}

}  // namespace

uint8_t ShortNameChecksum(ByteView entry) {
    uint8_t sum = 0;
    for (size_t i = 0; i < 11; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + entry.u8(i));
    return sum;
}

bool IsDirectorySector(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr || length < kDirEntryBytes) return false;
    const ByteView sector(bytes, length);
    // Most sectors fail at once: attribute bits 0x40/0x80 or a first byte of 0.
    if (bytes[0] == 0 || (bytes[11] & 0xC0) != 0) return false;
    for (size_t offset = 0; offset + kDirEntryBytes <= length; offset += kDirEntryBytes) {
        const ByteView e = sector.sub(offset, kDirEntryBytes);
        if (e.u8(0) == 0) return offset != 0 && allZero(bytes + offset, length - offset);
        if (!IsValidDirEntry(e, sector.sub(offset + kDirEntryBytes, kDirEntryBytes), true)) return false;
        if (repeats(e)) return false;
        if (e.u8(11) == kFatAttrLongName) {
            if (!longNameRunPlausible(sector, offset)) return false;
        } else if (!shortEntryPlausible(e)) {
            return false;
        }
    }
    return true;
}

}  // namespace qm::profat

// A folder's name as the folder-name file ("_DirInfo") keeps it: 268 bytes per entry, no header.
#pragma once
#include <cstddef>
#include <cstdint>

#include "disk/byte_view.h"
#include "results/scan_record.h"

namespace qm {

#pragma pack(push, 1)
struct DirInfoEntry {
    int32_t fsId = 0;      // the folder's file-system identity
    int32_t recordNo = 0;  // the folder's own record in the scan log
    char name[kRecordNameBytes] = {};
};
#pragma pack(pop)

inline constexpr size_t kDirInfoEntryBytes = 268;
static_assert(sizeof(DirInfoEntry) == kDirInfoEntryBytes);
static_assert(offsetof(DirInfoEntry, fsId) == 0);
static_assert(offsetof(DirInfoEntry, recordNo) == 4);
static_assert(offsetof(DirInfoEntry, name) == 8);

// Decodes one stored entry; false when fewer than 268 bytes are there.
inline bool decodeDirInfoEntry(ByteView bytes, DirInfoEntry& out) {
    if (!bytes.has(0, kDirInfoEntryBytes)) return false;
    out.fsId = static_cast<int32_t>(bytes.u32(0));
    out.recordNo = static_cast<int32_t>(bytes.u32(4));
    for (size_t i = 0; i < kRecordNameBytes; ++i) out.name[i] = static_cast<char>(bytes.u8(8 + i));
    return true;
}

}  // namespace qm

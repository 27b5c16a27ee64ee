#include "engines/exfat/exfat_system_entries.h"

#include "engines/exfat/exfat_entry_set.h"

namespace qm {

ExFatSystemEntries FindExFatSystemEntries(ByteView root) {
    using namespace exfatsystem;
    ExFatSystemEntries out;
    for (size_t at = 0; root.has(at, exfatentry::kSize); at += exfatentry::kSize) {
        const uint8_t type = root.u8(at);
        ExFatStreamPlace* place = nullptr;
        if (type == kTypeBitmap && !out.bitmap.found && (root.u8(at + kBitmapFlags) & 1) == 0)
            place = &out.bitmap;
        else if (type == kTypeUpcase && !out.upcase.found)
            place = &out.upcase;
        if (!place) continue;
        place->firstCluster = root.u32(at + kFirstCluster);
        place->length = root.u64(at + kDataLength);
        place->found = true;
    }
    return out;
}

}  // namespace qm

#include "engines/ntfs/ntfs_attribute_list.h"

namespace qm {

std::vector<AttributeListEntry> parseAttributeList(ByteView list) {
    std::vector<AttributeListEntry> entries;
    size_t off = 0;
    while (list.has(off, 0x18)) {
        AttributeListEntry e;
        e.type = list.u32(off);
        const uint16_t length = list.u16(off + 4);
        if (e.type == 0 || e.type == 0xFFFFFFFF || length < 0x18 || !list.has(off, length)) break;
        e.nameLength = list.u8(off + 6);
        e.lowestVcn = list.u64(off + 8);
        e.recordNumber = list.u64(off + 0x10) & 0xFFFFFFFFFFFFull;
        entries.push_back(e);
        off += length;
    }
    return entries;
}

}  // namespace qm

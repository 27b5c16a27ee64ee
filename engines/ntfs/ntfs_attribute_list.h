// Entries of an $ATTRIBUTE_LIST: which record holds which piece of an attribute.
#pragma once
#include <cstdint>
#include <vector>

#include "disk/byte_view.h"

namespace qm {

struct AttributeListEntry {
    uint32_t type = 0;
    uint8_t nameLength = 0;
    uint64_t lowestVcn = 0;
    uint64_t recordNumber = 0;  // low 48 bits of the segment reference
};

// Entries in list order; the walk ends at type 0 or 0xFFFFFFFF, an entry length of 0 or
// one that would leave the list.
std::vector<AttributeListEntry> parseAttributeList(ByteView list);

}  // namespace qm

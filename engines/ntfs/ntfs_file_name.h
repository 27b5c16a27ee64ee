// The content of a $FILE_NAME attribute.
#pragma once
#include <cstdint>
#include <string>

#include "disk/byte_view.h"

namespace qm {

inline constexpr uint8_t kNamespaceWin32 = 1;
inline constexpr uint8_t kNamespaceDos = 2;

struct NtfsFileName {
    uint32_t parentRecord = 0;    // low 32 bits of the parent reference
    uint16_t parentSequence = 0;  // the parent record's sequence number when this name was made
    uint64_t created = 0;         // FILETIMEs as stored
    uint64_t modified = 0;
    uint64_t accessed = 0;
    uint64_t realSize = 0;
    uint8_t nameSpace = 0;
    std::u16string name;  // at most 255 units; cut where the attribute ends
};

// Reads the $FILE_NAME content at attribute offset 0x18. False when the attribute is too
// short to hold the fixed part.
bool parseFileName(ByteView attribute, NtfsFileName& out);

// A record's names in order: the first one is taken whole, a later Win32 name replaces its name.
void mergeFileName(const NtfsFileName& next, bool& haveOne, NtfsFileName& into);

}  // namespace qm

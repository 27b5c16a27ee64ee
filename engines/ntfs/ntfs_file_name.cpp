#include "engines/ntfs/ntfs_file_name.h"

namespace qm {

bool parseFileName(ByteView a, NtfsFileName& out) {
    out = NtfsFileName{};
    if (!a.has(0x18, 0x42)) return false;
    out.parentRecord = a.u32(0x18);
    out.parentSequence = a.u16(0x1E);
    out.created = a.u64(0x20);
    out.modified = a.u64(0x28);
    out.accessed = a.u64(0x38);
    out.realSize = a.u64(0x48);
    const size_t units = a.u8(0x58);
    out.nameSpace = a.u8(0x59);
    out.name.reserve(units);
    for (size_t i = 0; i < units && a.has(0x5A + 2 * i, 2); ++i)
        out.name.push_back(static_cast<char16_t>(a.u16(0x5A + 2 * i)));
    return true;
}

void mergeFileName(const NtfsFileName& next, bool& haveOne, NtfsFileName& into) {
    if (!haveOne) {
        into = next;
        haveOne = true;
    } else if (next.nameSpace == kNamespaceWin32) {
        into.name = next.name;
        into.nameSpace = next.nameSpace;
    }
}

}  // namespace qm

#include "engines/carving/file_system_structure.h"

#include "engines/carving/byte_search.h"
#include "engines/carving/carve_context.h"
#include "engines/carving/signature_bytes.h"

namespace qm {

using namespace carving;

bool IsFileSystemStructure(const CarveContext& ctx, ByteView s) {
    if (s.size() < 32) return false;
    if (HasText(s, 0, "FILE") || HasText(s, 0, "INDX")) return true;
    if (HasText(s, 0, "RSTR")) {
        static constexpr char kNtfs16[] = {'N', 0, 'T', 0, 'F', 0, 'S', 0};
        if (FindPattern(s, std::string_view(kNtfs16, sizeof kNtfs16)) != kNotFound) return true;
    }
    if (HasText(s, 0, "$\0S\0T\0A\0")) return true;
    if (s.u8(0) == 0xEB && s.u8(2) == 0x90) {
        static constexpr const char* kOemNames[] = {"MSDOS5.0", "MSWIN4.0", "MSWIN4.1", "NTFS    ", "EXFAT   "};
        for (const char* name : kOemNames)
            if (s.equals(3, name, 8)) return true;
    }
    return ctx.fatDirectorySectorTest != nullptr && ctx.fatDirectorySectorTest(s.data(), s.size());
}

}  // namespace qm

#include "engines/carving/package_classification.h"

#include <algorithm>
#include <cstring>

#include "engines/carving/byte_search.h"
#include "engines/carving/carve_context.h"
#include "engines/carving/file_type_code.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kMaxSectors = 20;
constexpr uint32_t kSectorsPerRead = 4;
constexpr size_t kCarry = 4;  // a header signature may straddle two reads

int ByNamePrefix(ByteView bytes, size_t nameAt, size_t nameLength) {
    struct Prefix {
        const char* text;
        size_t length;
        int code;
    };
    static constexpr Prefix kPrefixes[] = {{"word", 4, kTypeDocx}, {"ppt", 3, kTypePptx}, {"xl", 2, kTypeXlsx}};
    for (const Prefix& p : kPrefixes)
        if (nameLength >= p.length && bytes.has(nameAt, p.length) &&
            EqualsIgnoreCase(bytes.data() + nameAt, p.text, p.length))
            return p.code;
    return -1;
}

}  // namespace

int ClassifyPackageBytes(ByteView bytes) {
    size_t at = 0;
    while ((at = FindPattern(bytes, "PK", at)) != kNotFound) {
        const uint8_t kind = bytes.u8(at + 2);
        const uint8_t sub = bytes.u8(at + 3);
        if (kind == 5 && sub == 6) return kTypeNoMatch;  // end of central directory: all names seen
        int code = -1;
        if (kind == 3 && sub == 4) code = ByNamePrefix(bytes, at + 30, bytes.u16(at + 26));
        if (kind == 1 && sub == 2) code = ByNamePrefix(bytes, at + 46, bytes.u16(at + 28));
        if (code >= 0) return code;
        ++at;
    }
    return -1;
}

int ClassifyPackage(CarveContext& ctx, ByteView firstSector) {
    if (!ctx.CanRead()) {
        const int code = ClassifyPackageBytes(firstSector);
        return code < 0 ? kTypeNoMatch : code;
    }
    const uint32_t s = ctx.sectorSize;
    uint8_t* buffer = ctx.DetectorScratch(kSectorsPerRead * static_cast<size_t>(s) + kCarry);
    size_t kept = 0;
    uint32_t done = 0;
    while (done < kMaxSectors) {
        const uint32_t want = std::min(kSectorsPerRead, kMaxSectors - done);
        bool failed = false;
        uint32_t got = 0;
        if (ctx.currentSector <= UINT64_MAX - done)
            got = ReadSectorsClamped(ctx, ctx.currentSector + done, want, buffer + kept, failed);
        if (got == 0) {
            if (done > 0) break;
            // Nothing readable: judge the sector in hand.
            const int code = ClassifyPackageBytes(firstSector);
            return code < 0 ? kTypeNoMatch : code;
        }
        const size_t filled = kept + static_cast<size_t>(got) * s;
        const int code = ClassifyPackageBytes(ByteView(buffer, filled));
        if (code >= 0) return code;
        kept = std::min(kCarry, filled);
        std::memmove(buffer, buffer + filled - kept, kept);
        done += got;
        if (got < want) break;
    }
    return kTypeNoMatch;
}

}  // namespace qm

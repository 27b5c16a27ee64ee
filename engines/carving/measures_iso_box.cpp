// ISO media (MP4, 3GP, QuickTime) ends after its last top-level box: the walk hops from
// box header to box header, never reading the media data between them.
#include <string_view>

#include "engines/carving/file_window.h"
#include "engines/carving/measures.h"

namespace qm {

using namespace carving;
namespace {

constexpr uint32_t kMaxBoxes = 100000;

bool IsPrintableType(ByteView type) {
    for (size_t i = 0; i < 4; ++i)
        if (type.u8(i) < 0x20 || type.u8(i) > 0x7E) return false;
    return true;
}

bool IsTopLevelType(std::string_view type) {
    static constexpr std::string_view kTypes[] = {"ftyp", "moov", "mdat", "free", "skip", "wide", "uuid",
                                                  "meta", "mfra", "moof", "sidx", "styp", "pdin", "udta",
                                                  "ssix", "prft", "emsg", "pnot", "junk"};
    for (std::string_view known : kTypes)
        if (type == known) return true;
    return false;
}

uint64_t WalkIsoBoxes(FileWindow& window, ByteView) {
    uint64_t at = 0;
    uint64_t end = 0;
    bool media = false;
    uint32_t boxes = 0;
    for (; boxes < kMaxBoxes; ++boxes) {
        const ByteView header = window.Bytes(at, 8);
        if (header.size() != 8 || !IsPrintableType(header.sub(4))) break;
        const std::string_view type(reinterpret_cast<const char*>(header.data() + 4), 4);
        const bool known = IsTopLevelType(type);
        if (boxes == 0 && !known) return 0;
        if (boxes > 0 && type == "ftyp") break;  // the next file's first box
        uint64_t size = BigEndianN(header, 0, 4);
        uint64_t headerSize = 8;
        if (size == 1) {
            size = BigEndianN(window.Bytes(at + 8, 8), 0, 8);
            headerSize = 16;
        } else if (size == 0) {
            if (known) return 0;  // runs to the end of a file whose end is what we look for
            break;
        }
        if (size < headerSize || size > UINT64_MAX - at || !window.Holds(at + size)) {
            if (known) return 0;  // cut short: the medium or the limit ends inside it
            break;
        }
        at += size;
        if (!known) continue;
        end = at;
        media = media || type == "moov" || type == "mdat" || type == "moof";
    }
    return media && boxes < kMaxBoxes ? end : 0;
}

}  // namespace

uint64_t MeasureMp4Boxes(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 6 * kGiB, WalkIsoBoxes, MeasureIsoMediaTrailer);
}

uint64_t MeasureIsoBoxes(CarveContext& ctx, ByteView first) {
    return WalkOrFallback(ctx, first, 6 * kGiB, WalkIsoBoxes, MeasureNextHeader6G);
}

}  // namespace qm

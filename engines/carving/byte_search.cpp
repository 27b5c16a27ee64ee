#include "engines/carving/byte_search.h"

#include <algorithm>
#include <cstring>

namespace qm::carving {

size_t FindPattern(ByteView bytes, std::string_view pattern, size_t from, size_t lastStart) {
    if (pattern.empty() || bytes.size() < pattern.size()) return kNotFound;
    const size_t maxStart = std::min(lastStart, bytes.size() - pattern.size());
    if (from > maxStart) return kNotFound;
    const std::string_view text = AsText(bytes).substr(0, maxStart + pattern.size());
    const size_t at = text.find(pattern, from);
    return at == std::string_view::npos ? kNotFound : at;
}

size_t FindLastPattern(ByteView bytes, std::string_view pattern, size_t lastStart) {
    if (pattern.empty() || bytes.size() < pattern.size()) return kNotFound;
    const size_t maxStart = std::min(lastStart, bytes.size() - pattern.size());
    // A plain backward scan for the first byte: the library's rfind compares at every position.
    const uint8_t* p = bytes.data();
    const uint8_t lead = static_cast<uint8_t>(pattern[0]);
    for (size_t at = maxStart + 1; at-- > 0;)
        if (p[at] == lead && std::memcmp(p + at, pattern.data(), pattern.size()) == 0) return at;
    return kNotFound;
}

bool HasZeroTail(ByteView bytes, size_t end, uint32_t sectorSize) {
    if (sectorSize == 0 || end > bytes.size()) return false;
    if (end % sectorSize == 0) return true;
    const size_t sectorEnd = std::min(bytes.size(), end - end % sectorSize + sectorSize);
    const uint8_t* p = bytes.data();
    return std::all_of(p + end, p + sectorEnd, [](uint8_t b) { return b == 0; });
}

size_t FindZeroTailedMarker(ByteView bytes, std::string_view marker, size_t endAfterStart, size_t lastStart,
                            uint32_t sectorSize, bool last) {
    auto fits = [&](size_t at) {
        return endAfterStart <= bytes.size() && at <= bytes.size() - endAfterStart &&
               HasZeroTail(bytes, at + endAfterStart, sectorSize);
    };
    if (!last) {
        for (size_t at = FindPattern(bytes, marker, 0, lastStart); at != kNotFound;
             at = FindPattern(bytes, marker, at + 1, lastStart))
            if (fits(at)) return at;
        return kNotFound;
    }
    for (size_t at = FindLastPattern(bytes, marker, lastStart); at != kNotFound;
         at = at == 0 ? kNotFound : FindLastPattern(bytes, marker, at - 1))
        if (fits(at)) return at;
    return kNotFound;
}

bool EqualsIgnoreCase(const uint8_t* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        uint8_t x = a[i];
        uint8_t y = static_cast<uint8_t>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<uint8_t>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<uint8_t>(y + 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace qm::carving

// Pattern searches and end-of-file tests over medium bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "disk/byte_view.h"

namespace qm::carving {

inline constexpr size_t kNotFound = static_cast<size_t>(-1);

inline std::string_view AsText(ByteView bytes) {
    return bytes.size() ? std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()) : std::string_view();
}

// The first occurrence of `pattern` that starts in [from, lastStart] and lies wholly inside
// `bytes`, or kNotFound.
size_t FindPattern(ByteView bytes, std::string_view pattern, size_t from = 0, size_t lastStart = kNotFound);
// The last such occurrence.
size_t FindLastPattern(ByteView bytes, std::string_view pattern, size_t lastStart = kNotFound);

// True when an end at `end` (an offset into `bytes`, whose start is sector aligned) closes
// its sector: it falls on a sector boundary or every byte after it up to the sector's end (or
// the end of the bytes) is 0.
bool HasZeroTail(ByteView bytes, size_t end, uint32_t sectorSize);

// The first (or, with `last`, the last) occurrence of `marker` that starts at or before
// `lastStart` and whose end, `endAfterStart` bytes past its start, lies inside `bytes` and has
// a zero tail. Returns its start or kNotFound.
size_t FindZeroTailedMarker(ByteView bytes, std::string_view marker, size_t endAfterStart, size_t lastStart,
                            uint32_t sectorSize, bool last);

// ASCII-only case-insensitive comparison of `length` bytes.
bool EqualsIgnoreCase(const uint8_t* a, const char* b, size_t length);

}  // namespace qm::carving

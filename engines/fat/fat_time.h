// FAT date and time fields as FILETIME values, taken as they stand (no time-zone shift).
#pragma once
#include <cstdint>

namespace qm {

// FILETIMEs of 1990-01-01 and 2050-01-01, the range a live entry's times must lie in.
inline constexpr uint64_t kFatEarliestTime = 0x01B41E2A18D64000ull;
inline constexpr uint64_t kFatLatestTime = 0x01F7630BE39D8000ull;

// Date: year-1980 in bits 9..15, month 5..8, day 0..4. Time: hours 11..15, minutes 5..10,
// seconds/2 0..4. tenMs: the creation time's 10-millisecond count (0..199).
// False when the fields name no real moment.
bool FatTimeToFileTime(uint16_t date, uint16_t time, uint32_t tenMs, uint64_t& fileTime);
// The date at midnight.
inline bool FatDateToFileTime(uint16_t date, uint64_t& fileTime) { return FatTimeToFileTime(date, 0, 0, fileTime); }

}  // namespace qm

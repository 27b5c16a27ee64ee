// Time sources.
#pragma once
#include <cstdint>

namespace qm::platform {

struct LocalTime {
    int year = 0, month = 0, day = 0, dayOfWeek = 0;
    int hour = 0, minute = 0, second = 0, milliseconds = 0;
};

LocalTime localNow();
// Milliseconds since some fixed point; only differences mean anything.
uint64_t tickCount();
// Current UTC time as a FILETIME.
uint64_t fileTimeNow();
// The local zone's offset from UTC, in minutes, at a UTC FILETIME (summer time included).
int utcOffsetMinutesAt(uint64_t fileTime);

// FILETIME <-> Unix seconds (1601-01-01 is 11644473600 s before 1970-01-01).
inline constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;

}  // namespace qm::platform

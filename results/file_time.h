// FILETIME (100 ns ticks since 1601-01-01 UTC) to calendar time, with plain integer arithmetic
// so the result is the same on every platform.
#pragma once
#include <cstdint>
#include <string>

namespace qm {

struct CivilTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

// False for 0 (unknown) and for times past the year 9999.
bool FileTimeToCivil(uint64_t fileTime, CivilTime& out);
// "2024-02-03T04:05:06Z", or an empty text when the time is unknown or cannot be shown.
std::string FormatFileTimeIso(uint64_t fileTime);

}  // namespace qm

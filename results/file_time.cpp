#include "results/file_time.h"

#include <cstdio>

namespace qm {

bool FileTimeToCivil(uint64_t fileTime, CivilTime& out) {
    if (fileTime == 0) return false;
    constexpr uint64_t kTicksPerSecond = 10000000ULL;
    constexpr int64_t kDaysFrom1601To1970 = 134774;
    const uint64_t seconds = fileTime / kTicksPerSecond;
    const int64_t secondOfDay = static_cast<int64_t>(seconds % 86400);
    // Days since 1970-01-01 to a civil date (proleptic Gregorian).
    const int64_t z = static_cast<int64_t>(seconds / 86400) - kDaysFrom1601To1970 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 = March
    const int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year > 9999) return false;
    out.year = static_cast<int>(year);
    out.month = static_cast<int>(month);
    out.day = static_cast<int>(day);
    out.hour = static_cast<int>(secondOfDay / 3600);
    out.minute = static_cast<int>(secondOfDay / 60 % 60);
    out.second = static_cast<int>(secondOfDay % 60);
    return true;
}

std::string FormatFileTimeIso(uint64_t fileTime) {
    CivilTime t;
    if (!FileTimeToCivil(fileTime, t)) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

}  // namespace qm

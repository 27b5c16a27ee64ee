#include "tools/extract/archive_entry.h"

namespace qm::extract {

EntryTime EntryTime::fromDos(uint16_t date, uint16_t time) {
    EntryTime t;
    const int month = (date >> 5) & 0x0F, day = date & 0x1F;
    const int hour = time >> 11, minute = (time >> 5) & 0x3F, second = (time & 0x1F) * 2;
    if (date == 0 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return t;
    t.year = static_cast<uint16_t>(1980 + (date >> 9));
    t.month = static_cast<uint8_t>(month);
    t.day = static_cast<uint8_t>(day);
    t.hour = static_cast<uint8_t>(hour);
    t.minute = static_cast<uint8_t>(minute);
    t.second = static_cast<uint8_t>(second);
    return t;
}

EntryTime EntryTime::fromUnix(int64_t seconds) {
    EntryTime t;
    // Years 1 to 9999 only: anything else is a damaged field, shown as unknown.
    if (seconds < -62135596800LL || seconds > 253402300799LL) return t;
    int64_t days = seconds / 86400, rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint8_t>(m);
    t.day = static_cast<uint8_t>(d);
    t.hour = static_cast<uint8_t>(rest / 3600);
    t.minute = static_cast<uint8_t>(rest / 60 % 60);
    t.second = static_cast<uint8_t>(rest % 60);
    return t;
}

EntryTime EntryTime::fromFiletime(uint64_t ticks) {
    if (ticks == 0) return {};
    return fromUnix(static_cast<int64_t>(ticks / 10000000ULL) - 11644473600LL);
}

uint32_t AttributesFromUnixMode(uint32_t mode) {
    uint32_t attributes = 0;
    if ((mode & 0170000) == 0040000) attributes |= kAttrFolder;
    if ((mode & 0222) == 0) attributes |= kAttrReadOnly;
    return attributes;
}

}  // namespace qm::extract

#include "tools/extract/archive_entry.h"

#include "results/file_time.h"

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
    // Before 1601 (the FILETIME epoch) is a damaged field, shown as unknown.
    constexpr int64_t kUnixToFileTimeSeconds = 11644473600LL;
    if (seconds < -kUnixToFileTimeSeconds || seconds > 253402300799LL) return {};
    return fromFiletime(static_cast<uint64_t>(seconds + kUnixToFileTimeSeconds) * 10000000ULL);
}

EntryTime EntryTime::fromFiletime(uint64_t ticks) {
    CivilTime c;
    if (!FileTimeToCivil(ticks, c)) return {};
    EntryTime t;
    t.year = static_cast<uint16_t>(c.year);
    t.month = static_cast<uint8_t>(c.month);
    t.day = static_cast<uint8_t>(c.day);
    t.hour = static_cast<uint8_t>(c.hour);
    t.minute = static_cast<uint8_t>(c.minute);
    t.second = static_cast<uint8_t>(c.second);
    return t;
}

uint32_t AttributesFromUnixMode(uint32_t mode) {
    uint32_t attributes = 0;
    if ((mode & 0170000) == 0040000) attributes |= kAttrFolder;
    if ((mode & 0222) == 0) attributes |= kAttrReadOnly;
    return attributes;
}

}  // namespace qm::extract

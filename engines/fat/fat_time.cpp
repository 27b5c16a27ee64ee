#include "engines/fat/fat_time.h"

namespace qm {
namespace {

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1601-01-01 to the given date (proleptic Gregorian).
int64_t daysSince1601(int y, int m, int d) {
    int64_t days = 0;
    const int64_t years = y - 1601;
    days += years * 365 + years / 4 - years / 100 + years / 400;
    for (int i = 1; i < m; ++i) days += daysInMonth(y, i);
    return days + (d - 1);
}

}  // namespace

bool FatTimeToFileTime(uint16_t date, uint16_t time, uint32_t tenMs, uint64_t& fileTime) {
    const int year = 1980 + (date >> 9);
    const int month = (date >> 5) & 0x0F;
    const int day = date & 0x1F;
    const int hour = time >> 11;
    const int minute = (time >> 5) & 0x3F;
    const int second = (time & 0x1F) * 2 + static_cast<int>(tenMs / 100);
    const int millis = static_cast<int>(tenMs % 100) * 10;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return false;
    if (hour > 23 || minute > 59 || second > 59 || tenMs > 199) return false;
    const int64_t seconds = daysSince1601(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    fileTime = static_cast<uint64_t>(seconds) * 10000000ull + static_cast<uint64_t>(millis) * 10000ull;
    return true;
}

}  // namespace qm

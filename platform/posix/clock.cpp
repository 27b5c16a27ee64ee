#include <sys/time.h>
#include <time.h>

#include "platform/clock.h"

namespace qm::platform {

LocalTime localNow() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm {};
    localtime_r(&ts.tv_sec, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.dayOfWeek = tm.tm_wday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.milliseconds = static_cast<int>(ts.tv_nsec / 1000000);
    return t;
}

uint64_t tickCount() {
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec / 1000000);
}

uint64_t fileTimeNow() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return kFileTimeUnixEpoch + static_cast<uint64_t>(ts.tv_sec) * 10000000u +
           static_cast<uint64_t>(ts.tv_nsec / 100);
}

int utcOffsetMinutesAt(uint64_t fileTime) {
    if (fileTime < kFileTimeUnixEpoch) return 0;
    const time_t seconds = static_cast<time_t>((fileTime - kFileTimeUnixEpoch) / 10000000u);
    struct tm tm {};
    if (!localtime_r(&seconds, &tm)) return 0;
    return static_cast<int>(tm.tm_gmtoff / 60);
}

}  // namespace qm::platform

#include "results/scan_log_name.h"

namespace qm {

std::wstring scanLogName(const std::wstring& prefix, uint64_t firstSector, const platform::LocalTime& time) {
    // The sector is written as a signed 64-bit number, as earlier logs were named.
    std::wstring name = prefix + std::to_wstring(static_cast<int64_t>(firstSector)) + L"_";
    name += std::to_wstring(time.year) + std::to_wstring(time.month) + std::to_wstring(time.day) +
            std::to_wstring(time.hour);
    std::wstring minute = std::to_wstring(time.minute);
    if (minute.size() < 2) minute.insert(0, 2 - minute.size(), L' ');
    return name + minute;
}

std::wstring scanLogNameNow(const std::wstring& prefix, uint64_t firstSector) {
    return scanLogName(prefix, firstSector, platform::localNow());
}

}  // namespace qm

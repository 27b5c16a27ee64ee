// Sizes and durations as the progress and list displays show them.
#pragma once
#include <cstdint>
#include <string>

namespace qm {

std::wstring FormatSize(uint64_t bytes);       // "1.50 KB", "1023 Bytes"
std::wstring FormatDuration(int64_t seconds);  // "1 Hour 0 Min", "2 Min 5 Sec", "59 Sec"

}  // namespace qm

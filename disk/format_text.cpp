#include "disk/format_text.h"

#include <cwchar>

namespace qm {

std::wstring FormatSize(uint64_t bytes) {
    wchar_t text[64];
    const double value = static_cast<double>(bytes);
    if (bytes >= (1ULL << 40)) {
        std::swprintf(text, 64, L"%.2f TB", value / static_cast<double>(1ULL << 40));
    } else if (bytes >= (1ULL << 30)) {
        std::swprintf(text, 64, L"%.2f GB", value / static_cast<double>(1ULL << 30));
    } else if (bytes >= (1ULL << 20)) {
        std::swprintf(text, 64, L"%.2f MB", value / static_cast<double>(1ULL << 20));
    } else if (bytes >= 1024) {
        std::swprintf(text, 64, L"%.2f KB", value / 1024.0);
    } else {
        std::swprintf(text, 64, L"%d Bytes", static_cast<int>(bytes));
    }
    return text;
}

std::wstring FormatDuration(int64_t seconds) {
    wchar_t text[64];
    if (seconds >= 3600) {
        const int64_t hours = seconds / 3600;
        std::swprintf(text, 64, L"%lld Hour %lld Min", static_cast<long long>(hours),
                      static_cast<long long>((seconds - hours * 3600) / 60));
    } else if (seconds >= 60) {
        std::swprintf(text, 64, L"%lld Min %lld Sec", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    } else {
        std::swprintf(text, 64, L"%lld Sec", static_cast<long long>(seconds));
    }
    return text;
}

}  // namespace qm

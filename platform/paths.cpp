#include "platform/folders.h"

namespace qm::platform {

std::wstring joinPath(const std::wstring& a, const std::wstring& b) {
    if (a.empty()) return b;
    std::wstring out = a;
    const bool aEnds = out.back() == L'/' || out.back() == L'\\';
    const bool bStarts = !b.empty() && (b.front() == L'/' || b.front() == L'\\');
    if (aEnds && bStarts) {
        out.pop_back();
    } else if (!aEnds && !bStarts) {
        out += kPathSeparator;
    }
    return out + b;
}

std::wstring fileNameOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"/\\");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

}  // namespace qm::platform

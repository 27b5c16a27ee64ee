#include "engines/fat/fat_safe_name.h"

#include "platform/text.h"

namespace qm {

std::wstring SafeFileName(const std::string& utf8Name) {
    std::wstring name = platform::fromUtf8(utf8Name);
    for (auto& c : name) {
        if (platform::isControlCharacter(c) || c == L'/' || c == L'\\' || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' ||
            c == L'>' || c == L'|')
            c = L'_';
    }
    if (name.empty() || name == L"." || name == L"..") return L"_";
    return name;
}

}  // namespace qm

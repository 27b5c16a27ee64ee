#include "engines/ntfs/ntfs_output_name.h"

#include "platform/text.h"

namespace qm {

std::wstring ntfsOutputName(const std::string& utf8Name) {
    std::wstring name = platform::fromUtf8(utf8Name);
    for (wchar_t& c : name) {
        if (platform::isControlCharacter(c) || c == L'/' || c == L'\\' || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' ||
            c == L'>' || c == L'|')
            c = L'_';
    }
    if (name.empty() || name == L"." || name == L"..") name = L"_" + name;
    return name;
}

}  // namespace qm

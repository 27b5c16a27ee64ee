#include "results/safe_path_component.h"

#include <string_view>

#include "platform/text.h"

namespace qm {
namespace {

bool isForbidden(wchar_t c) {
    return platform::isControlCharacter(c) || c == L'/' || c == L'\\' || c == L':' || c == L'*' || c == L'?' ||
           c == L'"' || c == L'<' || c == L'>' || c == L'|';
}

// Windows opens a device for these names whatever the extension and folder.
bool isDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    for (wchar_t& c : stem) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    for (std::wstring_view device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"})
        if (stem == device) return true;
    return stem.size() == 4 && (stem.starts_with(L"com") || stem.starts_with(L"lpt")) && stem[3] >= L'1' &&
           stem[3] <= L'9';
}

}  // namespace

std::wstring SafePathComponent(const std::string& utf8Name) {
    std::wstring name = platform::fromUtf8(utf8Name);
    for (wchar_t& c : name)
        if (isForbidden(c)) c = L'_';
    if (name.empty() || name == L"." || name == L"..") return L"_" + name;
    if (name.back() == L'.' || name.back() == L' ') name.back() = L'_';
    if (isDeviceName(name)) name = L"_" + name;
    return name;
}

}  // namespace qm

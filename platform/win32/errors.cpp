#include <windows.h>

#include "platform/errors.h"

namespace qm::platform {

int lastError() { return static_cast<int>(GetLastError()); }

std::wstring errorMessage(int code) {
    wchar_t* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    // The user's own language first, English when the system has no text in it.
    DWORD n = FormatMessageW(flags, nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    if (n == 0)
        n = FormatMessageW(flags, nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                           reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring out;
    if (n && text) {
        out.assign(text, n);
        LocalFree(text);
        while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' ')) out.pop_back();
    } else {
        wchar_t buf[64];
        wsprintfW(buf, L"Error %d.", code);
        out = buf;
    }
    return out;
}

}  // namespace qm::platform

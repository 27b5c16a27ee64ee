#include "app/player_processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cwctype>

namespace qm::app {

namespace {

std::wstring NormalisedFolder(std::wstring path) {
    for (wchar_t& c : path) c = c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c));
    while (!path.empty() && path.back() == L'/') path.pop_back();
    return path;
}

std::wstring ExecutablePath(HANDLE process) {
    wchar_t buffer[32768];
    DWORD length = static_cast<DWORD>(sizeof(buffer) / sizeof(buffer[0]));
    if (!::QueryFullProcessImageNameW(process, 0, buffer, &length)) return std::wstring();
    return std::wstring(buffer, length);
}

}  // namespace

bool IsFileDirectlyInFolder(const std::wstring& filePath, const std::wstring& folder) {
    const std::wstring file = NormalisedFolder(filePath);
    const std::wstring dir = NormalisedFolder(folder);
    const std::size_t slash = file.rfind(L'/');
    if (dir.empty() || slash == std::wstring::npos) return false;
    return file.compare(0, slash, dir) == 0 && slash == dir.size();
}

int TerminateProcessesByName(const std::wstring& exeName, const std::wstring& folder) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        if (exeName != entry.szExeFile) continue;
        HANDLE process =
            ::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        if (IsFileDirectlyInFolder(ExecutablePath(process), folder)) ::TerminateProcess(process, 0);
        ::CloseHandle(process);
    }
    ::CloseHandle(snapshot);
    return 0;
}

}  // namespace qm::app

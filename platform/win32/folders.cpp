#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/folders.h"

namespace qm::platform {
namespace {
std::wstring lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return s;
}
}  // namespace

std::wstring appDataFolder() {
    if (const wchar_t* over = _wgetenv(L"QUILLMERE_APPDATA"); over && *over) return over;
    wchar_t path[MAX_PATH] = {};
    if (SHGetSpecialFolderPathW(nullptr, path, CSIDL_APPDATA, FALSE)) return path;
    return L".";
}

bool pathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isStreamNode(const std::wstring& path) {
    // Named pipes live in their own namespace.
    const std::wstring name = lower(path);
    return name.rfind(L"\\\\.\\pipe\\", 0) == 0 || name.rfind(L"\\\\?\\pipe\\", 0) == 0;
}

bool isFolder(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int createFolderTree(const std::wstring& path) {
    if (path.empty()) return kErrorPathNotFound;
    if (isFolder(path)) return 0;
    std::wstring p = path;
    while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
    const size_t cut = p.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 0) {
        const std::wstring parent = p.substr(0, cut);
        if (!(parent.size() == 2 && parent[1] == L':') && !isFolder(parent)) {
            if (int rc = createFolderTree(parent); rc != 0) return rc;
        }
    }
    if (!CreateDirectoryW(p.c_str(), nullptr)) {
        const DWORD e = GetLastError();
        if (e != ERROR_ALREADY_EXISTS) return static_cast<int>(e);
    }
    return 0;
}

int createOwnFolder(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
    DWORD e = GetLastError();
    if (e == ERROR_PATH_NOT_FOUND) {
        const size_t cut = path.find_last_of(L"\\/");
        if (cut == std::wstring::npos || cut == 0) return static_cast<int>(e);
        if (int rc = createFolderTree(path.substr(0, cut)); rc != 0) return rc;
        if (CreateDirectoryW(path.c_str(), nullptr)) return 0;
        e = GetLastError();
    }
    if (e != ERROR_ALREADY_EXISTS) return static_cast<int>(e);
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return static_cast<int>(GetLastError());
    const bool realFolder = (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT);
    return realFolder ? 0 : kErrorAlreadyExists;
}

namespace {
// Depth-first delete of a folder's contents; bounded by the tree itself (no links are followed:
// a junction is removed as the folder entry it is, not walked into).
int deleteContents(const std::wstring& folder, int depth) {
    if (depth > 256) return ERROR_FILENAME_EXCED_RANGE;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int result = 0;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring child = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(child.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        const bool isDir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (isDir && !isLink) {
            if (int rc = deleteContents(child, depth + 1); rc != 0 && result == 0) result = rc;
            if (!RemoveDirectoryW(child.c_str()) && result == 0) result = static_cast<int>(GetLastError());
        } else if (isDir) {
            if (!RemoveDirectoryW(child.c_str()) && result == 0) result = static_cast<int>(GetLastError());
        } else if (!DeleteFileW(child.c_str()) && result == 0) {
            result = static_cast<int>(GetLastError());
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return result;
}
}  // namespace

int deleteTree(const std::wstring& path) {
    std::wstring p = path;
    for (auto& c : p)
        if (c == L'/') c = L'\\';
    while (!p.empty() && p.back() == L'\\') p.pop_back();
    if (p.empty() || !pathExists(p)) return 0;
    if (!isFolder(p)) return DeleteFileW(p.c_str()) ? 0 : static_cast<int>(GetLastError());
    if (int rc = deleteContents(p, 0); rc != 0) return rc;
    return RemoveDirectoryW(p.c_str()) ? 0 : static_cast<int>(GetLastError());
}

int deleteFile(const std::wstring& path) {
    return DeleteFileW(path.c_str()) ? 0 : static_cast<int>(GetLastError());
}

int setHidden(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return static_cast<int>(GetLastError());
    return SetFileAttributesW(path.c_str(), a | FILE_ATTRIBUTE_HIDDEN) ? 0 : static_cast<int>(GetLastError());
}

int moveFile(const std::wstring& from, const std::wstring& to, bool replace) {
    const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
    return MoveFileExW(from.c_str(), to.c_str(), flags) ? 0 : static_cast<int>(GetLastError());
}

int listFolder(const std::wstring& path, std::vector<std::wstring>& names) {
    names.clear();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(joinPath(path, L"*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        return e == ERROR_FILE_NOT_FOUND ? 0 : static_cast<int>(e);
    }
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return lower(a) < lower(b); });
    return 0;
}

int lastWriteTime(const std::wstring& path, uint64_t& fileTime) {
    fileTime = 0;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return static_cast<int>(GetLastError());
    fileTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return 0;
}

int setFileTimes(const std::wstring& path, uint64_t modified, uint64_t accessed) {
    const HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    const auto toFileTime = [](uint64_t t) {
        FILETIME f;
        f.dwLowDateTime = static_cast<DWORD>(t);
        f.dwHighDateTime = static_cast<DWORD>(t >> 32);
        return f;
    };
    const FILETIME write = toFileTime(modified), access = toFileTime(accessed);
    const BOOL ok = SetFileTime(h, nullptr, accessed ? &access : nullptr, modified ? &write : nullptr);
    const int rc = ok ? 0 : static_cast<int>(GetLastError());
    CloseHandle(h);
    return rc;
}

uint64_t driveFreeBytes(wchar_t driveLetter) {
    if (!driveLetter) return 0;
    const wchar_t root[] = {driveLetter, L':', L'\\', 0};
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return 0;
    return static_cast<uint64_t>(bytesPerSector) * sectorsPerCluster * freeClusters;
}

}  // namespace qm::platform

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cwctype>
#include <filesystem>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/posix/errno_map.h"
#include "platform/text.h"

namespace qm::platform {
namespace fs = std::filesystem;
namespace {
std::string narrow(const std::wstring& path) { return toUtf8(path); }

std::wstring lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return s;
}
}  // namespace

std::wstring appDataFolder() {
    if (const char* over = std::getenv("QUILLMERE_APPDATA"); over && *over) return fromUtf8(over);
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return fromUtf8(xdg);
    const char* home = std::getenv("HOME");
    return fromUtf8(std::string(home && *home ? home : "/tmp") + "/.local/share");
}

bool pathExists(const std::wstring& path) {
    struct stat st {};
    return ::lstat(narrow(path).c_str(), &st) == 0;
}

bool isStreamNode(const std::wstring& path) {
    struct stat st {};
    return ::stat(narrow(path).c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

bool isFolder(const std::wstring& path) {
    struct stat st {};
    return ::stat(narrow(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int createFolderTree(const std::wstring& path) {
    std::error_code ec;
    fs::create_directories(fs::path(narrow(path)), ec);
    if (ec) return fromErrno(ec.value());
    return isFolder(path) ? 0 : kErrorPathNotFound;
}

int createOwnFolder(const std::wstring& path) {
    // A trailing "/" would make lstat look through a link.
    std::string p = narrow(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (::mkdir(p.c_str(), 0755) == 0) return 0;
    if (errno == ENOENT) {
        const size_t cut = p.find_last_of('/');
        if (cut == std::string::npos || cut == 0) return kErrorPathNotFound;
        if (int rc = createFolderTree(fromUtf8(p.substr(0, cut))); rc != 0) return rc;
        if (::mkdir(p.c_str(), 0755) == 0) return 0;
    }
    if (errno != EEXIST) return fromErrno(errno);
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return fromErrno(errno);
    return S_ISDIR(st.st_mode) ? 0 : kErrorAlreadyExists;
}

int deleteTree(const std::wstring& path) {
    std::error_code ec;
    fs::remove_all(fs::path(narrow(path)), ec);
    return ec ? fromErrno(ec.value()) : 0;
}

int deleteFile(const std::wstring& path) {
    return ::unlink(narrow(path).c_str()) == 0 ? 0 : fromErrno(errno);
}

int setHidden(const std::wstring&) { return 0; }

int moveFile(const std::wstring& from, const std::wstring& to, bool replace) {
    if (!replace && pathExists(to)) return kErrorAlreadyExists;
    return ::rename(narrow(from).c_str(), narrow(to).c_str()) == 0 ? 0 : fromErrno(errno);
}

int listFolder(const std::wstring& path, std::vector<std::wstring>& names) {
    names.clear();
    DIR* dir = ::opendir(narrow(path).c_str());
    if (!dir) return fromErrno(errno);
    while (struct dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        names.push_back(fromUtf8(name));
    }
    ::closedir(dir);
    // Windows lists NTFS folders in name order; do the same so "the first entry" is stable.
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return lower(a) < lower(b); });
    return 0;
}

int lastWriteTime(const std::wstring& path, uint64_t& fileTime) {
    fileTime = 0;
    struct stat st {};
    if (::stat(narrow(path).c_str(), &st) != 0) return fromErrno(errno);
    fileTime = kFileTimeUnixEpoch + static_cast<uint64_t>(st.st_mtim.tv_sec) * 10000000u +
               static_cast<uint64_t>(st.st_mtim.tv_nsec / 100);
    return 0;
}

int setFileTimes(const std::wstring& path, uint64_t modified, uint64_t accessed) {
    const auto toTimespec = [](uint64_t fileTime) {
        timespec t{};
        if (fileTime == 0 || fileTime < kFileTimeUnixEpoch) {
            t.tv_nsec = UTIME_OMIT;
            return t;
        }
        const uint64_t ticks = fileTime - kFileTimeUnixEpoch;
        t.tv_sec = static_cast<time_t>(ticks / 10000000u);
        t.tv_nsec = static_cast<long>(ticks % 10000000u * 100);
        return t;
    };
    const timespec times[2] = {toTimespec(accessed), toTimespec(modified)};
    // Never through a link: the file is the one just written.
    if (::utimensat(AT_FDCWD, narrow(path).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) return fromErrno(errno);
    return 0;
}

uint64_t driveFreeBytes(wchar_t) { return 0; }

}  // namespace qm::platform

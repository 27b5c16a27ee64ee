#include "platform/file.h"

#include <windows.h>
#include <winioctl.h>

#include "platform/errors.h"
#include "platform/folders.h"

namespace qm::platform {
namespace {
HANDLE h(intptr_t v) {
    return reinterpret_cast<HANDLE>(v);
}
}  // namespace

int File::open(const std::wstring& path, OpenMode mode) {
    close();
    if (path.empty()) return kErrorPathNotFound;
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case OpenMode::ReadExisting:
            // Reading a pipe waits for a writer: never a source.
            if (isStreamNode(path)) return kErrorNotSupported;
            break;
        case OpenMode::OpenAlways:
            access |= GENERIC_WRITE;
            disposition = OPEN_ALWAYS;
            break;
        case OpenMode::CreateAlways:
            access |= GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
        case OpenMode::CreateNew:
            access |= GENERIC_WRITE;
            disposition = CREATE_NEW;
            break;
    }
    // A symbolic link or junction of that name counts as taken; it is never followed.
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | (mode == OpenMode::CreateNew ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    HANDLE f =
        CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition, flags, nullptr);
    if (f == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    handle_ = reinterpret_cast<intptr_t>(f);
    notifyOpen(path);
    return 0;
}

void File::close() {
    if (handle_ != kInvalid) {
        CloseHandle(h(handle_));
        handle_ = kInvalid;
    }
}

int File::seek(uint64_t offset) {
    if (!isOpen()) return kErrorInvalidHandle;
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(h(handle_), li, nullptr, FILE_BEGIN)) return static_cast<int>(GetLastError());
    return 0;
}

int File::read(void* buffer, uint32_t length, uint32_t& got) {
    got = 0;
    if (!isOpen()) return kErrorInvalidHandle;
    DWORD n = 0;
    if (!ReadFile(h(handle_), buffer, length, &n, nullptr)) {
        const DWORD e = GetLastError();
        if (e == ERROR_HANDLE_EOF) return 0;
        return static_cast<int>(e);
    }
    got = n;
    return 0;
}

int File::write(const void* buffer, uint32_t length, uint32_t& written) {
    written = 0;
    if (!isOpen()) return kErrorInvalidHandle;
    DWORD n = 0;
    if (!WriteFile(h(handle_), buffer, length, &n, nullptr)) return static_cast<int>(GetLastError());
    written = n;
    return 0;
}

int File::size(uint64_t& bytes) {
    bytes = 0;
    if (!isOpen()) return kErrorInvalidHandle;
    LARGE_INTEGER li;
    if (!GetFileSizeEx(h(handle_), &li)) {
        // Devices have no file size; ask the drive instead.
        return queryLength(bytes);
    }
    bytes = static_cast<uint64_t>(li.QuadPart);
    return 0;
}

int File::flush() {
    if (!isOpen()) return kErrorInvalidHandle;
    if (!FlushFileBuffers(h(handle_))) return static_cast<int>(GetLastError());
    return 0;
}

int File::truncate(uint64_t length) {
    if (!isOpen()) return kErrorInvalidHandle;
    LARGE_INTEGER zero{}, here{}, to{};
    if (!SetFilePointerEx(h(handle_), zero, &here, FILE_CURRENT)) return static_cast<int>(GetLastError());
    to.QuadPart = static_cast<LONGLONG>(length);
    int rc = 0;
    if (!SetFilePointerEx(h(handle_), to, nullptr, FILE_BEGIN) || !SetEndOfFile(h(handle_)))
        rc = static_cast<int>(GetLastError());
    SetFilePointerEx(h(handle_), here, nullptr, FILE_BEGIN);
    return rc;
}

int File::queryGeometry(DiskGeometry& geometry) {
    if (!isOpen()) return kErrorInvalidHandle;
    DISK_GEOMETRY g{};
    DWORD n = 0;
    if (!DeviceIoControl(h(handle_), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &g, sizeof g, &n, nullptr))
        return static_cast<int>(GetLastError());
    geometry.cylinders = static_cast<uint64_t>(g.Cylinders.QuadPart);
    geometry.tracksPerCylinder = g.TracksPerCylinder;
    geometry.sectorsPerTrack = g.SectorsPerTrack;
    geometry.bytesPerSector = g.BytesPerSector;
    return 0;
}

int File::queryLength(uint64_t& bytes) {
    if (!isOpen()) return kErrorInvalidHandle;
    GET_LENGTH_INFORMATION info{};
    DWORD n = 0;
    if (!DeviceIoControl(h(handle_), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &info, sizeof info, &n, nullptr))
        return static_cast<int>(GetLastError());
    bytes = static_cast<uint64_t>(info.Length.QuadPart);
    return 0;
}

}  // namespace qm::platform

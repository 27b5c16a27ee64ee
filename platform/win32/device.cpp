#include <windows.h>

#include <cwchar>

#include "platform/device.h"

namespace qm::platform {

std::wstring physicalDrivePath(int diskNumber) {
    wchar_t path[64];
    std::swprintf(path, 64, L"\\\\.\\PhysicalDrive%d", diskNumber);
    return path;
}

std::wstring volumePath(wchar_t driveLetter) {
    wchar_t path[16];
    std::swprintf(path, 16, L"\\\\.\\%c:", driveLetter);
    return path;
}

void flushVolume(wchar_t driveLetter) {
    if (!driveLetter) return;
    HANDLE v = CreateFileW(volumePath(driveLetter).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (v == INVALID_HANDLE_VALUE) return;  // a partition without a letter is simply not flushed
    FlushFileBuffers(v);
    CloseHandle(v);
}

}  // namespace qm::platform

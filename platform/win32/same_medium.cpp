// The disks behind a path and behind a source, from the volumes' disk extents.
#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <cwctype>
#include <vector>

#include "platform/device.h"
#include "platform/same_medium.h"

namespace qm::platform {
namespace {

constexpr DWORD kVolumeGetDiskExtents = 0x560000;
// A volume spanning more disks than this is not met in practice; the reply says how many.
constexpr size_t kMaxExtents = 32;

bool startsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
    const size_t n = std::wcslen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::towlower(static_cast<wint_t>(text[i])) != std::towlower(static_cast<wint_t>(prefix[i]))) return false;
    return true;
}

// "\\?\Volume{...}" or "\\.\E:": the disks its extents lie on.
std::vector<std::wstring> extentDisks(const std::wstring& volumeDevice) {
    // The extents need no access rights, so this answers without administrator rights too.
    HANDLE h = CreateFileW(volumeDevice.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::vector<BYTE> reply(offsetof(VOLUME_DISK_EXTENTS, Extents) + kMaxExtents * sizeof(DISK_EXTENT));
    DWORD got = 0;
    const BOOL ok = DeviceIoControl(h, kVolumeGetDiskExtents, nullptr, 0, reply.data(),
                                    static_cast<DWORD>(reply.size()), &got, nullptr);
    CloseHandle(h);
    std::vector<std::wstring> disks;
    if (!ok || got < offsetof(VOLUME_DISK_EXTENTS, Extents)) return disks;
    DWORD count = 0;
    std::memcpy(&count, reply.data(), sizeof count);
    for (DWORD i = 0; i < count && i < kMaxExtents; ++i) {
        const size_t at = offsetof(VOLUME_DISK_EXTENTS, Extents) + i * sizeof(DISK_EXTENT);
        if (at + sizeof(DISK_EXTENT) > got) break;
        DISK_EXTENT extent;
        std::memcpy(&extent, reply.data() + at, sizeof extent);
        const std::wstring disk = physicalDrivePath(static_cast<int>(extent.DiskNumber));
        bool listed = false;
        for (const auto& d : disks) listed = listed || d == disk;
        if (!listed) disks.push_back(disk);
    }
    return disks;
}

}  // namespace

std::vector<std::wstring> disksHoldingPath(const std::wstring& existingPath) {
    std::vector<wchar_t> mountPoint(existingPath.size() + MAX_PATH + 2);
    if (!GetVolumePathNameW(existingPath.c_str(), mountPoint.data(), static_cast<DWORD>(mountPoint.size())))
        return {};
    wchar_t volumeName[64] = {};
    if (GetVolumeNameForVolumeMountPointW(mountPoint.data(), volumeName, 64)) {
        std::wstring device = volumeName;
        if (!device.empty() && device.back() == L'\\') device.pop_back();
        return extentDisks(device);
    }
    // No volume name (some network and substituted drives): the drive letter still opens.
    const std::wstring root = mountPoint.data();
    if (root.size() >= 2 && root[1] == L':') return extentDisks(L"\\\\.\\" + root.substr(0, 2));
    return {};
}

std::vector<std::wstring> disksOfSource(const SourceMedium& source) {
    // A file presented as a disk (an attached virtual disk) is not looked for: the formats
    // Windows attaches are not the raw images this program reads.
    if (!startsWithNoCase(source.path, L"\\\\.\\")) return {};
    if (startsWithNoCase(source.path, L"\\\\.\\PhysicalDrive")) {
        const std::wstring number = source.path.substr(17);
        if (number.empty() || number.size() > 6 || number.find_first_not_of(L"0123456789") != std::wstring::npos)
            return {};
        return {physicalDrivePath(std::stoi(number))};
    }
    return extentDisks(source.path);
}

}  // namespace qm::platform

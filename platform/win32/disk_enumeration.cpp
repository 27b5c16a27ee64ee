// Disks and volumes from the mount manager and the disk, volume and storage control codes.
#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/disk_enumeration.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace qm::platform {
namespace {

constexpr DWORD kMountMgrQueryPoints = 0x6D0008;
constexpr DWORD kMountMgrCheckUnprocessedVolumes = 0x6D4028;
constexpr DWORD kVolumeGetDiskExtents = 0x560000;
constexpr DWORD kStorageGetDeviceNumber = 0x2D1080;
constexpr DWORD kStorageQueryProperty = 0x2D1400;
constexpr DWORD kDiskGetPartitionInfo = 0x74004;
constexpr DWORD kDiskGetDriveLayout = 0x7400C;
constexpr DWORD kDiskGetDriveGeometry = 0x70000;
constexpr size_t kMountPointSize = 24;    // one MOUNTMGR_MOUNT_POINT
constexpr size_t kMountPointsHeader = 8;  // Size and NumberOfMountPoints
constexpr size_t kMaxPointsBuffer = 16u << 20;
constexpr int kBusUsb = 7;
constexpr int kBusSd = 12;

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (valid()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

// Only queries go through these handles; without the rights for reading, the query-only
// open still answers most control codes.
HANDLE openForQuery(const std::wstring& path, DWORD preferredAccess) {
    for (DWORD access : {preferredAccess, static_cast<DWORD>(GENERIC_READ), static_cast<DWORD>(0)}) {
        HANDLE h = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) return h;
    }
    return INVALID_HANDLE_VALUE;
}

std::wstring diskPath(int diskNumber) {
    wchar_t path[64];
    std::swprintf(path, 64, L"\\\\.\\PhysicalDrive%d", diskNumber);
    return path;
}

uint32_t u32At(const std::vector<BYTE>& b, size_t offset, size_t limit) {
    if (offset + 4 > limit) return 0;
    return static_cast<uint32_t>(b[offset]) | (static_cast<uint32_t>(b[offset + 1]) << 8) |
           (static_cast<uint32_t>(b[offset + 2]) << 16) | (static_cast<uint32_t>(b[offset + 3]) << 24);
}
uint16_t u16At(const std::vector<BYTE>& b, size_t offset, size_t limit) {
    if (offset + 2 > limit) return 0;
    return static_cast<uint16_t>(b[offset] | (b[offset + 1] << 8));
}
// A counted UTF-16 string inside the reply; empty when it would reach past the bytes returned.
std::wstring textAt(const std::vector<BYTE>& b, uint32_t offset, uint16_t bytes, size_t limit) {
    if (bytes == 0 || offset > limit || bytes > limit - offset) return {};
    std::wstring text(bytes / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<wchar_t>(u16At(b, offset + 2 * i, limit));
    return text;
}

struct MountPointText {
    std::wstring link;
    std::wstring device;
};

// Sends QUERY_POINTS with the given input, growing the reply buffer while it is too small.
bool queryPoints(HANDLE manager, const std::vector<BYTE>& input, size_t initialSize, std::vector<MountPointText>& out) {
    std::vector<BYTE> reply(initialSize);
    DWORD got = 0;
    for (;;) {
        if (DeviceIoControl(manager, kMountMgrQueryPoints, const_cast<BYTE*>(input.data()),
                            static_cast<DWORD>(input.size()), reply.data(), static_cast<DWORD>(reply.size()), &got,
                            nullptr))
            break;
        const DWORD e = GetLastError();
        if ((e != ERROR_INSUFFICIENT_BUFFER && e != ERROR_MORE_DATA) || reply.size() >= kMaxPointsBuffer) return false;
        reply.resize(reply.size() + 0x6000);
    }
    const size_t limit = got;
    const uint32_t count = u32At(reply, 4, limit);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t item = kMountPointsHeader + static_cast<size_t>(i) * kMountPointSize;
        if (item + kMountPointSize > limit) break;
        MountPointText p;
        p.link = textAt(reply, u32At(reply, item, limit), u16At(reply, item + 4, limit), limit);
        p.device = textAt(reply, u32At(reply, item + 16, limit), u16At(reply, item + 20, limit), limit);
        out.push_back(std::move(p));
    }
    return true;
}

bool isVolumeLink(const std::wstring& link) {
    if (link.size() < 3) return false;
    return link[1] == L'?' || link[2] == L'?' || link[2] == L'\\';
}

bool fillVolume(MountedVolume& v) {
    const std::wstring volume = v.rootPath.substr(0, v.rootPath.size() - 1);
    Handle h(openForQuery(volume, GENERIC_READ));
    if (!h.valid()) return false;
    v.devicePath = volume;
    DWORD got = 0;
    PARTITION_INFORMATION info{};
    const bool haveInfo =
        DeviceIoControl(h.get(), kDiskGetPartitionInfo, nullptr, 0, &info, sizeof info, &got, nullptr) != 0;
    if (haveInfo) {
        v.startBytes = static_cast<uint64_t>(info.StartingOffset.QuadPart);
        v.lengthBytes = static_cast<uint64_t>(info.PartitionLength.QuadPart);
        v.partitionType = info.PartitionType;
    } else {
        std::vector<BYTE> extents(800);
        if (DeviceIoControl(h.get(), kVolumeGetDiskExtents, nullptr, 0, extents.data(), 800, &got, nullptr) &&
            got >= sizeof(VOLUME_DISK_EXTENTS)) {
            const auto* e = reinterpret_cast<const VOLUME_DISK_EXTENTS*>(extents.data());
            if (e->NumberOfDiskExtents > 0) {
                v.startBytes = static_cast<uint64_t>(e->Extents[0].StartingOffset.QuadPart);
                v.lengthBytes = static_cast<uint64_t>(e->Extents[0].ExtentLength.QuadPart);
            }
        }
    }
    wchar_t label[128] = {}, fsName[32] = {};
    if (GetVolumeInformationW(v.rootPath.c_str(), label, 128, nullptr, nullptr, nullptr, fsName, 32)) {
        v.label = label;
        v.fsName = fsName;
    }
    STORAGE_DEVICE_NUMBER number{};
    if (DeviceIoControl(h.get(), kStorageGetDeviceNumber, nullptr, 0, &number, sizeof number, &got, nullptr)) {
        v.diskNumber = static_cast<int>(number.DeviceNumber);
        v.partitionNumber = static_cast<int>(number.PartitionNumber);
    }
    if (!haveInfo && v.diskNumber >= 0) {
        Handle disk(openForQuery(diskPath(v.diskNumber), GENERIC_READ));
        std::vector<BYTE> layout(8192);
        if (disk.valid() && DeviceIoControl(disk.get(), kDiskGetDriveLayout, nullptr, 0, layout.data(),
                                            static_cast<DWORD>(layout.size()), &got, nullptr)) {
            const size_t header = offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry);
            const uint32_t count = u32At(layout, 0, got);
            for (uint32_t i = 0; i < count; ++i) {
                const size_t at = header + static_cast<size_t>(i) * sizeof(PARTITION_INFORMATION);
                if (at + sizeof(PARTITION_INFORMATION) > got) break;
                PARTITION_INFORMATION p;
                std::memcpy(&p, layout.data() + at, sizeof p);
                if (p.StartingOffset.QuadPart != 0 && static_cast<int>(p.PartitionNumber) == v.partitionNumber) {
                    v.startBytes = static_cast<uint64_t>(p.StartingOffset.QuadPart);
                    v.lengthBytes = static_cast<uint64_t>(p.PartitionLength.QuadPart);
                    break;
                }
            }
        }
    }
    ULARGE_INTEGER total{}, free{};
    if (GetDiskFreeSpaceExW(v.rootPath.c_str(), nullptr, &total, &free)) {
        v.spaceKnown = true;
        v.totalBytes = total.QuadPart;
        v.freeBytes = free.QuadPart;
    }
    return true;
}

}  // namespace

void setBlockDeviceRoots(const BlockDeviceRoots&) {}
BlockDeviceRoots blockDeviceRoots() { return {}; }

int listMountedVolumes(std::vector<MountedVolume>& volumes) {
    volumes.clear();
    Handle manager(openForQuery(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE));
    if (!manager.valid()) return static_cast<int>(GetLastError());
    std::vector<MountPointText> points;
    // Any failure other than a small buffer leaves the list with what was gathered: nothing.
    if (!queryPoints(manager.get(), std::vector<BYTE>(kMountPointSize, 0), 24608, points)) return 0;
    std::wstring previousDevice;
    for (const MountPointText& p : points) {
        if (!isVolumeLink(p.link) || p.device.find(L"Harddisk") == std::wstring::npos) continue;
        if (p.device == previousDevice) continue;
        previousDevice = p.device;
        MountedVolume v;
        v.rootPath = p.link;
        v.rootPath[1] = L'\\';
        v.rootPath += L'\\';
        const std::string letter = queryDriveLetter(toUtf8(p.device));
        if (!letter.empty()) v.driveLetter = static_cast<wchar_t>(static_cast<unsigned char>(letter[0]));
        v.mounted = true;
        if (fillVolume(v)) volumes.push_back(std::move(v));
    }
    return 0;
}

std::string queryDriveLetter(const std::string& deviceName) {
    const std::wstring device = fromUtf8(deviceName);
    if (device.empty() || device.size() * 2 > 1048 - kMountPointSize) return {};
    Handle manager(openForQuery(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE));
    if (!manager.valid()) return {};
    DWORD got = 0;
    DeviceIoControl(manager.get(), kMountMgrCheckUnprocessedVolumes, nullptr, 0, nullptr, 0, &got, nullptr);
    std::vector<BYTE> input(1048, 0);
    const uint16_t bytes = static_cast<uint16_t>(device.size() * 2);
    input[16] = static_cast<BYTE>(kMountPointSize);  // DeviceNameOffset
    input[20] = static_cast<BYTE>(bytes & 0xFF);     // DeviceNameLength
    input[21] = static_cast<BYTE>(bytes >> 8);
    for (size_t i = 0; i < device.size(); ++i) {
        input[kMountPointSize + 2 * i] = static_cast<BYTE>(device[i] & 0xFF);
        input[kMountPointSize + 2 * i + 1] = static_cast<BYTE>((device[i] >> 8) & 0xFF);
    }
    std::vector<MountPointText> points;
    if (!queryPoints(manager.get(), input, 8192, points)) return {};
    const std::wstring marker = L"\\DosDevices\\";
    for (const MountPointText& p : points) {
        const size_t at = p.link.find(marker);
        if (at != std::wstring::npos) return toUtf8(p.link.substr(at + marker.size()));
    }
    return {};
}

int queryDiskShape(int diskNumber, DiskShapeInfo& shape) {
    shape = DiskShapeInfo{};
    if (diskNumber < 0) return kErrorInvalidParameter;
    Handle disk(openForQuery(diskPath(diskNumber), GENERIC_READ));
    if (!disk.valid()) return static_cast<int>(GetLastError());
    DISK_GEOMETRY g{};
    DWORD got = 0;
    if (!DeviceIoControl(disk.get(), kDiskGetDriveGeometry, nullptr, 0, &g, sizeof g, &got, nullptr))
        return static_cast<int>(GetLastError());
    shape.bytesPerSector = g.BytesPerSector;
    shape.sectorsPerTrack = g.SectorsPerTrack;
    shape.tracksPerCylinder = g.TracksPerCylinder;
    shape.totalSectors = static_cast<uint64_t>(g.Cylinders.QuadPart) * g.TracksPerCylinder * g.SectorsPerTrack;
    return 0;
}

bool isRemovableDisk(int diskNumber) {
    if (diskNumber < 0) return false;
    Handle disk(openForQuery(diskPath(diskNumber), GENERIC_READ));
    if (!disk.valid()) return false;
    DISK_GEOMETRY g{};
    DWORD got = 0;
    if (DeviceIoControl(disk.get(), kDiskGetDriveGeometry, nullptr, 0, &g, sizeof g, &got, nullptr) &&
        g.MediaType == RemovableMedia)
        return true;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    std::vector<BYTE> reply(551);
    if (DeviceIoControl(disk.get(), kStorageQueryProperty, &query, sizeof query, reply.data(),
                        static_cast<DWORD>(reply.size()), &got, nullptr) &&
        got >= offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof(STORAGE_BUS_TYPE)) {
        STORAGE_DEVICE_DESCRIPTOR d;
        std::memcpy(&d, reply.data(), sizeof d <= reply.size() ? sizeof d : reply.size());
        return d.BusType == kBusUsb || d.BusType == kBusSd;
    }
    return false;
}

}  // namespace qm::platform

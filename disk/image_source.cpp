#include "disk/image_source.h"

#include <cwctype>
#include <filesystem>

#include "disk/sector_reader.h"
#include "platform/device.h"
#include "platform/errors.h"

namespace qm {

int FileImageSource::OpenDisk(int diskNumber) {
    const std::wstring path = platform::physicalDrivePath(diskNumber);
    if (path.empty()) return kErrorFileNotFound;
    if (int rc = file_.open(path, platform::OpenMode::ReadExisting); rc != 0) return rc;
    path_ = path;
    isDisk_ = true;
    return 0;
}

int FileImageSource::OpenImageFile(const std::wstring& path) {
    if (int rc = file_.open(path, platform::OpenMode::ReadExisting); rc != 0) return rc;
    path_ = path;
    isDisk_ = false;
    return 0;
}

int FileImageSource::Describe(uint32_t& sectorSize, uint64_t& totalSectors) {
    sectorSize = kDefaultSectorSize;
    totalSectors = 0;
    if (!file_.isOpen()) return kErrorInvalidHandle;
    if (!isDisk_) {
        uint64_t bytes = 0;
        if (int rc = file_.size(bytes); rc != 0) return rc;
        totalSectors = bytes / kDefaultSectorSize;
        return 0;
    }
    platform::DiskGeometry geometry;
    if (int rc = file_.queryGeometry(geometry); rc != 0) return rc;
    if (geometry.bytesPerSector != 0) sectorSize = geometry.bytesPerSector;
    uint64_t length = 0;
    if (file_.queryLength(length) == 0) totalSectors = length / sectorSize;
    if (totalSectors == 0) totalSectors = geometry.cylinders * geometry.sectorsPerTrack * geometry.tracksPerCylinder;
    return 0;
}

bool IsSameFile(const std::wstring& a, const std::wstring& b) {
    if (a.empty() || b.empty()) return false;
#ifdef _WIN32
    if (a.size() == b.size()) {
        bool same = true;
        for (size_t i = 0; i < a.size() && same; ++i)
            same = std::towlower(static_cast<wint_t>(a[i])) == std::towlower(static_cast<wint_t>(b[i]));
        if (same) return true;
    }
#else
    if (a == b) return true;
#endif
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::path(a), std::filesystem::path(b), ec) && !ec;
}

}  // namespace qm

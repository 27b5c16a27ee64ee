#include "disk/sector_reader.h"

#include <algorithm>

#include "platform/device.h"
#include "platform/errors.h"

namespace qm {

uint32_t QuerySectorSize(platform::File& handle) {
    platform::DiskGeometry geometry;
    if (handle.queryGeometry(geometry) != 0 || geometry.bytesPerSector == 0) return kDefaultSectorSize;
    return geometry.bytesPerSector;
}

void FlushVolume(wchar_t driveLetter) {
    platform::flushVolume(driveLetter);
}

int SectorReader::OpenDisk(int diskNumber) {
    Close();
    const std::wstring path = platform::physicalDrivePath(diskNumber);
    if (path.empty()) return kErrorFileNotFound;
    auto medium = std::make_shared<SharedMedium>();
    platform::File& handle = medium->file;
    if (int rc = handle.open(path, platform::OpenMode::ReadExisting); rc != 0) return rc;
    medium_ = std::move(medium);
    platform::DiskGeometry geometry;
    if (int rc = handle.queryGeometry(geometry); rc != 0) {
        Close();
        return rc;
    }
    const uint32_t bytesPerSector = geometry.bytesPerSector ? geometry.bytesPerSector : kDefaultSectorSize;
    deviceSectorSize = bytesPerSector;
    uint64_t length = 0;
    if (handle.queryLength(length) == 0) totalSectors = length / bytesPerSector;
    if (totalSectors == 0) totalSectors = geometry.cylinders * geometry.tracksPerCylinder * geometry.sectorsPerTrack;
    return 0;
}

int SectorReader::OpenImageFile(const std::wstring& path) {
    Close();
    auto medium = std::make_shared<SharedMedium>();
    platform::File& handle = medium->file;
    if (int rc = handle.open(path, platform::OpenMode::ReadExisting); rc != 0) return rc;
    medium_ = std::move(medium);
    uint64_t bytes = 0;
    if (int rc = handle.size(bytes); rc != 0) {
        Close();
        return rc;
    }
    totalSectors = bytes / kDefaultSectorSize;
    return 0;
}

int SectorReader::ReadSectorsWithin(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize,
                                    uint32_t& sectorsRead) {
    const int rc = ReadSectors(count, buffer, firstSector, sectorSize, sectorsRead);
    const bool pastEnd = count > totalSectors || firstSector > totalSectors - count;
    return rc == kErrorInvalidParameter && pastEnd && sectorSize != 0 ? kErrorHandleEof : rc;
}

int SectorReader::ReadSectors(uint32_t count, void* buffer, uint64_t firstSector, uint32_t sectorSize,
                              uint32_t& sectorsRead) {
    sectorsRead = 0;
    // Written so that first + count cannot wrap around; the last sector itself is readable.
    if (count > totalSectors || firstSector > totalSectors - count) return kErrorInvalidParameter;
    if (sectorSize == 0 || (count > 0 && buffer == nullptr)) return kErrorInvalidParameter;
    if (firstSector > UINT64_MAX / sectorSize) return kErrorInvalidParameter;
    if (!IsOpen()) return kErrorInvalidHandle;
    platform::File& handle = medium_->file;
    const std::lock_guard<std::mutex> hold(medium_->lock);
    if (int rc = handle.seek(firstSector * sectorSize); rc != 0) return rc;

    const uint64_t wanted = static_cast<uint64_t>(count) * sectorSize;
    uint64_t done = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    int result = 0;
    while (done < wanted) {
        const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(kMaxReadPiece, wanted - done));
        uint32_t got = 0;
        if (handle.read(out + done, piece, got) != 0 || got == 0) {
            result = kErrorReadFault;
            break;
        }
        done += got;
    }
    sectorsRead = static_cast<uint32_t>(done / sectorSize);
    return result;
}

int SectorReader::ReadBytes(uint64_t offset, void* buffer, size_t length, size_t& got) {
    got = 0;
    if (!IsOpen()) return kErrorInvalidHandle;
    const std::lock_guard<std::mutex> hold(medium_->lock);
    if (int rc = medium_->file.seek(offset); rc != 0) return rc;
    return platform::readFully(medium_->file, buffer, length, got);
}

void SectorReader::Close() {
    medium_.reset();
    totalSectors = 0;
    deviceSectorSize = kDefaultSectorSize;
}

}  // namespace qm

// Opening the source, the callbacks, and the start of a scan: a fresh log and cleared state.
#include <algorithm>

#include "engines/professional/pro_fat_directory_sector.h"
#include "engines/professional/professional_fat_recovery.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "results/scan_log_name.h"

namespace qm {

void profat::DirBuffer::Append(const uint8_t* data, size_t length, uint64_t firstSector, uint32_t sectorSize) {
    const size_t entries = length / 32;
    bytes.insert(bytes.end(), data, data + entries * 32);
    for (size_t i = 0; i < entries; ++i) entrySectors.push_back(firstSector + (i * 32) / sectorSize);
}

CProfessionalFatRecovery::~CProfessionalFatRecovery() {
    CloseStore();
}

bool CProfessionalFatRecovery::IsDirectorySector(const uint8_t* bytes, size_t length) {
    return profat::IsDirectorySector(bytes, length);
}

int CProfessionalFatRecovery::OpenImage(const std::wstring& imagePath, uint16_t sourceTag) {
    return opened_ ? 0 : CStoreBackedEngine::OpenImage(imagePath, sourceTag);
}

int CProfessionalFatRecovery::OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                                            uint16_t driveLetter) {
    return opened_ ? 0 : CStoreBackedEngine::OpenPartition(diskNumber, firstSector, sectorCount, driveLetter);
}

int CProfessionalFatRecovery::AttachSource(const Source& source) {
    if (opened_) return 0;
    reader_ = source.reader;
    sectorSize_ = source.sectorSize;
    areaStart_ = source.areaStart;
    // The whole medium: the coordinator bounds what it reads itself.
    areaSectors_ = reader_.totalSectors;
    scanEnd_ = source.areaSectors ? source.areaStart + source.areaSectors : MediumEnd();
    volumeTag_ = source.where.tag;
    run_ = {};
    opened_ = true;
    return 0;
}

int CProfessionalFatRecovery::GetItemPath(const ScanRecord& record, std::wstring& path) {
    if (!store_) {
        path.clear();
        return kErrorInvalidParameter;
    }
    return CStoreBackedEngine::GetItemPath(record, path);
}

uint64_t CProfessionalFatRecovery::MediumEnd() const {
    // A partition's area runs to the disk's end; an image's is the image.
    return std::max<uint64_t>(reader_.totalSectors, areaStart_);
}

void CProfessionalFatRecovery::ClearScanState() {
    geometries_.Clear();
    bootGeometry_ = false;
    fat32_ = true;
    rootCluster_ = 0;
    folders_.clear();
    foldersWithFiles_.clear();
    waiting_.clear();
    fragments_.clear();
    held_.clear();
    heldBytes_ = 0;
    rootsRead_.clear();
    run_ = {};
    levels_.clear();
    filesFound_ = 0;
}

int CProfessionalFatRecovery::OpenFatLog(const wchar_t* logName) {
    ClearScanState();
    // A log named by the caller is continued; a new one never continues a same-minute log.
    const int rc =
        logName && *logName ? OpenStore(logName) : OpenFreshStore(scanLogNameNow(kProFatLogPrefix, areaStart_));
    return rc;
}

}  // namespace qm

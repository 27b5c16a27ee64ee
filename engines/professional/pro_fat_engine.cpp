// Opening the source, the callbacks, and the start of a scan: a fresh log and the boot
// sector's geometry when the area still begins with one.
#include <algorithm>

#include "disk/file_system_probe.h"
#include "engines/fat/fat_boot_sector.h"
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

CProfessionalFatRecovery::~CProfessionalFatRecovery() { CloseStore(); }

bool CProfessionalFatRecovery::IsDirectorySector(const uint8_t* bytes, size_t length) {
    return profat::IsDirectorySector(bytes, length);
}

int CProfessionalFatRecovery::OpenImage(const std::wstring& imagePath, uint16_t sourceTag) {
    if (opened_) return 0;
    if (int rc = reader_.OpenImageFile(imagePath); rc != 0) return rc;
    sectorSize_ = kDefaultSectorSize;
    areaStart_ = 0;
    areaSectors_ = reader_.totalSectors;
    volumeTag_ = sourceTag;
    run_ = {};
    opened_ = true;
    return 0;
}

int CProfessionalFatRecovery::OpenPartition(int diskNumber, uint64_t firstSector, uint64_t, uint16_t driveLetter) {
    if (opened_) return 0;
    if (int rc = reader_.OpenDisk(diskNumber); rc != 0) return rc;
    sectorSize_ = QuerySectorSize(reader_.handle);
    areaStart_ = firstSector;
    // The whole disk: the coordinator bounds what it reads itself.
    areaSectors_ = reader_.totalSectors;
    volumeTag_ = driveLetter;
    run_ = {};
    opened_ = true;
    return 0;
}

int CProfessionalFatRecovery::SetCallbacks(ScanProgressFn scanProgress, ItemProgressFn itemProgress, void* userData,
                                           int scale) {
    callbacks_.SetScan(scanProgress, itemProgress, userData, scale);
    return 0;
}

int CProfessionalFatRecovery::SetListCallback(ListProgressFn listProgress, void* userData) {
    callbacks_.SetList(listProgress, userData);
    return CStoreBackedEngine::SetListCallback(listProgress, userData);
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
    run_ = {};
    levels_.clear();
    filesFound_ = 0;
}

int CProfessionalFatRecovery::OpenFatLog(const wchar_t* logName) {
    ClearScanState();
    const std::wstring name =
        logName && *logName ? std::wstring(logName) : scanLogNameNow(kProFatLogPrefix, areaStart_);
    const int rc = logFolder_.empty() ? OpenStore(name) : OpenStoreIn(logFolder_, name);
    if (rc == 0 && callbacks_.listProgress)
        CStoreBackedEngine::SetListCallback(callbacks_.listProgress, callbacks_.listUser);
    return rc;
}

// The geometry a FAT boot sector at `volumeStart` gives, in the medium's sectors.
std::optional<profat::FatGeometry> CProfessionalFatRecovery::BootGeometry(ByteView view, uint64_t volumeStart,
                                                                         qm::FatGeometry& decoded) const {
    if (!IsFatBootSector(view) || DecodeFatBootSector(view, decoded) != 0) return std::nullopt;
    // The boot sector counts in its own sectors; the scan counts in the medium's.
    if (decoded.bytesPerSector % sectorSize_ != 0) return std::nullopt;
    const uint64_t ratio = decoded.bytesPerSector / sectorSize_;
    if (uint64_t{decoded.dataStart} * ratio > UINT32_MAX || decoded.sectorsPerCluster * ratio > 128)
        return std::nullopt;
    profat::FatGeometry g;
    g.sectorsPerCluster = static_cast<uint32_t>(decoded.sectorsPerCluster * ratio);
    g.dataStart = static_cast<uint32_t>(decoded.dataStart * ratio);
    g.rootSectors = decoded.isFat32() ? profat::FatGeometry::kFixedRootSectors
                                      : static_cast<uint32_t>(decoded.rootDirSectors * ratio);
    g.volumeStart = volumeStart;
    return g;
}

int CProfessionalFatRecovery::PrepareFatScan() {
    if (!opened_) return kErrorInvalidHandle;
    const uint32_t count = std::max<uint32_t>(1, kBootAreaBytes / sectorSize_);
    std::vector<uint8_t> boot(static_cast<size_t>(count) * sectorSize_, 0);
    uint32_t got = 0;
    const int rc = reader_.ReadSectors(count, boot.data(), areaStart_, sectorSize_, got);
    if (got == 0) return rc != 0 ? rc : kErrorReadFault;
    qm::FatGeometry decoded;
    const auto g = BootGeometry(ByteView(boot.data(), static_cast<size_t>(got) * sectorSize_), areaStart_, decoded);
    if (!g || geometries_.Add(*g) != 0) return 0;
    bootGeometry_ = true;
    fat32_ = decoded.isFat32();
    rootCluster_ = decoded.isFat32() ? decoded.rootCluster : 0;
    return 0;
}

void CProfessionalFatRecovery::OnBootSector(ByteView sector, uint64_t absoluteSector) {
    // The area's own boot sector was taken by PrepareFatScan; a repeat changes nothing.
    if (absoluteSector == areaStart_) return;
    qm::FatGeometry decoded;
    if (const auto g = BootGeometry(sector, absoluteSector, decoded)) geometries_.Add(*g);
}

}  // namespace qm

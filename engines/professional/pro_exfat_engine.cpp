// Opening the source, the start of a scan, and the test the coordinator puts to every sector.
#include "disk/exfat_boot_sector.h"
#include "engines/professional/professional_exfat_recovery.h"
#include "platform/errors.h"
#include "results/scan_log_name.h"

namespace qm {
namespace {

using namespace exfatentry;

// Entry types a directory holds, in use or deleted: bitmap, up-case table, label, file,
// GUID, padding, ACL, stream, name, and the two vendor kinds; 0 marks an unused entry.
bool plausibleType(uint8_t type) {
    switch (type & ~kInUse) {
        case 0x01: case 0x02: case 0x03: case 0x05:
        case 0x20: case 0x21: case 0x22:
        case 0x40: case 0x41: case 0x60: case 0x61:
            return true;
        default:
            return type == 0;
    }
}

}  // namespace

CProfessionalExFatRecovery::~CProfessionalExFatRecovery() {
    CloseStore();
}

bool CProfessionalExFatRecovery::IsEntrySetSector(const uint8_t* bytes, size_t length) {
    if (!bytes || length < 3 * kSize) return false;
    const ByteView view(bytes, length);
    const size_t entries = length / kSize;
    // Types first: most sectors fail here at their first or second entry.
    for (size_t i = 0; i < entries; ++i)
        if (!plausibleType(view.u8(i * kSize))) return false;
    for (size_t i = 0; i < entries; ++i) {
        if ((view.u8(i * kSize) & ~kInUse) != (kTypeFile & ~kInUse)) continue;
        ExFatEntrySet set;
        if (ParseExFatEntrySet(view.sub(0, entries * kSize), i * kSize, set) == ExFatSetStatus::Ok && set.checksumOk)
            return true;
    }
    return false;
}

int CProfessionalExFatRecovery::OpenImage(const std::wstring& imagePath, uint16_t sourceTag) {
    return opened_ ? 0 : CStoreBackedEngine::OpenImage(imagePath, sourceTag);
}

int CProfessionalExFatRecovery::OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                                              uint16_t driveLetter) {
    return opened_ ? 0 : CStoreBackedEngine::OpenPartition(diskNumber, firstSector, sectorCount, driveLetter);
}

int CProfessionalExFatRecovery::AttachSource(const Source& source) {
    if (opened_) return 0;
    reader_ = source.reader;
    sectorSize_ = source.sectorSize ? source.sectorSize : kDefaultSectorSize;
    areaStart_ = source.areaStart;
    volumeTag_ = source.where.tag;
    const uint64_t start = areaStart_ * sectorSize_;
    const uint64_t medium = MediumBytes();
    areaVolumeKnown_ = start < medium && areaVolume_.Open(reader_, start, medium - start) == 0;
    opened_ = true;
    return 0;
}

uint64_t CProfessionalExFatRecovery::MediumBytes() const {
    return reader_.totalSectors * (reader_.deviceSectorSize ? reader_.deviceSectorSize : kDefaultSectorSize);
}

int CProfessionalExFatRecovery::GetItemPath(const ScanRecord& record, std::wstring& path) {
    if (!store_) {
        path.clear();
        return kErrorInvalidParameter;
    }
    return CStoreBackedEngine::GetItemPath(record, path);
}

int CProfessionalExFatRecovery::OpenExFatLog(const wchar_t* logName) {
    volumes_.clear();
    pending_.clear();
    folders_.clear();
    loose_.clear();
    lastLooseSector_ = UINT64_MAX;
    // A log named by the caller is continued; a new one never continues a same-minute log.
    return logName && *logName ? OpenStore(logName) : OpenFreshStore(scanLogNameNow(kProExFatLogPrefix, areaStart_));
}

int CProfessionalExFatRecovery::PrepareScan() {
    if (!opened_) return kErrorInvalidHandle;
    if (areaVolumeKnown_ && volumes_.empty()) volumes_.push_back(areaVolume_);
    return 0;
}

}  // namespace qm

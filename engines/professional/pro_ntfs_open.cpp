// Opening the source, the engine's log, and the run-list lookup of one record.
#include <algorithm>

#include "disk/ntfs_boot_sector.h"
#include "engines/ntfs/ntfs_fixup.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/professional/professional_ntfs_recovery.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "results/scan_log_name.h"

namespace qm {
namespace {

constexpr uint32_t kBootBytes = 4096;

}  // namespace

CProfessionalNtfsRecovery::~CProfessionalNtfsRecovery() {
    CloseStore();
}

int CProfessionalNtfsRecovery::OpenArea(uint64_t firstSector, uint64_t sectorCount, uint32_t sectorSize) {
    areaStart_ = firstSector;
    areaSectors_ = sectorCount;
    setRecordLayout(layout_, static_cast<int32_t>(sectorSize));
    spc_ = guessSectorsPerCluster(sectorCount, sectorSize);
    mftMap_.clear();
    opened_ = true;

    std::vector<uint8_t> boot(kBootBytes);
    const uint32_t sectors = std::max<uint32_t>(1, kBootBytes / sectorSize);
    uint32_t got = 0;
    if (int rc = reader_.ReadSectors(sectors, boot.data(), firstSector, sectorSize, got); rc != 0) return rc;
    if (got != sectors) return kErrorReadFault;
    const ByteView view(boot.data(), boot.size());
    // An intact boot sector places one MFT before the scan has met its "$MFT" record.
    NtfsBootFields fields;
    if (DecodeNtfsBootSector(view, fields) == 0) {
        const uint64_t record0 = firstSector + fields.mftCluster * fields.sectorsPerCluster;
        RunList runs;
        if (findRunsInRecord(record0, runs) == 0) mftMap_.enter(record0, std::move(runs));
    }
    return 0;
}

int CProfessionalNtfsRecovery::AttachSource(const Source& source) {
    tag_ = source.where.tag;
    opened_ = false;
    reader_ = source.reader;
    return OpenArea(source.areaStart, source.areaSectors, source.sectorSize);
}

int CProfessionalNtfsRecovery::GetItemPath(const ScanRecord& record, std::wstring& path) {
    if (!store_) return kErrorInvalidParameter;
    return CStoreBackedEngine::GetItemPath(record, path);
}

int CProfessionalNtfsRecovery::OpenLog(const wchar_t* logName) {
    pending_.clear();
    pendingNumbers_.clear();
    lostFolders_.clear();
    if (logName && *logName) return OpenStore(logName);
    return OpenFreshStore(scanLogNameNow(kProNtfsLogPrefix, areaStart_));
}

int CProfessionalNtfsRecovery::ReadRecordAt(uint64_t sector, std::vector<uint8_t>& buffer) {
    // One record's sectors, not a fixed 8 KiB: a record near the medium's end stays readable.
    buffer.assign(static_cast<size_t>(layout_.recordBytes), 0);
    if (!opened_) return kErrorInvalidParameter;
    uint32_t got = 0;
    const int rc = reader_.ReadSectors(static_cast<uint32_t>(layout_.recordSectors), buffer.data(), sector,
                                       static_cast<uint32_t>(layout_.bytesPerSector), got);
    if (rc != 0) return rc;
    return got == static_cast<uint32_t>(layout_.recordSectors) ? 0 : kErrorReadFault;
}

int CProfessionalNtfsRecovery::RunsInRecord(ByteView record, RunList& runs) const {
    const size_t recordBytes = static_cast<size_t>(layout_.recordBytes);
    int result = kNtfsNoAttribute;
    walkAttributes(record, recordFirstAttribute(record), recordBytes, kLookupRules, [&](const NtfsAttribute& a) {
        if (a.type == kAttrAttributeList) {
            result = kErrorInvalidParameter;
            return false;
        }
        if (a.type != kAttrData || !a.unnamed()) return true;
        if (!a.nonResident) {
            result = kNtfsNotResident;  // resident data has no clusters to name
            return false;
        }
        decodeRuns(a.bytes, layout_, runs);
        result = 0;
        return false;
    });
    return result;
}

int CProfessionalNtfsRecovery::findRunsInRecord(uint64_t sector, RunList& runs) {
    std::vector<uint8_t> record;
    if (int rc = ReadRecordAt(sector, record); rc != 0) return rc;
    if (!hasFileSignature(ByteView(record.data(), record.size()))) return kNtfsNoFileRecord;
    applyFixup(record.data(), record.size(), layout_);
    return RunsInRecord(ByteView(record.data(), record.size()), runs);
}

}  // namespace qm

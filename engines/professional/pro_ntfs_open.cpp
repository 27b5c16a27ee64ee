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
// The largest sector whose records the engine lays out (one 4096-byte record per sector).
constexpr uint32_t kMaxVolumeSectorBytes = 4096;
constexpr uint32_t kMinRecordBytes = 1024;

}  // namespace

CProfessionalNtfsRecovery::~CProfessionalNtfsRecovery() {
    CloseStore();
}

int CProfessionalNtfsRecovery::OpenArea(uint64_t firstSector, uint64_t sectorCount, uint32_t sectorSize) {
    areaStart_ = firstSector;
    areaSectors_ = sectorCount;
    setRecordLayout(layout_, static_cast<int32_t>(sectorSize));
    volumeRecordBytes_ = 0;
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
    if (DecodeNtfsBootSector(view, fields) == 0) EnterBootMft(fields, firstSector);
    return 0;
}

int32_t CProfessionalNtfsRecovery::EnterBootMft(const NtfsBootFields& f, uint64_t volumeStart) {
    const uint32_t bps = static_cast<uint32_t>(layout_.bytesPerSector);
    // Records are read in the medium's sectors: a volume of smaller ones cannot be laid out.
    if (f.bytesPerSector > kMaxVolumeSectorBytes || bps == 0 || f.bytesPerSector % bps != 0) return 0;
    const uint64_t spc = uint64_t{f.sectorsPerCluster} * (f.bytesPerSector / bps);
    NtfsVolumeGeometry volume;
    setRecordLayout(volume, static_cast<int32_t>(f.bytesPerSector));
    if (volume.recordBytes != layout_.recordBytes) volumeRecordBytes_ = static_cast<uint32_t>(volume.recordBytes);
    if (f.mftCluster > (UINT64_MAX - volumeStart) / spc) return 0;
    const uint64_t record0 = volumeStart + f.mftCluster * spc;
    RunList runs;
    if (findRunsInRecord(record0, runs) == 0) mftMap_.enter(record0, std::move(runs));
    return static_cast<int32_t>(spc);
}

void CProfessionalNtfsRecovery::OnBootSector(ByteView sector, uint64_t absoluteSector) {
    // The area's own boot sector was taken when the source was attached.
    if (!opened_ || absoluteSector == areaStart_) return;
    NtfsBootFields fields;
    if (DecodeNtfsBootSector(sector, fields) != 0) return;
    // The boot sector knows the cluster size before any record has shown it.
    if (const int32_t spc = EnterBootMft(fields, absoluteSector)) spc_ = spc;
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

NtfsVolumeGeometry CProfessionalNtfsRecovery::LayoutOf(ByteView record) const {
    const uint32_t bytes = hasFileSignature(record) ? record.u32(0x1C) : 0;
    const uint32_t bps = static_cast<uint32_t>(layout_.bytesPerSector);
    if (bytes == static_cast<uint32_t>(layout_.recordBytes) || bytes < kMinRecordBytes ||
        bytes > kMaxVolumeSectorBytes || (bytes & (bytes - 1)) != 0 || bps == 0 || bytes % bps != 0)
        return layout_;
    NtfsVolumeGeometry g = layout_;
    g.recordBytes = static_cast<int32_t>(bytes);
    g.recordSectors = static_cast<int32_t>(bytes / bps);
    g.fixupCount = g.recordBytes / g.fixupStride;
    return g;
}

int CProfessionalNtfsRecovery::ReadRecordAt(uint64_t sector, std::vector<uint8_t>& buffer, NtfsVolumeGeometry* layout) {
    // One record's sectors, not a fixed 8 KiB: a record near the medium's end stays readable.
    auto read = [&](const NtfsVolumeGeometry& g) -> int {
        if (layout) *layout = g;
        buffer.assign(static_cast<size_t>(g.recordBytes), 0);
        if (!opened_) return kErrorInvalidParameter;
        uint32_t got = 0;
        const int rc = reader_.ReadSectors(static_cast<uint32_t>(g.recordSectors), buffer.data(), sector,
                                           static_cast<uint32_t>(g.bytesPerSector), got);
        if (rc != 0) return rc;
        return got == static_cast<uint32_t>(g.recordSectors) ? 0 : kErrorReadFault;
    };
    if (const int rc = read(layout_); rc != 0) return rc;
    // A record of a volume with larger sectors is read again whole.
    const NtfsVolumeGeometry own = LayoutOf(ByteView(buffer.data(), buffer.size()));
    return own.recordBytes == layout_.recordBytes ? 0 : read(own);
}

int CProfessionalNtfsRecovery::RunsInRecord(ByteView record, RunList& runs) const {
    int result = kNtfsNoAttribute;
    walkAttributes(record, recordFirstAttribute(record), record.size(), kLookupRules, [&](const NtfsAttribute& a) {
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
    NtfsVolumeGeometry layout;
    if (int rc = ReadRecordAt(sector, record, &layout); rc != 0) return rc;
    if (!hasFileSignature(ByteView(record.data(), record.size()))) return kNtfsNoFileRecord;
    applyFixup(record.data(), record.size(), layout);
    return RunsInRecord(ByteView(record.data(), record.size()), runs);
}

}  // namespace qm

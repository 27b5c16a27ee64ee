// The record parse of the deep scan, path rebuilding relative to the record found, and the
// resolution of the collected folders after the scan.
#include <cstring>

#include "engines/ntfs/ntfs_found_record.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/ntfs/ntfs_record_decode.h"
#include "engines/professional/professional_ntfs_recovery.h"
#include "platform/errors.h"

namespace qm {
namespace {

bool equalsIgnoreCase(const std::u16string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char16_t c = a[i];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        char d = b[i];
        if (d >= 'a' && d <= 'z') d = static_cast<char>(d - 'a' + 'A');
        if (c != static_cast<char16_t>(d)) return false;
    }
    return true;
}

}  // namespace

void CProfessionalNtfsRecovery::AddPending(uint32_t number, int32_t spc, uint32_t recordSectors, uint64_t base,
                                           const SharedRuns& runs) {
    if (pending_.size() >= kMaxPendingFolders) return;
    if (!pendingNumbers_.insert(number).second) return;
    pending_.push_back({number, spc, recordSectors, base, runs});
}

void CProfessionalNtfsRecovery::AddLostFolder(uint32_t number) {
    if (!store_ || !lostFolders_.insert(number).second) return;
    storeNtfsLostFolder(*store_, tag_, kSourceProNtfs, layout_.bytesPerSector * spc_, number);
}

int CProfessionalNtfsRecovery::WalkAncestors(uint32_t number, uint64_t base, int32_t spc, uint32_t recordSectors,
                                             uint32_t& depth, std::unordered_set<uint32_t>& visited,
                                             const SharedRuns& runs) {
    NtfsVolumeGeometry layout;
    while (number != kNtfsRootRecord && depth < kMaxAncestorDepth) {
        visited.insert(number);
        AddPending(number, spc, recordSectors, base, runs);
        ++depth;
        uint64_t relative = 0;
        if (!runs || !mapRecordNumber(number, *runs, recordSectors, static_cast<uint32_t>(spc), relative))
            return kNtfsNoFileRecord;
        if (int rc = ReadRecordAt(base + relative, ancestor_, &layout); rc != 0) return rc;
        const uint32_t recordBytes = static_cast<uint32_t>(layout.recordBytes);
        const NtfsRecordSummary d = decodeFileRecord(ancestor_.data(), ancestor_.size(), layout, kDeepParentRules);
        if (!d.signatureOk) return kNtfsNoFileRecord;
        if (!d.isDirectory() || d.ownNumber != number || d.firstAttribute >= recordBytes ||
            d.bytesInUse >= recordBytes || d.bytesInUse < d.firstAttribute)
            return kErrorInvalidParameter;
        if (!d.hasFileName || visited.count(d.fileName.parentRecord) != 0) return 0;
        number = d.fileName.parentRecord;
    }
    return 0;
}

int CProfessionalNtfsRecovery::ParseRecord(const uint8_t* bytes, size_t size, uint64_t foundSector, int phase,
                                           uint32_t number) {
    return ParseWith(spc_, bytes, size, foundSector, phase, number);
}

int CProfessionalNtfsRecovery::ParseWith(int32_t spcHint, const uint8_t* bytes, size_t size, uint64_t sector, int phase,
                                         uint32_t number) {
    if (!store_ || !bytes) return kErrorInvalidParameter;
    // A record of a volume with larger sectors than the medium's comes whole, in its own size.
    NtfsVolumeGeometry layout = LayoutOf(ByteView(bytes, size));
    if (size < static_cast<size_t>(layout.recordBytes)) layout = layout_;
    const uint32_t recordBytes = static_cast<uint32_t>(layout.recordBytes);
    const uint32_t recordSectors = static_cast<uint32_t>(layout.recordSectors);
    // A copy of the record: the caller's chunk stays as read, and a short buffer reads as zeros.
    record_.assign(recordBytes, 0);
    std::memcpy(record_.data(), bytes, size < recordBytes ? size : recordBytes);
    const ByteView view(record_.data(), record_.size());
    const bool directory = (recordFlags(view) & kRecordIsDirectory) != 0;
    if (phase == 0 && directory) return 0;
    const bool resolving = phase != 0;
    const NtfsRecordSummary d = decodeFileRecord(record_.data(), record_.size(), layout, kDeepRecordRules);
    if (!d.signatureOk) {
        if (resolving) AddLostFolder(number);
        return kNtfsNoFileRecord;
    }
    if (!d.headerWithin(recordBytes)) {
        // A folder whose record cannot be read still keeps its files reachable.
        if (resolving) AddLostFolder(number);
        return kErrorInvalidParameter;
    }
    const uint32_t own = d.ownNumber;
    if (resolving && (!directory || (number != 0 && own != number))) {
        AddLostFolder(number != 0 ? number : own);
        return 0;
    }
    if (own == 0) {
        for (const NtfsFileName& name : d.names) {
            if (!equalsIgnoreCase(name.name, "$MFT")) continue;
            RunList runs;
            if (RunsInRecord(view, runs) == 0) mftMap_.enter(sector, std::move(runs));
        }
    }
    // The reserved records and $Extend's metafiles are no user's files.
    if (own < kNtfsFirstNonReservedRecord || !d.hasFileName) return 0;
    const NtfsFileName& fileName = d.fileName;

    int32_t spc = spcHint;
    if (!resolving) {
        if (const int32_t inferred =
                inferSectorsPerCluster(view, recordBytes, static_cast<uint32_t>(layout_.bytesPerSector)))
            spc_ = inferred;
        spc = spc_;
    }
    const RecordPlacement place = mftMap_.place(own, sector, recordSectors, static_cast<uint32_t>(spc), areaStart_);
    ScanRecord r{};
    r.driveLetter = tag_;
    r.sourceKind = kSourceProNtfs;
    r.isFolder = resolving ? 1 : 0;
    r.reserved[0] = (d.flags & kRecordInUse) ? 0 : 1;  // the record was freed: a deleted file
    r.condition = 1;
    r.fsId = static_cast<int32_t>(own);
    r.clusterBytes = layout_.bytesPerSector * spc;
    const NtfsUserTimes times = UserTimes(d.hasStandardInfo, d.standardInfo, fileName);
    r.created = times.created;
    r.modified = times.modified;
    r.accessed = times.accessed;
    r.size = resolving ? 0 : (d.hasData ? d.dataSize : fileName.realSize);
    r.location = sector;
    r.partitionStart = place.partitionStart;
    const std::string name = ntfsUtf8Name(fileName.name);
    setRecordName(r, name);
    if (!resolving && !d.hasData && d.hasAttributeList) {
        // The size lives with the $DATA in an extension record.
        NtfsStream stream;
        if (LocateData(view, r, stream) == 0) r.size = stream.resident ? stream.residentBytes.size() : stream.realSize;
    }

    uint32_t depth = 0;
    std::unordered_set<uint32_t> visited;
    // A folder is its own ancestor only through a loop: start the walk knowing it.
    if (resolving) visited.insert(own);
    const uint32_t parent = fileName.parentRecord;
    if (!(resolving && parent == own))
        WalkAncestors(parent, place.partitionStart, spc, recordSectors, depth, visited, place.mftRuns);
    if (!resolving) {
        r.condition = JudgeContent(r, d.residentData, d.hasData, d.dataResident, d.hasFirstRun ? d.firstRunCluster : 0,
                                   d.dataFlags);
    }
    const bool selfParent = resolving && parent == own;
    storeNtfsRecord(*store_, r,
                    selfParent ? ParentKey::make(static_cast<int32_t>(kNtfsRootRecord), 0)
                               : ParentKey::make(static_cast<int32_t>(parent), depth),
                    resolving ? r.name : nullptr);
    return 0;
}

int CProfessionalNtfsRecovery::ResolveFolders() {
    if (!store_) return kErrorInvalidParameter;
    // Entries appended while this runs (ancestors of folders) are resolved too.
    for (size_t i = 0; i < pending_.size(); ++i) {
        const PendingFolder p = pending_[i];
        uint64_t relative = 0;
        if (!p.runs || !mapRecordNumber(p.number, *p.runs, p.recordSectors, static_cast<uint32_t>(p.spc), relative)) {
            AddLostFolder(p.number);
            continue;
        }
        const uint64_t sector = p.base + relative;
        if (ReadRecordAt(sector, resolve_) != 0) {
            AddLostFolder(p.number);
            continue;
        }
        const int32_t saved = spc_;
        spc_ = p.spc;
        ParseWith(p.spc, resolve_.data(), resolve_.size(), sector, 1, p.number);
        spc_ = saved;
    }
    store_->flush();
    return 0;
}

}  // namespace qm

// The record parse of the deep scan, path rebuilding relative to the record found, and the
// resolution of the collected folders after the scan.
#include <cstring>

#include "engines/ntfs/ntfs_file_name.h"
#include "engines/ntfs/ntfs_fixup.h"
#include "engines/ntfs/ntfs_found_record.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/professional/professional_ntfs_recovery.h"
#include "platform/errors.h"

namespace qm {
namespace {

// The per-record walk and the ancestor walk: stop at type 0, 0xFDFDFDFD or 0xFFFFFFFF.
constexpr AttributeWalkRules kProRecordRules{true, true, false, false, true};

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

// Header test before any walk: the first attribute and the bytes in use inside the record.
bool headerSound(ByteView record, uint32_t recordBytes) {
    const uint32_t inUse = recordBytesInUse(record);
    const uint32_t first = recordFirstAttribute(record);
    return inUse <= recordBytes && first <= recordBytes && inUse >= first;
}

}  // namespace

void CProfessionalNtfsRecovery::addPending(uint32_t number, int32_t spc, uint64_t base, const SharedRuns& runs) {
    if (pending_.size() >= kMaxPendingFolders) return;
    if (!pendingNumbers_.insert(number).second) return;
    pending_.push_back({number, spc, base, runs});
}

void CProfessionalNtfsRecovery::addLostFolder(uint32_t number) {
    if (!store_ || !lostFolders_.insert(number).second) return;
    storeNtfsLostFolder(*store_, tag_, kSourceProNtfs, layout_.bytesPerSector * spc_, number);
}

int CProfessionalNtfsRecovery::walkAncestors(uint32_t number, uint64_t base, int32_t spc, uint32_t& depth,
                                             std::unordered_set<uint32_t>& visited, const SharedRuns& runs) {
    const uint32_t recordBytes = static_cast<uint32_t>(layout_.recordBytes);
    while (number != kNtfsRootRecord && depth < kMaxAncestorDepth) {
        visited.insert(number);
        addPending(number, spc, base, runs);
        ++depth;
        uint64_t relative = 0;
        if (!runs || !mapRecordNumber(number, *runs, static_cast<uint32_t>(layout_.recordSectors),
                                      static_cast<uint32_t>(spc), relative))
            return kNtfsNoFileRecord;
        if (int rc = readRecordAt(base + relative, ancestor_); rc != 0) return rc;
        ByteView view(ancestor_.data(), ancestor_.size());
        if (!hasFileSignature(view)) return kNtfsNoFileRecord;
        applyFixup(ancestor_.data(), ancestor_.size(), layout_);
        const uint32_t inUse = recordBytesInUse(view);
        const uint32_t first = recordFirstAttribute(view);
        if ((recordFlags(view) & kRecordIsDirectory) == 0 || recordOwnNumber(view) != number || first >= recordBytes ||
            inUse >= recordBytes || inUse < first)
            return kErrorInvalidParameter;
        bool found = false;
        uint32_t parent = 0;
        walkAttributes(view, first, inUse, kProRecordRules, [&](const NtfsAttribute& a) {
            if (a.type != kAttrFileName) return true;
            NtfsFileName name;
            if (parseFileName(a.bytes, name)) {
                found = true;
                parent = name.parentRecord;
            }
            return false;
        });
        if (!found || visited.count(parent) != 0) return 0;
        number = parent;
    }
    return 0;
}

int CProfessionalNtfsRecovery::ParseRecord(const uint8_t* bytes, size_t size, uint64_t foundSector, int phase,
                                           uint32_t number) {
    return parseWith(spc_, bytes, size, foundSector, phase, number);
}

int CProfessionalNtfsRecovery::parseWith(int32_t spcHint, const uint8_t* bytes, size_t size, uint64_t sector, int phase,
                                         uint32_t number) {
    if (!store_ || !bytes) return kErrorInvalidParameter;
    const uint32_t recordBytes = static_cast<uint32_t>(layout_.recordBytes);
    // A copy of the record: the caller's chunk stays as read, and a short buffer reads as zeros.
    record_.assign(recordBytes, 0);
    std::memcpy(record_.data(), bytes, size < recordBytes ? size : recordBytes);
    ByteView view(record_.data(), record_.size());
    const bool directory = (recordFlags(view) & kRecordIsDirectory) != 0;
    if (phase == 0 && directory) return 0;
    const bool resolving = phase != 0;
    if (!hasFileSignature(view)) {
        if (resolving) addLostFolder(number);
        return kNtfsNoFileRecord;
    }
    applyFixup(record_.data(), record_.size(), layout_);
    if (!headerSound(view, recordBytes)) {
        // A folder whose record cannot be read still keeps its files reachable.
        if (resolving) addLostFolder(number);
        return kErrorInvalidParameter;
    }
    const uint32_t own = recordOwnNumber(view);
    const bool lost = resolving && (!directory || (number != 0 && own != number));

    bool created = false;
    NtfsFileName fileName;
    bool hasData = false, resident = false;
    uint16_t dataFlags = 0;
    uint64_t dataSize = 0;
    ByteView residentData;
    int64_t firstCluster = 0;
    bool hasFirstRun = false;
    bool lostAdded = false;
    bool hasList = false;
    walkAttributes(view, recordFirstAttribute(view), recordBytesInUse(view), kProRecordRules, [&](const NtfsAttribute& a) {
        if (a.type == kAttrAttributeList) hasList = true;
        if (a.type == kAttrFileName) {
            NtfsFileName name;
            if (!parseFileName(a.bytes, name)) return true;
            if (lost) {
                addLostFolder(number != 0 ? number : own);
                lostAdded = true;
                return false;
            }
            if (own == 0) {
                if (equalsIgnoreCase(name.name, "$MFT")) {
                    RunList runs;
                    if (runsInRecord(view, runs) == 0) mftMap_.enter(sector, std::move(runs));
                }
                return true;
            }
            if (own < kNtfsFirstNonReservedRecord || name.parentRecord == kNtfsExtendRecord) return true;
            if (!created) {
                created = true;
                fileName = name;
            } else if (name.nameSpace == kNamespaceWin32) {
                fileName.name = name.name;
                fileName.nameSpace = name.nameSpace;
            }
            return true;
        }
        if (a.type == kAttrData && a.unnamed() && created && !hasData) {
            hasData = true;
            resident = !a.nonResident;
            dataFlags = a.flags;
            if (resident) {
                dataSize = a.residentLength();
                residentData = a.residentContent();
            } else {
                if (a.length > 0x30) dataSize = a.realSize();
                RunList runs;
                decodeRuns(a.bytes, layout_, runs);
                if (!runs.empty() && !runs.front().sparse) {
                    hasFirstRun = true;
                    firstCluster = runs.front().lcnDelta;
                }
            }
        }
        return true;
    });
    if (lost && !lostAdded) addLostFolder(number != 0 ? number : own);
    if (!created) return 0;

    int32_t spc = spcHint;
    if (!resolving) {
        if (const int32_t inferred = inferSectorsPerCluster(view, recordBytes, static_cast<uint32_t>(layout_.bytesPerSector)))
            spc_ = inferred;
        spc = spc_;
    }
    const RecordPlacement place = mftMap_.place(own, sector, static_cast<uint32_t>(layout_.recordSectors),
                                                static_cast<uint32_t>(spc), areaStart_);
    ScanRecord r{};
    r.driveLetter = tag_;
    r.sourceKind = kSourceProNtfs;
    r.isFolder = resolving ? 1 : 0;
    r.condition = 1;
    r.fsId = static_cast<int32_t>(own);
    r.clusterBytes = layout_.bytesPerSector * spc;
    r.created = fileName.created;
    r.modified = fileName.modified;
    r.accessed = fileName.accessed;
    r.size = resolving ? 0 : (hasData ? dataSize : fileName.realSize);
    r.location = sector;
    r.partitionStart = place.partitionStart;
    const std::string name = ntfsUtf8Name(fileName.name);
    setRecordName(r, name);
    if (!resolving && !hasData && hasList) {
        // The size lives with the $DATA in an extension record.
        NtfsStream stream;
        if (locateData(view, r, stream) == 0) r.size = stream.resident ? stream.residentBytes.size() : stream.realSize;
    }

    uint32_t depth = 0;
    std::unordered_set<uint32_t> visited;
    // A folder is its own ancestor only through a loop: start the walk knowing it.
    if (resolving) visited.insert(own);
    const uint32_t parent = fileName.parentRecord;
    if (!(resolving && parent == own)) walkAncestors(parent, place.partitionStart, spc, depth, visited, place.mftRuns);
    if (!resolving) {
        r.condition = judgeContent(r, residentData, hasData, resident, hasFirstRun ? firstCluster : 0, dataFlags);
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
        if (!p.runs || !mapRecordNumber(p.number, *p.runs, static_cast<uint32_t>(layout_.recordSectors),
                                        static_cast<uint32_t>(p.spc), relative)) {
            addLostFolder(p.number);
            continue;
        }
        const uint64_t sector = p.base + relative;
        if (readRecordAt(sector, resolve_) != 0) {
            addLostFolder(p.number);
            continue;
        }
        const int32_t saved = spc_;
        spc_ = p.spc;
        parseWith(p.spc, resolve_.data(), resolve_.size(), sector, 1, p.number);
        spc_ = saved;
    }
    store_->flush();
    return 0;
}

}  // namespace qm

// The fast scan's record parse and path rebuilding: each deleted file is filed under its
// folder, and the folders on its path (or lost folders where the path breaks) are added.
#include <algorithm>
#include <cstring>

#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/ntfs/ntfs_found_record.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/ntfs/ntfs_record_decode.h"

namespace qm {
namespace {

// Deeper chains than this are damage; real paths are far shorter.
constexpr uint32_t kMaxAncestorDepth = 4096;

}  // namespace

void CFastNtfsRecovery::ParseFileRecord(uint8_t* record, uint64_t number, uint64_t sector) {
    const NtfsVolumeGeometry& g = volume_.geometry();
    // Only records that are neither in use nor a directory: deleted files.
    if (recordFlags(ByteView(record, static_cast<size_t>(g.recordBytes))) != 0) return;
    if (number < kNtfsFirstUserRecord || number > UINT32_MAX) return;
    NtfsRecordSummary s = decodeFileRecord(record, static_cast<size_t>(g.recordBytes), g);
    if (!s.signatureOk) return;
    if (s.hasAttributeList && (!s.hasFileName || !s.hasData)) {
        // Names or data that did not fit the record lie in the records its list names.
        const ByteView view(record, static_cast<size_t>(g.recordBytes));
        if (!s.hasFileName) TakeListedNames(view, s.hasFileName, s.fileName);
        NtfsStream stream;
        if (!s.hasData && volume_.findStream(view, kAttrData, stream) == 0) {
            s.hasData = true;
            s.dataResident = stream.resident;
            s.dataFlags = stream.flags;
            s.dataSize = stream.realSize;
        }
    }
    if (!s.hasFileName) return;

    ScanRecord r{};
    r.driveLetter = tag_;
    r.sourceKind = kSourceFastNtfs;
    r.isFolder = 0;
    r.fsId = static_cast<int32_t>(number);
    r.clusterBytes = g.clusterBytes;
    const NtfsUserTimes times = UserTimes(s.hasStandardInfo, s.standardInfo, s.fileName);
    r.created = times.created;
    r.modified = times.modified;
    r.accessed = times.accessed;
    r.size = s.hasData ? s.dataSize : s.fileName.realSize;
    r.location = sector;
    r.partitionStart = g.volumeStartSector;
    const std::string name = ntfsUtf8Name(s.fileName.name);
    setRecordName(r, name);
    const uint32_t parent = s.fileName.parentRecord;
    const uint32_t depth = WalkAncestors(parent);
    r.condition = JudgeContent(name, s);

    storeNtfsRecord(*store_, r, ParentKey::make(static_cast<int32_t>(parent), depth), nullptr);
}

void CFastNtfsRecovery::TakeListedNames(ByteView record, bool& haveOne, NtfsFileName& into) {
    volume_.forEachListedAttribute(record, kAttrFileName, [&](const NtfsAttribute& a) {
        NtfsFileName name;
        if (parseFileName(a.bytes, name)) mergeFileName(name, haveOne, into);
        return true;
    });
}

const CFastNtfsRecovery::FolderInfo& CFastNtfsRecovery::FolderInfoOf(uint32_t number) {
    auto it = folders_.find(number);
    if (it != folders_.end()) return it->second;
    FolderInfo info;
    ++folderReads_;
    info.readResult = volume_.readRecord(number, recordBuffer_);
    if (info.readResult == 0) {
        // readRecord has fixed the record up already; decode without a second fix-up.
        const NtfsVolumeGeometry& g = volume_.geometry();
        const ByteView view(recordBuffer_.data(), recordBuffer_.size());
        NtfsRecordSummary s = decodeRecord(view, static_cast<size_t>(g.recordBytes), g, kFastRecordRules);
        info.flags = s.flags;
        info.signatureOk = s.signatureOk;
        info.hasFileName = s.hasFileName;
        info.fileName = std::move(s.fileName);
        info.hasStandardInfo = s.hasStandardInfo;
        info.standardInfo = s.standardInfo;
        // A large folder keeps its names in extension records that its attribute list names.
        if (info.signatureOk && !info.hasFileName) TakeListedNames(view, info.hasFileName, info.fileName);
    }
    return folders_.emplace(number, std::move(info)).first->second;
}

void CFastNtfsRecovery::NoteAncestor(uint32_t number) {
    if (ancestorSet_.insert(number).second) ancestors_.push_back(number);
}

uint32_t CFastNtfsRecovery::EffectiveParent(uint32_t number, const FolderInfo& info) const {
    auto it = loopCuts_.find(number);
    return it != loopCuts_.end() ? kNtfsRootRecord : info.fileName.parentRecord;
}

uint32_t CFastNtfsRecovery::WalkAncestors(uint32_t parent) {
    // A loop of parent references is cut once, at its lowest record, which is then taken to
    // hang under the root: every walk through the loop then agrees on the same depths.
    for (int attempt = 0; attempt < 64; ++attempt) {
        uint32_t depth = 0;
        std::vector<uint32_t> path;
        std::unordered_set<uint32_t> visited;
        uint32_t n = parent;
        bool looped = false;
        while (n != kNtfsRootRecord && depth < kMaxAncestorDepth) {
            if (!visited.insert(n).second) {
                looped = true;
                break;
            }
            path.push_back(n);
            NoteAncestor(n);
            ++depth;
            const FolderInfo& info = FolderInfoOf(n);
            if (info.readResult != 0 || !info.signatureOk) break;
            if ((info.flags & kRecordIsDirectory) == 0 || !info.hasFileName) break;
            n = EffectiveParent(n, info);
        }
        if (!looped) return depth;
        const auto start = std::find(path.begin(), path.end(), n);
        loopCuts_.insert(*std::min_element(start, path.end()));
    }
    return 0;
}

void CFastNtfsRecovery::AddLostFolder(uint32_t number) {
    storeNtfsLostFolder(*store_, tag_, kSourceFastNtfs, -1, number);
}

void CFastNtfsRecovery::AddFolderRecord(uint32_t number) {
    const NtfsVolumeGeometry& g = volume_.geometry();
    // Copied: the walk below may add to the cache.
    const FolderInfo info = FolderInfoOf(number);
    const bool lost = (info.flags & kRecordIsDirectory) == 0;
    // A record that no longer holds a folder (overwritten, reused by a file, or outside the
    // MFT) becomes a lost folder under the root, so the files filed under it stay reachable.
    if (info.readResult != 0 || !info.signatureOk || !info.hasFileName || lost) {
        AddLostFolder(number);
        return;
    }
    if (number < kNtfsFirstUserRecord) return;  // system folders ($Extend) are not listed

    ScanRecord r = ntfsFolderRecord(tag_, kSourceFastNtfs, g.clusterBytes, number);
    const NtfsUserTimes times = UserTimes(info.hasStandardInfo, info.standardInfo, info.fileName);
    r.created = times.created;
    r.modified = times.modified;
    r.accessed = times.accessed;
    r.size = info.fileName.realSize;
    r.location = recordToSector(number, volume_.mftRuns(), g);
    r.partitionStart = g.volumeStartSector;
    const std::string name = ntfsUtf8Name(info.fileName.name);
    setRecordName(r, name);
    // The walk may cut a loop at this very folder; then it hangs under the root.
    uint32_t parent = EffectiveParent(number, info);
    uint32_t depth = WalkAncestors(parent);
    if (EffectiveParent(number, info) != parent) {
        parent = EffectiveParent(number, info);
        depth = WalkAncestors(parent);
    }
    storeNtfsRecord(*store_, r, ParentKey::make(static_cast<int32_t>(parent), depth), r.name);
}

}  // namespace qm

// Directory entries turned into records: a buffer is settled in its directory, then walked
// entry by entry. Every file is recorded, deleted or not, since after a format nothing else
// names them.
#include "engines/fat/fat_dir_entry.h"
#include "engines/fat/fat_names.h"
#include "engines/fat/fat_time.h"
#include "engines/professional/professional_fat_recovery.h"

namespace qm {
namespace {

constexpr uint32_t kMaxFolderDepth = 512;

bool dotPairAt(const std::vector<uint8_t>& s) {
    const ByteView b(s.data(), s.size());
    return b.u8(0) == '.' && b.u8(1) == ' ' && b.u8(32) == '.' && b.u8(33) == '.';
}

std::string extensionOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void fillTimes(ScanRecord& r, const FatDirEntry& e) {
    uint64_t t = 0;
    r.created = FatTimeToFileTime(e.createDate, e.createTime, e.createTenMs, t) ? t : 0;
    r.accessed = FatDateToFileTime(e.accessDate, t) ? t : 0;
    r.modified = FatTimeToFileTime(e.writeDate, e.writeTime, 0, t) ? t : 0;
}

}  // namespace

uint32_t CProfessionalFatRecovery::SettleDirectory(int geometry, const profat::DirBuffer& buffer, uint32_t assumed) {
    const ByteView bytes(buffer.bytes.data(), buffer.bytes.size());
    const ByteView first = bytes.sub(0, kDirEntryBytes);
    if (IsVolumeLabelAttr(first.u8(11))) return rootCluster_;
    if (IsDotPair(first, bytes.sub(kDirEntryBytes, kDirEntryBytes))) {
        const uint32_t self = DecodeDirEntry(first).cluster(true);
        return self >= 2 ? self : assumed;
    }
    if (geometry < 0) return assumed;
    if (assumed >= 2 && ReadClusterHead(geometry, assumed, scratch_) && dotPairAt(scratch_)) return assumed;
    // A subdirectory's ".." names the directory that holds it.
    const profat::FatGeometry& g = geometries_[static_cast<size_t>(geometry)];
    const uint64_t areaEnd = areaStart_ + areaSectors_;
    for (size_t offset = 0; offset + kDirEntryBytes <= bytes.size(); offset += kDirEntryBytes) {
        const ByteView entry = bytes.sub(offset, kDirEntryBytes);
        if (entry.u8(0) == 0) break;
        const FatDirEntry e = DecodeDirEntry(entry);
        if (!e.isDirectory() || entry.u8(0) == '.') continue;
        if (!IsValidDirEntry(entry, bytes.sub(offset + kDirEntryBytes, kDirEntryBytes), fat32_)) continue;
        uint32_t cluster = e.cluster(true);
        if (fat32_ && e.deleted() && e.highCluster == 0)
            cluster |= uint32_t{FindFolderHighWord(geometry, e.lowCluster)} << 16;
        if (cluster < 2) continue;
        const auto sector = g.ClusterSector(cluster);
        if (!sector || *sector >= areaEnd || !ReadSector(*sector, scratch_)) break;
        if (dotPairAt(scratch_)) {
            const ByteView head(scratch_.data(), scratch_.size());
            return RootOr(DecodeDirEntry(head.sub(32, kDirEntryBytes)).cluster(true));
        }
    }
    return assumed;
}

uint32_t CProfessionalFatRecovery::ParseAndKeepTail(int geometry, const profat::DirBuffer& buffer, uint32_t assumed,
                                                    bool settled) {
    std::optional<profat::NameFragment> tail;
    const uint32_t directory = ParseBuffer(geometry, buffer, assumed, tail, settled);
    if (tail) KeepFragment(std::move(*tail));
    return directory;
}

uint32_t CProfessionalFatRecovery::ParseBuffer(int geometry, const profat::DirBuffer& buffer, uint32_t assumed,
                                               std::optional<profat::NameFragment>& tail, bool settled) {
    tail.reset();
    if (!store_ || buffer.Entries() == 0) return assumed;
    const uint32_t directory = settled ? assumed : SettleDirectory(geometry, buffer, assumed);
    uint32_t current = directory;
    const ByteView bytes(buffer.bytes.data(), buffer.bytes.size());

    LongNameCollector longName;
    size_t nameStart = SIZE_MAX;  // first entry of the long name being collected
    uint8_t checksum = 0;
    auto dropName = [&] {
        longName.Reset();
        nameStart = SIZE_MAX;
    };
    for (size_t i = 0; i < buffer.Entries(); ++i) {
        const ByteView entry = bytes.sub(i * kDirEntryBytes, kDirEntryBytes);
        if (entry.u8(0) == 0) return directory;
        if (!IsValidDirEntry(entry, bytes.sub((i + 1) * kDirEntryBytes, kDirEntryBytes), fat32_)) {
            dropName();
            continue;
        }
        const FatDirEntry e = DecodeDirEntry(entry);
        if (e.isLongName()) {
            // A part that starts a name, or belongs to another one, begins afresh.
            const bool starts = !e.deleted() && (e.first & 0x40) != 0;
            if (starts || (nameStart != SIZE_MAX && entry.u8(13) != checksum)) dropName();
            if (!longName.Prepend(entry)) {
                dropName();
                longName.Prepend(entry);
            }
            if (nameStart == SIZE_MAX) nameStart = i;
            checksum = entry.u8(13);
            continue;
        }
        const std::string name = longName.Empty() ? std::string() : longName.NameFor(entry);
        if (e.isDirectory())
            current = OnFolderEntry(geometry, entry, name, current);
        else if (e.isFile())
            OnFileEntry(geometry, entry, name, current, buffer.entrySectors[i]);
        dropName();
    }
    if (nameStart != SIZE_MAX) {
        profat::NameFragment fragment;
        fragment.checksum = checksum;
        fragment.geometry = geometry;
        fragment.directory = current;
        fragment.entries.bytes.assign(buffer.bytes.begin() + static_cast<ptrdiff_t>(nameStart * kDirEntryBytes),
                                      buffer.bytes.end());
        fragment.entries.entrySectors.assign(buffer.entrySectors.begin() + static_cast<ptrdiff_t>(nameStart),
                                             buffer.entrySectors.end());
        fragment.sector = buffer.entrySectors.back();
        tail = std::move(fragment);
    }
    return directory;
}

uint32_t CProfessionalFatRecovery::OnFolderEntry(int geometry, ByteView entry, const std::string& longName,
                                                 uint32_t current) {
    const FatDirEntry e = DecodeDirEntry(entry);
    if (entry.u8(0) == '.' && entry.u8(1) == '.') return current;
    if (entry.u8(0) == '.') {
        const uint32_t self = e.cluster(true);
        return self >= 2 ? self : current;
    }
    uint32_t cluster = e.cluster(true);
    if (fat32_ && e.deleted() && e.highCluster == 0)
        cluster |= uint32_t{FindFolderHighWord(geometry, e.lowCluster)} << 16;
    if (cluster < 2 || cluster == current) return current;
    if (folders_.size() >= profat::kMaxFolders && !folders_.count(cluster)) return current;

    profat::FolderEntry folder;
    folder.parent = current;
    folder.geometry = geometry;
    ScanRecord& r = folder.record;
    r.driveLetter = volumeTag_;
    r.sourceKind = kSourceProFat;
    r.isFolder = 1;
    r.condition = 1;
    r.reserved[0] = e.deleted() ? 1 : 0;
    r.fsId = static_cast<int32_t>(cluster);
    fillTimes(r, e);
    setRecordName(r, longName.empty() ? ShortEntryName(entry, false) : longName);
    folders_[cluster] = folder;
    return current;
}

void CProfessionalFatRecovery::OnFileEntry(int geometry, ByteView entry, const std::string& longName,
                                           uint32_t current, uint64_t entrySector) {
    const FatDirEntry e = DecodeDirEntry(entry);
    const std::string name = longName.empty() ? ShortEntryName(entry, true) : longName;
    uint32_t cluster = e.cluster(true);
    if (fat32_ && e.deleted() && e.highCluster == 0)
        cluster |= uint32_t{FindFileHighWord(geometry, e.lowCluster, extensionOf(name))} << 16;

    ScanRecord r;
    r.driveLetter = volumeTag_;
    r.sourceKind = kSourceProFat;
    r.isFolder = 0;
    r.reserved[0] = e.deleted() ? 1 : 0;  // a live entry of a formatted volume lists too
    r.fsId = static_cast<int32_t>(cluster);
    r.size = e.size;
    r.location = entrySector;
    fillTimes(r, e);
    setRecordName(r, name);
    if (geometry >= 0) {
        WriteFile(geometry, r, current);
    } else if (waiting_.size() < profat::kMaxWaitingFiles) {
        r.recordNo = static_cast<int32_t>(current);
        waiting_.push_back({r, current, false});
    }
}

void CProfessionalFatRecovery::WriteFile(int geometry, ScanRecord r, uint32_t directory) {
    const profat::FatGeometry& g = geometries_[static_cast<size_t>(geometry)];
    r.clusterBytes = static_cast<int32_t>(uint64_t{g.sectorsPerCluster} * sectorSize_);
    r.dataStart = g.dataStart;
    r.partitionStart = g.volumeStart;
    r.condition = CheckContent(geometry, recordName(r), static_cast<uint32_t>(r.fsId), r.size);
    const ParentKey key = KeyFor(geometry, directory);
    ScanRecord* slot = store_->appendRecord();
    *slot = r;
    slot->recordNo = store_->count();
    store_->addChild(key, slot->recordNo, slot->fsId);
    ++filesFound_;
    MarkFoldersWithFiles(geometry, directory);
}

void CProfessionalFatRecovery::MarkFoldersWithFiles(int geometry, uint32_t directory) {
    const profat::FatGeometry& g = geometries_[static_cast<size_t>(geometry)];
    uint32_t current = RootOr(directory);
    // A folder already marked has had its ancestors marked too; this also ends loops.
    for (uint32_t steps = 0; steps < kMaxFolderDepth && !IsRoot(current); ++steps) {
        if (foldersWithFiles_.count(current) || foldersWithFiles_.size() >= profat::kMaxFolders) return;
        const auto sector = g.ClusterSector(current);
        foldersWithFiles_[current] = {geometry, sector ? *sector : 0};
        uint32_t parent = 0;
        if (!DotDotOf(geometry, current, parent) || parent == current) return;
        current = parent;
    }
}

}  // namespace qm

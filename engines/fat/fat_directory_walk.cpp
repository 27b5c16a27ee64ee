#include "engines/fat/fat_directory_walk.h"

#include <algorithm>

#include "engines/fat/fat_cluster_set.h"
#include "engines/fat/fat_content_check.h"
#include "engines/fat/fat_dir_entry.h"
#include "engines/fat/fat_names.h"
#include "engines/fat/fat_time.h"

namespace qm {
namespace {

// A directory holds at most 65536 entries of 32 bytes.
constexpr uint64_t kMaxDirectoryBytes = 65536ull * kDirEntryBytes;

std::string extensionOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace

struct FatDirectoryWalk::Context {
    uint32_t current = 0;       // the folder that entries found belong to
    bool deletedFolder = false;
    LongNameCollector longName;
};

void FatDirectoryWalk::Begin(ScanResultStore& store, const Tags& tags) {
    store_ = &store;
    tags_ = tags;
    pending_.clear();
    queued_.clear();
    parsed_.clear();
    folders_.clear();
    withFiles_.clear();
    withFilesSet_.clear();
    probe_.Reset();
    filesFound_ = 0;
    pending_.push_back(RootCluster());
    queued_.insert(RootCluster());
}

void FatDirectoryWalk::Step() {
    if (pending_.empty()) return;
    const uint32_t cluster = pending_.front();
    pending_.pop_front();
    if (!parsed_.insert(cluster).second) return;
    ParseDirectory(cluster);
}

void FatDirectoryWalk::ParseDirectory(uint32_t dir) {
    const FatGeometry& g = volume_.geometry;
    const bool fixedRoot = !g.isFat32() && dir == 0;
    const bool root = IsRoot(dir);
    if (!fixedRoot && !volume_.IsDataCluster(dir)) return;

    Context ctx;
    ctx.current = dir;
    const auto known = folders_.find(dir);
    if (known != folders_.end()) ctx.deletedFolder = known->second.record.reserved[0] != 0;

    const uint32_t sectorSize = volume_.sectorSize();
    const uint32_t sectorsPerRead = fixedRoot ? g.rootDirSectors : g.sectorsPerCluster;
    buffer_.resize(static_cast<size_t>(sectorsPerRead) * sectorSize);
    const uint64_t maxClusters = std::max<uint64_t>(1, kMaxDirectoryBytes / g.clusterBytes());

    ClusterRunSet passed;
    uint64_t clustersRead = 0;
    uint32_t cluster = dir;
    bool first = true;
    for (;;) {
        if (!fixedRoot && (!passed.Insert(cluster) || ++clustersRead > maxClusters)) return;
        const uint64_t sector = fixedRoot ? volume_.RootDirSector() : volume_.ClusterSector(cluster);
        uint32_t got = 0;
        volume_.Read(sector, sectorsPerRead, buffer_.data(), got);
        if (got == 0) return;
        const ByteView data(buffer_.data(), static_cast<size_t>(got) * sectorSize);
        // A known folder must still begin with "." and "..": otherwise its cluster was reused.
        if (first && known != folders_.end() && !root && !IsDotPair(data.sub(0, 32), data.sub(32, 32))) return;

        for (size_t offset = 0; offset + kDirEntryBytes <= data.size(); offset += kDirEntryBytes) {
            const ByteView entry = data.sub(offset, kDirEntryBytes);
            if (entry.u8(0) == 0) return;
            if (!IsValidDirEntry(entry, data.sub(offset + kDirEntryBytes, kDirEntryBytes), g.isFat32())) {
                ctx.longName.Reset();
                continue;
            }
            const FatDirEntry e = DecodeDirEntry(entry);
            if (e.isLongName()) {
                // An over-long run of parts cannot be one name: start over with this part.
                if (!ctx.longName.Prepend(entry)) {
                    ctx.longName.Reset();
                    ctx.longName.Prepend(entry);
                }
                continue;
            }
            if (e.isDirectory())
                OnFolderEntry(ctx, entry);
            else if (e.isFile())
                OnFileEntry(ctx, entry, sector + offset / sectorSize);
            ctx.longName.Reset();
        }
        if (fixedRoot || got < sectorsPerRead) return;
        first = false;
        const uint32_t next = table_.NextCluster(cluster);
        if (next == 0 || next == cluster) return;
        cluster = next;
    }
}

void FatDirectoryWalk::FillCommon(ScanRecord& r, ByteView entry, uint32_t cluster, const std::string& name) const {
    const FatDirEntry e = DecodeDirEntry(entry);
    r.driveLetter = tags_.volumeTag;
    r.sourceKind = kSourceFastFat;
    r.fsId = static_cast<int32_t>(cluster);
    r.clusterBytes = static_cast<int32_t>(volume_.clusterBytes());
    uint64_t t = 0;
    r.created = FatTimeToFileTime(e.createDate, e.createTime, e.createTenMs, t) ? t : 0;
    r.accessed = FatDateToFileTime(e.accessDate, t) ? t : 0;
    r.modified = FatTimeToFileTime(e.writeDate, e.writeTime, 0, t) ? t : 0;
    r.dataStart = volume_.geometry.dataStart;
    setRecordName(r, name);
}

void FatDirectoryWalk::OnFolderEntry(Context& ctx, ByteView entry) {
    const bool fat32 = volume_.geometry.isFat32();
    const FatDirEntry e = DecodeDirEntry(entry);
    if (entry.u8(0) == '.' && entry.u8(1) == '.') return;
    if (entry.u8(0) == '.' && entry.u8(1) == ' ') {
        const uint32_t self = e.cluster(fat32);
        if (volume_.IsDataCluster(self)) ctx.current = self;
        return;
    }
    std::string name = ctx.longName.Empty() ? std::string() : ctx.longName.NameFor(entry);
    if (name.empty()) name = ShortEntryName(entry, false);

    uint32_t cluster = e.cluster(fat32);
    if (fat32 && e.deleted() && e.highCluster == 0)
        cluster |= uint32_t{probe_.FindFolderHighWord(e.lowCluster)} << 16;
    if (cluster == 0 || cluster == ctx.current || !volume_.IsDataCluster(cluster)) return;
    // A folder is parsed once: entries that lead back to it (a cycle) are not followed again.
    if (parsed_.count(cluster)) return;

    Folder folder;
    folder.parent = ctx.current;
    ScanRecord& r = folder.record;
    FillCommon(r, entry, cluster, name);
    r.isFolder = 1;
    r.condition = 1;
    r.reserved[0] = (e.deleted() || ctx.deletedFolder) ? 1 : 0;
    folders_[cluster] = folder;
    if (queued_.insert(cluster).second) pending_.push_back(cluster);
}

void FatDirectoryWalk::OnFileEntry(Context& ctx, ByteView entry, uint64_t entrySector) {
    const FatDirEntry e = DecodeDirEntry(entry);
    if (!e.deleted() && !ctx.deletedFolder) return;
    const bool fat32 = volume_.geometry.isFat32();
    std::string name = ctx.longName.Empty() ? std::string() : ctx.longName.NameFor(entry);
    if (name.empty()) name = ShortEntryName(entry, true);

    uint32_t cluster = e.cluster(fat32);
    const std::string extension = extensionOf(name);
    if (fat32 && e.deleted() && e.highCluster == 0 && !extension.empty())
        cluster |= uint32_t{probe_.FindFileHighWord(e.lowCluster, extension)} << 16;

    const int condition = CheckContent(volume_, name, cluster, e.size);
    const ParentKey parent = ParentKey::make(static_cast<int32_t>(ctx.current), probe_.FolderLevel(ctx.current));

    ScanRecord* r = store_->appendRecord();
    FillCommon(*r, entry, cluster, name);
    r->isFolder = 0;
    r->condition = condition;
    r->recordNo = store_->count();
    r->size = e.size;
    r->location = entrySector;
    r->partitionStart = tags_.partitionStart;
    store_->addChild(parent, r->recordNo, r->fsId);
    ++filesFound_;
    MarkFoldersWithFiles(ctx.current);
}

void FatDirectoryWalk::MarkFoldersWithFiles(uint32_t folder) {
    // Parents always point at folders parsed earlier, so the climb ends; the bound is a guard.
    // A folder marked before had its whole line of parents marked then: the climb stops there.
    for (size_t steps = 0; steps <= folders_.size() && !IsRoot(folder); ++steps) {
        if (!withFilesSet_.insert(folder).second) return;
        withFiles_.push_back(folder);
        const auto it = folders_.find(folder);
        if (it == folders_.end() || it->second.parent == folder) return;
        folder = it->second.parent;
    }
}

void FatDirectoryWalk::EmitFolders() {
    for (const uint32_t cluster : withFiles_) {
        const auto it = folders_.find(cluster);
        if (it == folders_.end()) continue;
        const uint32_t parent = it->second.parent;
        const ParentKey key = ParentKey::make(static_cast<int32_t>(parent), probe_.FolderLevel(parent));
        ScanRecord* r = store_->appendRecord();
        *r = it->second.record;
        r->recordNo = store_->count();
        const std::string name = recordName(*r);
        store_->addChild(key, r->recordNo, r->fsId, name.c_str());
    }
}

}  // namespace qm

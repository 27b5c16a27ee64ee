#include "engines/exfat/exfat_tree_walk.h"

#include <algorithm>

#include "engines/exfat/exfat_stream_read.h"

namespace qm {

void ExFatTreeWalk::Begin(ScanResultStore& store, const ExFatRecordTags& tags) {
    store_ = &store;
    tags_ = tags;
    pending_.clear();
    queued_.clear();
    read_.clear();
    folders_.clear();
    withFiles_.clear();
    withFilesSet_.clear();
    filesFound_ = 0;
    Pending root;
    root.cluster = RootCluster();
    pending_.push_back(root);
    queued_.insert(root.cluster);
}

void ExFatTreeWalk::Step() {
    if (pending_.empty()) return;
    const Pending folder = pending_.front();
    pending_.pop_front();
    if (read_.insert(folder.cluster).second) ReadFolder(folder);
}

void ExFatTreeWalk::ReadFolder(const Pending& folder) {
    const ExFatStreamBytes dir =
        ReadExFatStream(volume_, folder.cluster, folder.length, folder.contiguous, kMaxDirectoryBytes);
    ForEachEntrySet(ByteView(dir.bytes.data(), dir.bytes.size()), [&](const ExFatEntrySet& set) {
        const uint64_t entryOffset = dir.VolumeOffset(volume_, set.offset);
        if (set.directory)
            OnFolder(folder, set, entryOffset);
        else
            OnFile(folder, set, entryOffset);
    });
}

void ExFatTreeWalk::OnFolder(const Pending& parent, const ExFatEntrySet& set, uint64_t entryOffset) {
    // A folder is read once: entries that lead back to one (a cycle) are not followed again.
    if (!volume_.IsHeapCluster(set.firstCluster) || !queued_.insert(set.firstCluster).second) return;
    Pending child;
    child.cluster = set.firstCluster;
    child.level = parent.level + 1;
    child.inDeleted = parent.inDeleted || set.deleted;
    // A deleted folder's chain is freed with it: its clusters are read as one run.
    child.contiguous = set.contiguous || set.deleted;
    child.length = child.contiguous ? std::max<uint64_t>(set.dataLength, volume_.ClusterBytes()) : set.dataLength;
    pending_.push_back(child);

    Folder& f = folders_[child.cluster];
    f.parent = parent.cluster;
    f.parentLevel = parent.level;
    FillExFatRecord(f.record, set, volume_, entryOffset, tags_);
    f.record.condition = set.checksumOk ? 1 : 0;
    f.record.reserved[exfatrecord::kInDeletedFolder] = child.inDeleted ? 1 : 0;
}

void ExFatTreeWalk::OnFile(const Pending& parent, const ExFatEntrySet& set, uint64_t entryOffset) {
    if (!set.deleted && !parent.inDeleted) return;
    ScanRecord* r = store_->appendRecord();
    FillExFatRecord(*r, set, volume_, entryOffset, tags_);
    r->condition = Condition(set);
    r->reserved[exfatrecord::kInDeletedFolder] = 1;
    r->recordNo = store_->count();
    store_->addChild(ParentKey::make(static_cast<int32_t>(parent.cluster), parent.level), r->recordNo, r->fsId);
    ++filesFound_;
    MarkFoldersWithFiles(parent.cluster);
}

int ExFatTreeWalk::Condition(const ExFatEntrySet& set) const {
    if (!set.checksumOk) return 0;
    if (set.dataLength == 0) return 1;
    if (!volume_.IsHeapCluster(set.firstCluster)) return 0;
    // A file still in use (in a deleted folder) keeps its chain: the bitmap cannot judge it.
    if (!set.deleted && !set.contiguous) return 1;
    if (set.dataLength > volume_.HeapBytesFrom(set.firstCluster)) return 0;
    if (!set.deleted || !bitmap_.IsLoaded()) return 1;
    // Freed clusters that a live file took again are marked in use.
    const uint64_t clusterBytes = volume_.ClusterBytes();
    return bitmap_.RunIsFree(set.firstCluster, (set.dataLength + clusterBytes - 1) / clusterBytes) ? 1 : 0;
}

void ExFatTreeWalk::MarkFoldersWithFiles(uint32_t folder) {
    // Parents always point at folders read earlier, so the climb ends; the bound is a guard.
    // A folder marked before had its whole line of parents marked then: the climb stops there.
    for (size_t steps = 0; steps <= folders_.size() && folder != RootCluster(); ++steps) {
        if (!withFilesSet_.insert(folder).second) return;
        withFiles_.push_back(folder);
        const auto it = folders_.find(folder);
        if (it == folders_.end()) return;
        folder = it->second.parent;
    }
}

void ExFatTreeWalk::EmitFolders() {
    for (const uint32_t cluster : withFiles_) {
        const auto it = folders_.find(cluster);
        if (it == folders_.end()) continue;
        const Folder& f = it->second;
        ScanRecord* r = store_->appendRecord();
        *r = f.record;
        r->recordNo = store_->count();
        const std::string name = recordName(*r);
        store_->addChild(ParentKey::make(static_cast<int32_t>(f.parent), f.parentLevel), r->recordNo, r->fsId,
                         name.c_str());
    }
}

}  // namespace qm

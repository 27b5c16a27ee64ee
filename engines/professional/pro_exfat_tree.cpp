// The end of a scan: each directory cluster is given to the folder whose set names it (from
// its first cluster for its length, or along the FAT for a live chained folder); folders whose
// own set was lost (the root of a quick-formatted card) become "LostFolder" and their cluster
// in the root. Then every folder and file is filed under its folder.
#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "engines/exfat/exfat_record.h"
#include "engines/professional/professional_exfat_recovery.h"

namespace qm {
namespace {

// A folder as the tree knows it: a volume's directory by its first cluster.
uint64_t nodeOf(int32_t volume, uint32_t firstCluster) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(volume + 1)) << 32) | firstCluster;
}
uint32_t clusterOf(uint64_t node) { return static_cast<uint32_t>(node); }
int32_t volumeOf(uint64_t node) { return static_cast<int32_t>(node >> 32) - 1; }

constexpr uint64_t kRoot = UINT64_MAX;

}  // namespace

void CProfessionalExFatRecovery::FinishScan() {
    if (!store_) return;
    ResolveTree();
    pending_.clear();
    folders_.clear();
    loose_.clear();
    lastLooseSector_ = UINT64_MAX;
    store_->flush();
}

void CProfessionalExFatRecovery::ResolveTree() {
    // One set per folder: in use before deleted, the later before the earlier.
    std::unordered_map<uint64_t, size_t> chosen;
    for (size_t i = 0; i < folders_.size(); ++i) {
        const proexfat::PendingFolder& f = folders_[i];
        if (f.volume < 0) continue;
        const ExFatVolume& v = volumes_[static_cast<size_t>(f.volume)];
        if (!v.IsHeapCluster(f.firstCluster) || f.firstCluster == v.boot.rootCluster) continue;
        auto [it, added] = chosen.emplace(nodeOf(f.volume, f.firstCluster), i);
        const bool deleted = folders_[it->second].record.reserved[exfatrecord::kInDeletedFolder] != 0;
        if (!added && (deleted || f.record.reserved[exfatrecord::kInDeletedFolder] == 0)) it->second = i;
    }
    // Which folder each directory cluster belongs to.
    std::unordered_map<uint64_t, uint32_t> owner;
    for (const auto& [node, index] : chosen) {
        const proexfat::PendingFolder& f = folders_[index];
        ExFatVolume& v = volumes_[static_cast<size_t>(f.volume)];
        const uint64_t clusters = std::max<uint64_t>(1, (f.dataLength + v.ClusterBytes() - 1) / v.ClusterBytes());
        const uint32_t limit = static_cast<uint32_t>(std::min<uint64_t>(clusters, proexfat::kMaxFolderClusters));
        std::unordered_set<uint32_t> passed;
        uint32_t c = f.firstCluster;
        for (uint32_t n = 0; n < limit && v.IsHeapCluster(c) && passed.insert(c).second; ++n) {
            owner.emplace(nodeOf(f.volume, c), f.firstCluster);
            c = f.chained ? v.NextCluster(c) : c + 1;
        }
    }
    auto folderNode = [&](int32_t volume, uint32_t directory) -> uint64_t {
        if (volume < 0) return nodeOf(volume, directory);
        if (directory == volumes_[static_cast<size_t>(volume)].boot.rootCluster) return kRoot;
        const auto it = owner.find(nodeOf(volume, directory));
        return nodeOf(volume, it == owner.end() ? directory : it->second);
    };
    // Parents, with loops and chains past the depth bound cut at the root.
    std::unordered_map<uint64_t, uint64_t> parentOverride;
    auto parentOf = [&](uint64_t node) -> uint64_t {
        if (const auto cut = parentOverride.find(node); cut != parentOverride.end()) return cut->second;
        const auto it = chosen.find(node);
        if (it == chosen.end()) return kRoot;  // a lost folder, or one without a volume
        const proexfat::PendingFolder& f = folders_[it->second];
        return folderNode(f.volume, f.directory);
    };
    std::unordered_map<uint64_t, uint32_t> depths;
    auto depthOf = [&](uint64_t node) -> uint32_t {
        if (node == kRoot) return 0;
        std::vector<uint64_t> path;
        std::unordered_set<uint64_t> onPath;
        uint32_t base = 0;
        for (uint64_t at = node;;) {
            if (const auto known = depths.find(at); known != depths.end()) {
                base = known->second;
                break;
            }
            path.push_back(at);
            onPath.insert(at);
            const uint64_t up = parentOf(at);
            if (up == kRoot) break;
            if (onPath.count(up) || path.size() >= proexfat::kMaxFolderDepth) {
                parentOverride[at] = kRoot;
                break;
            }
            at = up;
        }
        for (size_t i = path.size(); i-- > 0;) depths[path[i]] = base + static_cast<uint32_t>(path.size() - i);
        return depths[node];
    };
    auto keyOf = [&](uint64_t node) {
        return node == kRoot ? ParentKey(0) : ParentKey::make(static_cast<int32_t>(clusterOf(node)), depthOf(node));
    };
    auto file = [&](uint64_t parent, const ScanRecord& r, bool folder) {
        ScanRecord* slot = store_->appendRecord();
        const int32_t recordNo = slot->recordNo;
        *slot = r;
        slot->recordNo = recordNo;
        const std::string name = recordName(r);
        store_->addChild(keyOf(parent), recordNo, r.fsId, folder ? name.c_str() : nullptr);
    };

    // Folders with their own sets; those without volume go to their lost folder.
    std::unordered_set<uint64_t> lostWithChildren;
    auto noteParent = [&](uint64_t parent) {
        if (parent != kRoot && !chosen.count(parent)) lostWithChildren.insert(parent);
    };
    for (size_t i = 0; i < folders_.size(); ++i) {
        const proexfat::PendingFolder& f = folders_[i];
        const uint64_t self = nodeOf(f.volume, f.firstCluster);
        if (f.volume >= 0 && (!chosen.count(self) || chosen[self] != i)) continue;
        const uint64_t parent = f.volume >= 0 ? parentOf(self) : folderNode(f.volume, f.directory);
        noteParent(parent);
        file(parent, f.record, true);
    }
    for (const proexfat::PendingEntry& e : pending_) noteParent(folderNode(e.volume, e.directory));
    // Lost folders, in the root.
    std::unordered_map<int32_t, uint64_t> looseSectors;
    for (const proexfat::LooseFolder& l : loose_) looseSectors.emplace(l.id, l.firstSector);
    for (const uint64_t node : lostWithChildren) {
        ScanRecord r;
        r.driveLetter = volumeTag_;
        r.sourceKind = kSourceProExFat;
        r.isFolder = 1;
        r.condition = 1;
        r.clusterBytes = -1;
        r.fsId = static_cast<int32_t>(clusterOf(node));
        std::string name = "LostFolder" + std::to_string(clusterOf(node));
        if (volumeOf(node) < 0) {
            if (const auto it = looseSectors.find(+r.fsId); it != looseSectors.end())
                name = "LostFolder" + std::to_string(it->second);
        } else {
            const ExFatVolume& v = volumes_[static_cast<size_t>(volumeOf(node))];
            r.partitionStart = v.startBytes / sectorSize_;
            r.dataStart = v.HeapSector() * v.SectorBytes();
        }
        setRecordName(r, name);
        depths[node] = 1;
        file(kRoot, r, true);
    }
    for (const proexfat::PendingEntry& e : pending_)
        store_->addChild(keyOf(folderNode(e.volume, e.directory)), e.recordNo, 0);
}

}  // namespace qm

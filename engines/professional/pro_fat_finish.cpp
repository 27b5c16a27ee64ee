// The end of a scan: held sectors get a last chance, files that waited for a geometry are
// placed, and the folders on the paths of recorded files are written, named by their own
// entries when those were seen and "LostFolder" with their cluster otherwise.
#include <string>
#include <unordered_set>

#include "engines/professional/professional_fat_recovery.h"

namespace qm {
namespace {

constexpr uint32_t kMaxFolderDepth = 512;

}  // namespace

void CProfessionalFatRecovery::FinishFatScan() {
    if (!store_) return;
    // Held sectors: the end of a name cut at a sector's end, or a directory sector whose
    // cluster a geometry learned later places.
    std::map<uint64_t, profat::HeldSector> held;
    held.swap(held_);
    heldBytes_ = 0;
    for (auto& [sector, h] : held) {
        if (const int index = FragmentContinuedBy(h.bytes.data(), sector); index >= 0)
            JoinFragment(static_cast<size_t>(index), h.bytes.data(), sector);
        else
            PlaceByGeometry(h.bytes.data(), sector, true);
    }
    held.clear();
    held_.clear();
    heldBytes_ = 0;
    run_ = {};
    // Files before folders: placing a waiting file marks its folders.
    WriteWaitingFiles();
    EmitFolders();
    fragments_.clear();
    folders_.clear();
    foldersWithFiles_.clear();
    store_->flush();
}

void CProfessionalFatRecovery::WriteWaitingFiles() {
    if (!geometries_.empty()) {
        for (size_t i = 0; i < geometries_.size(); ++i) {
            for (profat::WaitingFile& w : waiting_) {
                if (w.done || !geometries_[i].Contains(w.directory, w.record.location)) continue;
                WriteFile(static_cast<int>(i), w.record, w.directory);
                w.done = true;
            }
        }
        for (profat::WaitingFile& w : waiting_) {
            if (w.done) continue;
            const int geometry = geometries_.ForWaitingFile(w.record.location, bootGeometry_);
            if (geometry < 0) break;
            WriteFile(geometry, w.record, w.directory);
            w.done = true;
        }
    }
    waiting_.clear();
}

void CProfessionalFatRecovery::EmitFolders() {
    // The parent a folder is written under: its entry's directory, else what its ".." says.
    auto parentOf = [&](uint32_t cluster, int geometry) {
        if (auto it = folders_.find(cluster); it != folders_.end()) return RootOr(it->second.parent);
        uint32_t parent = 0;
        return DotDotOf(geometry, cluster, parent) ? parent : rootCluster_;
    };
    for (const auto& [cluster, where] : foldersWithFiles_) {
        const auto known = folders_.find(cluster);
        int geometry = where.geometry;
        if (geometry < 0 && known != folders_.end()) geometry = known->second.geometry;
        if (geometry < 0) geometry = geometries_.ByContainment(where.sector, cluster);
        if (geometry < 0) continue;
        const profat::FatGeometry& g = geometries_[static_cast<size_t>(geometry)];

        uint32_t parent = parentOf(cluster, geometry);
        // A parent chain that comes back to this folder would hide it: it goes to the root.
        std::unordered_set<uint32_t> passed{cluster};
        for (uint32_t p = parent, steps = 0; !IsRoot(p) && steps < kMaxFolderDepth; ++steps) {
            if (!passed.insert(p).second) {
                if (p == cluster) parent = rootCluster_;
                break;
            }
            p = parentOf(p, geometry);
        }
        if (parent == cluster) parent = rootCluster_;

        ScanRecord r;
        if (known != folders_.end()) {
            r = known->second.record;
            r.clusterBytes = static_cast<int32_t>(uint64_t{g.sectorsPerCluster} * sectorSize_);
            r.dataStart = g.dataStart;
            r.partitionStart = g.volumeStart;
            r.location = where.sector;
        } else {
            r.driveLetter = volumeTag_;
            r.sourceKind = kSourceProFat;
            r.isFolder = 1;
            r.fsId = static_cast<int32_t>(cluster);
            r.clusterBytes = -1;
            setRecordName(r, "LostFolder" + std::to_string(cluster));
        }
        r.condition = 1;
        const ParentKey key = KeyFor(geometry, parent);
        ScanRecord* slot = store_->appendRecord();
        *slot = r;
        slot->recordNo = store_->count();
        const std::string name = recordName(*slot);
        store_->addChild(key, slot->recordNo, slot->fsId, name.c_str());
    }
}

}  // namespace qm

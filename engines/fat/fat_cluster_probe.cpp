#include "engines/fat/fat_cluster_probe.h"

#include <algorithm>
#include <unordered_set>

#include "disk/byte_view.h"
#include "engines/fat/fat_content_check.h"
#include "engines/fat/fat_dir_entry.h"

namespace qm {

bool FatClusterProbe::ReadFirstSector(uint32_t cluster) {
    if (!volume_.IsDataCluster(cluster)) return false;
    sector_.assign(volume_.sectorSize(), 0);
    uint32_t got = 0;
    volume_.Read(volume_.ClusterSector(cluster), 1, sector_.data(), got);
    return got == 1;
}

bool FatClusterProbe::IsRoot(uint32_t cluster) const {
    return cluster < 2 || (volume_.geometry.isFat32() && cluster == volume_.geometry.rootCluster);
}

uint32_t FatClusterProbe::FolderLevel(uint32_t cluster) {
    if (auto it = levels_.find(cluster); it != levels_.end()) return it->second;
    uint32_t level = 0;
    std::vector<uint32_t> passed;
    std::unordered_set<uint32_t> seen;  // a loop of ".." entries ends the walk
    uint32_t current = cluster;
    while (!IsRoot(current) && seen.insert(current).second) {
        if (auto it = levels_.find(current); it != levels_.end()) {
            level += it->second;
            break;
        }
        passed.push_back(current);
        if (!ReadFirstSector(current)) break;
        const ByteView b(sector_.data(), sector_.size());
        if (IsVolumeLabelAttr(b.u8(11)) || b.u8(0) != '.' || b.u8(32) != '.' || b.u8(33) != '.') break;
        ++level;
        current = DecodeDirEntry(b.sub(32, kDirEntryBytes)).cluster(volume_.geometry.isFat32());
    }
    // Every folder passed learns its level too (each sits one below the next): deep trees cost
    // one walk, not one per folder.
    for (size_t i = 0; i < passed.size() && i <= level; ++i) levels_.emplace(passed[i], level - static_cast<uint32_t>(i));
    levels_[cluster] = level;
    return level;
}

template <class Test>
uint16_t FatClusterProbe::FindHighWord(uint16_t low, Test&& matches) {
    // With no cluster above 0xFFFF, high word 0 is the only candidate, and also the answer
    // when nothing matches.
    if (!volume_.geometry.isFat32() || volume_.maxCluster <= 0xFFFF) return 0;
    for (uint32_t high = 0; high <= kMaxHighWord; ++high) {
        const uint32_t cluster = (high << 16) | low;
        if (cluster > volume_.maxCluster) break;
        if (cluster < 2) continue;
        if (!ReadFirstSector(cluster)) break;
        if (matches(ByteView(sector_.data(), sector_.size()), cluster)) return static_cast<uint16_t>(high);
    }
    return 0;
}

uint16_t FatClusterProbe::FindFolderHighWord(uint16_t low) {
    return FindHighWord(low, [](ByteView b, uint32_t) {
        return b.u8(0) == '.' && b.u8(1) == ' ' && b.u8(32) == '.' && b.u8(33) == '.';
    });
}

uint16_t FatClusterProbe::FindFileHighWord(uint16_t low, const std::string& extension) {
    return FindHighWord(low, [&](ByteView b, uint32_t cluster) {
        return ContentMatchesExtension(b, extension, volume_, volume_.ClusterSector(cluster)) == 1;
    });
}

}  // namespace qm

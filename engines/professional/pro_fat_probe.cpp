// Questions answered by reading one sector under a geometry: how deep a folder lies, which
// high word a deleted FAT32 entry lost, whether a file's first cluster fits its name.
#include <algorithm>

#include "engines/carving/matches_extension.h"
#include "engines/fat/fat_dir_entry.h"
#include "engines/professional/professional_fat_recovery.h"

#include <unordered_map>

namespace qm {
namespace {

constexpr uint32_t kMaxHighWord = 256;
// Deeper than any real tree; the walk stops here whatever the ".." entries say.
constexpr uint32_t kMaxFolderDepth = 512;
constexpr size_t kMaxCachedLevels = 1u << 20;

bool beginsWithDotPair(const std::vector<uint8_t>& s) {
    const ByteView b(s.data(), s.size());
    return b.u8(0) == '.' && b.u8(1) == ' ' && b.u8(32) == '.' && b.u8(33) == '.';
}

}  // namespace

bool CProfessionalFatRecovery::ReadSector(uint64_t sector, std::vector<uint8_t>& out) {
    if (!opened_ || sector >= MediumEnd()) return false;
    out.assign(sectorSize_, 0);
    uint32_t got = 0;
    reader_.ReadSectors(1, out.data(), sector, sectorSize_, got);
    return got == 1;
}

bool CProfessionalFatRecovery::ReadClusterHead(int geometry, uint32_t cluster, std::vector<uint8_t>& out) {
    if (geometry < 0 || static_cast<size_t>(geometry) >= geometries_.size()) return false;
    const auto sector = geometries_[static_cast<size_t>(geometry)].ClusterSector(cluster);
    return sector && ReadSector(*sector, out);
}

bool CProfessionalFatRecovery::DotDotOf(int geometry, uint32_t cluster, uint32_t& parent) {
    if (cluster < 2 || !ReadClusterHead(geometry, cluster, scratch_)) return false;
    const ByteView b(scratch_.data(), scratch_.size());
    if (IsVolumeLabelAttr(b.u8(11)) || !beginsWithDotPair(scratch_)) return false;
    parent = RootOr(DecodeDirEntry(b.sub(32, kDirEntryBytes)).cluster(true));
    return true;
}

uint32_t CProfessionalFatRecovery::FolderLevel(int geometry, uint32_t cluster) {
    cluster = RootOr(cluster);
    if (IsRoot(cluster)) return 0;
    auto keyOf = [&](uint32_t c) { return (static_cast<uint64_t>(static_cast<uint32_t>(geometry + 1)) << 32) | c; };
    if (auto it = levels_.find(keyOf(cluster)); it != levels_.end()) return it->second;
    // Folders are filed where their ".." leads; one whose first sector names no parent, or
    // that lies on a loop of ".." entries, is filed in the root.
    std::vector<uint32_t> path;
    std::unordered_map<uint32_t, size_t> positions;  // where each folder stands in the path
    uint32_t above = 0;       // levels above the last folder of the path
    size_t loop = SIZE_MAX;   // where a loop of ".." entries begins in the path
    uint32_t current = cluster;
    for (;;) {
        if (IsRoot(current)) break;
        if (auto it = levels_.find(keyOf(current)); it != levels_.end()) {
            above = it->second;
            break;
        }
        if (const auto seen = positions.find(current); seen != positions.end()) {
            loop = seen->second;
            break;
        }
        if (path.size() >= kMaxFolderDepth) break;
        positions.emplace(current, path.size());
        path.push_back(current);
        uint32_t parent = 0;
        if (!DotDotOf(geometry, current, parent)) break;
        current = parent;
    }
    if (levels_.size() >= kMaxCachedLevels) levels_.clear();
    // Every folder of the path learns its level; the folders of a loop each sit in the root.
    const size_t top = loop == SIZE_MAX ? path.size() : loop + 1;
    for (size_t i = 0; i < path.size(); ++i)
        levels_[keyOf(path[i])] = i < top ? static_cast<uint32_t>(top - i) + (loop == SIZE_MAX ? above : 0) : 1;
    return levels_[keyOf(cluster)];
}

ParentKey CProfessionalFatRecovery::KeyFor(int geometry, uint32_t directory) {
    directory = RootOr(directory);
    if (IsRoot(directory)) return ParentKey::make(static_cast<int32_t>(rootCluster_), 0);
    return ParentKey::make(static_cast<int32_t>(directory), FolderLevel(geometry, directory));
}

uint16_t CProfessionalFatRecovery::FindFolderHighWord(int geometry, uint16_t low) {
    if (!fat32_ || geometry < 0) return 0;
    for (uint32_t high = 0; high <= kMaxHighWord; ++high) {
        const uint32_t cluster = (high << 16) | low;
        if (cluster < 2) continue;
        if (!ReadClusterHead(geometry, cluster, scratch_)) break;
        if (beginsWithDotPair(scratch_)) return static_cast<uint16_t>(high);
    }
    return 0;
}

uint16_t CProfessionalFatRecovery::FindFileHighWord(int geometry, uint16_t low, const std::string& extension) {
    if (!fat32_ || geometry < 0 || extension.empty()) return 0;
    const profat::FatGeometry& g = geometries_[static_cast<size_t>(geometry)];
    for (uint32_t high = 0; high <= kMaxHighWord; ++high) {
        const uint32_t cluster = (high << 16) | low;
        if (cluster < 2) continue;
        if (!ReadClusterHead(geometry, cluster, scratch_)) break;
        if (MatchesExtension(scratch_.data(), scratch_.size(), extension, reader_, sectorSize_,
                             *g.ClusterSector(cluster)) == 1)
            return static_cast<uint16_t>(high);
    }
    return 0;
}

int CProfessionalFatRecovery::CheckContent(int geometry, const std::string& name, uint32_t cluster, uint64_t size) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return 1;
    if (geometry < 0) return 1;
    const auto sector = geometries_[static_cast<size_t>(geometry)].ClusterSector(cluster);
    // A file with data whose first cluster lies off the medium cannot be recovered.
    if (cluster < 2 || !sector || *sector >= MediumEnd()) return size == 0 ? 1 : 0;
    std::vector<uint8_t> bytes;
    if (!ReadSector(*sector, bytes)) return 1;
    return MatchesExtension(bytes.data(), bytes.size(), name.substr(dot + 1), reader_, sectorSize_, *sector);
}

}  // namespace qm

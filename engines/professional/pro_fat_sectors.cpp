// The per-sector handlers: subdirectory heads teach where clusters lie, other directory
// sectors are placed by a name they continue, by the directory cluster being read, or by a
// geometry; what cannot be placed yet is held.
#include "engines/fat/fat_dir_entry.h"
#include "engines/professional/pro_fat_directory_sector.h"
#include "engines/professional/professional_fat_recovery.h"

namespace qm {
namespace {

bool dotPairAt(const std::vector<uint8_t>& s) {
    const ByteView b(s.data(), s.size());
    return b.u8(0) == '.' && b.u8(1) == ' ' && b.u8(32) == '.' && b.u8(33) == '.';
}

// Whether `first` (the first entry of a later sector) goes on with the long name whose last
// collected part is `last`: the same checksum and, when neither is deleted, the next part.
bool continuesName(ByteView last, ByteView first, uint8_t checksum, bool closeEnough) {
    const uint8_t attr = first.u8(11);
    if (first.u8(0) == 0) return false;
    if (attr == kFatAttrLongName) {
        if (first.u8(13) != checksum) return false;
        if (last.u8(0) == kFatDeletedMark || first.u8(0) == kFatDeletedMark) return true;
        return (first.u8(0) & 0x40) == 0 && (first.u8(0) & 0x3F) + 1 == (last.u8(0) & 0x3F);
    }
    if (first.u8(0) == kFatDeletedMark) return closeEnough || profat::ShortNameChecksum(first) == checksum;
    // A live short entry ends the name only after its first part.
    if (last.u8(0) != kFatDeletedMark && (last.u8(0) & 0x3F) != 1) return false;
    return profat::ShortNameChecksum(first) == checksum;
}

}  // namespace

void CProfessionalFatRecovery::OnSubdirectoryHead(const uint8_t* sector, uint64_t absoluteSector) {
    if (!sector || !store_ || InFixedRootRead(absoluteSector)) return;
    const ByteView head(sector, sectorSize_);
    const uint32_t cluster = DecodeDirEntry(head.sub(0, kDirEntryBytes)).cluster(true);
    int geometry = geometries_.ByExactStart(absoluteSector, cluster);
    if (geometry < 0 && cluster >= 2) {
        geometries_.AddSighting({cluster, absoluteSector}, areaStart_);
        geometry = geometries_.ByExactStart(absoluteSector, cluster);
    }
    profat::DirBuffer buffer;
    buffer.Append(sector, sectorSize_, absoluteSector, sectorSize_);
    const uint32_t directory = ParseAndKeepTail(geometry, buffer, cluster);
    // The rest of this cluster follows the head on the medium.
    if (geometry >= 0)
        StartRun(geometry, directory, absoluteSector, geometries_[static_cast<size_t>(geometry)].sectorsPerCluster,
                 absoluteSector);
    else
        run_.active = false;
}

void CProfessionalFatRecovery::OnDirectorySector(const uint8_t* sector, uint64_t absoluteSector) {
    // A fixed root read whole from its boot sector is not listed again.
    if (!sector || !store_ || InFixedRootRead(absoluteSector)) return;
    if (const int index = FragmentContinuedBy(sector, absoluteSector); index >= 0) {
        JoinFragment(static_cast<size_t>(index), sector, absoluteSector);
        return;
    }
    if (run_.active && absoluteSector > run_.lastSector) {
        const bool inCluster = absoluteSector < run_.clusterFirst + run_.clusterSectors;
        // A directory read in one go goes on into the next cluster on the medium.
        const bool nextCluster = absoluteSector == run_.lastSector + 1 && run_.directory >= 2 &&
                                 absoluteSector == run_.clusterFirst + run_.clusterSectors;
        if (inCluster || nextCluster) {
            if (nextCluster) run_.clusterFirst = absoluteSector;
            run_.lastSector = absoluteSector;
            profat::DirBuffer buffer;
            buffer.Append(sector, sectorSize_, absoluteSector, sectorSize_);
            ParseAndKeepTail(run_.geometry, buffer, run_.directory);
            return;
        }
    }
    if (PlaceByGeometry(sector, absoluteSector, false)) return;
    run_.active = false;
    Hold(sector, absoluteSector);
}

void CProfessionalFatRecovery::StartRun(int geometry, uint32_t directory, uint64_t clusterFirst,
                                        uint32_t clusterSectors, uint64_t sector) {
    run_.active = true;
    run_.geometry = geometry;
    run_.directory = directory;
    run_.clusterFirst = clusterFirst;
    run_.clusterSectors = clusterSectors;
    run_.lastSector = sector;
}

bool CProfessionalFatRecovery::FixedRootAllowed(int geometry) const {
    // A boot sector that says FAT32 has no fixed root; without one it may be FAT12/16.
    return !(bootGeometry_ && geometry == 0 && fat32_);
}

bool CProfessionalFatRecovery::PlaceByGeometry(const uint8_t* sector, uint64_t absoluteSector, bool insideCluster) {
    for (size_t i = 0; i < geometries_.size(); ++i) {
        const int geometry = static_cast<int>(i);
        const profat::FatGeometry& g = geometries_[i];
        profat::DirBuffer buffer;
        buffer.Append(sector, sectorSize_, absoluteSector, sectorSize_);
        if (FixedRootAllowed(geometry) && g.Contains(0, absoluteSector)) {
            const uint32_t directory = ParseAndKeepTail(geometry, buffer, 0);
            StartRun(geometry, directory, *g.ClusterSector(0), g.rootSectors, absoluteSector);
            return true;
        }
        const uint64_t dataArea = g.dataAreaStart();
        if (absoluteSector < dataArea) continue;
        const uint64_t index = (absoluteSector - dataArea) / g.sectorsPerCluster;
        if (index > UINT32_MAX - 2) continue;
        const uint32_t cluster = static_cast<uint32_t>(index + 2);
        const uint64_t clusterFirst = dataArea + index * g.sectorsPerCluster;
        if (clusterFirst != absoluteSector) {
            if (!insideCluster || !ReadSector(clusterFirst, scratch_) || !dotPairAt(scratch_)) continue;
        }
        const uint32_t directory = ParseAndKeepTail(geometry, buffer, cluster);
        StartRun(geometry, directory, clusterFirst, g.sectorsPerCluster, absoluteSector);
        return true;
    }
    return false;
}

int CProfessionalFatRecovery::FragmentContinuedBy(const uint8_t* sector, uint64_t absoluteSector) const {
    const ByteView first(sector, kDirEntryBytes);
    // The newest fragment first: a name goes on in the sector read next.
    for (size_t k = fragments_.size(); k-- > 0;) {
        const profat::NameFragment& f = fragments_[k];
        if (f.sector == absoluteSector || f.entries.Entries() == 0) continue;
        const uint32_t perCluster =
            f.geometry >= 0 ? geometries_[static_cast<size_t>(f.geometry)].sectorsPerCluster : 1;
        const bool close = absoluteSector > f.sector && absoluteSector - f.sector < perCluster;
        const ByteView last(f.entries.bytes.data() + f.entries.bytes.size() - kDirEntryBytes, kDirEntryBytes);
        if (continuesName(last, first, f.checksum, close)) return static_cast<int>(k);
    }
    return -1;
}

bool CProfessionalFatRecovery::HeldContinues(const profat::NameFragment& f, uint64_t heldSector,
                                             const uint8_t* bytes) const {
    if (heldSector == f.sector || f.entries.Entries() == 0) return false;
    if (f.geometry >= 0 && !geometries_[static_cast<size_t>(f.geometry)].Contains(f.directory, heldSector))
        return false;
    const ByteView last(f.entries.bytes.data() + f.entries.bytes.size() - kDirEntryBytes, kDirEntryBytes);
    return continuesName(last, ByteView(bytes, kDirEntryBytes), f.checksum, false);
}

void CProfessionalFatRecovery::JoinFragment(size_t index, const uint8_t* sector, uint64_t absoluteSector) {
    profat::NameFragment fragment = std::move(fragments_[index]);
    fragments_.erase(fragments_.begin() + static_cast<ptrdiff_t>(index));
    profat::DirBuffer buffer = std::move(fragment.entries);
    buffer.Append(sector, sectorSize_, absoluteSector, sectorSize_);
    const uint32_t directory = ParseAndKeepTail(fragment.geometry, buffer, fragment.directory);
    if (fragment.geometry < 0) {
        run_.active = false;
        return;
    }
    // Later sectors of this cluster belong to the same directory.
    const profat::FatGeometry& g = geometries_[static_cast<size_t>(fragment.geometry)];
    if (g.Contains(0, absoluteSector) && FixedRootAllowed(fragment.geometry)) {
        StartRun(fragment.geometry, directory, *g.ClusterSector(0), g.rootSectors, absoluteSector);
    } else if (absoluteSector >= g.dataAreaStart()) {
        const uint64_t clusterFirst =
            absoluteSector - (absoluteSector - g.dataAreaStart()) % g.sectorsPerCluster;
        StartRun(fragment.geometry, directory, clusterFirst, g.sectorsPerCluster, absoluteSector);
    }
}

void CProfessionalFatRecovery::KeepFragment(profat::NameFragment fragment) {
    // A sector held earlier may be the continuation; joining can leave a new tail, so go on
    // until nothing continues. Each held sector is used once, which bounds the loop.
    for (;;) {
        // Only sectors that can hold the continuation are looked at: the directory cluster
        // under the fragment's geometry, or the cluster's worth of sectors after it.
        uint64_t from = fragment.sector + 1;
        uint64_t to = fragment.sector < UINT64_MAX - 129 ? fragment.sector + 129 : UINT64_MAX;
        if (fragment.geometry >= 0) {
            const profat::FatGeometry& g = geometries_[static_cast<size_t>(fragment.geometry)];
            const auto first = g.ClusterSector(fragment.directory);
            if (!first) break;
            from = *first;
            to = *first < UINT64_MAX - 256 ? *first + g.DirectorySectors(fragment.directory) : UINT64_MAX;
        }
        auto found = held_.end();
        for (auto it = held_.lower_bound(from); it != held_.end() && it->first < to; ++it) {
            if (HeldContinues(fragment, it->first, it->second.bytes.data())) {
                found = it;
                break;
            }
        }
        if (found == held_.end()) break;
        const std::vector<uint8_t> bytes = std::move(found->second.bytes);
        const uint64_t sector = found->first;
        heldBytes_ -= bytes.size();
        held_.erase(found);
        profat::DirBuffer buffer = std::move(fragment.entries);
        buffer.Append(bytes.data(), bytes.size(), sector, sectorSize_);
        std::optional<profat::NameFragment> tail;
        ParseBuffer(fragment.geometry, buffer, fragment.directory, tail);
        if (!tail) return;
        fragment = std::move(*tail);
    }
    if (fragments_.size() >= profat::kMaxNameFragments) fragments_.pop_front();
    fragments_.push_back(std::move(fragment));
}

void CProfessionalFatRecovery::Hold(const uint8_t* sector, uint64_t absoluteSector) {
    if (held_.count(absoluteSector)) return;
    // The oldest held sectors make room: the medium is read in ascending order.
    while (!held_.empty() && heldBytes_ + sectorSize_ > profat::kMaxHeldBytes) {
        heldBytes_ -= held_.begin()->second.bytes.size();
        held_.erase(held_.begin());
    }
    if (sectorSize_ > profat::kMaxHeldBytes) return;
    held_[absoluteSector].bytes.assign(sector, sector + sectorSize_);
    heldBytes_ += sectorSize_;
}

}  // namespace qm

// The fixed root of a FAT12/16 volume whose boot sector was met in the pass. Its sectors have
// no "." entries to place them, and a geometry learned earlier (another volume's) may take
// them for its own clusters; the boot sector says exactly where they are, so they are read
// there, once, under that volume's geometry, and the pass leaves them alone afterwards.
#include <algorithm>

#include "engines/fat/fat_dir_entry.h"
#include "engines/professional/professional_fat_recovery.h"

namespace qm {

bool CProfessionalFatRecovery::InFixedRootRead(uint64_t sector) const {
    return std::any_of(rootsRead_.begin(), rootsRead_.end(),
                       [sector](const auto& root) { return sector >= root.first && sector < root.second; });
}

void CProfessionalFatRecovery::ReadFixedRoot(int geometry, const qm::FatGeometry& decoded) {
    if (!store_ || geometry < 0 || static_cast<size_t>(geometry) >= geometries_.size()) return;
    const profat::FatGeometry& g = geometries_[static_cast<size_t>(geometry)];
    const auto first = g.ClusterSector(0);
    const uint64_t end = std::min(scanEnd_, MediumEnd());
    if (!first || *first >= end || InFixedRootRead(*first)) return;
    // The boot sector's entry count bounds the root; what runs past the area is cut.
    const uint64_t rootBytes = uint64_t{decoded.rootEntries} * kDirEntryBytes;
    const uint64_t wanted =
        std::min<uint64_t>({g.rootSectors, (rootBytes + sectorSize_ - 1) / sectorSize_, end - *first});
    if (wanted == 0) return;
    std::vector<uint8_t> bytes(static_cast<size_t>(wanted) * sectorSize_, 0);
    uint32_t got = 0;
    reader_.ReadSectors(static_cast<uint32_t>(wanted), bytes.data(), *first, sectorSize_, got);
    if (got == 0) return;
    rootsRead_.emplace_back(*first, *first + got);
    profat::DirBuffer buffer;
    buffer.Append(bytes.data(), static_cast<size_t>(std::min<uint64_t>(uint64_t{got} * sectorSize_, rootBytes)), *first,
                  sectorSize_);
    ParseAndKeepTail(geometry, buffer, 0, true);
}

}  // namespace qm

#include "engines/ntfs/ntfs_content_check.h"

#include "engines/carving/matches_extension.h"

namespace qm {

int ntfsContentMatches(ByteView bytes, const std::string& extension, SectorReader& reader, uint32_t sectorSize,
                       uint64_t sector) {
    return MatchesExtension(bytes.data(), bytes.size(), extension, reader, sectorSize, sector) == 1 ? 1 : 0;
}

}  // namespace qm

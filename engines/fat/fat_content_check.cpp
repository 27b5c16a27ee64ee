#include "engines/fat/fat_content_check.h"

#include <vector>

#include "engines/carving/matches_extension.h"

namespace qm {

int ContentMatchesExtension(ByteView firstSector, const std::string& extension, FatVolume& volume,
                            uint64_t sector) {
    return MatchesExtension(firstSector.data(), firstSector.size(), extension, volume.reader, volume.sectorSize(),
                            sector);
}

int CheckContent(FatVolume& volume, const std::string& name, uint32_t firstCluster, uint64_t size) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return 1;
    if (!volume.IsDataCluster(firstCluster)) return size == 0 ? 1 : 0;
    std::vector<uint8_t> bytes(volume.sectorSize());
    const uint64_t sector = volume.ClusterSector(firstCluster);
    uint32_t got = 0;
    volume.Read(sector, 1, bytes.data(), got);
    if (got == 0) return 1;
    return ContentMatchesExtension(ByteView(bytes.data(), bytes.size()), name.substr(dot + 1), volume, sector);
}

}  // namespace qm

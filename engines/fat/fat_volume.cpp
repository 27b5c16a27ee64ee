#include "engines/fat/fat_volume.h"

#include <algorithm>

#include "platform/errors.h"

namespace qm {

void FatVolume::Describe(const FatGeometry& g, uint64_t startSector, uint64_t mediumSectors) {
    geometry = g;
    start = startSector;
    sectors = std::min<uint64_t>(g.totalSectors, mediumSectors);

    // Entries the first table has room for.
    const uint64_t tableBytes = static_cast<uint64_t>(g.sectorsPerFat) * g.bytesPerSector;
    uint64_t tableEntries = g.fatBits == 32 ? tableBytes / 4 : g.fatBits == 16 ? tableBytes / 2 : tableBytes * 2 / 3;
    uint64_t highest = std::min<uint64_t>(static_cast<uint64_t>(g.clusterCount) + 1, tableEntries ? tableEntries - 1 : 0);
    // Clusters that start beyond the readable volume are outside it.
    if (sectors <= g.dataStart)
        highest = 1;
    else
        highest = std::min<uint64_t>(highest, (sectors - g.dataStart - 1) / g.sectorsPerCluster + 2);
    const uint64_t ceiling = g.fatBits == 32 ? 0x0FFFFFF6 : g.fatBits == 16 ? 0xFFF6 : 0xFF6;
    maxCluster = static_cast<uint32_t>(std::max<uint64_t>(1, std::min(highest, ceiling)));
}

uint64_t FatVolume::ClusterSector(uint32_t cluster) const {
    if (cluster < 2) return RootDirSector();
    return start + geometry.dataStart + static_cast<uint64_t>(cluster - 2) * geometry.sectorsPerCluster;
}

int FatVolume::Read(uint64_t sector, uint32_t count, void* buffer, uint32_t& got) {
    got = 0;
    if (sector < start || sector >= End()) return kErrorInvalidParameter;
    const uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(count, End() - sector));
    if (wanted == 0) return count == 0 ? 0 : kErrorReadFault;
    const int rc = reader.ReadSectorsWithin(wanted, buffer, sector, sectorSize(), got);
    if (rc != 0) return rc == kErrorInvalidParameter && got == 0 ? kErrorReadFault : rc;
    if (got == wanted && wanted < count) return kErrorHandleEof;  // the medium ends inside the range
    return got < count ? kErrorReadFault : 0;
}

}  // namespace qm

#include "engines/professional/pro_fat_geometry.h"

#include <algorithm>

namespace qm::profat {

std::optional<uint64_t> FatGeometry::ClusterSector(uint32_t cluster) const {
    const uint64_t area = dataAreaStart();
    if (area < volumeStart) return std::nullopt;  // wrapped
    if (cluster < 2) {
        if (area - volumeStart < rootSectors) return std::nullopt;
        return area - rootSectors;
    }
    // At most 2^32 clusters of 128 sectors: far below the 64-bit limit, except for an area
    // start near the top of the range.
    const uint64_t offset = static_cast<uint64_t>(cluster - 2) * sectorsPerCluster;
    if (offset > UINT64_MAX - area) return std::nullopt;
    return area + offset;
}

bool FatGeometry::Contains(uint32_t cluster, uint64_t sector) const {
    const auto first = ClusterSector(cluster);
    return first && sector >= *first && sector - *first < DirectorySectors(cluster);
}

std::optional<FatGeometry> GeometryFromSightings(const ClusterSighting& one, const ClusterSighting& two,
                                                 uint64_t areaStart) {
    // The larger cluster goes with the larger sector.
    const ClusterSighting& hi = one.sector >= two.sector ? one : two;
    const ClusterSighting& lo = one.sector >= two.sector ? two : one;
    if (hi.cluster <= lo.cluster || lo.cluster < 2) return std::nullopt;
    const uint64_t sectors = hi.sector - lo.sector;
    const uint64_t clusters = hi.cluster - lo.cluster;
    if (sectors % clusters != 0) return std::nullopt;
    const uint64_t perCluster = sectors / clusters;
    if (perCluster == 0 || perCluster > 128 || (perCluster & (perCluster - 1)) != 0) return std::nullopt;
    const uint64_t before = static_cast<uint64_t>(lo.cluster - 2) * perCluster;
    if (before > lo.sector) return std::nullopt;
    const uint64_t dataAreaStart = lo.sector - before;
    if (dataAreaStart < areaStart || dataAreaStart - areaStart > UINT32_MAX) return std::nullopt;
    FatGeometry g;
    g.sectorsPerCluster = static_cast<uint32_t>(perCluster);
    g.volumeStart = areaStart;
    g.dataStart = static_cast<uint32_t>(dataAreaStart - areaStart);
    return g;
}

void FatGeometryList::Clear() {
    geometries_.clear();
    sightings_.clear();
}

int FatGeometryList::Add(const FatGeometry& g) {
    const auto known = std::find(geometries_.begin(), geometries_.end(), g);
    if (known != geometries_.end()) return static_cast<int>(known - geometries_.begin());
    if (geometries_.size() >= kMaxGeometries) return -1;
    geometries_.push_back(g);
    return static_cast<int>(geometries_.size() - 1);
}

int FatGeometryList::AddSighting(const ClusterSighting& s, uint64_t areaStart) {
    int added = -1;
    for (const ClusterSighting& earlier : sightings_) {
        if (auto g = GeometryFromSightings(s, earlier, areaStart)) {
            added = Add(*g);
            break;
        }
    }
    // Once full, new sightings still pair with the kept ones but are not kept themselves.
    if (sightings_.size() < kMaxSightings) sightings_.push_back(s);
    return added;
}

int FatGeometryList::ByExactStart(uint64_t sector, uint32_t cluster) const {
    for (size_t i = 0; i < geometries_.size(); ++i) {
        const auto first = geometries_[i].ClusterSector(cluster);
        if (cluster >= 2 && first && *first == sector) return static_cast<int>(i);
    }
    return -1;
}

int FatGeometryList::ByContainment(uint64_t sector, uint32_t cluster) const {
    for (size_t i = 0; i < geometries_.size(); ++i)
        if (geometries_[i].Contains(cluster, sector)) return static_cast<int>(i);
    return -1;
}

int FatGeometryList::ForWaitingFile(uint64_t sector, bool firstIsBoot) const {
    if (geometries_.empty()) return -1;
    const size_t from = firstIsBoot && geometries_.size() >= 2 ? 1 : 0;
    int best = -1;
    for (size_t i = from; i < geometries_.size(); ++i) {
        const uint64_t start = geometries_[i].dataAreaStart();
        if (start > sector) continue;
        if (best < 0 || start > geometries_[static_cast<size_t>(best)].dataAreaStart()) best = static_cast<int>(i);
    }
    return best >= 0 ? best : 0;
}

}  // namespace qm::profat

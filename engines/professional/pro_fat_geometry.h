// Where a formatted FAT volume's clusters lie, learned from "." entries seen on the medium
// rather than from a boot sector that may be gone or describe a newer volume.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace qm::profat {

// The layout of one volume's data area.
struct FatGeometry {
    static constexpr uint32_t kFixedRootSectors = 32;

    uint32_t sectorsPerCluster = 1;
    uint32_t dataStart = 0;    // sectors from the volume start to cluster 2
    uint64_t volumeStart = 0;  // absolute sector
    // Sectors of the fixed FAT12/16 root just before the data area: 32 unless a boot
    // sector says otherwise.
    uint32_t rootSectors = kFixedRootSectors;

    uint64_t dataAreaStart() const { return volumeStart + dataStart; }
    // The first sector of a cluster; cluster 0 (and 1) is the fixed FAT12/16 root directory
    // just before the data area. Empty when the arithmetic leaves the
    // 64-bit range or the root would start before sector 0.
    std::optional<uint64_t> ClusterSector(uint32_t cluster) const;
    // Sectors the directory cluster spans: the fixed root is 32 sectors long.
    uint32_t DirectorySectors(uint32_t cluster) const { return cluster < 2 ? rootSectors : sectorsPerCluster; }
    // Whether the cluster's sectors contain `sector`.
    bool Contains(uint32_t cluster, uint64_t sector) const;

    friend bool operator==(const FatGeometry&, const FatGeometry&) = default;
};

// A cluster number and the absolute sector at which its first sector was seen.
struct ClusterSighting {
    uint32_t cluster = 0;
    uint64_t sector = 0;
};

// The geometry two sightings imply, for a volume starting at `areaStart`: the sector and
// cluster distances must give a power of two up to 128 sectors per cluster, and cluster 2
// must not fall before the area.
std::optional<FatGeometry> GeometryFromSightings(const ClusterSighting& one, const ClusterSighting& two,
                                                 uint64_t areaStart);

// The geometries of a scan, in the order they were learned, with the sightings that have
// not paired yet. Both lists are bounded: a medium full of stray "." entries must not make
// every new sighting cost more than a fixed amount.
class FatGeometryList {
public:
    static constexpr size_t kMaxGeometries = 64;
    static constexpr size_t kMaxSightings = 1024;

    void Clear();
    // Adds a geometry unless an equal one is known or the list is full; its index, or -1.
    int Add(const FatGeometry& g);
    // Pairs the sighting with the earlier ones (the first pair that gives a geometry adds
    // it), then keeps it. The index of the geometry added, or -1.
    int AddSighting(const ClusterSighting& s, uint64_t areaStart);

    // The first geometry under which the cluster's first sector is exactly `sector`.
    int ByExactStart(uint64_t sector, uint32_t cluster) const;
    // The first geometry under which the cluster's sectors contain `sector`.
    int ByContainment(uint64_t sector, uint32_t cluster) const;
    // For a file seen before any geometry: the geometry whose data area starts at or below
    // the entry's sector and nearest to it (a boot geometry left out when there are others),
    // else the first one; -1 when there is none.
    int ForWaitingFile(uint64_t sector, bool firstIsBoot) const;

    size_t size() const { return geometries_.size(); }
    bool empty() const { return geometries_.empty(); }
    const FatGeometry& operator[](size_t i) const { return geometries_[i]; }
    const std::vector<FatGeometry>& all() const { return geometries_; }
    const std::vector<ClusterSighting>& sightings() const { return sightings_; }

private:
    std::vector<FatGeometry> geometries_;
    std::vector<ClusterSighting> sightings_;
};

}  // namespace qm::profat

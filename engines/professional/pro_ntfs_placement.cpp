#include "engines/professional/pro_ntfs_placement.h"

#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_record.h"

namespace qm {
namespace {

// Hostile deltas may sum past the range of a signed value: add them modulo 2^64.
int64_t addDelta(int64_t cluster, int64_t delta) {
    return static_cast<int64_t>(static_cast<uint64_t>(cluster) + static_cast<uint64_t>(delta));
}

constexpr uint64_t kMaxClusterBytes = 2u << 20;

// The covering run of a virtual sector: its virtual start and its start cluster.
bool coveringRun(uint64_t v, const RunList& runs, uint64_t spc, uint64_t& vstart, int64_t& cluster) {
    vstart = 0;
    cluster = 0;
    for (const DataRun& run : runs) {
        cluster = addDelta(cluster, run.lcnDelta);
        if (run.lengthClusters == 0) return v >= vstart;
        const uint64_t runSectors = run.lengthClusters * spc;
        if (v >= vstart && v - vstart < runSectors) return !run.sparse;
        vstart += runSectors;
    }
    return false;
}

}  // namespace

int32_t inferSectorsPerCluster(ByteView record, uint32_t recordBytes, uint32_t bytesPerSector) {
    if (bytesPerSector == 0 || recordFirstAttribute(record) >= recordBytes) return 0;
    constexpr AttributeWalkRules rules{false, true, false, true, false};
    int32_t spc = 0;
    walkAttributes(record, recordFirstAttribute(record), recordBytes, rules, [&](const NtfsAttribute& a) {
        if (a.type != kAttrData) return true;
        if (a.nonResident) {
            RunList runs;
            NtfsVolumeGeometry unused;
            decodeRuns(a.bytes, unused, runs);
            const uint64_t clusters = totalClusters(runs);
            if (clusters != 0) {
                const uint64_t value = (a.allocatedSize() / bytesPerSector) / clusters;
                if (value != 0 && (value & (value - 1)) == 0 && value * bytesPerSector <= kMaxClusterBytes)
                    spc = static_cast<int32_t>(value);
            }
        }
        return false;
    });
    return spc;
}

bool mapRecordNumber(uint64_t number, const RunList& runs, uint32_t recordSectors, uint32_t sectorsPerCluster,
                     uint64_t& relativeSector) {
    if (sectorsPerCluster == 0 || number > (UINT64_MAX >> 8)) return false;
    const uint64_t v = number * recordSectors;
    uint64_t vstart = 0;
    int64_t cluster = 0;
    if (!coveringRun(v, runs, sectorsPerCluster, vstart, cluster)) return false;
    relativeSector = static_cast<uint64_t>(cluster) * sectorsPerCluster + (v - vstart);
    return true;
}

void MftMap::enter(uint64_t sector, RunList runs) {
    if (runs.empty()) return;
    if (entries_.size() >= kMaxEntries && entries_.find(sector) == entries_.end()) return;
    entries_[sector] = std::make_shared<const RunList>(std::move(runs));
}

RecordPlacement MftMap::place(uint64_t number, uint64_t sector, uint32_t recordSectors, uint32_t spc,
                              uint64_t areaStart) const {
    const uint64_t v = number * recordSectors;
    if (spc != 0 && number <= (UINT64_MAX >> 8)) {
        for (const auto& [k, runs] : entries_) {
            uint64_t vstart = 0;
            int64_t cluster = 0;
            if (!coveringRun(v, *runs, spc, vstart, cluster)) continue;
            const int64_t first = runs->front().lcnDelta;
            const uint64_t predicted = k + (v - vstart) + (static_cast<uint64_t>(cluster) - static_cast<uint64_t>(first)) * spc;
            if (predicted != sector) continue;
            const uint64_t firstSectors = static_cast<uint64_t>(first) * spc;
            if (first < 0 || firstSectors > k) continue;  // a volume starting before sector 0
            return {first == 0 ? areaStart : k - firstSectors, runs};
        }
    }
    RecordPlacement p;
    p.partitionStart = areaStart;
    if (spc == 0 || number > (UINT64_MAX >> 8) || sector < areaStart || sector - areaStart < v) return p;
    // Sector distance from the area start to this MFT's record 0.
    const uint64_t mftStart = sector - areaStart - v;
    DataRun run;
    run.lengthClusters = 0;
    run.lcnDelta = static_cast<int64_t>(mftStart / spc);
    p.partitionStart = areaStart + mftStart % spc;
    p.mftRuns = std::make_shared<const RunList>(RunList{run});
    return p;
}

}  // namespace qm

namespace qm {

int32_t guessSectorsPerCluster(uint64_t sectorCount, uint32_t bytesPerSector) {
    const double mib = static_cast<double>(sectorCount) * bytesPerSector / (1024.0 * 1024.0);
    const double d = bytesPerSector / 512.0;
    if (mib <= 7 * d) return 8;
    if (mib <= 512 * d) return 1;
    if (mib <= 1024 * d) return 2;
    if (mib <= 2048 * d) return 4;
    return 8;
}

}  // namespace qm

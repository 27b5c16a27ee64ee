#include "engines/fat/fat_item_runs.h"

#include <algorithm>

#include "engines/fat/fast_fat_recovery.h"
#include "engines/fat/fat_cluster_set.h"
#include "platform/errors.h"

namespace qm {

void FatChainRuns(const FatVolume& volume, FatTable& table, uint32_t firstCluster, uint64_t size,
                  std::vector<SourceRun>& runs) {
    const uint64_t clusterBytes = volume.clusterBytes();
    const uint64_t sectorSize = volume.sectorSize();
    if (clusterBytes == 0 || sectorSize == 0) return;
    ClusterRunSet passed;
    uint32_t cluster = firstCluster;
    uint64_t done = 0;
    // Bounded by the size and by the loop guard: each cluster is visited once.
    while (done < size && volume.IsDataCluster(cluster) && passed.Insert(cluster)) {
        const uint64_t sector = volume.ClusterSector(cluster);
        if (sector >= volume.End()) break;
        const uint64_t onMedium = (volume.End() - sector) * sectorSize;
        const uint64_t take = std::min({clusterBytes, size - done, onMedium});
        AppendSourceRun(runs, sector * sectorSize, take, done);
        done += take;
        if (take < clusterBytes && done < size) break;  // the medium ends inside this cluster
        cluster = table.NextCluster(cluster);
    }
}

int CFastFatRecovery::ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) {
    runs.clear();
    if (!opened_ || record.isFolder) return kErrorInvalidParameter;
    FatChainRuns(volume_, table_, static_cast<uint32_t>(record.fsId), record.size, runs);
    return 0;
}

}  // namespace qm

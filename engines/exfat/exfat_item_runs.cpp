#include "engines/exfat/exfat_item_runs.h"

#include <algorithm>

#include "engines/exfat/exfat_record.h"
#include "engines/exfat/fast_exfat_recovery.h"
#include "engines/fat/fat_cluster_set.h"
#include "platform/errors.h"

namespace qm {

int ExFatItemRuns(ExFatVolume& volume, const ScanRecord& record, std::vector<SourceRun>& runs) {
    runs.clear();
    if (record.isFolder) return kErrorInvalidParameter;
    ExFatDataPlace place;
    if (int rc = ExFatPlaceOf(volume, record, place); rc != 0) return rc;
    const uint64_t clusterBytes = volume.ClusterBytes();
    const uint64_t bytes = std::min(place.validLength, place.dataLength);
    ClusterRunSet passed;
    uint32_t cluster = place.firstCluster;
    uint64_t done = 0;
    // Bounded by the size, and for chains by the loop guard.
    while (done < bytes && volume.IsHeapCluster(cluster) && (place.contiguous || passed.Insert(cluster))) {
        const uint64_t at = volume.ClusterOffset(cluster);
        if (at >= volume.readableBytes) break;
        const uint64_t take = std::min({clusterBytes, bytes - done, volume.readableBytes - at});
        AppendSourceRun(runs, volume.startBytes + at, take, done);
        done += take;
        if (take < clusterBytes && done < bytes) break;
        cluster = place.contiguous ? cluster + 1 : volume.NextCluster(cluster);
    }
    return 0;
}

int CFastExFatRecovery::ItemRuns(const ScanRecord& record, std::vector<SourceRun>& runs) {
    if (!opened_) return kErrorInvalidHandle;
    return ExFatItemRuns(volume_, record, runs);
}

}  // namespace qm

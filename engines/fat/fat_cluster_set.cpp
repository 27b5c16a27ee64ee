#include "engines/fat/fat_cluster_set.h"

namespace qm {

bool ClusterRunSet::Contains(uint32_t cluster) const {
    auto it = runs_.upper_bound(cluster);
    if (it == runs_.begin()) return false;
    --it;
    return cluster <= it->second;
}

bool ClusterRunSet::Insert(uint32_t cluster) {
    auto after = runs_.upper_bound(cluster);
    if (after != runs_.begin()) {
        auto before = std::prev(after);
        if (cluster <= before->second) return false;
        if (before->second + 1 == cluster) {
            before->second = cluster;
            // Joins the following run when the gap closes.
            if (after != runs_.end() && after->first == cluster + 1) {
                before->second = after->second;
                runs_.erase(after);
            }
            return true;
        }
    }
    if (after != runs_.end() && after->first == cluster + 1) {
        const uint32_t last = after->second;
        runs_.erase(after);
        runs_.emplace(cluster, last);
        return true;
    }
    runs_.emplace(cluster, cluster);
    return true;
}

}  // namespace qm

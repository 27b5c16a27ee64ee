// The clusters a chain walk has passed, kept as runs: chains are mostly contiguous, so even a
// long file costs a few entries, and a loop is seen the moment a cluster comes round again.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>

namespace qm {

class ClusterRunSet {
public:
    bool Contains(uint32_t cluster) const;
    // False (and nothing changes) when the cluster is already in the set.
    bool Insert(uint32_t cluster);
    void Clear() { runs_.clear(); }
    size_t RunCount() const { return runs_.size(); }

private:
    std::map<uint32_t, uint32_t> runs_;  // first cluster -> last cluster, both included
};

}  // namespace qm

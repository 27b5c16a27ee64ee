// The breadth-first walk over a volume's directories: every folder whose entry still names
// a cluster is followed, every deleted file (or file in a deleted folder) becomes a record,
// and the folders on the way to such files are recorded at the end.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <unordered_set>
#include <vector>

#include "engines/fat/fat_cluster_probe.h"
#include "engines/fat/fat_table.h"
#include "engines/fat/fat_volume.h"
#include "results/scan_result_store.h"

namespace qm {

class FatDirectoryWalk {
public:
    // What every record carries besides the entry itself.
    struct Tags {
        uint16_t volumeTag = 0;
        uint64_t partitionStart = 0;
    };

    FatDirectoryWalk(FatVolume& volume, FatTable& table) : volume_(volume), table_(table), probe_(volume) {}

    // Starts a walk into `store` from the root directory.
    void Begin(ScanResultStore& store, const Tags& tags);
    bool HasPending() const { return !pending_.empty(); }
    // Parses the oldest pending directory unless it was parsed before.
    void Step();
    // Records the folders that lead to recorded files.
    void EmitFolders();

    uint32_t RootCluster() const { return volume_.geometry.isFat32() ? volume_.geometry.rootCluster : 0; }
    uint64_t FilesFound() const { return filesFound_; }
    uint32_t FolderLevel(uint32_t cluster) { return probe_.FolderLevel(cluster); }

private:
    struct Folder {
        ScanRecord record;
        uint32_t parent = 0;
    };
    struct Context;

    void ParseDirectory(uint32_t cluster);
    void OnFolderEntry(Context& ctx, ByteView entry);
    void OnFileEntry(Context& ctx, ByteView entry, uint64_t entrySector);
    void FillCommon(ScanRecord& record, ByteView entry, uint32_t cluster, const std::string& name) const;
    void MarkFoldersWithFiles(uint32_t folder);
    bool IsRoot(uint32_t cluster) const { return cluster == RootCluster() || cluster < 2; }

    FatVolume& volume_;
    FatTable& table_;
    FatClusterProbe probe_;
    ScanResultStore* store_ = nullptr;
    Tags tags_;
    std::deque<uint32_t> pending_;
    std::unordered_set<uint32_t> queued_;
    std::unordered_set<uint32_t> parsed_;
    std::map<uint32_t, Folder> folders_;
    std::vector<uint32_t> withFiles_;
    std::unordered_set<uint32_t> withFilesSet_;
    std::vector<uint8_t> buffer_;
    uint64_t filesFound_ = 0;
};

}  // namespace qm

// The breadth-first walk over an exFAT volume's folders: live and deleted folders are followed
// (each once), every deleted file and every file inside a deleted folder becomes a record, and
// the folders that lead to such files are recorded at the end.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <unordered_set>
#include <vector>

#include "engines/exfat/exfat_bitmap.h"
#include "engines/exfat/exfat_entry_set.h"
#include "engines/exfat/exfat_record.h"
#include "engines/exfat/exfat_volume.h"
#include "results/scan_result_store.h"

namespace qm {

class ExFatTreeWalk {
public:
    // No directory is read past this many bytes.
    static constexpr uint64_t kMaxDirectoryBytes = 256ull << 20;

    // bitmap: judges deleted files' clusters when it is loaded.
    ExFatTreeWalk(ExFatVolume& volume, const ExFatBitmap& bitmap) : volume_(volume), bitmap_(bitmap) {}

    // Starts a walk into `store` from the root directory.
    void Begin(ScanResultStore& store, const ExFatRecordTags& tags);
    bool HasPending() const { return !pending_.empty(); }
    // Reads the oldest pending folder unless it was read before.
    void Step();
    // Records the folders that lead to recorded files.
    void EmitFolders();

    uint32_t RootCluster() const { return volume_.boot.rootCluster; }
    uint64_t FilesFound() const { return filesFound_; }

private:
    struct Pending {
        uint32_t cluster = 0;
        uint32_t level = 0;       // 0 for the root
        uint64_t length = 0;      // bytes; 0: the whole chain
        bool contiguous = false;
        bool inDeleted = false;   // the folder is deleted or lies in a deleted folder
    };
    struct Folder {
        ScanRecord record;
        uint32_t parent = 0;
        uint32_t parentLevel = 0;
    };

    void ReadFolder(const Pending& folder);
    void OnFolder(const Pending& parent, const ExFatEntrySet& set, uint64_t entryOffset);
    void OnFile(const Pending& parent, const ExFatEntrySet& set, uint64_t entryOffset);
    int Condition(const ExFatEntrySet& set) const;
    void MarkFoldersWithFiles(uint32_t folder);

    ExFatVolume& volume_;
    const ExFatBitmap& bitmap_;
    ScanResultStore* store_ = nullptr;
    ExFatRecordTags tags_;
    std::deque<Pending> pending_;
    std::unordered_set<uint32_t> queued_;
    std::unordered_set<uint32_t> read_;
    std::map<uint32_t, Folder> folders_;
    std::vector<uint32_t> withFiles_;
    std::unordered_set<uint32_t> withFilesSet_;
    uint64_t filesFound_ = 0;
};

}  // namespace qm

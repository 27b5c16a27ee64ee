// The records an engine finds, kept on disk: the scan log (346-byte records back to back),
// the relation file (folder tree) and the folder-name file. Every listing and count is
// answered from these files, so a store re-opened later shows the same scan.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file.h"
#include "results/dir_info_entry.h"
#include "results/relation_file.h"
#include "results/scan_record.h"

namespace qm {

// Called with (user value, percent of the log read, 0) while listing by type; a nonzero
// result stops the listing, which then returns that value.
using StoreListProgress = std::function<int(void* user, int percent, int zero)>;

class ScanResultStore {
public:
    static constexpr uint32_t kBufferRecords = 200;
    static constexpr uint32_t kBufferBytes = kBufferRecords * kScanRecordBytes;  // 69200
    // Logs this large or larger list no "other" class: it would sweep up nearly everything.
    static constexpr uint64_t kOtherClassLimit = 128ull * 1024 * 1024;

    explicit ScanResultStore(uint64_t otherClassLimit = kOtherClassLimit);
    ~ScanResultStore();
    ScanResultStore(const ScanResultStore&) = delete;
    ScanResultStore& operator=(const ScanResultStore&) = delete;

    // Opens (creating when missing) the three files of a log in the current scan-log folder.
    int open(const std::wstring& logName);
    // The same in a given folder, created with its parents when missing. An existing log is
    // continued: new records follow the ones already in it.
    int openIn(const std::wstring& folder, const std::wstring& logName);

    // The slot for the next record, zero-filled; its recordNo is count() after the call.
    // The slot stays valid until the next appendRecord, flush or close.
    ScanRecord* appendRecord();
    // Files recordNo under parent; a folder whose name path building needs passes its name.
    void addChild(ParentKey parent, int32_t recordNo, int32_t fsId, const char* folderName = nullptr);
    // Writes pending records, then the relation and folder-name files.
    int flush();
    int close();

    // Direct children of a folder, damaged photos left out, sorted. Key 0 means the root
    // (the smallest key). Records are appended to out and the whole list is sorted.
    int listChildren(ParentKey parent, std::vector<ScanRecord>& out);
    // Files in a folder and all folders below it (damaged photos included).
    int countFiles(ParentKey parent, uint32_t& count);
    uint64_t foundCount() const { return static_cast<uint64_t>(count_); }
    int32_t count() const { return count_; }
    // The first folder record with this fsId in log order; 87 when there is none.
    int findFolderRecord(int32_t fsId, ScanRecord& out);
    // The folders above a record, nearest first.
    int collectAncestors(const ScanRecord& record, std::vector<ScanRecord>& out);
    // One step of that walk: the folder holding a record (found false at the root or when no
    // folder lists it).
    int parentFolder(int32_t recordNo, ScanRecord& folder, bool& found);
    // Changes whenever the folder tree may have changed: caches built on the tree compare it.
    uint64_t ancestorGeneration() const { return ancestorGeneration_; }
    // Files whose extension is in a pattern like "*.jpg|*.png|.other"; ".other" adds files of
    // unknown type and without extension. Appended to out, the whole list sorted.
    int listByType(const std::wstring& pattern, std::vector<ScanRecord>& out);
    void setListProgress(StoreListProgress fn, void* user);
    // For a scan continued after the process died: records written after the last flush of
    // the relation file belong to work the continuation does again, so they are dropped.
    // Call right after open; returns 0 or the error of cutting the log.
    int dropRecordsAfterLastFlush();

    const std::wstring& logPath() const { return logPath_; }
    const std::wstring& relationPath() const { return relationPath_; }
    const std::wstring& dirInfoPath() const { return dirInfoPath_; }
    const RelationMap& relations() const { return relations_; }
    const std::vector<DirInfoEntry>& dirInfo() const { return dirInfo_; }

private:
    int writeBuffer();
    int writeRelations();
    int writeDirInfo();
    int loadRelations();
    void loadDirInfo();
    // Children of a key (0 = the root); null when the key has none.
    const std::vector<int32_t>* childrenOf(ParentKey key) const;
    // Reads the given children from the log, runs of consecutive numbers in one read each;
    // visit(record) is called per record in order. Numbers outside the log are skipped.
    template <class Visit>
    int readChildren(const std::vector<int32_t>& children, Visit&& visit);
    // Streams the whole log in large chunks; visit(record) returns false to stop,
    // after(bytesRead, logBytes) after each chunk returns nonzero to stop with that value.
    template <class Visit, class After>
    int streamLog(Visit&& visit, After&& after);
    bool isDamagedPhoto(const ScanRecord& record) const;
    static void sortRecords(std::vector<ScanRecord>& records);

    uint32_t pending_ = 0;  // bytes waiting in buffer_
    int32_t count_ = 0;     // records in the log, those before open included
    uint64_t flushedBytes_ = 0;  // where the next buffer write goes in the log
    std::unique_ptr<ScanRecord[]> buffer_;
    int appendError_ = 0;   // a failed buffer write inside appendRecord, reported by flush
    ScanRecord overflowSlot_{};

    platform::File log_;
    platform::File relationFile_;
    platform::File dirInfoFile_;
    StoreListProgress listProgress_;
    void* listProgressUser_ = nullptr;
    std::wstring logPath_, relationPath_, dirInfoPath_;

    RelationMap relations_;
    bool relationsDirty_ = false;
    uint64_t relationFileBytes_ = 0;  // longest text the file has held: a shorter rewrite blanks the rest
    std::vector<DirInfoEntry> dirInfo_;
    size_t dirInfoWritten_ = 0;  // entries already in the folder-name file
    // collectAncestors' lookups: record -> the folder key holding it, folder id -> its name entry.
    void dropAncestorIndex();
    void buildAncestorIndex();
    bool ancestorIndexBuilt_ = false;
    // Unique across every store of the process, so a cache never mistakes one store for another.
    static uint64_t NextAncestorGeneration();
    uint64_t ancestorGeneration_ = NextAncestorGeneration();
    std::unordered_map<int32_t, ParentKey> parentOf_;
    std::unordered_map<int32_t, size_t> folderNameOf_;

    std::string knownTypes_;
    std::string photoList_;
    uint64_t otherClassLimit_;
    std::vector<uint8_t> readBuffer_;
};

}  // namespace qm

// The slots every engine answers from its result store: listing, counting, paths, listing by
// type. Each listing flushes first so the store's files hold everything found so far.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "engines/engine_callbacks.h"
#include "engines/null_engine.h"
#include "engines/source_engine.h"
#include "results/scan_result_store.h"

namespace qm {

class CStoreBackedEngine : public CNullEngine, public ISourceEngine {
public:
    // The slots that name a source open it and attach it; a front end that opened the source
    // itself calls AttachSource directly.
    int OpenImage(const std::wstring& imagePath, uint16_t sourceTag) override;
    int OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount, uint16_t driveLetter) override;
    // Engines that read a medium replace this; a store alone reads nothing.
    int AttachSource(const Source&) override { return 1; }  // ERROR_INVALID_FUNCTION

    int ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) override;
    int CountFiles(const ScanRecord* folder, int level, uint32_t& count) override;
    uint64_t GetFoundCount() override;
    int GetItemPath(const ScanRecord& record, std::wstring& path) override;
    // Kept for the store, whenever one is opened; 87 while no store is open.
    int SetListCallback(ListProgressFn listProgress, void* userData) override;
    int SetCallbacks(ScanProgressFn scanProgress, ItemProgressFn itemProgress, void* userData, int scale) override;
    void SetCoordinated(bool coordinated) override { coordinated_ = coordinated; }
    void FlushStore() override {
        if (store_) store_->flush();
    }
    int ListByType(const std::wstring& pattern, std::vector<ScanRecord>& out) override;

    ScanResultStore* store() { return store_.get(); }
    // Where this engine keeps its logs; empty means the scan history's current folder.
    void SetLogFolder(const std::wstring& folder) override { logFolder_ = folder; }

protected:
    // Replaces the store with a fresh one on the named log in the log folder (an existing
    // log of that name is re-opened and continued).
    int OpenStore(const std::wstring& logName);
    // The same, except that a log of that name with entries in it (this area scanned in the
    // same minute) is deleted first: continuing it would list every entry twice.
    int OpenFreshStore(const std::wstring& logName);
    // The same in an explicit folder.
    int OpenStoreIn(const std::wstring& folder, const std::wstring& logName);
    void CloseStore() { store_.reset(); }
    // The key a folder's children are filed under; 87 for a null record with a level.
    static int KeyFor(const ScanRecord* folder, int level, ParentKey& key);
    // Tells the scan progress callback, if any, where the scan stands.
    int ReportScan(int step, int secondsLeft);
    // Runs a directory walk over the open store to its end: `step` until `pending` says none is
    // left, progress every few seconds kept below 80, then `finish` (the folders that lead to
    // files). 0, or what the progress callback returned to stop it; the store is flushed.
    int RunDirectoryWalk(const std::function<bool()>& pending, const std::function<void()>& step,
                         const std::function<void()>& finish);

    std::unique_ptr<ScanResultStore> store_;
    std::wstring logFolder_;
    EngineCallbacks callbacks_;
    // The deep scan drives this engine as its first pass; progress is the coordinator's share.
    bool coordinated_ = false;

private:
    // GetItemPath's folder paths (folder record number -> its path), valid for one store state.
    std::unordered_map<int32_t, std::wstring> folderPaths_;
    const ScanResultStore* pathStore_ = nullptr;
    uint64_t pathGeneration_ = 0;
};

}  // namespace qm

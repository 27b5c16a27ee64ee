// The slots every engine answers from its result store: listing, counting, paths, listing by
// type. Each listing flushes first so the store's files hold everything found so far.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>

#include "engines/null_engine.h"
#include "results/scan_result_store.h"

namespace qm {

class CStoreBackedEngine : public CNullEngine {
public:
    int ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) override;
    int CountFiles(const ScanRecord* folder, int level, uint32_t& count) override;
    uint64_t GetFoundCount() override;
    int GetItemPath(const ScanRecord& record, std::wstring& path) override;
    int SetListCallback(ListProgressFn listProgress, void* userData) override;
    int ListByType(const std::wstring& pattern, std::vector<ScanRecord>& out) override;

    ScanResultStore* store() { return store_.get(); }

protected:
    // Replaces the store with a fresh one on the named log in the current scan-log folder
    // (an existing log of that name is re-opened and continued).
    int OpenStore(const std::wstring& logName);
    // The same in an explicit folder.
    int OpenStoreIn(const std::wstring& folder, const std::wstring& logName);
    void CloseStore() { store_.reset(); }
    // The key a folder's children are filed under; 87 for a null record with a level.
    static int KeyFor(const ScanRecord* folder, int level, ParentKey& key);

    std::unique_ptr<ScanResultStore> store_;

private:
    // GetItemPath's folder paths (folder record number -> its path), valid for one store state.
    std::unordered_map<int32_t, std::wstring> folderPaths_;
    const ScanResultStore* pathStore_ = nullptr;
    uint64_t pathGeneration_ = 0;
};

}  // namespace qm

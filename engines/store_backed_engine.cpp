#include "engines/store_backed_engine.h"

#include <unordered_set>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace qm {

int CStoreBackedEngine::OpenImage(const std::wstring& imagePath, uint16_t sourceTag) {
    return OpenAndAttach(*this, SourceLocation::Image(imagePath, sourceTag));
}

int CStoreBackedEngine::OpenPartition(int diskNumber, uint64_t firstSector, uint64_t sectorCount,
                                      uint16_t driveLetter) {
    return OpenAndAttach(*this, SourceLocation::Partition(diskNumber, firstSector, sectorCount, driveLetter));
}

int CStoreBackedEngine::OpenStore(const std::wstring& logName) {
    store_ = std::make_unique<ScanResultStore>();
    const int rc = logFolder_.empty() ? store_->open(logName) : store_->openIn(logFolder_, logName);
    if (rc == 0 && callbacks_.listProgress) SetListCallback(callbacks_.listProgress, callbacks_.listUser);
    return rc;
}

int CStoreBackedEngine::SetCallbacks(ScanProgressFn scanProgress, ItemProgressFn itemProgress, void* userData,
                                     int scale) {
    callbacks_.SetScan(scanProgress, itemProgress, userData, scale);
    return 0;
}

int CStoreBackedEngine::OpenFreshStore(const std::wstring& logName) {
    if (int rc = OpenStore(logName); rc != 0) return rc;
    if (store_->count() == 0) return 0;
    const std::wstring paths[] = {store_->logPath(), store_->relationPath(), store_->dirInfoPath()};
    CloseStore();
    for (const std::wstring& path : paths) platform::deleteFile(path);
    return OpenStore(logName);
}

int CStoreBackedEngine::OpenStoreIn(const std::wstring& folder, const std::wstring& logName) {
    store_ = std::make_unique<ScanResultStore>();
    return store_->openIn(folder, logName);
}

int CStoreBackedEngine::KeyFor(const ScanRecord* folder, int level, ParentKey& key) {
    if (!folder) {
        if (level != 0) return kErrorInvalidParameter;
        key = ParentKey(0);  // the root, whichever key the engine filed it under
        return 0;
    }
    if (level < 0) return kErrorInvalidParameter;
    key = ParentKey::make(folder->fsId, static_cast<uint32_t>(level));
    return 0;
}

int CStoreBackedEngine::ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) {
    out.clear();
    ParentKey key;
    if (int rc = KeyFor(folder, level, key); rc != 0) return rc;
    if (!store_) return 0;
    store_->flush();
    return store_->listChildren(key, out);
}

int CStoreBackedEngine::CountFiles(const ScanRecord* folder, int level, uint32_t& count) {
    count = 0;
    ParentKey key;
    if (int rc = KeyFor(folder, level, key); rc != 0) return rc;
    if (!store_) return 0;
    store_->flush();
    return store_->countFiles(key, count);
}

uint64_t CStoreBackedEngine::GetFoundCount() {
    return store_ ? store_->foundCount() : 0;
}

int CStoreBackedEngine::GetItemPath(const ScanRecord& record, std::wstring& path) {
    path.clear();
    if (!store_) return 0;
    store_->flush();
    if (store_.get() != pathStore_ || store_->ancestorGeneration() != pathGeneration_) {
        folderPaths_.clear();
        pathStore_ = store_.get();
        pathGeneration_ = store_->ancestorGeneration();
    }
    // Up to the root or to a folder whose path is known; each folder's path is kept, so the
    // files of a deep tree cost their own step each, not their depth.
    std::vector<ScanRecord> chain;
    std::unordered_set<int32_t> visited{record.recordNo};
    int32_t current = record.recordNo;
    int rc = 0;
    for (;;) {
        ScanRecord folder;
        bool found = false;
        rc = store_->parentFolder(current, folder, found);
        if (rc != 0 || !found) break;
        current = folder.recordNo;  // a plain copy: the record's fields are packed
        if (const auto known = folderPaths_.find(current); known != folderPaths_.end()) {
            path = known->second;
            break;
        }
        if (!visited.insert(current).second) break;
        chain.push_back(folder);
    }
    // Nearest first in the chain; the path reads from the root down.
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += platform::fromAnsi(recordName(*it));
        path += platform::kPathSeparator;
        const int32_t folderNo = it->recordNo;  // a plain copy: the record's fields are packed
        folderPaths_[folderNo] = path;
    }
    return rc;
}

int CStoreBackedEngine::SetListCallback(ListProgressFn listProgress, void* userData) {
    callbacks_.SetList(listProgress, userData);
    if (!store_) return kErrorInvalidParameter;
    if (!listProgress) {
        store_->setListProgress(nullptr, userData);
        return 0;
    }
    store_->setListProgress(
        [listProgress](void* user, int percent, int zero) { return listProgress(user, percent, zero); }, userData);
    return 0;
}

int CStoreBackedEngine::ListByType(const std::wstring& pattern, std::vector<ScanRecord>& out) {
    out.clear();
    if (!store_) return 0;
    return store_->listByType(pattern, out);
}

int CStoreBackedEngine::ReportScan(int step, int secondsLeft) {
    const EngineCallbacks& c = callbacks_;
    return c.scanProgress ? c.scanProgress(c.userData, step, c.scale, secondsLeft, 0, 0, 0, 0) : 0;
}

int CStoreBackedEngine::RunDirectoryWalk(const std::function<bool()>& pending, const std::function<void()>& step,
                                         const std::function<void()>& finish) {
    // Progress is reported at most this often during the walk.
    constexpr uint64_t kReportIntervalMs = 5000;
    uint64_t lastReport = platform::tickCount();
    const int firstResult = ReportScan(1, -1);
    int shown = 2, secondsLeft = 99, coordinatedShown = 21;
    while (pending()) {
        step();
        const uint64_t now = platform::tickCount();
        if (now - lastReport < kReportIntervalMs) continue;
        lastReport = now;
        int rc = 0;
        // The bar keeps below the 80 that the end of the walk reports.
        if (!coordinated_) {
            rc = ReportScan(shown, secondsLeft);
            if (shown < 79) ++shown;
            if (secondsLeft > 1) --secondsLeft;
        } else {
            rc = ReportScan(coordinatedShown, -1);
            if (coordinatedShown < 79) ++coordinatedShown;
        }
        if (rc != 0) {
            store_->flush();
            return rc;
        }
    }
    if (firstResult != 0) {
        store_->flush();
        return firstResult;
    }
    if (int rc = ReportScan(80, 10); rc != 0) {
        store_->flush();
        return rc;
    }
    finish();
    store_->flush();
    ReportScan(100, 0);
    return 0;
}

}  // namespace qm

// Recovery of found files and whole folders to a destination.
#include <deque>
#include <set>

#include "engines/fat/fast_fat_recovery.h"
#include "engines/fat/fat_chain_copy.h"
#include "engines/fat/fat_safe_name.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"

namespace qm {
namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Folder levels below the destination's root, as separators counted in the path.
int separatorCount(const std::wstring& path) {
    int count = 0;
    for (size_t i = 0; i + 1 < path.size(); ++i)
        if (isSeparator(path[i])) ++count;
    return count;
}

int createFolder(const std::wstring& path) {
    const int rc = platform::createFolderTree(path);
    return rc == kErrorAlreadyExists || rc == kErrorFileExists ? 0 : rc;
}

}  // namespace

int CFastFatRecovery::CopyFileData(const ScanRecord& record, const std::wstring& destination, bool& stopAll) {
    stopAll = false;
    auto report = [&](int percent, int error) {
        return itemProgress_ ? itemProgress_(userData_, percent, 100, error, destination.c_str()) : 0;
    };
    // Recovery never replaces what is already there (nor, so, the source image itself).
    if (platform::pathExists(destination)) {
        if (report(100, kErrorFileExists) != 0) stopAll = true;
        return kErrorFileExists;
    }
    platform::File out;
    if (int rc = out.open(destination, platform::OpenMode::CreateAlways); rc != 0) {
        if (report(100, rc) != 0) stopAll = true;
        return rc;
    }
    const ChainSink sink = [&](const uint8_t* bytes, size_t length) { return platform::writeFully(out, bytes, length); };
    const ChainCopyResult result = CopyClusterChain(volume_, table_, static_cast<uint32_t>(record.fsId), record.size,
                                                    sink, report);
    out.close();
    stopAll = result.stoppedByProgress;
    return result.error;
}

int CFastFatRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) {
    if (!record) return kErrorInvalidParameter;
    if (!opened_) return kErrorInvalidHandle;
    if (record->isFolder) return RecoverFolder(*record, destination, baseDepth);
    size_t cut = destination.size();
    while (cut > 0 && !isSeparator(destination[cut - 1])) --cut;
    if (cut > 1) {
        if (int rc = createFolder(destination.substr(0, cut - 1)); rc != 0) return rc;
    }
    bool stop = false;
    return CopyFileData(*record, destination, stop);
}

int CFastFatRecovery::RecoverFolder(const ScanRecord& record, const std::wstring& destination, int baseDepth) {
    if (int rc = createFolder(destination); rc != 0) return rc;
    struct Item {
        ScanRecord record;
        std::wstring destination;
        int level;
    };
    std::deque<Item> queue;
    queue.push_back({record, destination, separatorCount(destination) - baseDepth});
    // Each folder key once, whatever the store's tree looks like.
    std::set<ParentKey> listed;
    while (!queue.empty()) {
        const Item item = std::move(queue.front());
        queue.pop_front();
        if (item.level < 0 || !listed.insert(ParentKey::make(item.record.fsId, item.level)).second) continue;
        std::vector<ScanRecord> children;
        if (ListFolder(&item.record, item.level, children) != 0) continue;
        for (const ScanRecord& child : children) {
            const std::wstring target = platform::joinPath(item.destination, SafeFileName(recordName(child)));
            if (child.isFolder) {
                createFolder(target);
                queue.push_back({child, target, item.level + 1});
                continue;
            }
            bool stop = false;
            const int rc = CopyFileData(child, target, stop);
            if (rc == CancelCode || stop) return rc;
        }
    }
    return 0;
}

}  // namespace qm

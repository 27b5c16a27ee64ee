#include "engines/fat/fat_item_recovery.h"

#include <deque>
#include <set>

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

// Folders the recovery makes must be real ones: a link would lead files out of the destination.
int createFolder(const std::wstring& path) { return platform::createOwnFolder(path); }

int recoverFolder(IFileRecoveryParse& lister, const ScanRecord& record, const std::wstring& destination,
                  int baseDepth, const FatItemOutput& output) {
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
        if (lister.ListFolder(&item.record, item.level, children) != 0) continue;
        for (const ScanRecord& child : children) {
            const std::wstring target = platform::joinPath(item.destination, SafeFileName(recordName(child)));
            if (child.isFolder) {
                if (createFolder(target) == 0) queue.push_back({child, target, item.level + 1});
                continue;
            }
            bool stop = false;
            const int rc = CopyFoundFile(child, target, output, stop);
            if (rc == CancelCode || stop) return rc;
        }
    }
    return 0;
}

}  // namespace

int CopyFoundFile(const ScanRecord& record, const std::wstring& destination, const FatItemOutput& output,
                  bool& stopAll) {
    stopAll = false;
    auto report = [&](int percent, int error) {
        return output.itemProgress ? output.itemProgress(output.userData, percent, 100, error, destination.c_str())
                                   : 0;
    };
    if (platform::pathExists(destination)) {
        if (report(100, kErrorFileExists) != 0) stopAll = true;
        return kErrorFileExists;
    }
    platform::File out;
    if (int rc = out.open(destination, platform::OpenMode::CreateNew); rc != 0) {
        if (report(100, rc) != 0) stopAll = true;
        return rc;
    }
    const ChainSink sink = [&](const uint8_t* bytes, size_t length) { return platform::writeFully(out, bytes, length); };
    const ChainCopyResult result = output.copy(record, sink, report);
    out.close();
    stopAll = result.stoppedByProgress;
    return result.error;
}

int RecoverFoundItem(IFileRecoveryParse& lister, bool opened, const ScanRecord* record,
                     const std::wstring& destination, int baseDepth, const FatItemOutput& output) {
    if (!record) return kErrorInvalidParameter;
    if (!opened) return kErrorInvalidHandle;
    if (record->isFolder) return recoverFolder(lister, *record, destination, baseDepth, output);
    size_t cut = destination.size();
    while (cut > 0 && !isSeparator(destination[cut - 1])) --cut;
    if (cut > 1) {
        if (int rc = createFolder(destination.substr(0, cut - 1)); rc != 0) {
            // Counted like any failed file: the caller learns of it only through the report.
            if (output.itemProgress) output.itemProgress(output.userData, 100, 100, rc, destination.c_str());
            return rc;
        }
    }
    bool stop = false;
    return CopyFoundFile(*record, destination, output, stop);
}

}  // namespace qm

// Recovery and preview: found files copied out as consecutive clusters, folders with
// everything below them, never over an existing file.
#include <algorithm>
#include <cstring>
#include <deque>
#include <set>

#include "engines/fat/fat_safe_name.h"
#include "engines/professional/pro_fat_consecutive_copy.h"
#include "engines/professional/professional_fat_recovery.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/type_classification.h"

namespace qm {
namespace {

constexpr size_t kMaxPathChars = 260;

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

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

std::wstring previewFileName(const ScanRecord& record) {
    switch (GroupOfExtension(platform::fromUtf8(recordExtensionLower(record)))) {
        case FileGroup::Document: return SafeFileName(recordName(record));
        case FileGroup::Photo: return L"tmp.jpg";
        case FileGroup::Audio:
        case FileGroup::Video: return L"tmp.avi";
        default: return std::wstring();
    }
}

}  // namespace

int CProfessionalFatRecovery::CopyFileData(const ScanRecord& record, const std::wstring& destination, bool& stopAll) {
    stopAll = false;
    auto report = [&](int percent, int error) {
        return itemProgress_ ? itemProgress_(userData_, percent, 100, error, destination.c_str()) : 0;
    };
    // Never over what is already there: that also keeps the source image safe.
    if (platform::pathExists(destination)) {
        if (report(100, kErrorFileExists) != 0) stopAll = true;
        return kErrorFileExists;
    }
    platform::File out;
    if (int rc = out.open(destination, platform::OpenMode::CreateAlways); rc != 0) {
        if (report(100, rc) != 0) stopAll = true;
        return rc;
    }
    const profat::CopySink sink = [&](const uint8_t* bytes, size_t length) {
        return platform::writeFully(out, bytes, length);
    };
    const profat::CopyResult result =
        profat::CopyConsecutiveClusters(reader_, sectorSize_, MediumEnd(), record, sink, report);
    out.close();
    stopAll = result.stoppedByProgress;
    return result.error;
}

int CProfessionalFatRecovery::RecoverItem(const ScanRecord* record, const std::wstring& destination, int baseDepth) {
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

int CProfessionalFatRecovery::RecoverFolder(const ScanRecord& record, const std::wstring& destination, int baseDepth) {
    if (int rc = createFolder(destination); rc != 0) return rc;
    struct Item {
        ScanRecord record;
        std::wstring destination;
        int level;
    };
    std::deque<Item> queue;
    queue.push_back({record, destination, separatorCount(destination) - baseDepth});
    std::set<ParentKey> listed;  // each folder once, whatever the store's tree looks like
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

int CProfessionalFatRecovery::ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                                          uint64_t& byteCount, ExtractProgressFn progress, void* userData) {
    tempPath.clear();
    if (!record) return kErrorInvalidParameter;
    const uint64_t capacity = memory ? byteCount : 0;
    byteCount = 0;
    if (!opened_) return kErrorInvalidHandle;

    const std::wstring fileName = previewFileName(*record);
    if (!fileName.empty()) {
        const std::wstring folder =
            platform::joinPath(platform::joinPath(platform::appDataFolder(), L"OrlynDataRecovery"), L"ScanLog");
        platform::createFolderTree(folder);
        const std::wstring path = platform::joinPath(folder, fileName);
        if (path.size() < kMaxPathChars) tempPath = path;
    }
    auto report = [&](int percent, int error) { return progress ? progress(userData, percent, error) : 0; };

    platform::File out;
    uint64_t copied = 0;
    profat::CopySink sink;
    if (!tempPath.empty()) {
        platform::deleteFile(tempPath);
        if (int rc = out.open(tempPath, platform::OpenMode::CreateAlways); rc != 0) {
            report(100, rc);
            tempPath.clear();
            return rc;
        }
        sink = [&](const uint8_t* bytes, size_t length) { return platform::writeFully(out, bytes, length); };
    } else {
        sink = [&](const uint8_t* bytes, size_t length) {
            const uint64_t room = capacity - copied;
            const size_t n = static_cast<size_t>(std::min<uint64_t>(room, length));
            if (n > 0) std::memcpy(memory + copied, bytes, n);
            copied += n;
            return copied == capacity ? -1 : 0;  // full: the preview has what fits
        };
    }
    const profat::CopyResult result =
        profat::CopyConsecutiveClusters(reader_, sectorSize_, MediumEnd(), *record, sink, report);
    if (!tempPath.empty()) {
        out.close();
        if (result.error != 0) {
            platform::deleteFile(tempPath);
            tempPath.clear();
        }
    }
    byteCount = copied;
    return result.error;
}

}  // namespace qm

#include "engines/ntfs/ntfs_copy_out.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "engines/ntfs/ntfs_output_name.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/preview_target.h"

namespace qm {
namespace {

std::wstring parentOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"/\\");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

// Internal results (no record, no data) as the Windows error a user sees.
int userError(int rc) { return rc < 0 ? kErrorFileNotFound : rc; }

int copyFolderOut(IFileRecoveryParse& engine, const ScanRecord& record, const std::wstring& destination,
                  int baseDepth, ItemProgressFn progress, void* userData, const NtfsContentReader& read) {
    if (int rc = platform::createOwnFolder(destination); rc != 0) return rc;
    struct Item {
        ScanRecord record;
        std::wstring path;
        int level;
    };
    // The folder's level follows from its destination's depth below the base.
    std::wstring trimmed = destination;
    if (!trimmed.empty()) trimmed.pop_back();
    const int separators = static_cast<int>(
        std::count_if(trimmed.begin(), trimmed.end(), [](wchar_t c) { return c == L'/' || c == L'\\'; }));
    std::deque<Item> queue;
    queue.push_back({record, destination, separators - baseDepth});
    std::vector<ScanRecord> children;
    while (!queue.empty()) {
        const Item item = std::move(queue.front());
        queue.pop_front();
        if (engine.ListFolder(&item.record, item.level, children) != 0) continue;
        for (const ScanRecord& child : children) {
            const std::wstring out = item.path + platform::kPathSeparator + ntfsOutputName(recordName(child));
            if (child.isFolder) {
                if (item.level + 1 > kNtfsMaxRecoverDepth) continue;
                if (platform::createOwnFolder(out) == 0) queue.push_back({child, out, item.level + 1});
                continue;
            }
            if (copyNtfsFileOut(child, out, progress, userData, read) == CancelCode) return CancelCode;
        }
    }
    return 0;
}

}  // namespace

int copyNtfsFileOut(const ScanRecord& record, const std::wstring& path, ItemProgressFn progress, void* userData,
                    const NtfsContentReader& read) {
    auto report = [&](int percent, int error) {
        return progress ? progress(userData, percent, 100, error, path.c_str()) : 0;
    };
    // The folder must be a real one: a link there would lead the file out of the destination.
    const std::wstring folder = parentOf(path);
    if (!folder.empty()) {
        if (int rc = platform::createOwnFolder(folder); rc != 0) {
            report(100, rc);
            return rc;
        }
    }
    // An existing file is never written over: it may be an earlier recovery, or the source.
    if (platform::pathExists(path)) {
        report(100, kErrorFileExists);
        return kErrorFileExists;
    }
    platform::File out;
    if (int rc = out.open(path, platform::OpenMode::CreateNew); rc != 0) {
        report(100, rc);
        return rc;
    }
    const uint64_t size = record.size;  // a copy: the packed field is not aligned
    uint64_t written = 0;
    bool fromRuns = false;
    bool finished = false;
    bool stopped = false;
    const int rc = read(record, [&](const uint8_t* data, size_t n) -> int {
        if (int w = platform::writeFully(out, data, n); w != 0) return w;
        written += n;
        if (!fromRuns) return 0;
        const int percent = size ? static_cast<int>(std::min<uint64_t>(written * 100 / size, 100)) : 100;
        finished = percent == 100;
        if (int c = report(percent, 0); c != 0) {
            stopped = true;
            return c;
        }
        return 0;
    }, fromRuns);
    out.close();
    if (stopped) return rc;
    const int error = userError(rc);
    // Every file ends with one report of 100, with its error.
    if (!finished || error != 0 || !fromRuns) {
        if (int c = report(100, error); c != 0 && error == 0) return c;
    }
    return error;
}

int recoverNtfsItem(IFileRecoveryParse& engine, const ScanRecord* record, const std::wstring& destination,
                    int baseDepth, ItemProgressFn progress, void* userData, const NtfsContentReader& read) {
    if (!record) return kErrorInvalidParameter;
    if (record->isFolder) return copyFolderOut(engine, *record, destination, baseDepth, progress, userData, read);
    return copyNtfsFileOut(*record, destination, progress, userData, read);
}

int extractNtfsItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* userData, const NtfsContentReader& read) {
    if (!record) return kErrorInvalidParameter;
    tempPath.clear();
    const uint64_t capacity = memory ? byteCount : 0;
    byteCount = 0;
    platform::File file;
    if (const std::wstring path = PreviewTargetPath(*record); !path.empty()) {
        platform::createFolderTree(PreviewTargetFolder());
        platform::deleteFile(path);
        if (int rc = file.open(path, platform::OpenMode::OpenAlways); rc != 0) return rc;
        platform::setHidden(path);
        tempPath = path;
    }
    const bool toFile = !tempPath.empty();
    const uint64_t fileSize = record->size;  // a copy: the packed field is not aligned
    const uint64_t wanted = toFile ? fileSize : std::min(fileSize, capacity);
    uint64_t delivered = 0;
    bool fromRuns = false;
    bool stopped = false;
    constexpr int kBufferFull = 1 << 30;  // internal: the memory buffer is full
    int rc = read(*record, [&](const uint8_t* data, size_t n) -> int {
        if (toFile) {
            if (int w = platform::writeFully(file, data, n); w != 0) return w;
            delivered += n;
        } else {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(n, capacity - byteCount));
            if (take) std::memcpy(memory + byteCount, data, take);
            byteCount += take;
            delivered += take;
        }
        if (fromRuns && progress) {
            const int percent = wanted ? static_cast<int>(std::min<uint64_t>(delivered * 100 / wanted, 100)) : 100;
            if (int c = progress(userData, percent, 0); c != 0) {
                stopped = true;
                return c;
            }
        }
        if (!toFile && byteCount >= capacity) return kBufferFull;
        return 0;
    }, fromRuns);
    if (rc == kBufferFull) rc = 0;
    if (!stopped) {
        rc = userError(rc);
        if (progress && (!fromRuns || rc > 0)) progress(userData, 100, rc);
    }
    if (toFile) {
        file.close();
        if (rc != 0) {
            platform::deleteFile(tempPath);
            tempPath.clear();
        }
    }
    return rc;
}

}  // namespace qm

#include "engines/fat/fat_item_preview.h"

#include <algorithm>
#include <cstring>

#include "engines/fat/fat_safe_name.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/type_classification.h"

namespace qm {
namespace {

// Paths at or above this length are not used; the content then goes to memory.
constexpr size_t kMaxPathChars = 260;

// The temporary file a preview of this type is written to; empty for memory.
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

int ExtractFoundFile(bool opened, const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                     uint64_t& byteCount, ExtractProgressFn progress, void* userData, const RecordCopier& copy) {
    tempPath.clear();
    if (!record) return kErrorInvalidParameter;
    const uint64_t capacity = memory ? byteCount : 0;
    byteCount = 0;
    if (!opened) return kErrorInvalidHandle;

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
    ChainSink sink;
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
    const ChainCopyResult result = copy(*record, sink, report);
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

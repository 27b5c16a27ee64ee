#include "engines/fat/fat_item_preview.h"

#include <algorithm>
#include <cstring>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/preview_target.h"

namespace qm {

int ExtractFoundFile(bool opened, const ScanRecord* record, std::wstring& tempPath, uint8_t* memory,
                     uint64_t& byteCount, ExtractProgressFn progress, void* userData, const RecordCopier& copy) {
    tempPath.clear();
    if (!record) return kErrorInvalidParameter;
    const uint64_t capacity = memory ? byteCount : 0;
    byteCount = 0;
    if (!opened) return kErrorInvalidHandle;

    tempPath = PreviewTargetPath(*record);
    if (!tempPath.empty()) platform::createFolderTree(PreviewTargetFolder());
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
        platform::setHidden(tempPath);
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

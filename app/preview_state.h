// What one preview extraction leaves for the window that shows it: the record, where its bytes
// went (a temporary file, or the memory buffer), what kind of file it is and the converter that
// will turn it into text or a picture. The caller owns it; the extraction popup fills it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/document_converters.h"
#include "results/scan_record.h"

namespace qm::app {

struct PreviewState {
    // What a file delivered to memory may fill: enough for a readable text dump.
    static constexpr size_t kBufferCapacity = 64 * 1024;

    ScanRecord record{};
    std::wstring extension;  // lower case, no dot
    std::wstring tempPath;   // empty: the bytes are in buffer
    std::vector<uint8_t> buffer = std::vector<uint8_t>(kBufferCapacity);
    uint64_t byteCount = 0;
    bool media = false;
    bool audio = false;
    bool document = false;
    bool pdf = false;
    std::unique_ptr<CDocumentConverter> converter;
    // Set once shown: the video player reported that playback has started.
    bool playbackReported = false;

    // Starts over for a new record: the count back to the capacity, flags and converter cleared.
    void Reset(const ScanRecord& next);
};

// The documents previews extracted under their own names in this run: they hold private data
// and are deleted before the next extraction and at exit.
void RememberPreviewDocument(const std::wstring& path);
std::vector<std::wstring> RememberedPreviewDocuments();

}  // namespace qm::app

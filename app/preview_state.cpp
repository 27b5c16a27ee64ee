#include "app/preview_state.h"

#include <algorithm>
#include <mutex>

namespace qm::app {

namespace {

std::mutex& DocumentsLock() {
    static std::mutex lock;
    return lock;
}

std::vector<std::wstring>& Documents() {
    static std::vector<std::wstring> documents;
    return documents;
}

}  // namespace

void PreviewState::Reset(const ScanRecord& next) {
    record = next;
    extension.clear();
    tempPath.clear();
    byteCount = buffer.size();
    media = audio = document = pdf = playbackReported = false;
    converter.reset();
}

void RememberPreviewDocument(const std::wstring& path) {
    if (path.empty()) return;
    std::lock_guard<std::mutex> hold(DocumentsLock());
    if (std::find(Documents().begin(), Documents().end(), path) == Documents().end()) Documents().push_back(path);
}

std::vector<std::wstring> RememberedPreviewDocuments() {
    std::lock_guard<std::mutex> hold(DocumentsLock());
    return Documents();
}

}  // namespace qm::app

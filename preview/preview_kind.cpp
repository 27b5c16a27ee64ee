#include "preview/preview_kind.h"

#include <string>

#include "results/file_type_lists.h"

namespace qm::preview {

bool InExtensionList(const wchar_t* list, std::wstring_view extension) {
    if (extension.empty()) return false;
    const std::wstring_view items(list);
    size_t start = 0;
    while (start <= items.size()) {
        size_t end = items.find(L'|', start);
        if (end == std::wstring_view::npos) end = items.size();
        std::wstring_view item = items.substr(start, end - start);
        if (item.starts_with(L"*.")) item.remove_prefix(2);
        if (item == extension) return true;
        start = end + 1;
    }
    return false;
}

PreviewKind ClassifyExtension(std::wstring_view extension) {
    if (InExtensionList(kAudioList, extension)) return PreviewKind::Audio;
    if (InExtensionList(kVideoList, extension)) return PreviewKind::Video;
    if (InExtensionList(kPreviewList, extension)) return PreviewKind::Document;
    if (InExtensionList(kPhotoList, extension)) return PreviewKind::Photo;
    return PreviewKind::Other;
}

bool IsPhotoExtension(std::wstring_view extension) { return InExtensionList(kPhotoList, extension); }

}  // namespace qm::preview

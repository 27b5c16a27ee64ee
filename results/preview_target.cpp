#include "results/preview_target.h"

#include <string_view>

#include "platform/folders.h"
#include "platform/text.h"
#include "results/file_type_lists.h"
#include "results/safe_path_component.h"

namespace qm {
namespace {

constexpr size_t kMaxTempPath = 260;

bool inList(std::wstring_view list, const std::wstring& extension) {
    return ListHasExtension(list, std::wstring_view(extension));
}

}  // namespace

std::wstring PreviewTargetFolder() {
    return platform::joinPath(platform::joinPath(platform::appDataFolder(), L"OrlynDataRecovery"), L"ScanLog");
}

std::wstring PreviewTargetName(const ScanRecord& record) {
    const std::wstring extension = platform::fromUtf8(recordExtensionLower(record));
    if (inList(kPreviewList, extension)) return SafePathComponent(recordName(record));
    if (inList(kAudioList, extension) || inList(kVideoList, extension)) return L"tmp.avi";
    if (inList(kPhotoList, extension)) return L"tmp.jpg";
    return std::wstring();
}

std::wstring PreviewTargetPath(const ScanRecord& record) {
    const std::wstring name = PreviewTargetName(record);
    if (name.empty()) return name;
    const std::wstring path = platform::joinPath(PreviewTargetFolder(), name);
    return path.size() < kMaxTempPath ? path : std::wstring();
}

}  // namespace qm

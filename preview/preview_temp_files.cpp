#include "preview/preview_temp_files.h"

#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/preview_target.h"

namespace qm::preview {

std::wstring PreviewTempFolder() { return PreviewTargetFolder(); }

void DeletePreviewTempFiles(const std::vector<std::wstring>& documents) {
    const std::wstring folder = PreviewTempFolder();
    for (const wchar_t* name : {L"tmp.jpg", L"tmp.avi", L"pdf-000001.png"})
        platform::deleteFile(platform::joinPath(folder, name));
    for (const std::wstring& path : documents) {
        const std::wstring name = platform::fileNameOf(path);
        if (name.empty() || name == L"." || name == L"..") continue;
        if (platform::joinPath(folder, name) == path) platform::deleteFile(path);
    }
}

}  // namespace qm::preview

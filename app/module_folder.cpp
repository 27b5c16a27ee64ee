#include "app/module_folder.h"

#include <windows.h>

#include "app/core/language_manager.h"

namespace qm::app {

namespace {

std::wstring ComputeModuleFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    // A path cut at MAX_PATH is still cut after its last whole folder below.
    std::wstring path(buffer, length < MAX_PATH ? length : MAX_PATH - 1);
    for (wchar_t& c : path) {
        if (c == L'\\') c = L'/';
    }
    const std::size_t slash = path.rfind(L'/');
    if (slash == std::wstring::npos) return std::wstring();
    path.resize(slash + 1);
    return path;
}

}  // namespace

const std::wstring& GetModuleFolder() {
    static const std::wstring folder = ComputeModuleFolder();
    return folder;
}

void UseModuleFolderForLanguages() {
    CLanguageManager::SetProgramFolderProvider([] { return GetModuleFolder(); });
}

}  // namespace qm::app

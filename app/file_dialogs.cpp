#include "app/file_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

namespace qm::app {

namespace {

FileDialogStandIn& StandIn() {
    static FileDialogStandIn standIn;
    return standIn;
}

// Filter strings hold NULs between their parts.
const wchar_t kOpenFilter[] = L"Image Files (*.img)\0*.img\0All Files(*.*)\0*.*\0";
const wchar_t kSaveFilter[] = L"Image Files (*.img)\0*.img\0";
constexpr DWORD kPathChars = 520;

}  // namespace

void SetFileDialogStandIn(FileDialogStandIn standIn) { StandIn() = std::move(standIn); }

std::wstring AskForImageFile(HWND owner, FileDialogKind kind, const std::wstring& proposedName) {
    if (StandIn()) return StandIn()(kind, proposedName);
    std::vector<wchar_t> path(kPathChars, L'\0');
    if (kind == FileDialogKind::SaveImage) proposedName.copy(path.data(), kPathChars - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kPathChars;
    dialog.nFilterIndex = 1;
    if (kind == FileDialogKind::OpenImage) {
        dialog.lpstrFilter = kOpenFilter;
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        if (!::GetOpenFileNameW(&dialog)) return std::wstring();
    } else {
        dialog.lpstrFilter = kSaveFilter;
        dialog.lpstrDefExt = L"img";
        dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN;
        if (!::GetSaveFileNameW(&dialog)) return std::wstring();
    }
    return std::wstring(path.data());
}

std::wstring AskForFolder(HWND owner, const std::wstring& title) {
    if (StandIn()) return StandIn()(FileDialogKind::RecoveryFolder, title);
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
    if (!chosen) return std::wstring();
    std::vector<wchar_t> path(kPathChars, L'\0');
    const bool named = ::SHGetPathFromIDListW(chosen, path.data()) != FALSE;
    ::CoTaskMemFree(chosen);
    return named ? std::wstring(path.data()) : std::wstring();
}

}  // namespace qm::app

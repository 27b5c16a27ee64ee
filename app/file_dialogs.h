// The open and save dialogs of image files and the folder browser of the recovery. Tests answer
// them through a stand-in; the code that uses the answer runs as for a user.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace qm::app {

enum class FileDialogKind { OpenImage, SaveImage, RecoveryFolder };

// The chosen path, or empty when the dialog was cancelled. proposedName: the save dialog's
// suggested file name.
std::wstring AskForImageFile(HWND owner, FileDialogKind kind, const std::wstring& proposedName = std::wstring());

// The shell's folder browser (file-system folders only) with the given title; the chosen folder,
// or empty when cancelled. The stand-in sees FileDialogKind::RecoveryFolder and the title.
std::wstring AskForFolder(HWND owner, const std::wstring& title);

// Answers the dialogs instead of showing them; empty to show them again.
using FileDialogStandIn = std::function<std::wstring(FileDialogKind kind, const std::wstring& proposedName)>;
void SetFileDialogStandIn(FileDialogStandIn standIn);

}  // namespace qm::app

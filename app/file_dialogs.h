// The open and save dialogs of image files. Tests answer them through a stand-in; the code that
// uses the answer runs as for a user.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace qm::app {

enum class FileDialogKind { OpenImage, SaveImage };

// The chosen path, or empty when the dialog was cancelled. proposedName: the save dialog's
// suggested file name.
std::wstring AskForImageFile(HWND owner, FileDialogKind kind, const std::wstring& proposedName = std::wstring());

// Answers the dialogs instead of showing them; empty to show them again.
using FileDialogStandIn = std::function<std::wstring(FileDialogKind kind, const std::wstring& proposedName)>;
void SetFileDialogStandIn(FileDialogStandIn standIn);

}  // namespace qm::app

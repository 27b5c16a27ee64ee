// The outside picture component "ImageOleCtrl.dll" beside the program: its registration at
// start-up and its wiring to the rich-edit preview boxes, which then show pictures in their text.
#pragma once
#include <windows.h>

#include <string>

namespace qm::ui {
class CRichEditUI;
}

namespace qm::app {

inline constexpr wchar_t kPictureComponentFile[] = L"ImageOleCtrl.dll";

// Loads the component from the program folder, calls its DllRegisterServer and unloads it.
// true when the export was found and called (its result is not looked at).
bool RegisterPictureComponent();
bool RegisterPictureComponentAt(const std::wstring& dllPath);

// Creates the component and makes it the box's OLE callback. false when it could not be created;
// the box then shows text only.
bool AttachPictureComponent(HWND hostWindow, ui::CRichEditUI* richEdit);

// Places a picture file at the box's caret through a component attached to it. false when the
// box has no component or the picture could not be read.
bool InsertPictureFile(ui::CRichEditUI* richEdit, const std::wstring& path);

}  // namespace qm::app

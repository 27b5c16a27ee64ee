// The program's one message box: five kinds of skinned modal box with a title from the language
// tables, the caller's text, and OK (1) or Cancel/No/close (2).
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "app/popup_wnd.h"

namespace qm::app {

enum MessageBoxKind : int {
    kMessageBoxError = 0,
    kMessageBoxConfirm = 1,
    kMessageBoxInformation = 2,
    kMessageBoxWarning = 3,
    kMessageBoxQuestion = 4,
};

inline constexpr int kMessageBoxHeight = 160;
inline constexpr int kMessageBoxWidth = 400;  // what every caller passes

// The layout file (without "xml\") and the title key of a kind; an unknown kind is an Error box.
const wchar_t* MessageBoxSkinName(int kind);
const wchar_t* MessageBoxTitleKey(int kind);
// The language section of the kind\'s button captions ("MessageBoxQuestion", ...), applied after
// "MessageBox".
const wchar_t* MessageBoxCaptionSection(int kind);

class CMessageBox : public CPopUpWnd {
public:
    explicit CMessageBox(int kind);

    // Creates the box over owner (nullptr: none) with the title of its kind and the text,
    // centred on the owner. Throws the library's exception when the layout cannot be built.
    HWND CreateBox(HWND owner, std::wstring_view text, int width, int height = kMessageBoxHeight);
    int GetKind() const { return m_kind; }

    const wchar_t* GetWindowClassName() const override;
    void OnWindowInit(ui::TNotifyUI& msg) override;

private:
    int m_kind;
};

// Shows a box modally on the calling thread: 1 for "okbtn", 2 for "cancelbtn" or "closebtn".
int ShowMessageBox(int kind, HWND owner, std::wstring_view text, int width = kMessageBoxWidth);

// Called with every box once it shows (after the language section is applied); tests use it to
// look at and answer a box that ShowMessageBox runs. Empty to remove.
using MessageBoxObserver = std::function<void(CMessageBox& box)>;
void SetMessageBoxObserver(MessageBoxObserver observer);

}  // namespace qm::app

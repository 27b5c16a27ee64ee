// The assist menu under "BtnAssist": help, FAQ, about and support pages, the language list and
// exit. What an entry does is decided apart from the windows, so it can be checked alone.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include <windows.h>

#include "app/core/language_manager.h"

namespace qm::ui {
class CControlUI;
class CMenuWnd;
}  // namespace qm::ui

namespace qm::app {

inline constexpr UINT kMsgOpenHelpPage = WM_USER + 100;
inline constexpr UINT kMsgOpenFaqPage = WM_USER + 101;
inline constexpr UINT kMsgOpenAboutPage = WM_USER + 104;
inline constexpr UINT kMsgOpenSupportPage = WM_USER + 105;
// Posted to the main window after the language has been switched.
inline constexpr UINT kMsgLanguageChanged = WM_USER + 6;

inline constexpr wchar_t kAssistMenuSkin[] = L"menu_assist.xml";
inline constexpr wchar_t kAssistMenuSection[] = L"MenuWnd";
inline constexpr wchar_t kLanguageMenuEntry[] = L"item_language";
inline constexpr wchar_t kCurrentLanguageBullet[] = L"file='point.png' source='0,0,16,16' dest='0,4,16,20'";

enum class AssistAction { None, OpenWebPage, Exit, SwitchLanguage };

struct AssistDecision {
    AssistAction action = AssistAction::None;
    UINT pageMessage = 0;   // OpenWebPage: the private message that opens it
    std::wstring language;  // SwitchLanguage: the language's file name
};

// What choosing the entry of that name does; a language sub-entry is named after its file.
AssistDecision DecideAssistAction(std::wstring_view entryName, const LanguageList& languages);
// The address a page message opens, or nullptr for any other message.
const wchar_t* WebPageForMessage(UINT message);

// Loads the menu skin, applies "MenuWnd" and fills the language submenu (bullet on the current
// language); choosing an entry carries out its action for mainWindow. nullptr when the skin is
// missing. The caller shows it (the menu then owns itself) or deletes it.
ui::CMenuWnd* BuildAssistMenu(HWND mainWindow);
// Where the menu opens: the bottom-left corner of btnAssist in screen coordinates.
POINT AssistMenuCorner(HWND mainWindow, ui::CControlUI* btnAssist);
// Builds the menu and opens it at that corner; the shown menu (it owns itself and is gone once
// closed), or nullptr when it could not be shown.
ui::CMenuWnd* ShowAssistMenu(HWND mainWindow, ui::CControlUI* btnAssist);
// Does what the entry stands for (also what the menu calls when an entry is chosen).
void CarryOutAssistChoice(HWND mainWindow, std::wstring_view entryName);

// Tests replace the browser and the quit message. Empty restores the real ones.
void SetWebPageOpener(std::function<void(const std::wstring& url)> opener);
void SetQuitRequester(std::function<void()> quit);

}  // namespace qm::app

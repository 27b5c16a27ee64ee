#include "app/assist_menu.h"

#include <shellapi.h>

#include "app/skin_settings.h"
#include "app/web_pages.h"
#include "ui/win32/menu_wnd.h"
#include "ui/win32/paint_manager.h"

namespace qm::app {

namespace {

struct FixedEntry {
    const wchar_t* name;
    AssistAction action;
    UINT message;
};

constexpr FixedEntry kFixedEntries[] = {
    {L"item_help", AssistAction::OpenWebPage, kMsgOpenHelpPage},
    {L"item_faq", AssistAction::OpenWebPage, kMsgOpenFaqPage},
    {L"item_about", AssistAction::OpenWebPage, kMsgOpenAboutPage},
    {L"item_support", AssistAction::OpenWebPage, kMsgOpenSupportPage},
    {L"item_exit", AssistAction::Exit, 0},
};

std::function<void(const std::wstring&)>& PageOpener() {
    static std::function<void(const std::wstring&)> opener;
    return opener;
}

std::function<void()>& QuitRequester() {
    static std::function<void()> quit;
    return quit;
}

void OpenWebPage(const std::wstring& url) {
    if (PageOpener()) {
        PageOpener()(url);
        return;
    }
    // A browser that does not start is not reported.
    ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The library's menu window is gone as soon as an entry is chosen, so the page messages go to a
// message-only window of the assist menu that outlives it.
LRESULT CALLBACK PageWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (const wchar_t* url = WebPageForMessage(msg)) {
        OpenWebPage(url);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND PageWindow() {
    thread_local HWND window = nullptr;
    if (window && ::IsWindow(window)) return window;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &PageWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"QmAssistMenuPages";
    ::RegisterClassExW(&wc);  // fails harmlessly when already registered
    window = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    return window;
}

}  // namespace

AssistDecision DecideAssistAction(std::wstring_view entryName, const LanguageList& languages) {
    AssistDecision decision;
    for (const FixedEntry& entry : kFixedEntries) {
        if (entryName == entry.name) {
            decision.action = entry.action;
            decision.pageMessage = entry.message;
            return decision;
        }
    }
    for (const auto& [fileName, displayName] : languages) {
        if (entryName == fileName) {
            decision.action = AssistAction::SwitchLanguage;
            decision.language = fileName;
            return decision;
        }
    }
    return decision;
}

const wchar_t* WebPageForMessage(UINT message) {
    switch (message) {
        case kMsgOpenHelpPage: return kHelpPageUrl;
        case kMsgOpenFaqPage: return kFaqPageUrl;
        case kMsgOpenAboutPage: return kAboutPageUrl;
        case kMsgOpenSupportPage: return kSupportPageUrl;
        default: return nullptr;
    }
}

void CarryOutAssistChoice(HWND mainWindow, std::wstring_view entryName) {
    CLanguageManager& languages = CLanguageManager::Instance();
    const AssistDecision decision = DecideAssistAction(entryName, languages.GetLanguageList());
    switch (decision.action) {
        case AssistAction::OpenWebPage:
            if (HWND pages = PageWindow()) ::PostMessageW(pages, decision.pageMessage, 0, 0);
            else OpenWebPage(WebPageForMessage(decision.pageMessage));
            break;
        case AssistAction::Exit:
            if (QuitRequester()) QuitRequester()();
            else ::PostQuitMessage(0);
            break;
        case AssistAction::SwitchLanguage:
            languages.SetLanguage(decision.language);
            if (mainWindow) ::PostMessageW(mainWindow, kMsgLanguageChanged, 0, 0);
            break;
        case AssistAction::None:
            break;
    }
}

ui::CMenuWnd* BuildAssistMenu(HWND mainWindow) {
    auto source = ui::CSkinSource::FromResource(ui::CPaintManagerUI::GetInstance(), kSkinResourceId, kSkinResourceType);
    auto* menu = new ui::CMenuWnd();
    if (!menu->Load(kAssistMenuSkin, source)) {
        delete menu;
        return nullptr;
    }
    CLanguageManager& languages = CLanguageManager::Instance();
    const TextTable section = languages.GetSection(kAssistMenuSection);
    menu->ApplyLanguageSection(section);
    menu->ClearSubItems(kLanguageMenuEntry);
    const std::wstring current = languages.GetCurrentLanguage();
    for (const auto& [fileName, displayName] : languages.GetLanguageList()) {
        // The file names are compared exactly: "english" is not the current "English".
        menu->AddSubItem(kLanguageMenuEntry, fileName, displayName, fileName == current ? kCurrentLanguageBullet : L"");
    }
    menu->SetChosenCallback([mainWindow](const std::wstring& name) { CarryOutAssistChoice(mainWindow, name); });
    return menu;
}

POINT AssistMenuCorner(HWND mainWindow, ui::CControlUI* btnAssist) {
    POINT corner{0, 0};
    if (!btnAssist) return corner;
    const RECT& pos = btnAssist->GetPos();
    corner = POINT{pos.left, pos.bottom};
    HWND host = btnAssist->GetManager() ? btnAssist->GetManager()->GetPaintWindow() : mainWindow;
    if (host) ::ClientToScreen(host, &corner);
    return corner;
}

ui::CMenuWnd* ShowAssistMenu(HWND mainWindow, ui::CControlUI* btnAssist) {
    if (!btnAssist) return nullptr;
    ui::CMenuWnd* menu = BuildAssistMenu(mainWindow);
    if (!menu) return nullptr;
    if (!menu->Show(mainWindow, AssistMenuCorner(mainWindow, btnAssist))) {
        delete menu;
        return nullptr;
    }
    return menu;
}

void SetWebPageOpener(std::function<void(const std::wstring& url)> opener) { PageOpener() = std::move(opener); }

void SetQuitRequester(std::function<void()> quit) { QuitRequester() = std::move(quit); }

}  // namespace qm::app

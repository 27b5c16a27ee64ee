// The popup base and the assist menu under Wine: a popup from the real skin archive, its caption
// dragging, default clicks, language section and ownership; the menu's entries, its language
// list with the bullet, where it opens and what each entry does.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/assist_menu.h"
#include "app/core/language_manager.h"
#include "app/popup_wnd.h"
#include "app/web_pages.h"
#include "tests/gui/gui_test_support.h"
#include "ui/win32/ui_lib.h"

using namespace qm;

namespace {

// A progress-like window: deleted by its opener, reports its start and applies "ScanWnd".
class ProbePopup : public app::CPopUpWnd {
public:
    explicit ProbePopup(bool* deleted) : CPopUpWnd(L"PopUp.xml", false), deleted_(deleted) {}
    ~ProbePopup() override { *deleted_ = true; }
    void OnWindowInit(ui::TNotifyUI&) override {
        started = true;
        ApplySection(L"ScanWnd");
    }
    bool started = false;

private:
    bool* deleted_;
};

// A plain popup: it deletes itself when its window goes.
class PlainPopup : public app::CPopUpWnd {
public:
    PlainPopup(bool* deleted) : CPopUpWnd(L"PopUp.xml"), deleted_(deleted) {}
    ~PlainPopup() override { *deleted_ = true; }

private:
    bool* deleted_;
};

LRESULT HitTest(HWND hwnd, POINT client) {
    POINT screen = client;
    ::ClientToScreen(hwnd, &screen);
    return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
}

struct PendingClick {
    app::CPopUpWnd* popup = nullptr;
    const wchar_t* button = nullptr;
    const wchar_t* screenshot = nullptr;
};
PendingClick g_click;

void CALLBACK ClickTimer(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (g_click.screenshot) guitest::SaveWindowScreenshot(g_click.popup->GetHWND(), g_click.screenshot);
    guitest::PostClick(g_click.popup->GetHWND(), g_click.popup->FindControl(g_click.button));
}

class OwnerWindow {
public:
    OwnerWindow() {
        hwnd_ = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 60, 50, 900, 640, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    }
    ~OwnerWindow() { ::DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

TEST(PopUpWndTest, DerivedPopupRunsModallyAndIsDeletedByItsOpener) {
    OwnerWindow owner;
    bool deleted = false;
    auto* popup = new ProbePopup(&deleted);
    HWND hwnd = popup->CreatePopup(owner.hwnd(), 450, 250);
    ASSERT_TRUE(::IsWindow(hwnd));
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    EXPECT_STREQ(L"UIPopUpWnd", cls);
    EXPECT_EQ(owner.hwnd(), popup->GetOwner());
    EXPECT_EQ(static_cast<LONG_PTR>(0x81), ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & 0x81);
    EXPECT_TRUE(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_POPUP);
    RECT rc{}, ownerRect{};
    ::GetWindowRect(hwnd, &rc);
    ::GetWindowRect(owner.hwnd(), &ownerRect);
    EXPECT_EQ(450, rc.right - rc.left);
    EXPECT_EQ(250, rc.bottom - rc.top);
    EXPECT_NEAR((ownerRect.left + ownerRect.right) / 2, (rc.left + rc.right) / 2, 1);
    EXPECT_NEAR((ownerRect.top + ownerRect.bottom) / 2, (rc.top + rc.bottom) / 2, 1);

    ASSERT_TRUE(guitest::PumpUntil([&] { return popup->started; }));
    // "ScanWnd" names the title label.
    EXPECT_EQ(app::CLanguageManager::Instance().GetText(L"ScanWnd", L"title"), popup->FindControl(L"title")->GetText());
    EXPECT_FALSE(popup->FindControl(L"title")->GetText().empty());

    // The caption drags, except over a button; no border sizes the popup.
    ui::CControlUI* close = popup->FindControl(L"closebtn");
    ui::CControlUI* title = popup->FindControl(L"title");
    EXPECT_EQ(HTCAPTION, HitTest(hwnd, guitest::CentreOf(title)));
    EXPECT_EQ(HTCLIENT, HitTest(hwnd, guitest::CentreOf(close)));
    EXPECT_EQ(HTCLIENT, HitTest(hwnd, POINT{1, 120}));
    EXPECT_EQ(HTCLIENT, HitTest(hwnd, POINT{449, 249}));

    g_click = PendingClick{popup, L"closebtn", L"app_popup.png"};
    ::SetTimer(nullptr, 0, 150, &ClickTimer);
    EXPECT_EQ(2u, popup->ShowPopupModal());
    EXPECT_FALSE(deleted);
    popup->DeleteAfterModal();
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));
}

TEST(PopUpWndTest, PlainPopupDeletesItselfWithItsWindow) {
    bool deleted = false;
    auto* popup = new PlainPopup(&deleted);
    popup->CreatePopup(nullptr, 420, 220);
    ASSERT_TRUE(guitest::PumpUntil([&] { return popup->GetPaintManager().IsWindowInitSent(); }));
    g_click = PendingClick{popup, L"closebtn", nullptr};
    ::SetTimer(nullptr, 0, 50, &ClickTimer);
    EXPECT_EQ(2u, popup->ShowPopupModal());
    EXPECT_TRUE(deleted);
}

TEST(AssistMenuTest, EntriesLeadToTheirActions) {
    const app::LanguageList languages = {{L"English", L"English"}, {L"Deutsch", L"Deutsch"}};
    struct Case {
        const wchar_t* entry;
        app::AssistAction action;
        UINT message;
    };
    const Case cases[] = {
        {L"item_help", app::AssistAction::OpenWebPage, WM_USER + 100},
        {L"item_faq", app::AssistAction::OpenWebPage, WM_USER + 101},
        {L"item_about", app::AssistAction::OpenWebPage, WM_USER + 104},
        {L"item_support", app::AssistAction::OpenWebPage, WM_USER + 105},
        {L"item_exit", app::AssistAction::Exit, 0},
        {L"Deutsch", app::AssistAction::SwitchLanguage, 0},
        {L"deutsch", app::AssistAction::None, 0},  // file names compare exactly
        {L"item_language", app::AssistAction::None, 0},
        {L"", app::AssistAction::None, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entry, c.entry + wcslen(c.entry)));
        const app::AssistDecision decision = app::DecideAssistAction(c.entry, languages);
        EXPECT_EQ(c.action, decision.action);
        EXPECT_EQ(c.message, decision.pageMessage);
        if (c.action == app::AssistAction::SwitchLanguage) {
            EXPECT_EQ(c.entry, decision.language);
        }
    }
    EXPECT_STREQ(app::kHelpPageUrl, app::WebPageForMessage(WM_USER + 100));
    EXPECT_STREQ(app::kFaqPageUrl, app::WebPageForMessage(WM_USER + 101));
    EXPECT_STREQ(app::kAboutPageUrl, app::WebPageForMessage(WM_USER + 104));
    EXPECT_STREQ(app::kSupportPageUrl, app::WebPageForMessage(WM_USER + 105));
    EXPECT_EQ(nullptr, app::WebPageForMessage(WM_USER + 102));
}

// A skinned window with a button standing in for "BtnAssist"; it records WM_USER+6.
class HostWindow : public ui::WindowImplBase {
public:
    int languageMessages = 0;

protected:
    const wchar_t* GetWindowClassName() const override { return L"QmTestAssistHost"; }
    std::wstring GetSkinFile() override { return L"xml\\PopUp.xml"; }
    LRESULT HandleCustomMessage(UINT msg, WPARAM, LPARAM, bool& handled) override {
        if (msg == app::kMsgLanguageChanged) {
            ++languageMessages;
            handled = true;
        }
        return 0;
    }
};

class AssistMenuWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.Create(nullptr, L"host", WS_POPUP | WS_VISIBLE, 0, 200, 150, 500, 300);
        ASSERT_TRUE(guitest::PumpUntil([&] { return host_.GetPaintManager().IsWindowInitSent(); }));
        app::SetWebPageOpener([this](const std::wstring& url) { opened_.push_back(url); });
        app::SetQuitRequester([this] { ++quits_; });
    }
    void TearDown() override {
        app::SetWebPageOpener(nullptr);
        app::SetQuitRequester(nullptr);
        // Any menu still open goes with its owner.
        ::DestroyWindow(host_.GetHWND());
        guitest::PumpFor(50);
    }
    HostWindow host_;
    std::vector<std::wstring> opened_;
    int quits_ = 0;
};

TEST_F(AssistMenuWindowTest, MenuListsLanguagesWithBulletOnTheCurrentOne) {
    app::CLanguageManager& languages = app::CLanguageManager::Instance();
    ui::CMenuWnd* menu = app::BuildAssistMenu(host_.GetHWND());
    ASSERT_NE(nullptr, menu);
    ui::MenuItemData* language = menu->FindItem(L"item_language");
    ASSERT_NE(nullptr, language);
    const app::LanguageList& list = languages.GetLanguageList();
    ASSERT_GE(list.size(), 2u);
    ASSERT_EQ(list.size(), language->children.size());
    int bullets = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].first, language->children[i].name);
        EXPECT_EQ(list[i].second, language->children[i].text);
        const bool current = list[i].first == languages.GetCurrentLanguage();
        EXPECT_EQ(current ? std::wstring(app::kCurrentLanguageBullet) : std::wstring(), language->children[i].icon);
        bullets += current ? 1 : 0;
    }
    EXPECT_EQ(1, bullets);
    // "MenuWnd" texts replace the skin's.
    EXPECT_EQ(languages.GetText(L"MenuWnd", L"item_about"), menu->FindItem(L"item_about")->text);
    EXPECT_EQ(languages.GetText(L"MenuWnd", L"item_exit"), menu->FindItem(L"item_exit")->text);
    delete menu;
}

TEST_F(AssistMenuWindowTest, MenuOpensUnderTheButtonAndRunsTheChosenEntry) {
    ui::CControlUI* button = host_.FindControl(L"closebtn");
    ASSERT_NE(nullptr, button);
    const POINT corner = app::AssistMenuCorner(host_.GetHWND(), button);
    RECT hostRect{};
    ::GetWindowRect(host_.GetHWND(), &hostRect);
    EXPECT_EQ(hostRect.left + button->GetPos().left, corner.x);
    EXPECT_EQ(hostRect.top + button->GetPos().bottom, corner.y);

    ui::CMenuWnd* menu = app::ShowAssistMenu(host_.GetHWND(), button);
    ASSERT_NE(nullptr, menu);
    guitest::PumpFor(200);
    RECT menuRect{};
    ::GetWindowRect(menu->GetHWND(), &menuRect);
    EXPECT_EQ(corner.y, menuRect.top);
    guitest::SaveWindowScreenshot(menu->GetHWND(), L"app_assist_menu.png");
    if (ui::CMenuWnd* sub = menu->OpenSubMenu(L"item_language")) {
        guitest::PumpFor(200);
        guitest::SaveWindowScreenshot(sub->GetHWND(), L"app_assist_menu_languages.png");
    }
    ASSERT_TRUE(menu->Choose(L"item_help"));
    ASSERT_TRUE(guitest::PumpUntil([&] { return !opened_.empty(); }));
    EXPECT_EQ(std::vector<std::wstring>{app::kHelpPageUrl}, opened_);

    for (const wchar_t* entry : {L"item_faq", L"item_about", L"item_support"}) {
        ui::CMenuWnd* again = app::ShowAssistMenu(host_.GetHWND(), button);
        ASSERT_NE(nullptr, again);
        ASSERT_TRUE(again->Choose(entry));
    }
    ASSERT_TRUE(guitest::PumpUntil([&] { return opened_.size() == 4; }));
    EXPECT_EQ(app::kFaqPageUrl, opened_[1]);
    EXPECT_EQ(app::kAboutPageUrl, opened_[2]);
    EXPECT_EQ(app::kSupportPageUrl, opened_[3]);

    ui::CMenuWnd* last = app::ShowAssistMenu(host_.GetHWND(), button);
    ASSERT_NE(nullptr, last);
    ASSERT_TRUE(last->Choose(L"item_exit"));
    EXPECT_EQ(1, quits_);
    guitest::PumpFor(50);
}

TEST_F(AssistMenuWindowTest, LanguageEntrySwitchesAndTellsTheMainWindow) {
    guitest::ConfigRestorer restore;
    app::CLanguageManager& languages = app::CLanguageManager::Instance();
    const std::wstring before = languages.GetCurrentLanguage();
    std::wstring other;
    for (const auto& [file, shown] : languages.GetLanguageList()) {
        if (file != before) other = file;
    }
    ASSERT_FALSE(other.empty());
    ui::CMenuWnd* menu = app::ShowAssistMenu(host_.GetHWND(), host_.FindControl(L"closebtn"));
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(menu->Choose(other));
    EXPECT_EQ(other, languages.GetCurrentLanguage());
    ASSERT_TRUE(guitest::PumpUntil([&] { return host_.languageMessages == 1; }));

    // The next menu marks the new language.
    ui::CMenuWnd* next = app::BuildAssistMenu(host_.GetHWND());
    ASSERT_NE(nullptr, next);
    for (const ui::MenuItemData& item : next->FindItem(L"item_language")->children) {
        EXPECT_EQ(item.name == other, !item.icon.empty()) << std::string(item.name.begin(), item.name.end());
    }
    delete next;
}

}  // namespace

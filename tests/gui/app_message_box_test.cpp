// The program's message boxes under Wine: every kind built from the real skin archive, answered
// by simulated clicks, titled from the language tables, and renamed by the "MessageBox" section.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/language_manager.h"
#include "app/message_box.h"
#include "tests/gui/gui_test_support.h"
#include "ui/win32/ui_lib.h"

using namespace qm;
using qm::app::CMessageBox;

namespace {

std::wstring Title(int kind) {
    return app::CLanguageManager::Instance().GetText(L"Messages", app::MessageBoxTitleKey(kind));
}

// A plain top-level window to own the boxes.
class OwnerWindow {
public:
    OwnerWindow() {
        hwnd_ = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 120, 90, 800, 560, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    }
    ~OwnerWindow() { ::DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// Answers the next box that shows: after it has painted, saves its picture and clicks `button`.
struct BoxAnswer {
    std::wstring button;
    std::wstring screenshot;
    CMessageBox* seen = nullptr;
    int kind = -1;
    std::wstring title, message, okText;
    RECT rect{};
    bool clicked = false;
};
BoxAnswer* g_answer = nullptr;

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    BoxAnswer& answer = *g_answer;
    CMessageBox& box = *answer.seen;
    ::UpdateWindow(box.GetHWND());
    if (!answer.screenshot.empty()) guitest::SaveWindowScreenshot(box.GetHWND(), answer.screenshot);
    ui::CControlUI* button = box.FindControl(answer.button);
    ASSERT_NE(nullptr, button) << "no control " << std::string(answer.button.begin(), answer.button.end());
    guitest::PostClick(box.GetHWND(), button);
    answer.clicked = true;
}

void AnswerNextBox(BoxAnswer& answer) {
    g_answer = &answer;
    app::SetMessageBoxObserver([](CMessageBox& box) {
        BoxAnswer& a = *g_answer;
        a.seen = &box;
        a.kind = box.GetKind();
        a.title = box.FindControl(L"title")->GetText();
        a.message = box.FindControl(L"message")->GetText();
        a.okText = box.FindControl(L"okbtn")->GetText();
        ::GetWindowRect(box.GetHWND(), &a.rect);
        ::SetTimer(nullptr, 0, 150, &AnswerTimer);
    });
}

class MessageBoxTest : public ::testing::Test {
protected:
    void TearDown() override { app::SetMessageBoxObserver(nullptr); }
};

TEST_F(MessageBoxTest, EveryKindBuildsItsSkinWithTitleAndControls) {
    struct Expect {
        int kind;
        const wchar_t* titleKey;
        const wchar_t* picture;
        bool hasCancel;
        const wchar_t* screenshot;
    };
    const Expect kinds[] = {
        {app::kMessageBoxError, L"MSG0401", L"MessageBox/error.png", false, L"app_message_box_error.png"},
        {app::kMessageBoxConfirm, L"MSG0402", L"MessageBox/confirmation.png", true, L"app_message_box_confirm.png"},
        {app::kMessageBoxInformation, L"MSG0403", L"MessageBox/information.png", false, L"app_message_box_information.png"},
        {app::kMessageBoxWarning, L"MSG0405", L"MessageBox/warning.png", false, L"app_message_box_warning.png"},
        {app::kMessageBoxQuestion, L"MSG0404", L"MessageBox/question.png", true, L"app_message_box_question.png"},
    };
    OwnerWindow owner;
    for (const Expect& e : kinds) {
        SCOPED_TRACE(e.kind);
        EXPECT_STREQ(e.titleKey, app::MessageBoxTitleKey(e.kind));
        CMessageBox box(e.kind);
        HWND hwnd = box.CreateBox(owner.hwnd(), L"Something to say about kind " + std::to_wstring(e.kind) + L".", 400);
        ASSERT_TRUE(::IsWindow(hwnd));
        wchar_t cls[64] = {};
        ::GetClassNameW(hwnd, cls, 64);
        EXPECT_STREQ(L"UIMessageBox", cls);
        EXPECT_EQ(owner.hwnd(), ::GetWindow(hwnd, GW_OWNER));
        EXPECT_EQ(static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW),
                  ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & (WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW));
        RECT rc{};
        ::GetWindowRect(hwnd, &rc);
        EXPECT_EQ(400, rc.right - rc.left);
        EXPECT_EQ(160, rc.bottom - rc.top);
        for (const wchar_t* name : {L"title", L"message", L"picture", L"closebtn", L"okbtn"}) {
            EXPECT_NE(nullptr, box.FindControl(name)) << std::string(name, name + wcslen(name));
        }
        EXPECT_EQ(e.hasCancel, box.FindControl(L"cancelbtn") != nullptr);
        EXPECT_EQ(Title(e.kind), box.FindControl(L"title")->GetText());
        EXPECT_FALSE(box.FindControl(L"title")->GetText().empty());
        EXPECT_NE(std::wstring::npos, box.FindControl(L"picture")->GetBkImage().find(e.picture));
        ASSERT_TRUE(guitest::PumpUntil([&] { return box.GetPaintManager().IsWindowInitSent(); }));
        guitest::PumpFor(100);
        const guitest::Screenshot shot = guitest::SaveWindowScreenshot(hwnd, e.screenshot);
        // The caption strip is the skin's blue.
        EXPECT_GT(guitest::CountPixelsNear(shot, 0x0089BE), 400u * 20u);
        box.Close(2);
        guitest::PumpFor(20);
    }
}

TEST_F(MessageBoxTest, ClickedButtonGivesTheResult) {
    struct Case {
        int kind;
        const wchar_t* button;
        int result;
    };
    const Case cases[] = {
        {app::kMessageBoxInformation, L"okbtn", 1},
        {app::kMessageBoxConfirm, L"cancelbtn", 2},
        {app::kMessageBoxQuestion, L"okbtn", 1},
        {app::kMessageBoxQuestion, L"cancelbtn", 2},
        // The title bar's close button answers like "No".
        {app::kMessageBoxQuestion, L"closebtn", 2},
        {app::kMessageBoxError, L"closebtn", 2},
    };
    OwnerWindow owner;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + std::string(c.button, c.button + wcslen(c.button)));
        BoxAnswer answer;
        answer.button = c.button;
        AnswerNextBox(answer);
        const int result = app::ShowMessageBox(c.kind, owner.hwnd(), L"Answer me.", 400);
        EXPECT_TRUE(answer.clicked);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.kind, answer.kind);
        EXPECT_EQ(L"Answer me.", answer.message);
        // Centred on the owner, and the owner usable again afterwards.
        RECT ownerRect{};
        ::GetWindowRect(owner.hwnd(), &ownerRect);
        EXPECT_NEAR((ownerRect.left + ownerRect.right) / 2, (answer.rect.left + answer.rect.right) / 2, 1);
        EXPECT_NEAR((ownerRect.top + ownerRect.bottom) / 2, (answer.rect.top + answer.rect.bottom) / 2, 1);
        EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));
    }
}

TEST_F(MessageBoxTest, UnknownKindShowsTheErrorBox) {
    for (int kind : {5, 42, -1}) {
        SCOPED_TRACE(kind);
        EXPECT_STREQ(L"MessageBox_Error.xml", app::MessageBoxSkinName(kind));
        EXPECT_STREQ(L"MSG0401", app::MessageBoxTitleKey(kind));
    }
    BoxAnswer answer;
    answer.button = L"okbtn";
    answer.screenshot = L"app_message_box_unknown_kind.png";
    AnswerNextBox(answer);
    EXPECT_EQ(1, app::ShowMessageBox(9, nullptr, L"An unknown kind of box.", 400));
    EXPECT_EQ(app::kMessageBoxError, answer.kind);
    EXPECT_EQ(Title(app::kMessageBoxError), answer.title);
    // Without an owner the box stands in the middle of the screen's work area.
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, (answer.rect.left + answer.rect.right) / 2, 2);
}

TEST_F(MessageBoxTest, MessageBoxSectionRenamesTheButtons) {
    app::TextTable& section = app::CLanguageManager::Instance().GetSection(L"MessageBox");
    const app::TextTable saved = section;
    section[L"okbtn"] = L"Understood";
    BoxAnswer answer;
    answer.button = L"okbtn";
    answer.screenshot = L"app_message_box_renamed.png";
    AnswerNextBox(answer);
    CMessageBox* seen = nullptr;
    std::wstring cancelText;
    app::SetMessageBoxObserver([&](CMessageBox& box) {
        seen = &box;
        answer.seen = &box;
        answer.okText = box.FindControl(L"okbtn")->GetText();
        cancelText = box.FindControl(L"cancelbtn")->GetText();
        ::SetTimer(nullptr, 0, 100, &AnswerTimer);
    });
    EXPECT_EQ(1, app::ShowMessageBox(app::kMessageBoxConfirm, nullptr, L"Renamed button.", 400));
    app::CLanguageManager::Instance().GetSection(L"MessageBox") = saved;
    ASSERT_NE(nullptr, seen);
    EXPECT_EQ(L"Understood", answer.okText);
    // Not named in the section: the skin's caption stays.
    EXPECT_EQ(L"Cancel", cancelText);
}

}  // namespace

// Switching the language at run time: config.ini is rewritten, the boxes take their texts from
// the new language file, and switching back restores them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/core/ini_file.h"
#include "app/core/language_manager.h"
#include "app/message_box.h"
#include "app/module_folder.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"
#include "ui/win32/ui_lib.h"

using namespace qm;

namespace {

struct SeenBox {
    std::wstring title, ok, cancel;
    app::CMessageBox* box = nullptr;
    const wchar_t* screenshot = nullptr;
};
SeenBox* g_seen = nullptr;

void CALLBACK CloseTimer(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    if (g_seen->screenshot) guitest::SaveWindowScreenshot(g_seen->box->GetHWND(), g_seen->screenshot);
    guitest::PostClick(g_seen->box->GetHWND(), g_seen->box->FindControl(L"okbtn"));
}

SeenBox ShowQuestion(const std::wstring& text, const wchar_t* screenshot) {
    SeenBox seen;
    seen.screenshot = screenshot;
    g_seen = &seen;
    app::SetMessageBoxObserver([](app::CMessageBox& box) {
        g_seen->box = &box;
        g_seen->title = box.FindControl(L"title")->GetText();
        g_seen->ok = box.FindControl(L"okbtn")->GetText();
        g_seen->cancel = box.FindControl(L"cancelbtn")->GetText();
        ::SetTimer(nullptr, 0, 150, &CloseTimer);
    });
    EXPECT_EQ(1, app::ShowMessageBox(app::kMessageBoxQuestion, nullptr, text, 400));
    app::SetMessageBoxObserver(nullptr);
    return seen;
}

TEST(ModuleFolderTest, IsTheProgramsFolderWithForwardSlashes) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring expected(path);
    for (auto& c : expected) c = c == L'\\' ? L'/' : c;
    expected.resize(expected.rfind(L'/') + 1);
    const std::wstring& folder = app::GetModuleFolder();
    EXPECT_EQ(expected, folder);
    EXPECT_EQ(L'/', folder.back());
    EXPECT_EQ(std::wstring::npos, folder.find(L'\\'));
    // Computed once: the same buffer every time.
    EXPECT_EQ(&folder, &app::GetModuleFolder());
    // The language tables live there.
    EXPECT_EQ(folder + L"config.ini", app::CLanguageManager::Instance().ConfigPath());
}

TEST(LanguageSwitchTest, BoxesFollowTheChosenLanguageAndConfigRemembersIt) {
    guitest::ConfigRestorer restore;
    app::CLanguageManager& languages = app::CLanguageManager::Instance();
    const std::wstring first = languages.GetCurrentLanguage();
    ASSERT_GE(languages.GetLanguageList().size(), 2u);
    std::wstring second;
    for (const auto& [file, shown] : languages.GetLanguageList()) {
        if (file != first && second.empty()) second = file;
    }
    ASSERT_FALSE(second.empty());
    const std::wstring secondFile = guitest::ProgramFolder() + L"Languages/" + second + L".ini";
    ASSERT_FALSE(test::readWholeFile(secondFile).empty()) << "the second language file lies beside the program";

    const SeenBox before = ShowQuestion(languages.GetText(L"Messages", L"MSG0709"), L"app_language_first.png");
    EXPECT_EQ(languages.GetText(L"Messages", L"MSG0404"), before.title);

    ASSERT_EQ(0, languages.SetLanguage(second));
    EXPECT_EQ(second, languages.GetCurrentLanguage());
    EXPECT_EQ(second, app::ReadIniString(languages.ConfigPath(), L"DefaultLanguage", L"Default", L""));
    const std::wstring secondTitle = languages.GetText(L"Messages", L"MSG0404");
    EXPECT_FALSE(secondTitle.empty());
    EXPECT_NE(before.title, secondTitle);

    const SeenBox after = ShowQuestion(languages.GetText(L"Messages", L"MSG0709"), L"app_language_second.png");
    EXPECT_EQ(secondTitle, after.title);
    // The question's own captions ("Yes"/"No" in English) follow the language too.
    EXPECT_EQ(languages.GetText(L"MessageBoxQuestion", L"okbtn"), after.ok);
    EXPECT_EQ(languages.GetText(L"MessageBoxQuestion", L"cancelbtn"), after.cancel);
    EXPECT_NE(before.ok, after.ok);

    // A fresh manager over the same folder (the next start) reads the new choice.
    app::CLanguageManager nextStart(guitest::ProgramFolder());
    EXPECT_EQ(second, nextStart.GetCurrentLanguage());

    ASSERT_EQ(0, languages.SetLanguage(first));
    const SeenBox back = ShowQuestion(L"Back again.", nullptr);
    EXPECT_EQ(before.title, back.title);
    EXPECT_EQ(before.ok, back.ok);
    EXPECT_EQ(first, app::ReadIniString(languages.ConfigPath(), L"DefaultLanguage", L"Default", L""));
}

}  // namespace

// The main window built from the real skin: the wizard's pages with their banners, the type
// choice bound to the master box, image files in the media list with their details, and the
// disk image window copying an image file, stopped after a "No" and then a "Yes".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/core/language_manager.h"
#include "app/create_image_process_wnd.h"
#include "app/disk_list.h"
#include "app/file_dialogs.h"
#include "app/main_wnd.h"
#include "app/message_box.h"
#include "app/single_instance.h"
#include "results/type_options.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"
#include "ui/win32/ui_lib.h"

using namespace qm;

namespace {

std::wstring Text(const wchar_t* key) { return app::CLanguageManager::Instance().GetText(L"Messages", key); }

void WriteZeros(const std::wstring& path, uint64_t bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER size{};
    size.QuadPart = static_cast<LONGLONG>(bytes);
    ::SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file);
    ::CloseHandle(file);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_.Create(nullptr, L"Tessaly (test)", app::kMainWindowStyle, app::kMainWindowExStyle, 0, 0, 800, 500);
        window_.CenterWindow();
        window_.ShowWindow(true, true);
        ASSERT_TRUE(guitest::PumpUntil([&] { return window_.GetPaintManager().IsWindowInitSent(); }));
    }
    void TearDown() override {
        app::SetFileDialogStandIn(nullptr);
        app::SetMessageBoxObserver(nullptr);
        ::DestroyWindow(window_.GetHWND());
        // The window posts the quit message that ends the program's loop; this test has none.
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void Click(const wchar_t* name) {
        ui::CControlUI* control = window_.FindControl(name);
        ASSERT_NE(nullptr, control) << std::string(name, name + wcslen(name));
        guitest::PostClick(window_.GetHWND(), control);
    }
    bool Visible(const wchar_t* name) {
        ui::CControlUI* control = window_.FindControl(name);
        return control && control->IsVisible();
    }
    void Shot(const wchar_t* name) {
        window_.GetPaintManager().NeedUpdate();
        guitest::PumpFor(200);
        guitest::SaveWindowScreenshot(window_.GetHWND(), name);
    }
    app::CMainWnd window_;
};

}  // namespace

TEST_F(MainWindowTest, EveryControlTheWindowLooksUpIsInTheSkin) {
    for (const wchar_t* name :
         {L"BtnStart", L"BtnAssist", L"BtnScan", L"BtnRecover", L"BtnPrev", L"BtnNext", L"ToolBar1", L"ToolBar2",
          L"ToolBar3", L"ToolBtn", L"TabScan", L"TabFileType", L"TabRecover", L"PreviewEdit", L"TabPage",
          L"SelectedFileInfo", L"ToolBar2Logo", L"CheckAll", L"PartitionListBar", L"DiskTree", L"TypeTree", L"FileList",
          L"DiskList", L"NodePhoto", L"NodeAudio", L"NodeVideo", L"NodeOffice", L"NodeZip", L"NodeOther", L"ChkPhoto",
          L"ChkMusic", L"ChkVideo", L"ChkOffice", L"ChkArchive", L"ChkOther", L"ChkRecoverAll", L"ChkAllListSel",
          L"Txt1", L"Txt2", L"OptOtherFileItem", L"LblProductName", L"SubBar1", L"SubBar2", L"Label1", L"Label6",
          L"BtnDeletedRecovery", L"BtnFormattedRecovery", L"BtnDeepRecovery", L"BtnCreateImageMode", L"TxtMainInfo",
          L"BtnLoadImage", L"BtnCreateImage", L"FileName", L"Size", L"ModifiedTime", L"CreatedTime", L"Path", L"Type",
          L"FileListPagination"}) {
        EXPECT_NE(nullptr, window_.FindControl(name)) << std::string(name, name + wcslen(name));
    }
    EXPECT_EQ(nullptr, window_.FindControl(L"BtnLikeIt"));
    EXPECT_EQ(Text(L"MSG1209"), window_.FindControl(L"LblProductName")->GetText());
    // Page 2 carries the built-in vocabulary, option by option, extensions in the user data.
    const ChoiceGroups& groups = window_.Choice().Groups();
    ASSERT_EQ(TypeGroups().size(), groups.size());
    for (size_t g = 0; g < groups.size(); ++g) {
        ASSERT_EQ(TypeGroups()[g].options.size(), groups[g].size()) << g;
        for (size_t o = 0; o < groups[g].size(); ++o) {
            EXPECT_EQ(TypeGroups()[g].options[o].text, groups[g][o].text);
            EXPECT_EQ(TypeGroups()[g].options[o].userdata, groups[g][o].userdata);
        }
    }
}

TEST_F(MainWindowTest, PagesFollowTheButtonsAndShowTheirBanners) {
    EXPECT_EQ(kPageChooseTypes, window_.Wizard().page);
    EXPECT_TRUE(Visible(L"SubBar1"));
    EXPECT_FALSE(Visible(L"ToolBar2"));
    ui::CControlUI* info = window_.FindControl(L"TxtMainInfo");
    window_.GetPaintManager().SendNotify(window_.FindControl(L"BtnDeepRecovery"), L"onhot");
    EXPECT_EQ(Text(L"MSG0103"), info->GetText());
    Shot(L"main_page0_types.png");

    // A group box cleared: the master box half-checked, the group's options cleared on page 2.
    Click(L"ChkPhoto");
    ASSERT_TRUE(guitest::PumpUntil([&] { return !window_.Choice().IsGroupChecked(0); }));
    auto* master = window_.FindControl<ui::CCheckBoxUI>(L"ChkRecoverAll");
    EXPECT_TRUE(master->IsHalfCheck());
    EXPECT_FALSE(window_.FindControl<ui::CCheckBoxUI>(L"OptPhotoJpg")->GetCheck());
    EXPECT_TRUE(window_.FindControl<ui::CCheckBoxUI>(L"OptAudioMp3")->GetCheck());
    EXPECT_TRUE(window_.FindControl<ui::CCheckBoxUI>(L"OptAudioRm")->GetCheck()) << "rm is also a video option";
    Click(L"ChkRecoverAll");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Choice().IsGroupChecked(0); }));
    EXPECT_TRUE(window_.FindControl<ui::CCheckBoxUI>(L"OptPhotoJpg")->GetCheck());
    EXPECT_TRUE(window_.FindControl(L"BtnStart")->IsEnabled());

    Click(L"BtnDeletedRecovery");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    EXPECT_EQ(kScanModeFast, window_.Wizard().scanMode);
    EXPECT_TRUE(Visible(L"ToolBar2"));
    EXPECT_TRUE(Visible(L"BtnScan"));
    EXPECT_FALSE(Visible(L"BtnRecover"));
    EXPECT_EQ(Text(L"MSG0212"), window_.FindControl(L"Txt1")->GetText());
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"ToolBar2")->GetBkImage().find(L"banner_bg.png"));

    Click(L"TabFileType");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageFineTypes; }));
    EXPECT_EQ(Text(L"MSG0601"), window_.FindControl(L"Txt1")->GetText());
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"ToolBar2")->GetBkImage().find(L"banner_bg2.png"));
    Shot(L"main_page2_file_types.png");

    Click(L"BtnPrev");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    Click(L"BtnPrev");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseTypes; }));

    Click(L"BtnCreateImageMode");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    EXPECT_TRUE(window_.Wizard().imageCreationMode);
    EXPECT_TRUE(Visible(L"BtnCreateImage"));
    EXPECT_FALSE(Visible(L"BtnLoadImage"));
    EXPECT_EQ(Text(L"MSG0503"), window_.FindControl(L"TabScan")->GetText());
}

TEST_F(MainWindowTest, LoadedImageFileIsListedWithItsDetails) {
    test::TempDir folder;
    const std::wstring image = folder.file(L"camera card.img");
    WriteZeros(image, 3u << 20);
    app::SetFileDialogStandIn([&](app::FileDialogKind kind, const std::wstring&) {
        return kind == app::FileDialogKind::OpenImage ? image : std::wstring();
    });
    Click(L"BtnStart");
    ASSERT_TRUE(guitest::PumpUntil([&] { return window_.Wizard().page == kPageChooseMedium; }));
    auto* list = window_.FindControl<app::CDiskListUI>(L"DiskList");
    const int before = list->GetCount();
    Click(L"BtnLoadImage");
    ASSERT_TRUE(guitest::PumpUntil([&] { return list->GetCount() == before + 2; }));  // "Image File" and the file
    list->SelectItem(list->GetCount() - 1);
    const app::MediaSource* source = window_.SelectedSource();
    ASSERT_NE(nullptr, source);
    EXPECT_EQ(image, source->imagePath);
    EXPECT_EQ(1001, source->imageTag);
    EXPECT_TRUE(window_.Wizard().mediumSelected);
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"Label1")->GetText().find(image));
    EXPECT_NE(std::wstring::npos, window_.FindControl(L"Label2")->GetText().find(L"3.00 MB"));
    Shot(L"main_page1_media.png");
}

TEST(CreateImageWindow, CopiesAnImageFileWholly) {
    test::TempDir folder;
    const std::wstring source = folder.file(L"source.img"), copy = folder.file(L"copy.img");
    std::vector<uint8_t> bytes(300 * 1024);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 512);
    test::writeWholeFile(source, bytes);
    app::ImageCopyOrigin origin;
    origin.imageFile = source;
    app::CCreateImageProcessWnd window(origin, copy);
    window.CreatePopup(nullptr, app::CCreateImageProcessWnd::kWidth, app::CCreateImageProcessWnd::kHeight);
    EXPECT_EQ(app::CCreateImageProcessWnd::kResultCopied, window.ShowPopupModal());
    EXPECT_EQ(bytes.size() / 512, window.SectorsCopied());
    EXPECT_EQ(bytes, test::readWholeFile(copy));

    app::ImageCopyOrigin missing;
    missing.imageFile = folder.file(L"gone.img");
    app::CCreateImageProcessWnd failing(missing, folder.file(L"never.img"));
    failing.CreatePopup(nullptr, app::CCreateImageProcessWnd::kWidth, app::CCreateImageProcessWnd::kHeight);
    EXPECT_EQ(app::CCreateImageProcessWnd::kResultFailed, failing.ShowPopupModal());
}

namespace {

// Answers the stop questions: the first with "No", then, once it is gone, asks again and answers
// "Yes".
struct StopAnswers {
    app::CCreateImageProcessWnd* window = nullptr;
    std::vector<std::wstring> questions;
    HWND firstBox = nullptr;
};
StopAnswers* g_stop = nullptr;

void CALLBACK AskAgainWhenFirstBoxIsGone(HWND, UINT, UINT_PTR id, DWORD) {
    if (::IsWindow(g_stop->firstBox)) return;
    ::KillTimer(nullptr, id);
    guitest::PostClick(g_stop->window->GetHWND(), g_stop->window->FindControl(L"cancelbtn"));
}

void CALLBACK AskOnceLaidOut(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_stop->window->GetPaintManager().IsWindowInitSent()) return;
    ::KillTimer(nullptr, id);
    guitest::PostClick(g_stop->window->GetHWND(), g_stop->window->FindControl(L"cancelbtn"));
}

}  // namespace

TEST(CreateImageWindow, StopQuestionAnsweredNoGoesOnAndYesStops) {
    test::TempDir folder;
    const std::wstring source = folder.file(L"big.img"), copy = folder.file(L"copy.img");
    constexpr uint64_t kSourceBytes = 512ull << 20;  // sparse: only what is copied takes room
    WriteZeros(source, kSourceBytes);
    app::ImageCopyOrigin origin;
    origin.imageFile = source;
    app::CCreateImageProcessWnd window(origin, copy);
    StopAnswers answers;
    answers.window = &window;
    g_stop = &answers;
    app::SetMessageBoxObserver([&](app::CMessageBox& box) {
        answers.questions.push_back(box.FindControl(L"message")->GetText());
        ui::CControlUI* button = box.FindControl(answers.questions.size() == 1 ? L"cancelbtn" : L"okbtn");
        if (answers.questions.size() == 1) {
            answers.firstBox = box.GetHWND();
            ::SetTimer(nullptr, 0, 20, &AskAgainWhenFirstBoxIsGone);
        } else {
            guitest::SaveWindowScreenshot(window.GetHWND(), L"create_image_window.png");
        }
        guitest::PostClick(box.GetHWND(), button);
    });
    window.CreatePopup(nullptr, app::CCreateImageProcessWnd::kWidth, app::CCreateImageProcessWnd::kHeight);
    // The first question comes as soon as the window is laid out and its copy has started.
    ::SetTimer(nullptr, 0, 10, &AskOnceLaidOut);
    const UINT result = window.ShowPopupModal();
    app::SetMessageBoxObserver(nullptr);
    EXPECT_EQ(app::CCreateImageProcessWnd::kResultStopped, result);
    ASSERT_EQ(2u, answers.questions.size());
    EXPECT_EQ(Text(L"MSG0306"), answers.questions[0]);
    EXPECT_EQ(Text(L"MSG0306"), answers.questions[1]);
    EXPECT_LT(window.SectorsCopied(), kSourceBytes / 512);
}

// The preview by clicks: a fast scan of a FAT32 image whose files of every preview kind were
// deleted, then a click on each file's row shows it in the main window's pane (or plays it), and
// a double click on a picture opens the preview window, which steps through the pictures and
// recovers the one shown.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/core/language_manager.h"
#include "app/file_dialogs.h"
#include "app/main_wnd.h"
#include "app/message_box.h"
#include "app/picture_component.h"
#include "app/player_processes.h"
#include "app/preview_display.h"
#include "app/preview_wnd.h"
#include "app/recover_process_wnd.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "preview/text_dump.h"
#include "results/scan_history.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"
#include "ui/win32/label.h"
#include "ui/win32/list.h"
#include "ui/win32/list_element.h"
#include "ui/win32/rich_edit.h"
#include "ui/win32/tree_node.h"

using namespace qm;

namespace {

constexpr DWORD kStepLimitMs = 30000;
constexpr DWORD kScanLimitMs = 90000;

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(static_cast<wint_t>(c)));
    return text;
}

std::wstring WithoutLineBreaks(std::wstring text) {
    std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    return text;
}

std::wstring Message(const wchar_t* key) { return app::CLanguageManager::Instance().GetText(L"Messages", key); }

std::wstring Original(const std::string& name) { return test::fixturePath("preview-src/" + name); }

std::wstring PreviewFolder(const std::wstring& appData) {
    return platform::joinPath(platform::joinPath(appData, L"OrlynDataRecovery"), L"ScanLog");
}

// Whether a process of that executable name runs from the program's folder.
bool OursRunning(const wchar_t* exeName) {
    bool found = false;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !found; more = ::Process32NextW(snapshot, &entry)) {
        if (::lstrcmpiW(entry.szExeFile, exeName) != 0) continue;
        HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        wchar_t path[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        if (::QueryFullProcessImageNameW(process, 0, path, &length))
            found = app::IsFileDirectlyInFolder(path, guitest::ProgramFolder());
        ::CloseHandle(process);
    }
    ::CloseHandle(snapshot);
    return found;
}

bool ProgramPresent(const wchar_t* exeName) { return platform::pathExists(guitest::ProgramFolder() + exeName); }

// One main window for the whole suite, scanned once; every test clicks its rows.
class AppPreview : public ::testing::Test {
protected:
    struct Shared {
        test::TempDir appData, recovered;
        std::unique_ptr<test::ScopedEnv> appDataEnv;
        app::CMainWnd window;
        std::vector<std::wstring> boxes;  // the texts of the message boxes shown
        bool scanned = false;
    };
    static inline Shared* shared_ = nullptr;

    static void SetUpTestSuite() {
        app::RegisterPictureComponent();  // as the program does at start-up
        shared_ = new Shared;
        shared_->appDataEnv = std::make_unique<test::ScopedEnv>("QUILLMERE_APPDATA", shared_->appData.path());
        const std::wstring image = test::fixturePath("preview.img");
        ScanHistoryRecord earlier;
        for (int i = 0; i < 16 && CScanHistory::Instance().FindImage(image, &earlier) == 1; ++i)
            CScanHistory::Instance().RemoveFolder(earlier.folder);
        app::SetFileDialogStandIn([image](app::FileDialogKind kind, const std::wstring&) {
            return kind == app::FileDialogKind::OpenImage ? image
                   : kind == app::FileDialogKind::RecoveryFolder ? shared_->recovered.path() : std::wstring();
        });
        app::SetMessageBoxObserver([](app::CMessageBox& box) {
            const ui::CControlUI* message = box.FindControl(L"message");
            shared_->boxes.push_back(message ? message->GetText() : std::wstring());
            guitest::PostClick(box.GetHWND(), box.FindControl(L"closebtn"));
        });
        app::CMainWnd& w = shared_->window;
        w.Create(nullptr, L"Tessaly (preview)", app::kMainWindowStyle, app::kMainWindowExStyle, 0, 0, 800, 500);
        w.CenterWindow();
        w.ShowWindow(true, true);
        shared_->scanned = guitest::PumpUntil([&] { return w.GetPaintManager().IsWindowInitSent(); }) &&
                           Click(w.FindControl(L"BtnDeletedRecovery"), [&] { return w.Wizard().page == kPageChooseMedium; }) &&
                           LoadAndScan(image);
    }

    static void TearDownTestSuite() {
        app::SetMessageBoxObserver(nullptr);
        app::SetFileDialogStandIn(nullptr);
        ::DestroyWindow(shared_->window.GetHWND());
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        app::TerminateProcessesByName(app::kPreviewPlayer, guitest::ProgramFolder());
        app::TerminateProcessesByName(app::kPreviewPlayerSecond, guitest::ProgramFolder());
        delete shared_;
        shared_ = nullptr;
    }

    static bool Click(ui::CControlUI* control, const std::function<bool()>& done, DWORD limitMs = kStepLimitMs) {
        if (!control) return false;
        guitest::PostClick(shared_->window.GetHWND(), control);
        return guitest::PumpUntil(done, limitMs);
    }

    static bool LoadAndScan(const std::wstring& image) {
        app::CMainWnd& w = shared_->window;
        auto* disks = w.FindControl<ui::CListUI>(L"DiskList");
        const int rowsBefore = disks->GetCount();
        if (!Click(w.FindControl(L"BtnLoadImage"), [&] { return disks->GetCount() > rowsBefore; })) return false;
        w.GetPaintManager().UpdateLayout();
        if (!Click(disks->GetItemAt(disks->GetCount() - 1),
                   [&] { return w.SelectedSource() && w.SelectedSource()->imagePath == image; }))
            return false;
        return Click(w.FindControl(L"BtnScan"), [&] { return w.Wizard().page == kPageResults; }, kScanLimitMs);
    }

    void SetUp() override {
        ASSERT_TRUE(shared_->scanned) << "the image was not scanned";
        shared_->boxes.clear();
    }

    app::CMainWnd& Window() { return shared_->window; }
    ui::CRichEditUI* Pane() { return Window().FindControl<ui::CRichEditUI>(L"PreviewEdit"); }

    // Shows the type's list and returns the row of the file (by name as listed: a deleted file's
    // first character is lost unless a long name survives), or nullptr.
    ui::CListElementUI* RowOf(const std::wstring& type, const std::wstring& name) {
        app::CMainWnd& w = Window();
        auto* tree = w.FindControl<ui::CListUI>(L"TypeTree");
        auto* files = w.FindControl<ui::CListUI>(L"FileList");
        const FoundFilesModel& found = w.Found();
        size_t t = 0;
        while (t < found.Types().size() && found.Types()[t].type != type) ++t;
        if (t == found.Types().size()) return nullptr;
        ui::CTreeNodeUI* node = nullptr;
        for (int i = 0; i < tree->GetCount() && !node; ++i) {
            auto* candidate = static_cast<ui::CTreeNodeUI*>(tree->GetItemAt(i)->GetInterface(L"TreeNode"));
            if (candidate && candidate->IsVisible() && candidate->GetItemText() == found.Types()[t].text) node = candidate;
        }
        if (!node) return nullptr;
        const int nodeIndex = tree->GetItemIndex(node);
        if (tree->GetCurSel() != nodeIndex &&
            !Click(node->GetItemButton(), [&] { return tree->GetCurSel() == nodeIndex && files->GetCount() > 0; }))
            return nullptr;
        w.GetPaintManager().UpdateLayout();
        for (int i = 0; i < files->GetCount(); ++i) {
            auto* row = static_cast<ui::CListElementUI*>(files->GetItemAt(i));
            if (Lower(row->GetColumnText(1)).ends_with(L"}" + Lower(name))) return row;
        }
        return nullptr;
    }

    // Clicks the file's name in its list: the pane shows it once the click has been handled.
    void Preview(const std::wstring& type, const std::wstring& name) {
        ui::CListElementUI* row = RowOf(type, name);
        ASSERT_NE(nullptr, row) << "not listed";
        auto* files = Window().FindControl<ui::CListUI>(L"FileList");
        const RECT nameColumn = files->GetColumnRects().at(1);
        const RECT& rowRect = row->GetPos();
        const POINT at{(nameColumn.left + nameColumn.right) / 2, (rowRect.top + rowRect.bottom) / 2};
        const int index = files->GetItemIndex(row);
        guitest::PostClickAt(Window().GetHWND(), at);
        ASSERT_TRUE(guitest::PumpUntil([&] { return files->GetCurSel() == index; }));
        guitest::PumpFor(200);  // paints the pane for the screenshots
    }
};

TEST_F(AppPreview, AJpegShowsAsAPictureWithItsCaption) {
    Preview(L"jpg", L"!hoto.jpg");
    EXPECT_EQ(1, app::PreviewPictureCount(Pane()));
    EXPECT_NE(std::wstring::npos, Pane()->GetText().find(Message(L"MSG0905")));
    EXPECT_TRUE(test::readWholeFile(Original("photo.jpg")) ==
                test::readWholeFile(platform::joinPath(PreviewFolder(shared_->appData.path()), L"tmp.jpg")));
    guitest::SaveWindowScreenshot(Window().GetHWND(), L"preview_pane_picture.png");
}

TEST_F(AppPreview, ATextFileShowsItsDumpFromMemory) {
    Preview(L"txt", L"!otes.txt");
    const std::vector<uint8_t> bytes = test::readWholeFile(Original("notes.txt"));
    EXPECT_EQ(0, app::PreviewPictureCount(Pane()));
    EXPECT_TRUE(WithoutLineBreaks(preview::TextDump(bytes)) == WithoutLineBreaks(Pane()->GetText()));
    EXPECT_EQ(0u, Window().PaneState().tempPath.size()) << "delivered in memory";
    guitest::SaveWindowScreenshot(Window().GetHWND(), L"preview_pane_text.png");
}

TEST_F(AppPreview, AnArchiveShowsTheListersTable) {
    if (!ProgramPresent(L"Extract.exe")) GTEST_SKIP() << "Extract.exe is not built beside the program";
    Preview(L"zip", L"!rchive.zip");
    const std::wstring text = Pane()->GetText();
    EXPECT_EQ(0u, text.find(L"-------------------")) << "the table from its first line of dashes";
    for (const wchar_t* member : {L"testEXCEL.xls", L"testPDF.pdf", L"testPPT.ppt"})
        EXPECT_NE(std::wstring::npos, text.find(member));
    guitest::SaveWindowScreenshot(Window().GetHWND(), L"preview_pane_listing.png");
}

TEST_F(AppPreview, AWordDocumentShowsItsTextWithoutTheWordProcessor) {
    Preview(L"doc", L"letter.docx");
    const std::wstring text = Pane()->GetText();
    EXPECT_NE(std::wstring::npos, text.find(L"This is a sample Microsoft Word Document.")) << platform::toUtf8(text.substr(0, 200));
    EXPECT_EQ(std::wstring::npos, text.find(L"PK")) << "not the byte dump";
}

TEST_F(AppPreview, APdfShowsItsFirstPageAsAPicture) {
    if (!ProgramPresent(L"tool.exe")) GTEST_SKIP() << "tool.exe is not built beside the program";
    Preview(L"pdf", L"!anual.pdf");
    EXPECT_EQ(1, app::PreviewPictureCount(Pane()));
    EXPECT_NE(std::wstring::npos, Pane()->GetText().find(Message(L"MSG0905")));
    EXPECT_FALSE(platform::pathExists(platform::joinPath(PreviewFolder(shared_->appData.path()), L"pdf-000001.png")))
        << "moved over tmp.jpg";
}

TEST_F(AppPreview, APdfWhosePageCannotBeRenderedShowsItsDump) {
    Preview(L"pdf", L"!roken.pdf");
    EXPECT_EQ(0, app::PreviewPictureCount(Pane()));
    EXPECT_TRUE(WithoutLineBreaks(preview::TextDumpOfFile(Original("broken.pdf"))) == WithoutLineBreaks(Pane()->GetText()));
}

TEST_F(AppPreview, ASongIsOpenedWithTheAudioPlayer) {
    if (!ProgramPresent(L"Player1.exe")) GTEST_SKIP() << "Player1.exe is not built beside the program";
    Preview(L"mp3", L"!ong.mp3");
    EXPECT_TRUE(test::readWholeFile(Original("song.mp3")) ==
                test::readWholeFile(platform::joinPath(PreviewFolder(shared_->appData.path()), L"tmp.avi")));
    EXPECT_TRUE(guitest::PumpUntil([] { return OursRunning(app::kPreviewPlayerSecond); }, kStepLimitMs));
    app::TerminateProcessesByName(app::kPreviewPlayerSecond, guitest::ProgramFolder());
}

// Whichever the machine gives: playback reported by the player, or the warning; never a hang.
TEST_F(AppPreview, AVideoPlaysOrTheWarningShows) {
    Preview(L"mkv", L"!lip.mkv");
    const bool warned = std::count(shared_->boxes.begin(), shared_->boxes.end(), Message(L"MSG1207")) == 1;
    const bool playing = Window().PaneState().playbackReported;
    EXPECT_NE(warned, playing) << "warned " << warned << ", playing " << playing;
    app::TerminateProcessesByName(app::kPreviewPlayer, guitest::ProgramFolder());
}

// A double click on the last picture opens the preview window; Next wraps to the first picture;
// Recover copies the file shown, byte for byte.
TEST_F(AppPreview, ThePreviewWindowStepsPastTheLastPictureAndRecoversTheOneShown) {
    ui::CListElementUI* last = RowOf(L"jpg", L"!hoto2.jpg");
    ASSERT_NE(nullptr, last);
    auto* files = Window().FindControl<ui::CListUI>(L"FileList");
    ASSERT_EQ(2, files->GetCount());
    const int lastIndex = files->GetItemIndex(last);
    const int firstIndex = 1 - lastIndex;
    const ScanRecord first = Window().Found().Records()[static_cast<size_t>(files->GetItemAt(firstIndex)->GetTag())];
    const ScanRecord shownFirst = Window().Found().Records()[static_cast<size_t>(last->GetTag())];

    auto preview = [] { return guitest::WindowObject<app::CPreviewWnd>(guitest::ProcessWindow(::GetCurrentProcessId(), L"UIPreviewWnd")); };
    auto recovery = [] { return guitest::WindowObject<app::CRecoverProcessWnd>(guitest::ProcessWindow(::GetCurrentProcessId(), L"UIRecoverProcessWnd")); };
    auto shows = [&](const ScanRecord& record) {
        app::CPreviewWnd* window = preview();
        return window && window->Current() && window->Current()->recordNo == record.recordNo &&
               !guitest::ProcessWindow(::GetCurrentProcessId(), L"UIPreviewProcessWnd");
    };
    int picturesShown = -1;
    std::string recoveredName;
    guitest::TimerScript script({
        {"the last picture", [&] { return shows(shownFirst); },
         [&] {
             app::CPreviewWnd* window = preview();
             guitest::SaveWindowScreenshot(window->GetHWND(), L"preview_window.png");
             guitest::PostClick(window->GetHWND(), window->FindControl(L"NextBtn"));
         }},
        {"the first picture after Next", [&] { return shows(first); },
         [&] {
             app::CPreviewWnd* window = preview();
             picturesShown = app::PreviewPictureCount(window->FindControl<ui::CRichEditUI>(L"PreviewEdit"));
             guitest::PostClick(window->GetHWND(), window->FindControl(L"RecoveryBtn"));
         }},
        {"the recovery finished",
         [&] {
             app::CRecoverProcessWnd* window = recovery();
             const ui::CControlUI* finish = window ? window->FindControl(L"FinishBtn") : nullptr;
             return finish && finish->IsVisible();
         },
         [&] {
             app::CRecoverProcessWnd* window = recovery();
             if (!window->Job().details().empty()) recoveredName = platform::toUtf8(window->Job().details().front().path);
             guitest::PostClick(window->GetHWND(), window->FindControl(L"FinishBtn"));
         }},
        {"the recovery window closed", [&] { return recovery() == nullptr; },
         [&] { guitest::PostClick(preview()->GetHWND(), preview()->FindControl(L"CancelBtn")); }},
        {"the preview window closed", [&] { return preview() == nullptr; }, {}},
    });
    guitest::PostDoubleClick(Window().GetHWND(), last);
    ASSERT_TRUE(guitest::PumpUntil([&] { return script.Done(); }, 2 * kStepLimitMs)) << "waiting for " << script.Waiting();
    EXPECT_EQ(1, picturesShown);
    ASSERT_FALSE(recoveredName.empty());
    EXPECT_TRUE(test::readWholeFile(Original("photo.jpg")) == test::readWholeFile(platform::fromUtf8(recoveredName)));
    EXPECT_EQ(0u, platform::fromUtf8(recoveredName).rfind(shared_->recovered.path(), 0));
}

}  // namespace

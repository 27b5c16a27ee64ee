// The scan, listing and recovery windows over a real FAT32 image: a fast scan to its end that
// tells its owner, a stop answered "No" and then "Yes" in the second of three sources, the found
// files listed by type, and a recovery with one unwritable destination whose failure heads the
// detail list while the other files come back byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/core/language_manager.h"
#include "app/message_box.h"
#include "app/recover_process_wnd.h"
#include "app/scan_process_wnd.h"
#include "app/search_process_wnd.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/scan_history.h"
#include "results/type_classification.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"
#include "ui/win32/list.h"
#include "ui/win32/list_element.h"
#include "ui/win32/ui_lib.h"

using namespace qm;

namespace {

constexpr UINT kMsgOwnerClickStop = WM_APP + 77;
constexpr UINT kMsgOwnerScreenshot = WM_APP + 78;

std::wstring Text(const wchar_t* key) { return app::CLanguageManager::Instance().GetText(L"Messages", key); }

ScanSource ImageSource(uint16_t tag) {
    ScanSource source;
    source.isImage = true;
    source.imagePath = test::fixturePath("fat/fat32-512.img");
    source.sourceTag = tag;
    return source;
}

std::string NameOf(const ScanRecord& record) { return recordName(record); }

// The main window's stand-in: counts the messages the progress windows post to it, and clicks the
// stop button of the window it is told about when an engine asks for it.
struct OwnerState {
    int scanFinished = 0;
    int searchFinished = 0;
    app::CScanProcessWnd* scanWindow = nullptr;
    // Saved on an engine's request, while that engine waits: the window mid-work.
    ui::WindowImplBase* shotWindow = nullptr;
    std::wstring shotName;
    std::atomic<bool> shotTaken{false};
    // Saved when the next finish message arrives: the window as it ends.
    ui::WindowImplBase* endingWindow = nullptr;
    std::wstring endingScreenshot;
};
OwnerState* g_owner = nullptr;

void CALLBACK SaveShotWindow(HWND owner, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(owner, id);
    ::UpdateWindow(g_owner->shotWindow->GetHWND());
    guitest::SaveWindowScreenshot(g_owner->shotWindow->GetHWND(), g_owner->shotName);
    g_owner->shotTaken = true;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_owner) {
        if (msg == app::CScanProcessWnd::kMsgScanFinished) ++g_owner->scanFinished;
        if (msg == app::CSearchProcessWnd::kMsgSearchFinished) ++g_owner->searchFinished;
        if ((msg == app::CScanProcessWnd::kMsgScanFinished || msg == app::CSearchProcessWnd::kMsgSearchFinished) &&
            g_owner->endingWindow) {
            ::UpdateWindow(g_owner->endingWindow->GetHWND());
            guitest::SaveWindowScreenshot(g_owner->endingWindow->GetHWND(), g_owner->endingScreenshot);
            g_owner->endingWindow = nullptr;
        }
        if (msg == kMsgOwnerClickStop && g_owner->scanWindow)
            guitest::PostClick(g_owner->scanWindow->GetHWND(), g_owner->scanWindow->FindControl(L"cancelbtn"));
        if (msg == kMsgOwnerScreenshot) {
            // Late enough for the refresh timer to have shown the engine's last report.
            ::SetTimer(hwnd, 1, 250, &SaveShotWindow);
        }
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

class OwnerWindow {
public:
    OwnerWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &OwnerProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QmProgressTestOwner";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"owner", WS_POPUP | WS_VISIBLE, 100, 80, 900, 640, nullptr,
                                  nullptr, wc.hInstance, nullptr);
        g_owner = &state;
    }
    ~OwnerWindow() {
        g_owner = nullptr;
        ::DestroyWindow(hwnd_);
    }
    HWND hwnd() const { return hwnd_; }
    OwnerState state;

private:
    HWND hwnd_ = nullptr;
};

// A real engine that, once it has scanned, stands for a scan still running: it asks the owner to
// press stop, waits until the question shows, and reports progress, which waits for the answer.
// It does so twice and returns what the second report returned.
class StopAskingEngine : public IFileRecoveryParse {
public:
    StopAskingEngine(std::unique_ptr<IFileRecoveryParse> inner, HWND owner, const std::atomic<int>& questions)
        : inner_(std::move(inner)), owner_(owner), questions_(questions) {}

    // Has the owner save a picture of its current window while this worker waits.
    void PauseForScreenshot() {
        g_owner->shotTaken = false;
        ::PostMessageW(owner_, kMsgOwnerScreenshot, 0, 0);
        for (int i = 0; i < 2000 && !g_owner->shotTaken; ++i) ::Sleep(5);  // a limit, not a timing
    }

    int Scan(const wchar_t* logName) override {
        int rc = inner_->Scan(logName);
        if (rc != 0) return rc;
        for (int round = 1; round <= 2; ++round) {
            ::PostMessageW(owner_, kMsgOwnerClickStop, 0, 0);
            for (int i = 0; i < 2000 && questions_ < round; ++i) ::Sleep(5);  // a limit, not a timing
            rc = progress_(user_, 50, 100, 30, 1000, 2000, inner_->GetFoundCount(), 0);
            reports.push_back(rc);
            if (rc != 0) return rc;
            PauseForScreenshot();
        }
        return 0;
    }
    int SetCallbacks(ScanProgressFn scan, ItemProgressFn item, void* user, int scale) override {
        progress_ = scan;
        user_ = user;
        return inner_->SetCallbacks(scan, item, user, scale);
    }
    int OpenImage(const std::wstring& path, uint16_t tag) override { return inner_->OpenImage(path, tag); }
    int OpenPartition(int disk, uint64_t first, uint64_t count, uint16_t letter) override {
        return inner_->OpenPartition(disk, first, count, letter);
    }
    int ListFolder(const ScanRecord* folder, int level, std::vector<ScanRecord>& out) override {
        return inner_->ListFolder(folder, level, out);
    }
    int CountFiles(const ScanRecord* folder, int level, uint32_t& count) override {
        return inner_->CountFiles(folder, level, count);
    }
    uint64_t GetFoundCount() override { return inner_->GetFoundCount(); }
    int GetItemPath(const ScanRecord& record, std::wstring& path) override { return inner_->GetItemPath(record, path); }
    int RecoverItem(const ScanRecord* record, const std::wstring& destination, int depth) override {
        return inner_->RecoverItem(record, destination, depth);
    }
    int NextFreeExtent(uint64_t& position, uint64_t& length) override { return inner_->NextFreeExtent(position, length); }
    int SetListCallback(ListProgressFn fn, void* user) override {
        listProgress_ = fn;
        listUser_ = user;
        return inner_->SetListCallback(fn, user);
    }
    // Lists, reports 60% and waits for a picture of the listing window.
    int ListByType(const std::wstring& pattern, std::vector<ScanRecord>& out) override {
        const int rc = inner_->ListByType(pattern, out);
        if (rc == 0 && listProgress_(listUser_, 60, 0) == 0) PauseForScreenshot();
        return rc;
    }
    int BuildFreeMap() override { return inner_->BuildFreeMap(); }
    int ExtractItem(const ScanRecord* record, std::wstring& tempPath, uint8_t* memory, uint64_t& byteCount,
                    ExtractProgressFn progress, void* user) override {
        return inner_->ExtractItem(record, tempPath, memory, byteCount, progress, user);
    }

    std::vector<int> reports;

private:
    std::unique_ptr<IFileRecoveryParse> inner_;
    HWND owner_;
    const std::atomic<int>& questions_;
    ScanProgressFn progress_ = nullptr;
    void* user_ = nullptr;
    ListProgressFn listProgress_ = nullptr;
    void* listUser_ = nullptr;
};

class ProgressWindowsTest : public ::testing::Test {
protected:
    void TearDown() override { app::SetMessageBoxObserver(nullptr); }
    OwnerWindow owner_;
};

TEST_F(ProgressWindowsTest, FastScanListingAndRecoveryOfAFat32Image) {
    // Scan to the end.
    std::vector<ScanSource> sources;
    sources.push_back(ImageSource(1));
    {
        app::CScanProcessWnd scan(sources, false);
        HWND hwnd = scan.CreatePopup(owner_.hwnd(), app::CScanProcessWnd::kWidth, app::CScanProcessWnd::kHeight);
        wchar_t cls[64] = {};
        ::GetClassNameW(hwnd, cls, 64);
        EXPECT_STREQ(L"UIScanProcessWnd", cls);
        RECT rc{};
        ::GetWindowRect(hwnd, &rc);
        EXPECT_EQ(450, rc.right - rc.left);
        EXPECT_EQ(250, rc.bottom - rc.top);
        owner_.state.endingWindow = &scan;
        owner_.state.endingScreenshot = L"app_scan_process_window_end.png";
        EXPECT_EQ(app::CScanProcessWnd::kResultScanned, scan.ShowPopupModal());
    }
    guitest::PumpFor(20);
    EXPECT_EQ(1, owner_.state.scanFinished);
    ASSERT_NE(nullptr, sources[0].engine);
    EXPECT_GT(sources[0].engine->GetFoundCount(), 10u);

    // List the text and .bin files.
    std::vector<ScanRecord> found;
    {
        app::CSearchProcessWnd search(sources, BuildTypePattern(std::vector<std::wstring>{L"txt", L"bin"}), found);
        HWND hwnd = search.CreatePopup(owner_.hwnd(), app::CSearchProcessWnd::kWidth, app::CSearchProcessWnd::kHeight);
        RECT rc{};
        ::GetWindowRect(hwnd, &rc);
        EXPECT_EQ(220, rc.bottom - rc.top);
        EXPECT_EQ(app::CSearchProcessWnd::kResultListed, search.ShowPopupModal());
    }
    guitest::PumpFor(20);
    EXPECT_EQ(1, owner_.state.searchFinished);
    const ScanRecord* rootLong = nullptr;
    const ScanRecord* quarterly = nullptr;
    const ScanRecord* binary = nullptr;
    for (const ScanRecord& record : found) {
        const std::string name = NameOf(record);
        const std::string extension = name.substr(name.find_last_of('.') + 1);
        EXPECT_TRUE(extension == "txt" || extension == "bin") << name;
        if (name == "Root Long Name.txt") rootLong = &record;
        if (name == "Quarterly Report 2023.txt") quarterly = &record;
        if (extension == "bin" && !binary) binary = &record;
    }
    ASSERT_TRUE(rootLong && quarterly && binary);

    // Recover: the .bin file's group folder is taken by a plain file, so it alone fails.
    test::TempDir out;
    test::writeWholeFile(out.file(L"others"), {'x'});
    IFileRecoveryParse* engine = sources[0].engine.get();
    const std::vector<RecoveryItem> items = {{engine, *rootLong}, {engine, *binary}, {engine, *quarterly}};
    app::CRecoverProcessWnd recover(out.path(), items);
    HWND hwnd = recover.CreatePopup(owner_.hwnd(), app::CRecoverProcessWnd::kWidthFromMainWindow,
                                    app::CRecoverProcessWnd::kHeight);
    ui::CControlUI* finish = recover.FindControl(L"FinishBtn");
    ASSERT_NE(nullptr, finish);
    ASSERT_TRUE(guitest::PumpUntil([&] { return finish->IsVisible(); }));
    EXPECT_FALSE(recover.FindControl(L"CancelBtn")->IsVisible());
    EXPECT_EQ(3, recover.Job().processed());
    EXPECT_EQ(1, recover.Job().failed());
    EXPECT_EQ(FormatWithNumbers(Text(L"MSG1102"), {3, 3, 2, 1}), recover.FindControl(L"recovered")->GetText());
    EXPECT_EQ(test::readWholeFile(test::fixturePath("fat/src/rootlong.txt")),
              test::readWholeFile(out.file(L"document\\Root Long Name.txt")));
    EXPECT_EQ(test::readWholeFile(test::fixturePath("fat/src/quarterly.txt")),
              test::readWholeFile(out.file(L"document\\Quarterly Report 2023.txt")));

    guitest::PostClick(hwnd, recover.FindControl(L"DetailBtn"));
    auto* list = recover.FindControl<ui::CListUI>(L"DetailList");
    ASSERT_TRUE(guitest::PumpUntil([&] { return list->IsVisible(); }));
    guitest::PumpFor(150);
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(500 + 150, rc.right - rc.left);
    EXPECT_EQ(250 + 300, rc.bottom - rc.top);
    ASSERT_EQ(3, list->GetCount());
    auto row = [&](int i) { return static_cast<ui::CListElementUI*>(list->GetItemAt(i)); };
    EXPECT_NE(std::wstring::npos, row(0)->GetColumnText(0).find(L"{c #FFFF0000}"));
    EXPECT_NE(std::wstring::npos, row(0)->GetColumnText(0).find(out.file(L"others")));
    EXPECT_EQ(out.file(L"document\\Root Long Name.txt"), row(1)->GetColumnText(0));
    EXPECT_EQ(L"Success", row(1)->GetColumnText(1));
    EXPECT_EQ(out.file(L"document\\Quarterly Report 2023.txt"), row(2)->GetColumnText(0));
    const guitest::Screenshot shot = guitest::SaveWindowScreenshot(hwnd, L"app_recover_process_window.png");
    EXPECT_GT(guitest::CountPixelsNear(shot, 0xFF0000, 40), 20u);

    guitest::PostClick(hwnd, finish);
    EXPECT_EQ(app::CRecoverProcessWnd::kResultFinished, recover.ShowPopupModal());

    // One record, as from the preview: a narrower window, a free name beside the first copy, and
    // the close button ends it as finished.
    app::CRecoverProcessWnd single(out.path(), RecoveryItem{engine, *rootLong});
    HWND one = single.CreatePopup(owner_.hwnd(), app::CRecoverProcessWnd::kWidthFromPreview,
                                  app::CRecoverProcessWnd::kHeight);
    ::GetWindowRect(one, &rc);
    EXPECT_EQ(450, rc.right - rc.left);
    ASSERT_TRUE(guitest::PumpUntil([&] { return single.FindControl(L"FinishBtn")->IsVisible(); }));
    EXPECT_EQ(1, single.Job().total());
    EXPECT_EQ(0, single.Job().failed());
    EXPECT_EQ(test::readWholeFile(test::fixturePath("fat/src/rootlong.txt")),
              test::readWholeFile(out.file(L"document\\Root Long Name(1).txt")));
    guitest::PostClick(one, single.FindControl(L"closebtn"));
    EXPECT_EQ(app::CRecoverProcessWnd::kResultFinished, single.ShowPopupModal());
}

// A stop question seen by the test: answered once the scan window shows the stage it waits for.
struct PendingAnswer {
    app::CScanProcessWnd* scan = nullptr;
    HWND box = nullptr;
    ui::CControlUI* button = nullptr;
    std::wstring awaitedStage;
    std::wstring* stageSeen = nullptr;
};
PendingAnswer g_pending;

void CALLBACK AnswerWhenStageShows(HWND, UINT, UINT_PTR id, DWORD) {
    // The window refreshes by timer; the answer waits for the stage line of the paused source.
    const std::wstring stage = g_pending.scan->FindControl(L"stage")->GetText();
    if (stage != g_pending.awaitedStage) return;
    ::KillTimer(nullptr, id);
    *g_pending.stageSeen = stage;
    guitest::PostClick(g_pending.box, g_pending.button);
}

// Another name for the fixture image, so that each source has its own stage line.
std::wstring LinkedImage(const test::TempDir& folder, const wchar_t* name) {
    const std::wstring path = folder.file(name);
    const std::wstring fixture = test::fixturePath("fat/fat32-512.img");
    if (!::CreateHardLinkW(path.c_str(), fixture.c_str(), nullptr)) ::CopyFileW(fixture.c_str(), path.c_str(), TRUE);
    return path;
}

TEST_F(ProgressWindowsTest, StopAnsweredNoGoesOnAndYesScansNoFurtherSource) {
    test::TempDir folder;
    std::vector<ScanSource> sources;
    sources.push_back(ImageSource(1));
    sources.push_back(ImageSource(2));
    sources.back().imagePath = LinkedImage(folder, L"second.img");
    sources.push_back(ImageSource(3));
    sources.back().imagePath = LinkedImage(folder, L"third.img");
    std::atomic<int> questionsShown{0};
    std::vector<uint16_t> made;
    StopAskingEngine* asking = nullptr;
    auto factory = [&](ScanSource& source, bool professional) -> std::unique_ptr<IFileRecoveryParse> {
        made.push_back(source.sourceTag);
        auto engine = CreateEngineForSource(source, professional);
        if (source.sourceTag != 2 || !engine) return engine;
        auto wrapped = std::make_unique<StopAskingEngine>(std::move(engine), owner_.hwnd(), questionsShown);
        asking = wrapped.get();
        return wrapped;
    };
    app::CScanProcessWnd scan(sources, false, nullptr, factory);
    owner_.state.scanWindow = &scan;
    owner_.state.shotWindow = &scan;
    owner_.state.shotName = L"app_scan_process_window.png";

    // The first question is answered "No", the second "Yes", each while the second source is shown.
    std::vector<std::wstring> questions;
    std::wstring stageWhileAsked;
    app::SetMessageBoxObserver([&](app::CMessageBox& box) {
        questions.push_back(box.FindControl(L"message")->GetText());
        const bool yes = questions.size() == 2;
        g_pending.scan = &scan;
        g_pending.box = box.GetHWND();
        g_pending.button = box.FindControl(yes ? L"okbtn" : L"cancelbtn");
        g_pending.awaitedStage = Text(L"MSG0703") + L" second.img";
        g_pending.stageSeen = &stageWhileAsked;
        ++questionsShown;
        ::SetTimer(nullptr, 0, 20, &AnswerWhenStageShows);
    });
    scan.CreatePopup(owner_.hwnd(), app::CScanProcessWnd::kWidth, app::CScanProcessWnd::kHeight);
    EXPECT_EQ(app::CScanProcessWnd::kResultScanned, scan.ShowPopupModal());
    app::SetMessageBoxObserver(nullptr);
    guitest::PumpFor(20);

    ASSERT_EQ(2u, questions.size());
    EXPECT_EQ(Text(L"MSG0709"), questions[0]);
    EXPECT_EQ(Text(L"MSG0709"), questions[1]);
    EXPECT_EQ(Text(L"MSG0703") + L" second.img", stageWhileAsked);
    ASSERT_NE(nullptr, asking);
    EXPECT_EQ((std::vector<int>{0, CancelCode}), asking->reports);
    EXPECT_EQ((std::vector<uint16_t>{1, 2}), made);
    EXPECT_TRUE(scan.Cancelled());
    // Stopped, yet the owner is told, and both scanned sources keep what they found.
    EXPECT_EQ(1, owner_.state.scanFinished);
    ASSERT_NE(nullptr, sources[0].engine);
    ASSERT_NE(nullptr, sources[1].engine);
    EXPECT_GT(sources[1].engine->GetFoundCount(), 10u);
    EXPECT_EQ(nullptr, sources[2].engine);

    // Listing the stopped scan's sources: the files of both scanned ones, the first's list kept
    // while the second is listed.
    std::vector<ScanRecord> found;
    app::CSearchProcessWnd search(sources, L"*.txt", found);
    owner_.state.shotWindow = &search;
    owner_.state.shotName = L"app_search_process_window.png";
    search.CreatePopup(owner_.hwnd(), app::CSearchProcessWnd::kWidth, app::CSearchProcessWnd::kHeight);
    EXPECT_EQ(app::CSearchProcessWnd::kResultListed, search.ShowPopupModal());
    std::vector<ScanRecord> once;
    EXPECT_EQ(0, sources[0].engine->ListByType(L"*.txt", once));
    EXPECT_FALSE(once.empty());
    EXPECT_EQ(2 * once.size(), found.size());
    EXPECT_TRUE(owner_.state.shotTaken);
}


// A deep scan of a source whose earlier deep scan was interrupted asks whether to continue
// that scan, with the window hidden while it asks. Yes continues it (what it found is listed
// again); No removes its scan log and scans afresh. A scan that ran to its end is not asked
// about.
TEST_F(ProgressWindowsTest, DeepScanOfAnEarlierScannedSourceAsksToContinue) {
    // The deep engine keeps its history in the process's index; a fresh copy of the image is a
    // source that index has never seen.
    test::TempDir folder;
    const std::wstring image = LinkedImage(folder, L"earlier.img");
    CScanHistory& history = CScanHistory::Instance();
    std::vector<std::wstring> questions;
    bool hiddenWhileAsked = false;
    auto deepScan = [&](const wchar_t* answer) -> uint64_t {
        std::vector<ScanSource> sources;
        sources.push_back(ImageSource(1001));
        sources[0].imagePath = image;
        app::CScanProcessWnd scan(sources, true);
        app::SetMessageBoxObserver([&](app::CMessageBox& box) {
            questions.push_back(box.FindControl(L"message")->GetText());
            hiddenWhileAsked = !::IsWindowVisible(scan.GetHWND());
            guitest::PostClick(box.GetHWND(), box.FindControl(answer));
        });
        scan.CreatePopup(owner_.hwnd(), app::CScanProcessWnd::kWidth, app::CScanProcessWnd::kHeight);
        EXPECT_EQ(app::CScanProcessWnd::kResultScanned, scan.ShowPopupModal());
        app::SetMessageBoxObserver(nullptr);
        return sources[0].engine ? sources[0].engine->GetFoundCount() : 0;
    };
    const uint64_t first = deepScan(L"okbtn");
    EXPECT_TRUE(questions.empty());
    EXPECT_GT(first, 10u);
    ScanHistoryRecord earlier{};
    ASSERT_EQ(1, history.FindImage(image, &earlier));
    EXPECT_EQ(first, deepScan(L"okbtn"));
    EXPECT_TRUE(questions.empty()) << "a finished scan is nothing to continue";

    // Interrupted at its very end: the history keeps an extent with nothing left to read.
    const auto markInterrupted = [&] {
        ASSERT_EQ(1, history.FindImage(image, &earlier));
        ResumeState interrupted = earlier.resume;
        interrupted.extentStart = earlier.sectorCount;
        interrupted.extentLength = interrupted.extentDone = 1;
        ASSERT_EQ(0, history.Upsert(0, earlier.diskNumber, earlier.firstSector, earlier.sectorCount, interrupted,
                                    earlier.folder, image));
    };
    markInterrupted();
    EXPECT_EQ(first, deepScan(L"okbtn"));
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(Text(L"MSG1206"), questions[0]);
    EXPECT_TRUE(hiddenWhileAsked);

    markInterrupted();
    EXPECT_EQ(first, deepScan(L"cancelbtn"));
    EXPECT_EQ(2u, questions.size());
    EXPECT_FALSE(platform::pathExists(earlier.folder));
}

}  // namespace

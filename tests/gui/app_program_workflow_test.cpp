// The real Quillmere.exe driven by clicks from load to recovery. An in-process twin of its main
// window, built from the same skin at the same size and walked through the same steps first, tells
// where each control and row lies and how the window looks once each step has taken effect; the
// same clicks then go to the real program's window, and each next click waits until the real
// window shows what the twin showed. The program's dialogs are answered through its test switch.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <functional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/disk_list.h"
#include "app/file_dialogs.h"
#include "app/main_wnd.h"
#include "app/message_box.h"
#include "app/recover_process_wnd.h"
#include "platform/folders.h"
#include "results/scan_history.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/test_support.h"
#include "ui/win32/label.h"
#include "ui/win32/list.h"
#include "ui/win32/list_element.h"
#include "ui/win32/tree_node.h"

using namespace qm;

namespace {

constexpr DWORD kStepLimitMs = 30000;
constexpr DWORD kScanLimitMs = 90000;

// One click and how the window looks before and after it took effect.
struct Step {
    std::string name;
    POINT at{};
    guitest::Screenshot before, after;
};

bool Alike(std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 32) return false;
    return true;
}

size_t ChangedPixels(const Step& step) {
    size_t changed = 0;
    for (size_t i = 0; i < step.after.pixels.size() && i < step.before.pixels.size(); ++i)
        changed += Alike(step.before.pixels[i], step.after.pixels[i]) ? 0 : 1;
    return changed;
}

// Among the pixels a step changed in the twin, the share the real window shows as after the step.
double ShareOfChangeShown(const Step& step, const guitest::Screenshot& now) {
    if (now.width != step.after.width || now.height != step.after.height) return 0;
    if (step.before.pixels.size() != now.pixels.size()) return 0;
    size_t changed = 0, shown = 0;
    for (size_t i = 0; i < now.pixels.size(); ++i) {
        if (Alike(step.before.pixels[i], step.after.pixels[i])) continue;
        ++changed;
        if (Alike(now.pixels[i], step.after.pixels[i])) ++shown;
    }
    return changed == 0 ? 0 : static_cast<double>(shown) / static_cast<double>(changed);
}

// The window as painted now (layout and paint forced first).
guitest::Screenshot Painted(HWND window) {
    ::InvalidateRect(window, nullptr, FALSE);
    ::UpdateWindow(window);
    guitest::PumpFor(100);
    return guitest::CaptureWindow(window);
}

using guitest::ProcessWindow;

// The program, ended by force if a test stops before it exits.
struct Program {
    PROCESS_INFORMATION info{};
    bool started = false;
    Program() {
        const std::wstring exe = guitest::ProgramFolder() + L"Quillmere.exe";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + exe + L"\"";
        started = ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &info) != FALSE;
    }
    ~Program() {
        if (!started) return;
        if (::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(info.hProcess, 1);
            ::WaitForSingleObject(info.hProcess, 10000);
        }
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
};

// The twin's recovery window, caught by a timer of its modal loop once it shows Finish.
struct RecoveryView {
    bool finished = false;
    POINT finishAt{};
    RECT finishRect{};
    guitest::Screenshot shot;
    std::vector<RecoveryDetailRow> rows;
};
RecoveryView* g_twinRecovery = nullptr;

void CALLBACK CatchTwinRecovery(HWND, UINT, UINT_PTR, DWORD) {
    // Only this process's window: other programs on the same Wine server may show one too.
    HWND hwnd = ProcessWindow(::GetCurrentProcessId(), L"UIRecoverProcessWnd");
    if (!g_twinRecovery || g_twinRecovery->finished || !hwnd) return;
    auto* window = dynamic_cast<app::CRecoverProcessWnd*>(
        reinterpret_cast<ui::CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
    ui::CControlUI* finish = window ? window->FindControl(L"FinishBtn") : nullptr;
    if (!finish || !finish->IsVisible()) return;
    g_twinRecovery->finished = true;
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
    g_twinRecovery->shot = guitest::CaptureWindow(hwnd);
    g_twinRecovery->finishAt = guitest::CentreOf(finish);
    g_twinRecovery->finishRect = finish->GetPos();
    g_twinRecovery->rows.assign(window->Job().details().begin(), window->Job().details().end());
    guitest::PostClick(hwnd, finish);
}

// What the twin learnt: the steps up to the ticked files, the recovery, the close button.
struct Walk {
    SIZE client{};
    guitest::Screenshot start;
    std::vector<Step> steps;
    POINT recoverAt{};
    RecoveryView recovery;
    POINT closeAt{};
};

class Twin {
public:
    explicit Twin(Walk& walk) : walk_(walk) {
        window_.Create(nullptr, L"Tessaly (twin)", app::kMainWindowStyle, app::kMainWindowExStyle, 0, 0, 800, 500);
        window_.CenterWindow();
        window_.ShowWindow(true, true);
        // No step of the walk asks anything: a box would hold the twin in its modal loop, so it
        // fails the test and is closed.
        app::SetMessageBoxObserver([](app::CMessageBox& box) {
            const ui::CControlUI* message = box.FindControl(L"message");
            const std::wstring text = message ? message->GetText() : std::wstring();
            ADD_FAILURE() << "unexpected message box: " << std::string(text.begin(), text.end());
            guitest::PostClick(box.GetHWND(), box.FindControl(L"closebtn"));
        });
    }
    ~Twin() {
        app::SetMessageBoxObserver(nullptr);
        app::SetFileDialogStandIn(nullptr);
        ::DestroyWindow(window_.GetHWND());
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    app::CMainWnd& Window() { return window_; }
    HWND Hwnd() { return window_.GetHWND(); }
    // Clicks at the point and records the step once done() holds.
    bool Click(const std::string& name, POINT at, const std::function<bool()>& done, DWORD limitMs = kStepLimitMs) {
        Step step{name, at, Painted(Hwnd()), {}};
        guitest::PostClickAt(Hwnd(), at);
        if (!guitest::PumpUntil(done, limitMs)) return false;
        window_.GetPaintManager().NeedUpdate();
        step.after = Painted(Hwnd());
        walk_.steps.push_back(std::move(step));
        return true;
    }

private:
    Walk& walk_;
    app::CMainWnd window_;
};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(static_cast<wint_t>(c)));
    return text;
}

// A file to tick: the type whose node lists it, its name as listed (any case), its original;
// with preview, its row is clicked first and the preview pane shows it.
struct Wanted {
    std::wstring type;
    std::wstring name;
    std::string original;
    bool preview = false;
};

struct Scenario {
    std::wstring name;  // of the screenshots
    const wchar_t* modeButton;
    int scanMode;
    std::string image;
    std::vector<Wanted> files;
};

// Walks the twin through the scenario, then clicks the real program through the same steps and
// compares the files it recovered with their originals.
void RecoverByClicks(const Scenario& scenario) {
    const std::wstring image = test::fixturePath(scenario.image);
    test::TempDir twinOut, programState, programOut;
    // The real program starts with a scan history of its own; the twin shares the test program's,
    // where an earlier scan of the image would bring up the question to continue it.
    ScanHistoryRecord earlier;
    for (int i = 0; i < 16 && CScanHistory::Instance().FindImage(image, &earlier) == 1; ++i)
        CScanHistory::Instance().RemoveFolder(earlier.folder);
    ASSERT_EQ(0, CScanHistory::Instance().FindImage(image, nullptr));
    Walk walk;
    {
        Twin twin(walk);
        app::CMainWnd& w = twin.Window();
        ASSERT_TRUE(guitest::PumpUntil([&] { return w.GetPaintManager().IsWindowInitSent(); }));
        RECT client{};
        ::GetClientRect(twin.Hwnd(), &client);
        walk.client = SIZE{client.right, client.bottom};
        walk.start = Painted(twin.Hwnd());
        app::SetFileDialogStandIn([&](app::FileDialogKind kind, const std::wstring&) {
            return kind == app::FileDialogKind::OpenImage ? image
                   : kind == app::FileDialogKind::RecoveryFolder ? twinOut.path() : std::wstring();
        });
        ASSERT_TRUE(twin.Click("mode", guitest::CentreOf(w.FindControl(scenario.modeButton)), [&] {
            return w.Wizard().page == kPageChooseMedium && w.Wizard().scanMode == scenario.scanMode;
        }));
        auto* disks = w.FindControl<app::CDiskListUI>(L"DiskList");
        const int rowsBefore = disks->GetCount();
        ASSERT_TRUE(twin.Click("load image", guitest::CentreOf(w.FindControl(L"BtnLoadImage")),
                               [&] { return disks->GetCount() > rowsBefore; }));
        w.GetPaintManager().UpdateLayout();
        ui::CControlUI* imageRow = disks->GetItemAt(disks->GetCount() - 1);
        ASSERT_TRUE(::PtInRect(&disks->GetPos(), guitest::CentreOf(imageRow))) << "image row scrolled away";
        ASSERT_TRUE(twin.Click("image row", guitest::CentreOf(imageRow), [&] {
            return w.SelectedSource() && w.SelectedSource()->imagePath == image;
        }));
        ASSERT_TRUE(twin.Click("scan", guitest::CentreOf(w.FindControl(L"BtnScan")),
                               [&] { return w.Wizard().page == kPageResults; }, kScanLimitMs));

        // Each file's type node, then the file's check box in that type's list.
        auto* tree = w.FindControl<ui::CListUI>(L"TypeTree");
        auto* files = w.FindControl<ui::CListUI>(L"FileList");
        const FoundFilesModel& found = w.Found();
        for (const Wanted& wanted : scenario.files) {
            const std::wstring& type = wanted.type;
            size_t t = 0;
            while (t < found.Types().size() && found.Types()[t].type != type) ++t;
            ASSERT_LT(t, found.Types().size());
            ui::CTreeNodeUI* node = nullptr;
            for (int i = 0; i < tree->GetCount() && !node; ++i) {
                auto* candidate = static_cast<ui::CTreeNodeUI*>(tree->GetItemAt(i)->GetInterface(L"TreeNode"));
                if (candidate && candidate->IsVisible() && candidate->GetItemText() == found.Types()[t].text) node = candidate;
            }
            ASSERT_NE(nullptr, node);
            const int nodeIndex = tree->GetItemIndex(node);
            ASSERT_GT(found.Types()[t].records.size(), 0u);
            ASSERT_TRUE(twin.Click("type " + std::string(type.begin(), type.end()), guitest::CentreOf(node->GetItemButton()),
                                   [&] { return tree->GetCurSel() == nodeIndex && files->GetCount() > 0; }));
            w.GetPaintManager().UpdateLayout();
            ui::CListElementUI* row = nullptr;
            for (int i = 0; i < files->GetCount() && !row; ++i) {
                auto* candidate = static_cast<ui::CListElementUI*>(files->GetItemAt(i));
                if (Lower(candidate->GetColumnText(1)).ends_with(L"}" + Lower(wanted.name))) row = candidate;
            }
            ASSERT_NE(nullptr, row) << "not listed by name";
            if (wanted.preview) {
                ui::CControlUI* pane = w.FindControl(L"PreviewEdit");
                const RECT nameColumn = files->GetColumnRects().at(1);
                const POINT nameAt{(nameColumn.left + nameColumn.right) / 2, (row->GetPos().top + row->GetPos().bottom) / 2};
                ASSERT_TRUE(twin.Click("preview " + std::string(type.begin(), type.end()), nameAt,
                                       [&] { return !pane->GetText().empty() && ::IsWindowEnabled(twin.Hwnd()); }));
            }
            const RECT checkColumn = files->GetColumnRects().at(0);
            const RECT& rowRect = row->GetPos();
            const POINT checkAt{(checkColumn.left + checkColumn.right) / 2, (rowRect.top + rowRect.bottom) / 2};
            ASSERT_TRUE(::PtInRect(&files->GetPos(), checkAt)) << "row scrolled away";
            ASSERT_TRUE(twin.Click("tick " + std::string(type.begin(), type.end()), checkAt, [&] { return row->GetCheck(); }));
        }
        ASSERT_EQ(scenario.files.size(), found.Summary().files);
        ui::CControlUI* recover = w.FindControl(L"BtnRecover");
        ASSERT_TRUE(recover->IsEnabled());
        walk.recoverAt = guitest::CentreOf(recover);
        walk.closeAt = guitest::CentreOf(w.FindControl(L"closebtn"));

        g_twinRecovery = &walk.recovery;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, CatchTwinRecovery);
        guitest::PostClickAt(twin.Hwnd(), walk.recoverAt);
        const bool recovered = guitest::PumpUntil(
            [&] { return walk.recovery.finished && !ProcessWindow(::GetCurrentProcessId(), L"UIRecoverProcessWnd"); },
            kStepLimitMs);
        ::KillTimer(nullptr, timer);
        g_twinRecovery = nullptr;
        ASSERT_TRUE(recovered);
        ASSERT_EQ(scenario.files.size(), walk.recovery.rows.size());
    }
    for (const Step& step : walk.steps) ASSERT_GT(ChangedPixels(step), 20u) << step.name << ": nothing to wait for";

    // The real program, with its own scan history and the dialogs answered.
    test::ScopedEnv appData("QUILLMERE_APPDATA", programState.path());
    test::ScopedEnv openImage("QUILLMERE_TEST_OPEN_IMAGE", image);
    test::ScopedEnv recoveryFolder("QUILLMERE_TEST_RECOVERY_FOLDER", programOut.path());
    Program program;
    ASSERT_TRUE(program.started);
    const DWORD pid = program.info.dwProcessId;
    HWND main = nullptr;
    ASSERT_TRUE(guitest::PumpUntil([&] { return (main = ProcessWindow(pid, L"FileRecoveryWnd")) != nullptr; }, kStepLimitMs));
    RECT client{}, frame{};
    ::GetClientRect(main, &client);
    ::GetWindowRect(main, &frame);
    ASSERT_EQ(walk.client.cx, client.right);
    ASSERT_EQ(walk.client.cy, client.bottom);
    ASSERT_EQ(client.right, frame.right - frame.left) << "the skinned window has no frame";
    // Painted as the twin first was: laid out and ready for clicks.
    ASSERT_TRUE(guitest::PumpUntil(
        [&] { return guitest::ShareAlike(guitest::CaptureWindow(main), walk.start, RECT{0, 0, client.right, client.bottom}) > 0.95; },
        kStepLimitMs));

    const wchar_t* const progressClasses[] = {L"UIScanProcessWnd", L"UISearchProcessWnd"};
    for (const Step& step : walk.steps) {
        guitest::PostClickAt(main, step.at);
        size_t idleRounds = 0;
        const bool shown = guitest::PumpUntil(
            [&] {
                bool busy = !::IsWindowEnabled(main);
                for (const wchar_t* cls : progressClasses) busy = busy || ProcessWindow(pid, cls) != nullptr;
                idleRounds = busy ? 0 : idleRounds + 1;
                return idleRounds >= 3 && ShareOfChangeShown(step, guitest::CaptureWindow(main)) > 0.9;
            },
            step.name == "scan" ? kScanLimitMs : kStepLimitMs);
        ASSERT_TRUE(shown) << step.name << ": the real window never showed the step's effect";
    }
    guitest::SaveWindowScreenshot(main, L"quillmere_" + scenario.name + L"_results.png");
    // A previewed picture was extracted into the program's scan-log folder, byte for byte.
    const std::wstring scanLog = programState.path() + L"\\OrlynDataRecovery\\ScanLog\\";
    const auto previewed = std::find_if(scenario.files.begin(), scenario.files.end(), [](const Wanted& f) { return f.preview; });
    if (previewed != scenario.files.end()) {
        EXPECT_EQ(test::readWholeFile(test::fixturePath(previewed->original)), test::readWholeFile(scanLog + L"tmp.jpg"));
    }

    guitest::PostClickAt(main, walk.recoverAt);
    HWND recovery = nullptr;
    // Finish replaces Cancel at the same place once every file is copied.
    ASSERT_TRUE(guitest::PumpUntil(
        [&] {
            recovery = ProcessWindow(pid, L"UIRecoverProcessWnd");
            return recovery &&
                   guitest::ShareAlike(guitest::CaptureWindow(recovery), walk.recovery.shot, walk.recovery.finishRect) > 0.9;
        },
        kStepLimitMs));
    guitest::SaveWindowScreenshot(recovery, L"quillmere_" + scenario.name + L"_recovery.png");
    guitest::PostClickAt(recovery, walk.recovery.finishAt);
    ASSERT_TRUE(guitest::PumpUntil([&] { return !::IsWindow(recovery) && ::IsWindowEnabled(main); }, kStepLimitMs));

    guitest::PostClickAt(main, walk.closeAt);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(program.info.hProcess, kStepLimitMs));
    DWORD exitCode = STILL_ACTIVE;
    ::GetExitCodeProcess(program.info.hProcess, &exitCode);
    EXPECT_EQ(0u, exitCode);
    // The preview's copies of the user's files do not outlive the program.
    EXPECT_FALSE(platform::pathExists(scanLog + L"tmp.jpg"));

    // The real program wrote each file where the twin did, below its own folder, byte for byte.
    for (const RecoveryDetailRow& row : walk.recovery.rows) {
        EXPECT_EQ(0, row.error);
        ASSERT_EQ(0u, row.path.rfind(twinOut.path(), 0));
        const std::wstring name = Lower(row.path.substr(row.path.find_last_of(L"\\/") + 1));
        const auto wanted = std::find_if(scenario.files.begin(), scenario.files.end(),
                                         [&](const Wanted& f) { return Lower(f.name) == name; });
        ASSERT_NE(scenario.files.end(), wanted) << "recovered under another name";
        const std::wstring written = programOut.path() + row.path.substr(twinOut.path().size());
        EXPECT_EQ(test::readWholeFile(test::fixturePath(wanted->original)), test::readWholeFile(written))
            << std::string(name.begin(), name.end());
    }
}

}  // namespace

TEST(QuillmereProgramWorkflow, FastScanOfAnImageRecoversTwoTickedFilesByClicks) {
    RecoverByClicks(Scenario{L"fast", L"BtnDeletedRecovery", kScanModeFast, "fat/fat32-512.img",
                             {{L"bin", L"!.bin", "fat/src/b.bin"}, {L"txt", L"Root Long Name.txt", "fat/src/rootlong.txt"}}});
}

// The default, deep mode finds the files of a quick-formatted volume by their names.
TEST(QuillmereProgramWorkflow, DeepScanOfAQuickFormattedImageRecoversFilesByName) {
    RecoverByClicks(Scenario{L"deep", L"BtnStart", kScanModeDeep, "fat/attributes-formatted.img",
                             {{L"jpg", L"dqt.jpg", "fat/attr-src/dqt.jpg", true}, {L"txt", L"noarch.txt", "fat/attr-src/noarch.txt"}}});
}

// The progress windows against the engines they drive: a deep scan through the scan window, and
// the recovery of every deleted file through the recovery window, each timed from the window's
// start to its last update. bench/progress_windows_bench.sh runs the command line on the same
// images in the same run for comparison.
//   progress_windows_bench.exe scan IMAGE
//   progress_windows_bench.exe recover IMAGE DESTINATION
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/recover_process_wnd.h"
#include "app/scan_process_wnd.h"
#include "results/type_classification.h"
#include "ui/win32/ui_lib.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<qm::ScanSource> ImageSources(const std::wstring& image) {
    std::vector<qm::ScanSource> sources(1);
    sources[0].isImage = true;
    sources[0].imagePath = image;
    sources[0].sourceTag = 1001;
    return sources;
}

double Scan(std::vector<qm::ScanSource>& sources, bool deep) {
    qm::app::CScanProcessWnd window(sources, deep);
    window.CreatePopup(nullptr, qm::app::CScanProcessWnd::kWidth, qm::app::CScanProcessWnd::kHeight);
    const auto start = Clock::now();
    window.ShowPopupModal();
    return SecondsSince(start);
}

// Presses "Finish" once the recovery has run, as the user would.
qm::app::CRecoverProcessWnd* g_recovery = nullptr;
void CALLBACK FinishWhenDone(HWND, UINT, UINT_PTR, DWORD) {
    qm::ui::CControlUI* finish = g_recovery ? g_recovery->FindControl(L"FinishBtn") : nullptr;
    if (finish && finish->IsVisible()) g_recovery->GetPaintManager().SendNotify(finish, L"click");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 2 ? argv[1] : L"";
    if (!(mode == L"scan" || (mode == L"recover" && argc > 3))) {
        std::fprintf(stderr, "usage: progress_windows_bench scan IMAGE | recover IMAGE DESTINATION\n");
        return 2;
    }
    qm::ui::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    std::vector<qm::ScanSource> sources = ImageSources(argv[2]);
    if (mode == L"scan") {
        const double seconds = Scan(sources, true);
        if (!sources[0].engine) return 1;
        std::printf("window deep scan: %.2f s, %llu entries\n", seconds,
                    static_cast<unsigned long long>(sources[0].engine->GetFoundCount()));
        return 0;
    }
    Scan(sources, false);
    if (!sources[0].engine) return 1;
    std::vector<qm::ScanRecord> found;
    sources[0].engine->ListByType(qm::BuildTypePattern(std::vector<std::wstring>{}) + L"|*.other", found);
    std::vector<qm::RecoveryItem> items;
    for (const qm::ScanRecord& record : found) items.push_back({sources[0].engine.get(), record});
    qm::app::CRecoverProcessWnd window(argv[3], items);
    window.CreatePopup(nullptr, qm::app::CRecoverProcessWnd::kWidthFromMainWindow, qm::app::CRecoverProcessWnd::kHeight);
    g_recovery = &window;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &FinishWhenDone);
    const auto start = Clock::now();
    window.ShowPopupModal();
    const double seconds = SecondsSince(start);
    ::KillTimer(nullptr, timer);
    std::printf("window recovery: %.2f s, %d files, %d failed\n", seconds, window.Job().processed(),
                window.Job().failed());
    return 0;
}

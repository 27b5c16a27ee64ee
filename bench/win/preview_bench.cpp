// Previewing a large photo of a deleted file: from the click to the picture in the main window's
// pane (the extraction window, the copy to tmp.jpg, decoding and placing the picture), measured
// in the real windows. Run under Wine or Windows, on an image made by run_preview_bench.sh:
//   preview_bench.exe <fat-image> [rounds]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/application.h"
#include "app/main_wnd.h"
#include "app/module_folder.h"
#include "app/picture_component.h"
#include "app/preview_display.h"
#include "app/preview_process_wnd.h"
#include "session/engine_factory.h"
#include "ui/win32/gdiplus_include.h"
#include "ui/win32/rich_edit.h"
#include "ui/win32/ui_lib.h"
#include "bench/win/bench_window_support.h"

namespace {

using qm::bench::Clock;
using qm::bench::MillisecondsSince;
using qm::bench::Settle;

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: preview_bench.exe <fat-image> [rounds]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    ::OleInitialize(nullptr);
    Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
    ::LoadLibraryW(L"Riched20.dll");
    qm::ui::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    qm::app::UseModuleFolderForLanguages();
    qm::app::RegisterPictureComponent();

    auto engine = qm::CreateEngineForImage(argv[1], 1, 0);
    if (!engine || engine->Scan(nullptr) != 0) {
        std::fwprintf(stderr, L"cannot scan %ls\n", argv[1]);
        return 1;
    }
    std::vector<qm::ScanRecord> photos;
    engine->ListByType(L"*.jpg", photos);
    if (photos.empty()) {
        std::fwprintf(stderr, L"no deleted JPEG in %ls\n", argv[1]);
        return 1;
    }
    const qm::ScanRecord& photo = photos.front();

    qm::app::CMainWnd window;
    window.Create(nullptr, L"Tessaly (bench)", qm::app::kMainWindowStyle, qm::app::kMainWindowExStyle, 0, 0, 800, 500);
    window.ShowWindow(true, true);
    while (!window.GetPaintManager().IsWindowInitSent()) Settle(window.GetHWND());
    Settle(window.GetHWND());
    auto* pane = window.FindControl<qm::ui::CRichEditUI>(L"PreviewEdit");

    std::vector<double> times;
    qm::app::PreviewState state;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        const UINT result = qm::app::CPreviewProcessWnd::Run(window.GetHWND(), engine.get(), photo, state);
        const bool shown = result == qm::app::CPreviewProcessWnd::kResultDone &&
                           qm::app::ShowPreviewPicture(pane, state.tempPath, L"caption");
        Settle(window.GetHWND());
        times.push_back(MillisecondsSince(start));
        if (!shown || qm::app::PreviewPictureCount(pane) != 1) {
            std::fwprintf(stderr, L"round %d: the picture did not show\n", round + 1);
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::wprintf(L"preview of a %llu-byte JPEG, click to picture in the pane: median %.0f ms, best %.0f ms, worst %.0f ms "
                 L"(%d rounds)\n",
                 static_cast<unsigned long long>(photo.size), times[times.size() / 2], times.front(), times.back(), rounds);
    ::DestroyWindow(window.GetHWND());
    Gdiplus::GdiplusShutdown(gdiplusToken);
    ::OleUninitialize();
    return 0;
}

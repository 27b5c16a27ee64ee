// The main window's results page over a million found files, measured in the real window:
// building the type tree and showing the first page, sorting the largest type by size, and
// ticking a whole group, with the working set the results add. Run under Wine or Windows:
//   main_window_bench.exe [records]
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/main_wnd.h"
#include "app/application.h"
#include "bench/synthetic_records.h"
#include "ui/win32/ui_lib.h"
#include "bench/win/bench_window_support.h"

namespace {

using qm::bench::Clock;
using qm::bench::MillisecondsSince;
using qm::bench::Settle;

double WorkingSetMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const size_t count = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 1000000;
    qm::ui::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    qm::app::CMainWnd window;
    window.Create(nullptr, L"Tessaly (bench)", qm::app::kMainWindowStyle, qm::app::kMainWindowExStyle, 0, 0, 800, 500);
    window.ShowWindow(true, true);
    while (!window.GetPaintManager().IsWindowInitSent()) Settle(window.GetHWND());
    Settle(window.GetHWND());

    const double before = WorkingSetMegabytes();
    std::vector<qm::ScanRecord> records = qm::makeRecords(count, false);
    auto start = Clock::now();
    window.ShowSearchResults(std::move(records));
    auto* tree = window.FindControl<qm::ui::CListUI>(L"TypeTree");
    // The largest type: the one a user opens first on a camera card.
    size_t largest = 0;
    const qm::FoundFilesModel& found = window.Found();
    for (size_t t = 0; t < found.Types().size(); ++t)
        if (found.Types()[t].records.size() > found.Types()[largest].records.size()) largest = t;
    for (int i = 0; tree && i < tree->GetCount(); ++i) {
        if (tree->GetItemAt(i)->GetTag() == largest && tree->GetItemAt(i)->GetParent() != nullptr &&
            tree->GetItemAt(i)->GetInterface(L"TreeNode") && tree->GetItemAt(i)->IsVisible() &&
            static_cast<qm::ui::CTreeNodeUI*>(tree->GetItemAt(i)->GetInterface(L"TreeNode"))->GetTreeLevel() > 0) {
            tree->SelectItem(i);
            break;
        }
    }
    Settle(window.GetHWND());
    const double treeMs = MillisecondsSince(start);
    const double after = WorkingSetMegabytes();

    start = Clock::now();
    window.GetPaintManager().SendNotify(window.FindControl(L"Size"), L"headerclick");
    Settle(window.GetHWND());
    const double sortMs = MillisecondsSince(start);

    start = Clock::now();
    auto* group = window.FindControl(L"NodePhoto");
    window.GetPaintManager().SendNotify(group, L"checkboxselectchanged", 1);
    Settle(window.GetHWND());
    const double tickMs = MillisecondsSince(start);

    std::printf("records %zu, largest type %zu files\n", count, found.Types()[largest].records.size());
    std::printf("type tree + first page shown: %.0f ms\n", treeMs);
    std::printf("sort the largest type by size: %.0f ms\n", sortMs);
    std::printf("tick the photo group (%zu files checked): %.0f ms\n", found.Summary().files, tickMs);
    std::printf("working set growth: %.0f MB\n", after - before);
    ::DestroyWindow(window.GetHWND());
    return 0;
}

#include "session/scan_progress.h"

#include <algorithm>
#include <cwchar>

#include "disk/format_text.h"

namespace qm {

ScanProgressView FormatScanProgress(const ITextSource& texts, int step, int scale, int secondsLeft,
                                    uint64_t sectorsDone, uint64_t totalSectors, uint64_t filesFound) {
    ScanProgressView view;
    // 64-bit so that odd values from an engine cannot overflow; the bar shows 0..100.
    const int64_t percent = static_cast<int64_t>(step) * scale / 100;
    view.percent = static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
    view.secondsLeft = secondsLeft;
    view.sectorsDone = sectorsDone;
    view.totalSectors = totalSectors;
    view.filesFound = filesFound;
    if (secondsLeft == -1) {
        view.timeText = texts.GetText(L"MSG0705");
    } else {
        // Language files cannot keep a trailing blank after "Time left:".
        view.timeText = texts.GetText(L"MSG0708");
        if (!view.timeText.empty() && view.timeText.back() != L' ') view.timeText += L' ';
        view.timeText += FormatDuration(std::max(secondsLeft, 0));
    }
    wchar_t number[64];
    std::swprintf(number, 64, L" %d%%", view.percent);
    view.percentText = texts.GetText(L"MSG0704") + number;
    if (totalSectors != 0) {
        view.countsVisible = true;
        std::swprintf(number, 64, L" %llu / %llu", static_cast<unsigned long long>(sectorsDone),
                      static_cast<unsigned long long>(totalSectors));
        view.sectorsText = texts.GetText(L"MSG0706") + number;
        std::swprintf(number, 64, L" %llu", static_cast<unsigned long long>(filesFound));
        view.filesText = texts.GetText(L"MSG0707") + number;
    }
    return view;
}

int QM_STDCALL CScanProgressSink::Callback(void* userData, int step, int scale, int secondsLeft, uint64_t sectorsDone,
                                           uint64_t totalSectors, uint64_t filesFound, int) {
    return static_cast<CScanProgressSink*>(userData)->OnProgress(step, scale, secondsLeft, sectorsDone, totalSectors,
                                                                 filesFound);
}

int CScanProgressSink::OnProgress(int step, int scale, int secondsLeft, uint64_t sectorsDone, uint64_t totalSectors,
                                  uint64_t filesFound) {
    std::lock_guard<std::mutex> hold(lock_);
    if (cancelled_) return CancelCode;
    latest_ = FormatScanProgress(texts_, step, scale, secondsLeft, sectorsDone, totalSectors, filesFound);
    if (display_) display_(latest_);
    return 0;
}

}  // namespace qm

#include "cli/console_scan_window.h"

#include <algorithm>
#include <cstdio>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/text.h"

namespace qm::cli {

void WriteText(std::FILE* stream, const std::wstring& text) {
    const std::string utf8 = platform::toUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

CConsoleScanWindow::CConsoleScanWindow(bool quiet, bool resume)
    : quiet_(quiet), resume_(resume), terminal_(platform::stderrIsTerminal()) {}

bool CConsoleScanWindow::AskYesNo(const std::wstring&) {
    Finish();
    WriteText(stderr, resume_ ? L"Continuing the interrupted deep scan of this source.\n"
                              : L"An earlier deep scan of this source was interrupted; starting afresh "
                                L"(--resume continues it).\n");
    return resume_;
}

void CConsoleScanWindow::SetStageText(const std::wstring& text) {
    if (quiet_) return;
    Finish();
    WriteText(stderr, text + L"\n");
}

std::wstring CConsoleScanWindow::ProgressLine(int percent, uint64_t sectorsDone, uint64_t totalSectors,
                                              double bytesPerSecond, std::optional<uint64_t> found,
                                              int secondsLeft) {
    wchar_t text[160];
    std::swprintf(text, 160, L"%3d%%", percent);
    std::wstring line = text;
    if (totalSectors != 0) {
        std::swprintf(text, 160, L"  %llu of %llu sectors", static_cast<unsigned long long>(sectorsDone),
                      static_cast<unsigned long long>(totalSectors));
        line += text;
        if (bytesPerSecond > 0) {
            std::swprintf(text, 160, L"  %.1f MB/s", bytesPerSecond / 1e6);
            line += text;
        }
        if (found) line += L"  " + std::to_wstring(*found) + L" entries";
    }
    if (secondsLeft > 0) {
        std::swprintf(text, 160, L"  %d:%02d:%02d left", secondsLeft / 3600, secondsLeft / 60 % 60, secondsLeft % 60);
        line += text;
    }
    return line;
}

void CConsoleScanWindow::Show(const ScanProgressView& view) {
    if (quiet_) return;
    const uint64_t now = platform::tickCount();
    // The closing report of a scan whose pass already showed its end.
    if (view.totalSectors == 0 && view.percent == 100 && shownPercent_ == 100) return;
    // A new total is a new phase (the fast pass, then the deep pass): its sectors start over.
    if (view.totalSectors != phaseTotal_) {
        phaseTotal_ = view.totalSectors;
        phaseStartTick_ = now;
        shownSectors_ = 0;
        shownPercent_ = 0;
        lastPlainPercent_ = -1;
    }
    // With sectors to count, the percent is theirs, so the two never disagree.
    const int percent = view.totalSectors ? static_cast<int>(std::min<uint64_t>(
                                                100, view.sectorsDone * 100 / view.totalSectors))
                                          : view.percent;
    if (percent < shownPercent_ || (view.totalSectors && view.sectorsDone < shownSectors_)) return;
    const bool changed = percent != shownPercent_ || view.sectorsDone != shownSectors_;
    shownPercent_ = percent;
    shownSectors_ = view.sectorsDone;
    const double seconds = static_cast<double>(now - phaseStartTick_) / 1000.0;
    // Sectors as the scan counts them: 512 bytes for images, which is what the rate assumes.
    const double rate = seconds >= 1 ? static_cast<double>(view.sectorsDone) * 512 / seconds : 0;
    const std::wstring line =
        ProgressLine(percent, view.sectorsDone, view.totalSectors, rate, view.filesFound, view.secondsLeft);
    if (terminal_) {
        if (percent < 100 && (!changed || now - lastDrawTick_ < 100)) return;
        lastDrawTick_ = now;
        constexpr int kWidth = 30;
        const int filled = percent * kWidth / 100;
        WriteText(stderr, L"\r[" + std::wstring(filled, L'#') + std::wstring(kWidth - filled, L'-') + L"] " + line +
                              L"\x1b[K");
        barOpen_ = true;
    } else if (percent / 10 > lastPlainPercent_ / 10 || now - lastPlainTick_ >= 10000) {
        // Logs get a line per ten percent or per ten seconds, not a flood.
        WriteText(stderr, line + L"\n");
        lastPlainPercent_ = percent;
        lastPlainTick_ = now;
    }
    std::fflush(stderr);
}

void CConsoleScanWindow::Finish() {
    if (barOpen_) {
        std::fputc('\n', stderr);
        barOpen_ = false;
    }
}

}  // namespace qm::cli

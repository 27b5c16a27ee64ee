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

void CConsoleScanWindow::Show(const ScanProgressView& view) {
    if (quiet_) return;
    std::wstring line = view.percentText + L"  " + view.timeText;
    if (view.countsVisible) line += L"  " + view.sectorsText + L"  " + view.filesText;
    if (terminal_) {
        constexpr int kWidth = 30;
        const int filled = view.percent * kWidth / 100;
        std::wstring bar = L"\r[" + std::wstring(filled, L'#') + std::wstring(kWidth - filled, L'-') + L"] " + line;
        WriteText(stderr, bar + L"\x1b[K");
        barOpen_ = true;
    } else {
        // Logs get a line per ten percent or per ten seconds, not a flood.
        const uint64_t now = platform::tickCount();
        // Look-ahead reports inside a step can lag behind; a log only ever moves forward.
        if (view.percent / 10 > lastPlainPercent_ / 10 || now - lastPlainTick_ >= 10000) {
            WriteText(stderr, line + L"\n");
            lastPlainPercent_ = std::max(lastPlainPercent_, view.percent);
            lastPlainTick_ = now;
        }
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

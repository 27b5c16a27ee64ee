// The scan window of the command line: stage lines and a progress bar on standard error
// (a bar redrawn in place on a terminal, plain lines now and then otherwise).
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "session/scan_driver.h"
#include "session/scan_progress.h"

namespace qm::cli {

class CConsoleScanWindow : public IScanWindow {
public:
    CConsoleScanWindow(bool quiet, bool resume);
    void SetStageText(const std::wstring& text) override;
    void SetVisible(bool) override {}
    // Whether to continue an interrupted deep scan: what --resume said.
    bool AskYesNo(const std::wstring& question) override;
    void Close(int resultCode) override { closeCode_ = resultCode; }

    // The display of the progress sink: one line that only moves forward, redrawn at most ten
    // times a second on a terminal, every ten percent or ten seconds in a log.
    void Show(const ScanProgressView& view);
    // The line for a view: percent, sectors, rate, entries found (when counted), time left.
    // Imaging shows the same line without entries.
    static std::wstring ProgressLine(int percent, uint64_t sectorsDone, uint64_t totalSectors, double bytesPerSecond,
                                     std::optional<uint64_t> found, int secondsLeft);
    // Ends the bar's line.
    void Finish();
    int closeCode() const { return closeCode_; }

private:
    bool quiet_;
    bool resume_;
    bool terminal_;
    bool barOpen_ = false;
    int lastPlainPercent_ = -1;
    uint64_t lastPlainTick_ = 0;
    // What was shown: a report that lags behind (look-ahead inside a step) is not drawn.
    int shownPercent_ = 0;
    uint64_t shownSectors_ = 0;
    uint64_t phaseTotal_ = 0;
    uint64_t phaseStartTick_ = 0;
    uint64_t lastDrawTick_ = 0;
    int closeCode_ = 0;
};

// Writes wide text to a stream as UTF-8.
void WriteText(std::FILE* stream, const std::wstring& text);

}  // namespace qm::cli

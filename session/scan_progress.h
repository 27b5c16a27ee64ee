// The scan window's side of the progress callback, shared by the GUI and the command line:
// the texts of one progress report, and the cancel handshake.
#pragma once
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "engines/file_recovery_parse.h"
#include "session/text_source.h"

namespace qm {

struct ScanProgressView {
    int percent = 0;
    std::wstring timeText;
    std::wstring percentText;
    bool countsVisible = false;  // the sectors and files lines; only with a known total
    std::wstring sectorsText;
    std::wstring filesText;
    // The numbers behind the texts, for displays that lay them out themselves.
    int secondsLeft = -1;
    uint64_t sectorsDone = 0;
    uint64_t totalSectors = 0;
    uint64_t filesFound = 0;
};

ScanProgressView FormatScanProgress(const ITextSource& texts, int step, int scale, int secondsLeft,
                                    uint64_t sectorsDone, uint64_t totalSectors, uint64_t filesFound);

// Receives an engine's progress on the worker thread. The lock is the window's critical
// section: a cancel question holds it, so the worker waits in its next report until the
// user has answered.
class CScanProgressSink {
public:
    explicit CScanProgressSink(const ITextSource& texts) : texts_(texts) {}

    // The ScanProgressFn to hand to engines, with this object as user data.
    static int QM_STDCALL Callback(void* userData, int step, int scale, int secondsLeft, uint64_t sectorsDone,
                                   uint64_t totalSectors, uint64_t filesFound, int reserved);
    int OnProgress(int step, int scale, int secondsLeft, uint64_t sectorsDone, uint64_t totalSectors,
                   uint64_t filesFound);

    // Called under the lock with every new view (the display).
    void SetDisplay(std::function<void(const ScanProgressView&)> display) { display_ = std::move(display); }
    std::mutex& Lock() { return lock_; }
    // Sets the cancel flag; the caller holds Lock() or not, as it pleases.
    void CancelLocked() { cancelled_ = true; }
    void Cancel() {
        std::lock_guard<std::mutex> hold(lock_);
        cancelled_ = true;
    }
    bool Cancelled() {
        std::lock_guard<std::mutex> hold(lock_);
        return cancelled_;
    }
    ScanProgressView Latest() {
        std::lock_guard<std::mutex> hold(lock_);
        return latest_;
    }

private:
    const ITextSource& texts_;
    std::mutex lock_;
    bool cancelled_ = false;
    ScanProgressView latest_;
    std::function<void(const ScanProgressView&)> display_;
};

}  // namespace qm

// The scan window: scans the chosen sources one after another on a worker thread, shows the stage,
// progress, time left, sectors and files found, asks before stopping, and tells its owner
// (WM_USER+1) when the scan has run. Result 1: the scan ran (completed or stopped); 3: a source
// could not be opened (the owner is not told).
#pragma once
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "app/progress_window_support.h"
#include "app/worker_popup_wnd.h"
#include "session/scan_driver.h"
#include "session/scan_progress.h"

namespace qm {
class CScanHistory;
}

namespace qm::app {

class CScanProcessWnd : public CWorkerPopUpWnd {
public:
    static constexpr int kWidth = 450;
    static constexpr int kHeight = 250;
    static constexpr UINT kMsgScanFinished = WM_USER + 1;
    static constexpr UINT kResultScanned = kScanWindowDone;
    static constexpr UINT kResultNoEngine = kScanWindowNoEngine;

    // sources outlive the window: the engines made by the scan stay in them. history null: the
    // process's scan history; factory empty: the probing engine factory.
    CScanProcessWnd(std::vector<ScanSource>& sources, bool deepScan, CScanHistory* history = nullptr,
                    CScanDriver::EngineFactory factory = {});
    ~CScanProcessWnd() override;

    const wchar_t* GetWindowClassName() const override;
    void InitWindow() override;
    void OnWindowInit(ui::TNotifyUI& msg) override;
    void OnClick(ui::TNotifyUI& msg) override;

    bool Cancelled() { return m_sink.Cancelled(); }

protected:
    void OnStopRequest() override { AskToStop(); }
    void OnWorkerEnded() override { Finish(); }
    void OnRefresh() override { ShowLatest(); }

private:
    // The driver's view of this window; called on the worker thread, so it only posts.
    class DriverWindow : public IScanWindow {
    public:
        explicit DriverWindow(CScanProcessWnd& owner) : owner_(owner) {}
        void SetStageText(const std::wstring& text) override;
        void SetVisible(bool visible) override;
        bool AskYesNo(const std::wstring& question) override;
        void Close(int) override {}  // the window closes itself once the worker has ended

    private:
        CScanProcessWnd& owner_;
    };

    void RunScan();
    void AskToStop();
    void Finish();
    void ShowLatest();

    std::vector<ScanSource>& m_sources;
    bool m_deep;
    CScanHistory* m_history;
    CScanDriver::EngineFactory m_factory;
    CMessageTexts m_texts;
    // Holds the cancel flag and the lock a stop question keeps while it is open: per window, so a
    // window opened while another closes never inherits its stop.
    CScanProgressSink m_sink{m_texts};
    DriverWindow m_driverWindow{*this};
    std::atomic<bool> m_done{false};
    int m_result = kResultScanned;

    // What the worker last reported, shown by the window's timer (a few times a second at most).
    std::mutex m_viewLock;
    ScanProgressView m_view;
    std::wstring m_stage;
    bool m_viewDirty = false;
    bool m_stageDirty = false;
};

}  // namespace qm::app

// The listing window that follows every scan: asks each scanned source's engine for the found
// files of the chosen types and gathers them in the caller's list, with a progress bar and a stop
// question. Tells its owner (WM_USER+2) when done; result 1, or 2 when stopped by the user.
#pragma once
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "app/worker_popup_wnd.h"
#include "app/progress_window_support.h"
#include "session/scan_driver.h"

namespace qm::app {

class CSearchProcessWnd : public CWorkerPopUpWnd {
public:
    static constexpr int kWidth = 450;
    static constexpr int kHeight = 220;
    static constexpr UINT kMsgSearchFinished = WM_USER + 2;
    static constexpr UINT kResultListed = 1;
    static constexpr UINT kResultStopped = 2;

    // pattern: "*.jpg|*.pdf", as BuildTypePattern makes it. results receives the files of every
    // source in order; sources and results outlive the window.
    CSearchProcessWnd(const std::vector<ScanSource>& sources, std::wstring pattern, std::vector<ScanRecord>& results);
    ~CSearchProcessWnd() override;

    const wchar_t* GetWindowClassName() const override;
    void InitWindow() override;
    void OnWindowInit(ui::TNotifyUI& msg) override;
    void OnClick(ui::TNotifyUI& msg) override;

protected:
    void OnStopRequest() override { AskToStop(); }
    void OnWorkerEnded() override { Finish(kResultListed); }
    void OnRefresh() override { ShowLatest(); }

private:
    static int QM_STDCALL OnListProgress(void* user, int percent, int reserved);
    void RunSearch();
    std::wstring StageText(const ScanSource& source) const;
    void AskToStop();
    void Finish(UINT result);
    void ShowLatest();

    const std::vector<ScanSource>& m_sources;
    std::wstring m_pattern;
    std::vector<ScanRecord>& m_results;
    CMessageTexts m_texts;
    // Held by each progress report and by the stop question: per window, never shared.
    std::mutex m_lock;
    bool m_cancel = false;
    std::atomic<bool> m_done{false};

    std::mutex m_viewLock;
    int m_percent = 0;
    std::wstring m_stage;
    bool m_viewDirty = false;
};

}  // namespace qm::app

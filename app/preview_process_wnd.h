// The preview's extraction window: on a worker thread it ends our media players, has the
// record's engine extract the file (to a temporary file or into the state's buffer) and shows
// the progress; stopping is asked first. Result 1: extracted; 2: stopped.
#pragma once
#include <atomic>
#include <mutex>

#include "app/preview_state.h"
#include "app/progress_window_support.h"
#include "app/worker_popup_wnd.h"
#include "engines/file_recovery_parse.h"

namespace qm::app {

class CPreviewProcessWnd : public CWorkerPopUpWnd {
public:
    static constexpr int kWidth = 450;
    static constexpr int kHeight = 250;
    static constexpr UINT kResultDone = 1;
    static constexpr UINT kResultStopped = 2;
    // How long a player that was ended gets to let go of the temporary media file.
    static constexpr DWORD kPlayerReleaseMs = 1000;

    // state outlives the window and receives the extraction; engine may be null (nothing is
    // extracted then).
    CPreviewProcessWnd(IFileRecoveryParse* engine, const ScanRecord& record, PreviewState& state);
    ~CPreviewProcessWnd() override;

    const wchar_t* GetWindowClassName() const override { return L"UIPreviewProcessWnd"; }
    void OnWindowInit(ui::TNotifyUI& msg) override;
    void OnClick(ui::TNotifyUI& msg) override;

    // Runs the window modally over owner; its result.
    static UINT Run(HWND owner, IFileRecoveryParse* engine, const ScanRecord& record, PreviewState& state);

protected:
    void OnStopRequest() override { AskToStop(); }
    void OnWorkerEnded() override { Finish(); }
    void OnRefresh() override { ShowLatest(); }

private:
    static int QM_STDCALL Progress(void* userData, int percent, int error);
    void Extract();
    void AskToStop();
    void Finish();
    void ShowLatest();

    IFileRecoveryParse* m_engine;
    ScanRecord m_record;
    PreviewState& m_state;
    CMessageTexts m_texts;
    // Held by the progress report and by the stop question while it is open: the worker waits.
    std::mutex m_lock;
    bool m_cancel = false;
    std::atomic<bool> m_done{false};
    std::atomic<int> m_percent{-1};
    int m_shownPercent = -1;
    UINT m_result = kResultDone;
};

}  // namespace qm::app

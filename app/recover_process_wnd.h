// The recovery window: copies the chosen files (or the one file of a preview) into the destination
// folder on a worker thread, shows the file being copied and the counts, lists every file with its
// outcome (failures at the top, in red), and asks before stopping. Result 1: finished (or closed
// after finishing); 2: stopped by the user.
#pragma once
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "app/worker_popup_wnd.h"
#include "app/progress_window_support.h"
#include "session/recovery_job.h"

namespace qm::app {

class CRecoverProcessWnd : public CWorkerPopUpWnd {
public:
    static constexpr int kWidthFromMainWindow = 500;
    static constexpr int kWidthFromPreview = 450;
    static constexpr int kHeight = 250;
    // How much the window grows when the detail list shows.
    static constexpr int kDetailExtraWidth = 150;
    static constexpr int kDetailExtraHeight = 300;
    static constexpr UINT kResultFinished = 1;
    static constexpr UINT kResultStopped = 2;
    static constexpr DWORD kFailureColor = 0xFFFF0000;

    // The main window's selection, in its order.
    CRecoverProcessWnd(std::wstring destinationFolder, std::vector<RecoveryItem> items);
    // One record, from the preview window.
    CRecoverProcessWnd(std::wstring destinationFolder, RecoveryItem item);
    ~CRecoverProcessWnd() override;

    const wchar_t* GetWindowClassName() const override;
    void InitWindow() override;
    void OnWindowInit(ui::TNotifyUI& msg) override;
    void OnClick(ui::TNotifyUI& msg) override;

    // The counts and rows; read after the modal loop.
    const CRecoveryJob& Job() const { return m_job; }
    bool DetailShown() const { return m_detailShown; }

protected:
    // Once the work is done, Escape and the close button just close.
    void OnStopRequest() override;
    void OnWorkerEnded() override { ShowFinished(); }
    void OnRefresh() override;

private:
    void RunRecovery();
    void AskToStop();
    void ToggleDetail();
    void ShowFinished();
    void ShowLatest();
    // Brings the detail list up to the job's rows; rebuild redraws every row (their statuses can
    // change once a copy is checked).
    void SyncDetailRows(bool rebuild);
    void AddDetailRow(const RecoveryDetailRow& row, int index);
    bool WorkDone() const;

    std::vector<RecoveryItem> m_items;
    bool m_oneRecord;
    std::wstring m_destination;
    CMessageTexts m_texts;
    // Holds the counters, the rows, the cancel flag and the lock the stop question keeps.
    CRecoveryJob m_job{m_texts, m_destination};
    std::atomic<bool> m_done{false};
    bool m_detailShown = false;
    SIZE m_skinSize{};

    std::mutex m_viewLock;
    RecoveryView m_view;
    bool m_viewDirty = false;
    // Rows already in the list: failures (at its top) and the others (below).
    size_t m_shownFailures = 0;
    size_t m_shownOthers = 0;
};

}  // namespace qm::app

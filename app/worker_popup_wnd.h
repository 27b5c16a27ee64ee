// A popup whose work runs on a worker thread (scan, search, recovery, disk image): Escape asks to
// stop as the stop button does instead of closing under the running work; the worker's end
// (kMsgWorkerEnded, posted by the worker on every path) finishes the window, or, while a stop
// question is open, finishes it once the question has been answered; a refresh timer shows what
// the worker last reported.
#pragma once
#include <thread>

#include "app/popup_wnd.h"
#include "app/progress_window_support.h"

namespace qm::app {

class CWorkerPopUpWnd : public CPopUpWnd {
public:
    using CPopUpWnd::CPopUpWnd;
    LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

protected:
    LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

    // The user asked to stop: Escape, the stop or the close button.
    virtual void OnStopRequest() = 0;
    // The worker has ended and no question is open.
    virtual void OnWorkerEnded() = 0;
    // The refresh timer: show what the worker last reported.
    virtual void OnRefresh() {}

    void StartRefreshTimer();
    void StopRefreshTimer();
    // For a stop question: returns true when the worker ended while it was open, so the caller
    // finishes the window now.
    bool TakePendingFinish();

    std::thread m_worker;
    bool m_asking = false;

private:
    bool m_finishPending = false;
};

}  // namespace qm::app

#include "app/worker_popup_wnd.h"

namespace qm::app {

LRESULT CWorkerPopUpWnd::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == WM_KEYDOWN && wParam == VK_ESCAPE) {
        handled = true;
        OnStopRequest();
        return 0;
    }
    return CPopUpWnd::MessageHandler(msg, wParam, lParam, handled);
}

LRESULT CWorkerPopUpWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == WM_TIMER && wParam == kProgressRefreshTimer) {
        handled = true;
        OnRefresh();
        return 0;
    }
    if (msg == kMsgWorkerEnded) {
        handled = true;
        if (m_asking) m_finishPending = true;
        else if (m_worker.joinable()) OnWorkerEnded();
        return 0;
    }
    return CPopUpWnd::HandleCustomMessage(msg, wParam, lParam, handled);
}

void CWorkerPopUpWnd::StartRefreshTimer() { ::SetTimer(m_hwnd, kProgressRefreshTimer, kProgressRefreshMs, nullptr); }

void CWorkerPopUpWnd::StopRefreshTimer() { ::KillTimer(m_hwnd, kProgressRefreshTimer); }

bool CWorkerPopUpWnd::TakePendingFinish() {
    const bool pending = m_finishPending;
    m_finishPending = false;
    return pending;
}

}  // namespace qm::app

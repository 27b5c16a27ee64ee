#include "app/progress_window_support.h"

namespace qm::app {

void WaitForWorker(const std::atomic<bool>& done) {
    while (!done) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE);
        MSG msg;
        // Only sent messages are dispatched (by the peek itself); nothing posted is taken.
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace qm::app

#include "app/single_instance.h"

#include <windows.h>

#include "app/message_box.h"

namespace qm::app {

bool ClaimSingleInstance() {
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kSingleInstanceMutexName);
    return !(mutex && ::GetLastError() == ERROR_ALREADY_EXISTS);
}

void BringUpRunningCopy() {
    if (HWND running = ::FindWindowW(nullptr, kMainWindowTitle)) {
        ::ShowWindow(running, SW_SHOWNORMAL);
        // Windows lets the starting process hand the foreground on.
        ::SetForegroundWindow(running);
        return;
    }
    ShowMessageBox(kMessageBoxInformation, nullptr, kAlreadyRunningText, kMessageBoxWidth);
}

}  // namespace qm::app

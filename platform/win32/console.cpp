#include <windows.h>
#include <io.h>

#include <cstdio>

#include "platform/console.h"

namespace qm::platform {
namespace {
void (*g_handler)() = nullptr;
BOOL WINAPI onControl(DWORD type) {
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) {
        if (g_handler) g_handler();
        return TRUE;
    }
    return FALSE;
}
}  // namespace

void prepareConsole() { SetConsoleOutputCP(CP_UTF8); }

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void onInterrupt(void (*handler)()) {
    g_handler = handler;
    SetConsoleCtrlHandler(onControl, TRUE);
}

}  // namespace qm::platform

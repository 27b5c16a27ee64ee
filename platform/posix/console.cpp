#include <signal.h>
#include <unistd.h>

#include "platform/console.h"

namespace qm::platform {
namespace {
void (*g_handler)() = nullptr;
void onSignal(int) {
    if (g_handler) g_handler();
}
}  // namespace

void prepareConsole() {}

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void onInterrupt(void (*handler)()) {
    g_handler = handler;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace qm::platform

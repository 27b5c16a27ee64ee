// The terminal: whether output goes to one, UTF-8 output, and Ctrl-C.
#pragma once

namespace qm::platform {

// Sets the console up for UTF-8 output (Windows); nothing elsewhere.
void prepareConsole();
bool stderrIsTerminal();
// Calls handler (which may only set a flag) when the user presses Ctrl-C; the program goes on.
void onInterrupt(void (*handler)());

}  // namespace qm::platform

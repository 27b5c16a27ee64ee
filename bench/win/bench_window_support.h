// What the window benchmarks share: a clock in milliseconds and a way to let a window paint.
#pragma once
#include <windows.h>

#include <chrono>

namespace qm::bench {

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Lets the window paint what changed, as the message loop would before the user sees it.
inline void Settle(HWND window) {
    ::UpdateWindow(window);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::UpdateWindow(window);
}

}  // namespace qm::bench

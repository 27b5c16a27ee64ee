// The program's start and end: one running copy, the picture component registered, the system
// services the windows need, the main window and its message loop, and the way out.
#pragma once
#include <windows.h>

namespace qm::app {

inline constexpr UINT kMainWindowIcon = 102;
inline constexpr DWORD kMainWindowStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
inline constexpr DWORD kMainWindowExStyle = WS_EX_APPWINDOW | WS_EX_STATICEDGE;
inline constexpr wchar_t kRegistrationFailedText[] =
    L"COM component registration failed, the application can not complete initialization!";

// Runs the program to its end; 0 in every case.
int RunApplication(HINSTANCE instance);

}  // namespace qm::app

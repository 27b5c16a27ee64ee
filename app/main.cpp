// Quillmere.exe: the Windows program's entry point.
#include <windows.h>

#include "app/application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return qm::app::RunApplication(instance); }

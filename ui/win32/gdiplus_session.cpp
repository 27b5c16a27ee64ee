#include "ui/win32/gdiplus_session.h"

#include <windows.h>
#include "ui/win32/gdiplus_include.h"

#include <mutex>

namespace qm::ui {
namespace {
std::mutex g_mutex;
ULONG_PTR g_token = 0;
}  // namespace

void EnsureGdiplus() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_token != 0) return;
  // GDI+ start-ups nest, so starting it here too is harmless when the program already has.
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&g_token, &input, nullptr);
}

void ShutdownGdiplus() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_token == 0) return;
  Gdiplus::GdiplusShutdown(g_token);
  g_token = 0;
}

}  // namespace qm::ui

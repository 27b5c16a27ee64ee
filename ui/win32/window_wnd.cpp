#include "ui/win32/window_wnd.h"

#include <map>
#include <stdexcept>

#include "ui/win32/attribute_utils.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {
namespace {
// Results of modal windows destroyed on this thread, until their ShowModal picks them up.
thread_local std::map<HWND, UINT> g_finalResults;
// Faults raised by a modal window's handlers, rethrown by its ShowModal.
thread_local std::map<HWND, std::exception_ptr> g_finalErrors;
}  // namespace

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
  if (m_hwnd && ::IsWindow(m_hwnd)) {
    // The object goes first: detach so the procedure no longer reaches it.
    ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    ::DestroyWindow(m_hwnd);
  }
}

bool CWindowWnd::RegisterWindowClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  HINSTANCE instance = CPaintManagerUI::GetInstance();
  if (::GetClassInfoExW(instance, GetWindowClassName(), &wc)) return true;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.style = GetClassStyle();
  wc.lpfnWndProc = &CWindowWnd::WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = GetWindowClassName();
  if (::RegisterClassExW(&wc)) return true;
  // A drop-shadow class style is refused by some systems: try again without it.
  wc.style &= ~CS_DROPSHADOW;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rc, HMENU menu) {
  return Create(parent, name, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, menu);
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                        HMENU menu) {
  const std::string cls = ToUtf8(GetWindowClassName());
  if (!RegisterWindowClass()) throw std::runtime_error(cls + "::Create: cannot register the window class");
  m_pendingError = nullptr;
  HWND hwnd = ::CreateWindowExW(exStyle, GetWindowClassName(), name ? name : L"", style, x, y, cx, cy, parent, menu,
                                CPaintManagerUI::GetInstance(), this);
  if (m_pendingError) {
    std::exception_ptr error = m_pendingError;
    m_pendingError = nullptr;
    if (hwnd && ::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    m_hwnd = nullptr;
    std::rethrow_exception(error);
  }
  if (!hwnd) throw std::runtime_error(cls + "::Create: CreateWindowEx failed (error " + std::to_string(::GetLastError()) + ")");
  return m_hwnd;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (!::IsWindow(m_hwnd)) return;
  ::ShowWindow(m_hwnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
  if (!::IsWindow(m_hwnd)) return IDCANCEL;
  HWND window = m_hwnd;
  HWND owner = ::GetWindow(window, GW_OWNER);
  ::ShowWindow(window, SW_SHOWNORMAL);
  const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
  if (owner) ::EnableWindow(owner, FALSE);
  m_modal = true;
  m_modalResult = IDCANCEL;
  MSG msg{};
  bool quit = false;
  WPARAM quitCode = 0;
  while (::IsWindow(window)) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {  // WM_QUIT: end this loop and hand the quit on to the outer loop
      quit = true;
      quitCode = msg.wParam;
      break;
    }
    if (got == -1) break;
    if (msg.message == WM_CLOSE && msg.hwnd == window && owner) {
      // Enable the owner before the window goes, so the focus returns to it.
      ::EnableWindow(owner, TRUE);
      ::SetFocus(owner);
    }
    if (!CPaintManagerUI::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (owner && ownerWasEnabled) ::EnableWindow(owner, TRUE);
  if (owner && ::IsWindow(owner)) ::SetFocus(owner);
  if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
  // `this` may be gone here when the window deleted itself in OnFinalMessage; its result was
  // kept by handle when the window was destroyed.
  UINT result = IDCANCEL;
  auto found = g_finalResults.find(window);
  if (found != g_finalResults.end()) {
    result = found->second;
    g_finalResults.erase(found);
  }
  auto error = g_finalErrors.find(window);
  if (error != g_finalErrors.end()) {
    std::exception_ptr fault = error->second;
    g_finalErrors.erase(error);
    std::rethrow_exception(fault);
  }
  return result;
}

void CWindowWnd::Close(UINT result) {
  m_modalResult = result;
  if (::IsWindow(m_hwnd)) ::PostMessageW(m_hwnd, WM_CLOSE, static_cast<WPARAM>(result), 0);
}

void CWindowWnd::CenterWindow() {
  if (!::IsWindow(m_hwnd)) return;
  RECT dlg{};
  ::GetWindowRect(m_hwnd, &dlg);
  RECT area{};
  HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hwnd, MONITOR_DEFAULTTONEAREST), &mi);
  RECT work = mi.rcWork;
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &area);
  else area = work;
  int w = dlg.right - dlg.left, h = dlg.bottom - dlg.top;
  int x = (area.left + area.right - w) / 2, y = (area.top + area.bottom - h) / 2;
  // Stay on the screen.
  if (x + w > work.right) x = work.right - w;
  if (x < work.left) x = work.left;
  if (y + h > work.bottom) y = work.bottom - h;
  if (y < work.top) y = work.top;
  ::SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT resourceId) {
  HINSTANCE instance = CPaintManagerUI::GetInstance();
  HICON big = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                              ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  HICON small = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  if (big) ::SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) ::SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  RECT rc{};
  if (!::GetClientRect(m_hwnd, &rc)) return;
  if (cx != -1) rc.right = cx;
  if (cy != -1) rc.bottom = cy;
  ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrW(m_hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE)));
  ::SetWindowPos(m_hwnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return ::SendMessageW(m_hwnd, msg, wParam, lParam); }

LRESULT CWindowWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return ::PostMessageW(m_hwnd, msg, wParam, lParam); }

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hwnd, msg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

void CWindowWnd::StoreException(std::exception_ptr error) {
  if (!m_pendingError) m_pendingError = error;
}

void CWindowWnd::RethrowStored() {
  if (m_pendingError) {
    std::exception_ptr error = m_pendingError;
    m_pendingError = nullptr;
    std::rethrow_exception(error);
  }
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    self = static_cast<CWindowWnd*>(cs->lpCreateParams);
    if (self) {
      self->m_hwnd = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    LRESULT r = ::DefWindowProcW(hwnd, msg, wParam, lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    // Keep the modal result where ShowModal finds it after the object may be gone.
    if (self->m_modal) {
      g_finalResults[hwnd] = self->m_modalResult;
      if (self->m_pendingError) g_finalErrors[hwnd] = self->m_pendingError;
      self->m_pendingError = nullptr;
    }
    self->m_hwnd = nullptr;
    self->OnFinalMessage(hwnd);
    return r;
  }
  // No exception may unwind through the system's window procedure frames.
  try {
    return self->HandleMessage(msg, wParam, lParam);
  } catch (...) {
    self->StoreException(std::current_exception());
    if (msg == WM_CREATE) return -1;
    // A modal window ends on a fault; its ShowModal rethrows it.
    if (self->m_modal) ::PostMessageW(hwnd, WM_CLOSE, IDABORT, 0);
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace qm::ui

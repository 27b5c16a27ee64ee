#pragma once
// CWindowWnd: a thin HWND wrapper with a virtual message handler, modal loop and centring.
// Exceptions never cross the window procedure: an exception thrown while handling a message is
// kept and rethrown by Create() (during creation) or by ShowModal() after its loop.
#include <exception>
#include <string>

#include "ui/win32/ui_defs.h"

namespace qm::ui {

class CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return m_hwnd; }
  operator HWND() const { return m_hwnd; }

  // Registers the class (GetWindowClassName) and creates the window. Throws std::runtime_error
  // "<class>::Create: ..." when creation fails or a handler threw during WM_CREATE.
  HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
  HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rc, HMENU menu = nullptr);
  void ShowWindow(bool show = true, bool takeFocus = true);
  // Disables the owner, runs a message loop (with the pre-translation hook) until the window is
  // destroyed, re-enables the owner and returns the code passed to Close(). A handler that threw
  // ends the window, and the exception is rethrown here.
  UINT ShowModal();
  // Ends the window (and a modal loop) with `result`.
  void Close(UINT result = IDOK);
  // Centres on the owner window (or the work area of the screen without an owner).
  void CenterWindow();
  void SetIcon(UINT resourceId);
  void ResizeClient(int cx = -1, int cy = -1);
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  bool IsModal() const { return m_modal; }

 protected:
  virtual const wchar_t* GetWindowClassName() const = 0;
  virtual UINT GetClassStyle() const { return CS_DBLCLKS; }
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void OnFinalMessage(HWND hwnd);
  // Keeps an exception raised inside the window procedure for later rethrow.
  void StoreException(std::exception_ptr error);
  void RethrowStored();

  HWND m_hwnd = nullptr;
  UINT m_modalResult = IDCANCEL;
  bool m_modal = false;
  std::exception_ptr m_pendingError;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool RegisterWindowClass();
};

}  // namespace qm::ui

#include "ui/win32/window_impl_base.h"

#include <stdexcept>

#include "ui/win32/attribute_utils.h"
#include "ui/win32/tree_node.h"

namespace qm::ui {

CControlUI* WindowImplBase::CreateControl(std::wstring_view) { return nullptr; }

bool WindowImplBase::IsCaptionBlocker(CControlUI* control) const {
  if (!control) return false;
  const std::wstring cls = control->GetClass();
  return cls == L"ButtonUI" || cls == L"OptionUI" || cls == L"TextUI" || cls == L"FadeButtonUI";
}

bool WindowImplBase::IsResizable() const {
  const RECT& box = m_pm.GetSizeBox();
  return box.left > 0 || box.top > 0 || box.right > 0 || box.bottom > 0;
}

void WindowImplBase::ApplyLanguageSection(const std::map<std::wstring, std::wstring>& section) {
  for (const auto& [name, text] : section) {
    CControlUI* control = m_pm.FindControl(name);
    if (!control) continue;
    // Some controls ignore changes while disabled: enable for the change.
    const bool wasEnabled = control->IsEnabled();
    if (!wasEnabled) control->SetEnabled(true);
    if (auto* node = static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode"))) node->SetItemText(text);
    else control->SetText(text);
    if (!wasEnabled) control->SetEnabled(false);
    control->NeedParentUpdate();
  }
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
  const std::wstring& name = msg.sender->GetName();
  if (name == L"closebtn") {
    Close(IDCANCEL);
  } else if (name == L"minbtn") {
    ::SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"maxbtn") {
    ::SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"restorebtn") {
    ::SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  }
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (msg.type == kNotifyClick && msg.sender) OnClick(msg);
}

LRESULT WindowImplBase::MessageHandler(UINT msg, WPARAM wParam, LPARAM, bool& handled) {
  // Escape closes a skinned window like its close button (the owner's loop sees the result).
  if (msg == WM_KEYDOWN && wParam == VK_ESCAPE && IsModal()) {
    Close(IDCANCEL);
    handled = true;
    return 0;
  }
  return 0;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& handled) {
  handled = true;
  LONG_PTR style = ::GetWindowLongPtrW(m_hwnd, GWL_STYLE);
  // The skin draws the frame; hosted child windows are not painted over.
  style &= ~static_cast<LONG_PTR>(WS_CAPTION);
  ::SetWindowLongPtrW(m_hwnd, GWL_STYLE, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  ::SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

  const std::string cls = ToUtf8(GetWindowClassName());
  const std::wstring skinFile = GetSkinFile();  // a derived window may throw here itself
  if (skinFile.empty()) throw std::runtime_error(cls + "::GetSkinFile: no skin file");

  std::wstring error;
  std::shared_ptr<CSkinSource> source;
  switch (GetResourceType()) {
    case UILIB_FILE: {
      std::wstring folder = GetSkinFolder();
      const bool absolute = folder.size() > 1 && (folder[1] == L':' || (folder[0] == L'\\' && folder[1] == L'\\'));
      source = CSkinSource::FromFolder(absolute ? folder : CPaintManagerUI::GetInstancePath() + folder);
      break;
    }
    case UILIB_ZIPRESOURCE:
    case UILIB_RESOURCE:
    case UILIB_ZIP:
    default:
      source = CSkinSource::FromResource(CPaintManagerUI::GetInstance(), GetResourceID(), GetResourceTypeName(), &error);
      if (!source) source = CPaintManagerUI::GetDefaultResource();
      break;
  }
  if (!source) throw std::runtime_error(cls + "::OnCreate: " + ToUtf8(error.empty() ? L"no skin source" : error));
  m_pm.SetResource(source);
  m_pm.Init(m_hwnd);
  m_pm.AddPreMessageFilter(this);

  CDialogBuilder builder;
  CControlUI* root = builder.Create(skinFile, this, &m_pm);
  if (!root) {
    // The builder's message names the file (and the line for XML faults).
    throw std::runtime_error(cls + "::OnCreate: " + ToUtf8(builder.GetLastErrorText()));
  }
  for (const auto& warning : builder.GetWarnings()) {
    ::OutputDebugStringW((std::wstring(GetWindowClassName()) + L": " + skinFile + L": " + warning + L"\n").c_str());
  }
  m_pm.AttachDialog(root);
  m_pm.AddNotifier(this);
  SIZE size = m_pm.GetInitSize();
  if (size.cx > 0 && size.cy > 0) {
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InitWindow();
  return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool& handled) {
  handled = true;
  POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ::ScreenToClient(m_hwnd, &pt);
  RECT client{};
  ::GetClientRect(m_hwnd, &client);
  if (!::IsZoomed(m_hwnd) && IsResizable()) {
    const RECT& box = m_pm.GetSizeBox();
    const bool top = pt.y < client.top + box.top, bottom = pt.y >= client.bottom - box.bottom;
    const bool left = pt.x < client.left + box.left, right = pt.x >= client.right - box.right;
    if (top && left) return HTTOPLEFT;
    if (top && right) return HTTOPRIGHT;
    if (bottom && left) return HTBOTTOMLEFT;
    if (bottom && right) return HTBOTTOMRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
  }
  // Caption: "l,t,r,b" with r/b measured from the right/bottom edge (0 = to the edge); b = height.
  const RECT& cap = m_pm.GetCaptionRect();
  RECT caption{client.left + cap.left, client.top + cap.top, client.right - cap.right, client.top + cap.bottom};
  if (cap.bottom > 0 && PointIn(caption, pt)) {
    CControlUI* control = m_pm.FindControl(pt);
    if (!IsCaptionBlocker(control)) return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& handled) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfoW(::MonitorFromWindow(m_hwnd, MONITOR_DEFAULTTONEAREST), &mi);
  // Maximised skinned windows cover the work area, not the task bar.
  info->ptMaxPosition.x = mi.rcWork.left - mi.rcMonitor.left;
  info->ptMaxPosition.y = mi.rcWork.top - mi.rcMonitor.top;
  info->ptMaxSize.x = mi.rcWork.right - mi.rcWork.left;
  info->ptMaxSize.y = mi.rcWork.bottom - mi.rcWork.top;
  SIZE minInfo = m_pm.GetMinInfo(), maxInfo = m_pm.GetMaxInfo();
  if (minInfo.cx > 0) info->ptMinTrackSize.x = minInfo.cx;
  if (minInfo.cy > 0) info->ptMinTrackSize.y = minInfo.cy;
  if (maxInfo.cx > 0) info->ptMaxTrackSize.x = maxInfo.cx;
  if (maxInfo.cy > 0) info->ptMaxTrackSize.y = maxInfo.cy;
  handled = true;
  return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  m_pm.RemovePreMessageFilter(this);
  m_pm.RemoveNotifier(this);
  return 0;
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  LRESULT result = 0;
  switch (msg) {
    case WM_CREATE: result = OnCreate(msg, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnClose(msg, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(msg, wParam, lParam, handled); break;
    case WM_NCHITTEST: result = OnNcHitTest(msg, wParam, lParam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfo(msg, wParam, lParam, handled); break;
    case WM_NCACTIVATE:
      if (!::IsIconic(m_hwnd)) return wParam == 0 ? TRUE : FALSE;
      break;
    case WM_NCCALCSIZE:
      // The whole window is client area: the skin draws its own frame.
      if (wParam) return 0;
      break;
    case WM_NCPAINT:
      return 0;
    default:
      break;
  }
  if (handled) return result;
  result = HandleCustomMessage(msg, wParam, lParam, handled);
  if (handled) return result;
  if (m_pm.MessageHandler(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

}  // namespace qm::ui

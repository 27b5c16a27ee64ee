#include "ui/win32/edit.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {

CEditUI::CEditUI() {
  m_rcTextPadding = RECT{4, 3, 4, 3};
  m_bkColor = 0xFFFFFFFF;
}

CEditUI::~CEditUI() {
  if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
}

std::wstring CEditUI::GetClass() const { return L"EditUI"; }

void* CEditUI::GetInterface(std::wstring_view name) {
  if (name == L"Edit") return this;
  return CLabelUI::GetInterface(name);
}

UINT CEditUI::GetControlFlags() const { return IsEnabled() ? UIFLAG_TABSTOP : 0; }

std::wstring CEditUI::GetText() const {
  if (!m_hwnd) return m_text;
  int length = ::GetWindowTextLengthW(m_hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = ::GetWindowTextW(m_hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

void CEditUI::SetText(std::wstring_view text) {
  m_text = text;
  if (m_hwnd) ::SetWindowTextW(m_hwnd, m_text.c_str());
  Invalidate();
}

void CEditUI::SetReadOnly(bool readOnly) {
  m_readOnly = readOnly;
  if (m_hwnd) ::SendMessageW(m_hwnd, EM_SETREADONLY, readOnly, 0);
}

void CEditUI::SetPasswordMode(bool password) {
  m_password = password;
  if (m_hwnd) {
    ::SendMessageW(m_hwnd, EM_SETPASSWORDCHAR, password ? L'*' : 0, 0);
    ::InvalidateRect(m_hwnd, nullptr, TRUE);
  }
}

void CEditUI::SetMaxChar(int maxChars) {
  m_maxChar = maxChars;
  if (m_hwnd) ::SendMessageW(m_hwnd, EM_LIMITTEXT, maxChars > 0 ? maxChars : 0, 0);
}

void CEditUI::DoInit() {
  if (m_hwnd || !m_manager || !m_manager->GetPaintWindow()) return;
  DWORD style = WS_CHILD | ES_AUTOHSCROLL;
  if (m_multiline) style = WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  if (m_readOnly) style |= ES_READONLY;
  if (m_password) style |= ES_PASSWORD;
  m_hwnd = ::CreateWindowExW(0, L"EDIT", m_text.c_str(), style, 0, 0, 0, 0, m_manager->GetPaintWindow(), nullptr,
                             CPaintManagerUI::GetInstance(), nullptr);
  if (!m_hwnd) return;
  ::SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_manager->GetFont(m_font)), FALSE);
  if (m_maxChar > 0) ::SendMessageW(m_hwnd, EM_LIMITTEXT, m_maxChar, 0);
  SyncWindow();
}

void CEditUI::SyncWindow() {
  if (!m_hwnd) return;
  RECT rc{m_rcItem.left + m_rcTextPadding.left + m_borderSize, m_rcItem.top + m_rcTextPadding.top + m_borderSize,
          m_rcItem.right - m_rcTextPadding.right - m_borderSize, m_rcItem.bottom - m_rcTextPadding.bottom - m_borderSize};
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  ::MoveWindow(m_hwnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
  ::EnableWindow(m_hwnd, IsEnabled());
  ::ShowWindow(m_hwnd, IsVisible() && !IsEmptyRect(rc) ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void CEditUI::SetPos(RECT rc, bool needInvalidate) {
  CLabelUI::SetPos(rc, needInvalidate);
  SyncWindow();
}

void CEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  SyncWindow();
}

void CEditUI::SetInternVisible(bool visible) {
  CLabelUI::SetInternVisible(visible);
  SyncWindow();
}

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (m_hwnd) ::EnableWindow(m_hwnd, enabled);
}

void CEditUI::SetFocus() {
  CLabelUI::SetFocus();
  if (m_hwnd) ::SetFocus(m_hwnd);
}

void CEditUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"readonly") SetReadOnly(ReadBoolValue(value));
  else if (name == L"password") SetPasswordMode(ReadBoolValue(value));
  else if (name == L"maxchar") SetMaxChar(ReadIntValue(value));
  else if (name == L"multiline") m_multiline = ReadBoolValue(value);
  else CLabelUI::SetAttribute(name, value);
}

}  // namespace qm::ui

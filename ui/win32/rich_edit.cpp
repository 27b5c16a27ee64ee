#include "ui/win32/rich_edit.h"

#include <richedit.h>

#include <mutex>

#include "ui/win32/attribute_utils.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {
namespace {

// The newest rich-edit class the system offers; the library stays loaded for the process.
const wchar_t* RichEditClass() {
  static std::once_flag once;
  static const wchar_t* cls = nullptr;
  std::call_once(once, [] {
    if (::LoadLibraryW(L"Msftedit.dll")) {
      cls = L"RICHEDIT50W";
    } else if (::LoadLibraryW(L"Riched20.dll")) {
      cls = L"RichEdit20W";
    }
  });
  return cls;
}

}  // namespace

CRichEditUI::CRichEditUI() = default;

CRichEditUI::~CRichEditUI() {
  if (m_hwnd && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
}

std::wstring CRichEditUI::GetClass() const { return L"RichEditUI"; }

void* CRichEditUI::GetInterface(std::wstring_view name) {
  if (name == L"RichEdit") return this;
  return CControlUI::GetInterface(name);
}

UINT CRichEditUI::GetControlFlags() const { return IsEnabled() ? UIFLAG_TABSTOP : 0; }

bool CRichEditUI::CreateHostWindow() {
  if (m_hwnd) return true;
  if (!m_manager || !m_manager->GetPaintWindow()) return false;
  const wchar_t* cls = RichEditClass();
  if (!cls) return false;
  DWORD style = WS_CHILD | ES_NOHIDESEL | ES_SAVESEL;
  if (m_multiline) style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  if (m_vscroll) style |= WS_VSCROLL;
  if (m_hscroll || !m_wordWrap) style |= WS_HSCROLL | ES_AUTOHSCROLL;
  if (m_readOnly) style |= ES_READONLY;
  m_hwnd = ::CreateWindowExW(0, cls, L"", style, 0, 0, 0, 0, m_manager->GetPaintWindow(), nullptr,
                             CPaintManagerUI::GetInstance(), nullptr);
  if (!m_hwnd) return false;
  ::SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_manager->GetFont(m_font)), FALSE);
  ::SendMessageW(m_hwnd, EM_SETBKGNDCOLOR, 0,
                 m_bkColor ? RGB((m_bkColor >> 16) & 0xFF, (m_bkColor >> 8) & 0xFF, m_bkColor & 0xFF) : RGB(255, 255, 255));
  SetTextColor(m_textColor);
  if (!m_text.empty()) ::SetWindowTextW(m_hwnd, m_text.c_str());
  SetPos(m_rcItem, false);
  return true;
}

void CRichEditUI::DoInit() { CreateHostWindow(); }

std::wstring CRichEditUI::GetText() const {
  if (!m_hwnd) return m_text;
  GETTEXTLENGTHEX len{GTL_DEFAULT | GTL_NUMCHARS, 1200};
  LRESULT n = ::SendMessageW(m_hwnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&len), 0);
  if (n <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GETTEXTEX get{};
  get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  get.flags = GT_DEFAULT;
  get.codepage = 1200;
  LRESULT got = ::SendMessageW(m_hwnd, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

void CRichEditUI::SetText(std::wstring_view text) {
  m_text = text;
  if (m_hwnd) ::SetWindowTextW(m_hwnd, m_text.c_str());
}

void CRichEditUI::AppendText(std::wstring_view text) {
  if (!m_hwnd) {
    m_text += text;
    return;
  }
  std::wstring copy(text);
  LRESULT end = ::GetWindowTextLengthW(m_hwnd);
  ::SendMessageW(m_hwnd, EM_SETSEL, static_cast<WPARAM>(end), end);
  ::SendMessageW(m_hwnd, EM_SETSEL, static_cast<WPARAM>(-1), -1);
  ::SendMessageW(m_hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(copy.c_str()));
}

int CRichEditUI::GetTextLength() const {
  if (!m_hwnd) return static_cast<int>(m_text.size());
  GETTEXTLENGTHEX len{GTL_DEFAULT | GTL_NUMCHARS, 1200};
  return static_cast<int>(::SendMessageW(m_hwnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&len), 0));
}

void CRichEditUI::SetReadOnly(bool readOnly) {
  m_readOnly = readOnly;
  if (m_hwnd) ::SendMessageW(m_hwnd, EM_SETREADONLY, readOnly, 0);
}

void CRichEditUI::SetTextColor(DWORD argb) {
  m_textColor = argb;
  if (!m_hwnd) return;
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_COLOR;
  cf.crTextColor = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
  ::SendMessageW(m_hwnd, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
  ::SendMessageW(m_hwnd, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
}

void CRichEditUI::SetFont(int index) {
  m_font = index;
  if (m_hwnd && m_manager) ::SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_manager->GetFont(index)), TRUE);
}

IRichEditOle* CRichEditUI::GetRichEditOle() const {
  if (!m_hwnd) return nullptr;
  IRichEditOle* ole = nullptr;
  ::SendMessageW(m_hwnd, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole));
  return ole;
}

bool CRichEditUI::SetOleCallback(IRichEditOleCallback* callback) {
  if (!m_hwnd) return false;
  return ::SendMessageW(m_hwnd, EM_SETOLECALLBACK, 0, reinterpret_cast<LPARAM>(callback)) != 0;
}

void CRichEditUI::SyncVisibility() {
  if (m_hwnd) ::ShowWindow(m_hwnd, IsVisible() && !IsEmptyRect(m_rcItem) ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void CRichEditUI::SetPos(RECT rc, bool needInvalidate) {
  CControlUI::SetPos(rc, needInvalidate);
  if (!m_hwnd) return;
  RECT inner{rc.left + m_rcInset.left + m_borderSize, rc.top + m_rcInset.top + m_borderSize,
             rc.right - m_rcInset.right - m_borderSize, rc.bottom - m_rcInset.bottom - m_borderSize};
  if (inner.right < inner.left) inner.right = inner.left;
  if (inner.bottom < inner.top) inner.bottom = inner.top;
  ::MoveWindow(m_hwnd, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, TRUE);
  SyncVisibility();
}

void CRichEditUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  SyncVisibility();
}

void CRichEditUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  SyncVisibility();
}

void CRichEditUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (m_hwnd) ::EnableWindow(m_hwnd, enabled);
}

void CRichEditUI::SetFocus() {
  CControlUI::SetFocus();
  if (m_hwnd) ::SetFocus(m_hwnd);
}

void CRichEditUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"readonly") SetReadOnly(ReadBoolValue(value));
  else if (name == L"multiline") m_multiline = ReadBoolValue(value);
  else if (name == L"vscrollbar") m_vscroll = ReadBoolValue(value);
  else if (name == L"hscrollbar") m_hscroll = ReadBoolValue(value);
  else if (name == L"wordwrap") m_wordWrap = ReadBoolValue(value);
  else if (name == L"textcolor") {
    DWORD c = m_textColor;
    ReadColor(value, c);
    SetTextColor(c);
  } else if (name == L"font") SetFont(ReadIntValue(value, -1));
  else if (name == L"inset") ReadRect(value, m_rcInset);
  else CControlUI::SetAttribute(name, value);
}

}  // namespace qm::ui

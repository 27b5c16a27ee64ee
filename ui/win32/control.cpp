#include "ui/win32/control.h"

#include "ui/core/skin_values.h"
#include "ui/win32/attribute_utils.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/render_engine.h"

namespace qm::ui {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (m_manager) m_manager->ReapObjects(this);
}

std::wstring CControlUI::GetClass() const { return L"ControlUI"; }

void* CControlUI::GetInterface(std::wstring_view name) { return name == L"Control" ? this : nullptr; }

UINT CControlUI::GetControlFlags() const { return 0; }

void CControlUI::SetName(std::wstring_view name) {
  if (name == m_name) return;
  std::wstring old = m_name;
  m_name = name;
  if (m_manager) m_manager->NameChanged(this, old);
}

std::wstring CControlUI::GetText() const { return m_text; }

void CControlUI::SetText(std::wstring_view text) {
  if (text == m_text) return;
  m_text = text;
  Invalidate();
}

void CControlUI::SetToolTip(std::wstring_view text) { m_tooltip = text; }

bool CControlUI::IsVisible() const { return m_visible && m_internVisible; }

void CControlUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  m_visible = visible;
  if (m_focused && !visible && m_manager) m_manager->SetFocus(nullptr);
  NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  m_internVisible = visible;
  if (!visible && m_focused && m_manager) m_manager->SetFocus(nullptr);
}

bool CControlUI::IsEnabled() const { return m_enabled; }

void CControlUI::SetEnabled(bool enabled) {
  if (m_enabled == enabled) return;
  m_enabled = enabled;
  Invalidate();
}

bool CControlUI::IsFocused() const { return m_focused; }

void CControlUI::SetFocus() {
  if (m_manager) m_manager->SetFocus(this);
}

void CControlUI::SetFloat(bool isFloat) {
  if (m_float == isFloat) return;
  m_float = isFloat;
  NeedParentUpdate();
}

void CControlUI::SetBkColor(DWORD argb) { m_bkColor = argb; Invalidate(); }
void CControlUI::SetBkColor2(DWORD argb) { m_bkColor2 = argb; Invalidate(); }
void CControlUI::SetBorderColor(DWORD argb) { m_borderColor = argb; Invalidate(); }
void CControlUI::SetFocusBorderColor(DWORD argb) { m_focusBorderColor = argb; Invalidate(); }
void CControlUI::SetBorderSize(int size) { m_borderSize = ClampSize(size); Invalidate(); }
void CControlUI::SetBorderRound(SIZE round) { m_borderRound = round; Invalidate(); }
void CControlUI::SetBkImage(std::wstring_view image) {
  if (image == m_bkImage) return;
  m_bkImage = image;
  Invalidate();
}
void CControlUI::SetForeImage(std::wstring_view image) {
  if (image == m_foreImage) return;
  m_foreImage = image;
  Invalidate();
}

bool CControlUI::DrawImage(HDC hdc, std::wstring_view image) {
  return CRenderEngine::DrawImageString(hdc, m_manager, m_rcItem, m_rcPaint, image);
}

void CControlUI::SetPos(RECT rc, bool needInvalidate) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  if (needInvalidate) Invalidate();
  m_rcItem = rc;
  m_updateNeeded = false;
  if (needInvalidate) Invalidate();
}

void CControlUI::SetPadding(RECT padding) { m_rcPadding = padding; NeedParentUpdate(); }
void CControlUI::SetFixedWidth(int cx) { if (cx >= 0) { m_fixedWidth = ClampSize(cx); NeedParentUpdate(); } }
void CControlUI::SetFixedHeight(int cy) { if (cy >= 0) { m_fixedHeight = ClampSize(cy); NeedParentUpdate(); } }
void CControlUI::SetMinWidth(int cx) { if (cx >= 0) { m_minWidth = ClampSize(cx); NeedParentUpdate(); } }
void CControlUI::SetMaxWidth(int cx) { if (cx >= 0) { m_maxWidth = ClampSize(cx); NeedParentUpdate(); } }
void CControlUI::SetMinHeight(int cy) { if (cy >= 0) { m_minHeight = ClampSize(cy); NeedParentUpdate(); } }
void CControlUI::SetMaxHeight(int cy) { if (cy >= 0) { m_maxHeight = ClampSize(cy); NeedParentUpdate(); } }
void CControlUI::SetFloatPos(RECT pos) { m_rcFloat = pos; m_float = true; NeedParentUpdate(); }

SIZE CControlUI::EstimateSize(SIZE) { return SIZE{m_fixedWidth, m_fixedHeight}; }

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  m_manager = manager;
  m_parent = parent;
  if (init && manager) manager->InitControls(this, parent);
}

CControlUI* CControlUI::FindControl(const FindControlProc& proc, UINT flags) {
  if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  return proc(this);
}

CControlUI* CControlUI::FindControlAt(POINT pt) {
  if (!IsVisible() || !m_mouseEnabled || !PointIn(m_rcItem, pt)) return nullptr;
  return this;
}

void CControlUI::Invalidate() {
  if (!IsVisible() || !m_manager) return;
  RECT rc = m_rcItem;
  // Only the part inside every ancestor shows.
  for (CControlUI* p = m_parent; p; p = p->GetParent()) {
    if (!Intersect(rc, rc, p->GetPos())) return;
  }
  m_manager->Invalidate(rc);
}

void CControlUI::NeedUpdate() {
  if (!IsVisible()) return;
  m_updateNeeded = true;
  if (m_manager) {
    m_manager->NeedUpdate();
    Invalidate();
  }
}

void CControlUI::NeedParentUpdate() {
  if (m_parent) {
    m_parent->NeedUpdate();
    m_parent->Invalidate();
  } else {
    NeedUpdate();
  }
  if (m_manager) m_manager->NeedUpdate();
}

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::Init() {
  if (m_initialized) return;
  m_initialized = true;
  DoInit();
}

void CControlUI::DoEvent(TEventUI& event) {
  switch (event.type) {
    case UiEvent::SetCursor:
      ::SetCursor(::LoadCursorW(nullptr, m_cursor == L"hand" ? IDC_HAND : IDC_ARROW));
      return;
    case UiEvent::SetFocus:
      m_focused = true;
      Invalidate();
      return;
    case UiEvent::KillFocus:
      m_focused = false;
      Invalidate();
      return;
    case UiEvent::Timer:
      if (m_manager) m_manager->SendNotify(this, L"timer", event.wParam, event.lParam);
      return;
    case UiEvent::ScrollWheel:
    case UiEvent::KeyDown:
    case UiEvent::Char:
      // Unhandled wheel and keys go up to the container (for scrolling).
      if (m_parent) m_parent->DoEvent(event);
      return;
    default:
      return;
  }
}

void CControlUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"name") {
    SetName(value);
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"tooltip") {
    SetToolTip(value);
  } else if (name == L"visible") {
    SetVisible(ReadBoolValue(value));
  } else if (name == L"enabled") {
    SetEnabled(ReadBoolValue(value));
  } else if (name == L"mouse") {
    m_mouseEnabled = ReadBoolValue(value);
  } else if (name == L"float") {
    bool f = false;
    if (ParseBool(value, f)) SetFloat(f);
    else SetFloat(true);
  } else if (name == L"pos") {
    RECT rc{};
    ReadRect(value, rc);
    m_rcFloat = rc;
    m_fixedWidth = ClampSize(rc.right - rc.left);
    m_fixedHeight = ClampSize(rc.bottom - rc.top);
    NeedParentUpdate();
  } else if (name == L"width") {
    SetFixedWidth(ReadIntValue(value));
  } else if (name == L"height") {
    SetFixedHeight(ReadIntValue(value));
  } else if (name == L"minwidth") {
    SetMinWidth(ReadIntValue(value));
  } else if (name == L"minheight") {
    SetMinHeight(ReadIntValue(value));
  } else if (name == L"maxwidth") {
    SetMaxWidth(ReadIntValue(value));
  } else if (name == L"maxheight") {
    SetMaxHeight(ReadIntValue(value));
  } else if (name == L"padding") {
    RECT rc = m_rcPadding;
    ReadRect(value, rc);
    SetPadding(rc);
  } else if (name == L"bkcolor" || name == L"bkcolor1") {
    ReadColor(value, m_bkColor);
  } else if (name == L"bkcolor2") {
    ReadColor(value, m_bkColor2);
  } else if (name == L"bordercolor") {
    ReadColor(value, m_borderColor);
  } else if (name == L"focusbordercolor") {
    ReadColor(value, m_focusBorderColor);
  } else if (name == L"bordersize") {
    SetBorderSize(ReadIntValue(value, m_borderSize));
  } else if (name == L"borderround") {
    int cx = 0, cy = 0;
    if (ParseSize(value, cx, cy)) m_borderRound = SIZE{ClampSize(cx), ClampSize(cy)};
  } else if (name == L"bkimage") {
    SetBkImage(value);
  } else if (name == L"foreimage") {
    SetForeImage(value);
  } else if (name == L"userdata") {
    SetUserData(value);
  } else if (name == L"tag") {
    int tag = 0;
    ReadInt(value, tag);
    m_tag = static_cast<UINT_PTR>(tag);
  } else if (name == L"cursor") {
    m_cursor = value;
  } else if (name == L"keyboard") {
    m_keyboardEnabled = ReadBoolValue(value);
  }
}

void CControlUI::ApplyAttributeList(std::wstring_view list) {
  // name="value" pairs; the value may also be quoted with '.
  size_t pos = 0;
  while (pos < list.size()) {
    while (pos < list.size() && (list[pos] == L' ' || list[pos] == L'\t' || list[pos] == L'\r' || list[pos] == L'\n')) ++pos;
    size_t eq = list.find(L'=', pos);
    if (eq == std::wstring_view::npos) return;
    std::wstring_view name = list.substr(pos, eq - pos);
    while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
    size_t q = eq + 1;
    while (q < list.size() && list[q] == L' ') ++q;
    if (q >= list.size() || (list[q] != L'"' && list[q] != L'\'')) return;
    wchar_t quote = list[q];
    size_t end = list.find(quote, q + 1);
    if (end == std::wstring_view::npos) return;
    SetAttribute(name, list.substr(q + 1, end - q - 1));
    pos = end + 1;
  }
}

void CControlUI::DoPaint(HDC hdc, const RECT& paint) {
  if (!Intersect(m_rcPaint, paint, m_rcItem)) return;
  PaintBkColor(hdc);
  PaintBkImage(hdc);
  PaintStatusImage(hdc);
  PaintForeImage(hdc);
  PaintText(hdc);
  PaintBorder(hdc);
}

void CControlUI::PaintBkColor(HDC hdc) {
  if (m_bkColor2 != 0 && m_bkColor != 0) {
    CRenderEngine::DrawGradient(hdc, m_rcItem, m_bkColor, m_bkColor2, true);
  } else if (m_bkColor != 0) {
    CRenderEngine::DrawColor(hdc, m_rcItem, m_bkColor);
  }
}

void CControlUI::PaintBkImage(HDC hdc) {
  if (!m_bkImage.empty()) DrawImage(hdc, m_bkImage);
}

void CControlUI::PaintStatusImage(HDC) {}

void CControlUI::PaintForeImage(HDC hdc) {
  if (!m_foreImage.empty()) DrawImage(hdc, m_foreImage);
}

void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC hdc) {
  if (m_borderSize <= 0) return;
  DWORD color = (m_focused && m_focusBorderColor != 0) ? m_focusBorderColor : m_borderColor;
  if (color == 0) return;
  if (m_borderRound.cx > 0 || m_borderRound.cy > 0) {
    CRenderEngine::DrawRoundRect(hdc, m_rcItem, m_borderSize, m_borderRound.cx, m_borderRound.cy, color);
  } else {
    CRenderEngine::DrawRect(hdc, m_rcItem, m_borderSize, color);
  }
}

void CControlUI::AddNotifyHandler(std::function<bool(TNotifyUI&)> handler) {
  m_notifyHandlers.push_back(std::move(handler));
}

}  // namespace qm::ui

#include "ui/win32/menu_element.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/render_engine.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {

std::wstring CMenuUI::GetClass() const { return L"MenuUI"; }

void* CMenuUI::GetInterface(std::wstring_view name) {
  if (name == L"Menu") return this;
  return CVerticalLayoutUI::GetInterface(name);
}

CMenuElementUI::CMenuElementUI() {
  m_fixedHeight = 28;
  m_rcTextPadding = RECT{m_iconWidth + 4, 0, 20, 0};
  m_textStyle = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
}

std::wstring CMenuElementUI::GetClass() const { return L"MenuElementUI"; }

void* CMenuElementUI::GetInterface(std::wstring_view name) {
  if (name == L"MenuElement") return this;
  return CLabelUI::GetInterface(name);
}

UINT CMenuElementUI::GetControlFlags() const { return UIFLAG_SETCURSOR; }

void CMenuElementUI::DoEvent(TEventUI& event) {
  switch (event.type) {
    case UiEvent::MouseEnter:
      m_hot = true;
      Invalidate();
      if (m_manager) m_manager->SendNotify(this, kNotifyOnHot);  // the menu opens submenus on it
      return;
    case UiEvent::MouseLeave:
      m_hot = false;
      Invalidate();
      return;
    case UiEvent::ButtonDown:
      return;
    case UiEvent::ButtonUp:
      if (IsEnabled() && PointIn(m_rcItem, event.ptMouse) && m_manager) m_manager->SendNotify(this, kNotifyClick);
      return;
    case UiEvent::SetCursor:
      ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CMenuElementUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"icon") m_icon = value;
  else if (name == L"hotbkcolor") ReadColor(value, m_hotBkColor);
  else if (name == L"iconwidth") {
    ReadInt(value, m_iconWidth);
    m_rcTextPadding.left = m_iconWidth + 4;
  } else CLabelUI::SetAttribute(name, value);
}

void CMenuElementUI::PaintBkColor(HDC hdc) {
  CLabelUI::PaintBkColor(hdc);
  if (m_hot && IsEnabled()) CRenderEngine::DrawColor(hdc, m_rcItem, m_hotBkColor);
}

void CMenuElementUI::PaintText(HDC hdc) {
  if (!m_icon.empty()) {
    RECT box{m_rcItem.left, m_rcItem.top, m_rcItem.left + m_iconWidth, m_rcItem.bottom};
    CRenderEngine::DrawImageString(hdc, m_manager, box, m_rcPaint, m_icon);
  }
  CLabelUI::PaintText(hdc);
  if (m_hasSubMenu) {
    // A small arrow at the right edge marks a submenu.
    RECT arrow{m_rcItem.right - 16, m_rcItem.top, m_rcItem.right - 4, m_rcItem.bottom};
    CRenderEngine::DrawText(hdc, m_manager, arrow, L"\u25B8", IsEnabled() ? 0xFF404040 : 0xFFA0A0A0, m_font,
                            DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
}

}  // namespace qm::ui

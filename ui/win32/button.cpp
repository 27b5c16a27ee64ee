#include "ui/win32/button.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/render_engine.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {

CButtonUI::CButtonUI() { m_textStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

std::wstring CButtonUI::GetClass() const { return L"ButtonUI"; }

void* CButtonUI::GetInterface(std::wstring_view name) {
  if (name == L"Button") return this;
  return CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const { return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0); }

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_manager) m_manager->SendNotify(this, kNotifyClick);
  return true;
}

void CButtonUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (!enabled) m_buttonState = 0;
}

void CButtonUI::SetNormalImage(std::wstring_view image) { m_normalImage = image; Invalidate(); }
void CButtonUI::SetHotImage(std::wstring_view image) { m_hotImage = image; Invalidate(); }
void CButtonUI::SetPushedImage(std::wstring_view image) { m_pushedImage = image; Invalidate(); }
void CButtonUI::SetFocusedImage(std::wstring_view image) { m_focusedImage = image; Invalidate(); }
void CButtonUI::SetDisabledImage(std::wstring_view image) { m_disabledImage = image; Invalidate(); }

void CButtonUI::DoEvent(TEventUI& event) {
  switch (event.type) {
    case UiEvent::SetFocus:
    case UiEvent::KillFocus:
      CControlUI::DoEvent(event);
      return;
    case UiEvent::KeyDown:
      if (IsKeyboardEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
        Activate();
        return;
      }
      break;
    case UiEvent::ButtonDown:
    case UiEvent::DblClick:
      if (IsEnabled() && PointIn(m_rcItem, event.ptMouse)) {
        m_buttonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
        Invalidate();
      }
      return;
    case UiEvent::MouseMove:
      if (m_buttonState & UISTATE_CAPTURED) {
        if (PointIn(m_rcItem, event.ptMouse)) m_buttonState |= UISTATE_PUSHED;
        else m_buttonState &= ~UISTATE_PUSHED;
        Invalidate();
      }
      return;
    case UiEvent::ButtonUp:
      if (m_buttonState & UISTATE_CAPTURED) {
        bool inside = PointIn(m_rcItem, event.ptMouse);
        m_buttonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
        Invalidate();
        if (inside) Activate();  // may destroy this control: nothing after it
      }
      return;
    case UiEvent::MouseEnter:
      if (IsEnabled()) {
        m_buttonState |= UISTATE_HOT;
        Invalidate();
      }
      return;
    case UiEvent::MouseLeave:
      if (IsEnabled()) {
        m_buttonState &= ~UISTATE_HOT;
        Invalidate();
      }
      return;
    case UiEvent::SetCursor:
      ::SetCursor(::LoadCursorW(nullptr, m_cursor == L"arrow" ? IDC_ARROW : IDC_HAND));
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CButtonUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"normalimage") m_normalImage = value;
  else if (name == L"hotimage") m_hotImage = value;
  else if (name == L"pushedimage") m_pushedImage = value;
  else if (name == L"focusedimage") m_focusedImage = value;
  else if (name == L"disabledimage") m_disabledImage = value;
  else if (name == L"hottextcolor") ReadColor(value, m_hotTextColor);
  else if (name == L"pushedtextcolor") ReadColor(value, m_pushedTextColor);
  else if (name == L"focusedtextcolor") ReadColor(value, m_focusedTextColor);
  else if (name == L"hotbkcolor") ReadColor(value, m_hotBkColor);
  else CLabelUI::SetAttribute(name, value);
}

void CButtonUI::PaintText(HDC hdc) {
  if (m_text.empty()) {
    m_links.clear();
    return;
  }
  DWORD color = m_textColor != 0 ? m_textColor : (m_manager ? m_manager->GetDefaultTextColor() : 0xFF000000);
  if (!IsEnabled()) {
    color = m_disabledTextColor != 0 ? m_disabledTextColor : (m_manager ? m_manager->GetDefaultDisabledColor() : color);
  } else if ((m_buttonState & UISTATE_PUSHED) && m_pushedTextColor != 0) {
    color = m_pushedTextColor;
  } else if ((m_buttonState & UISTATE_HOT) && m_hotTextColor != 0) {
    color = m_hotTextColor;
  } else if (IsFocused() && m_focusedTextColor != 0) {
    color = m_focusedTextColor;
  }
  DrawLabelText(hdc, m_text, color);
}

void CButtonUI::PaintStatusImage(HDC hdc) {
  if (!IsEnabled()) {
    if (!m_disabledImage.empty() && DrawImage(hdc, m_disabledImage)) return;
  } else if (m_buttonState & UISTATE_PUSHED) {
    if (!m_pushedImage.empty() && DrawImage(hdc, m_pushedImage)) return;
  } else if (m_buttonState & UISTATE_HOT) {
    if (m_hotBkColor != 0) CRenderEngine::DrawColor(hdc, m_rcItem, m_hotBkColor);
    if (!m_hotImage.empty() && DrawImage(hdc, m_hotImage)) return;
  } else if (IsFocused()) {
    if (!m_focusedImage.empty() && DrawImage(hdc, m_focusedImage)) return;
  }
  if (!m_normalImage.empty()) DrawImage(hdc, m_normalImage);
}

}  // namespace qm::ui

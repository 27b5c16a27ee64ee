#include "ui/win32/label.h"

#include "ui/core/markup.h"
#include "ui/win32/attribute_utils.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {

CLabelUI::CLabelUI() = default;

std::wstring CLabelUI::GetClass() const { return L"LabelUI"; }

void* CLabelUI::GetInterface(std::wstring_view name) {
  if (name == L"Label") return this;
  return CControlUI::GetInterface(name);
}

void CLabelUI::SetText(std::wstring_view text) {
  if (text == m_text) return;
  CControlUI::SetText(text);
  if (m_autoCalcWidth) NeedParentUpdate();
}

void CLabelUI::SetTextColor(DWORD argb) { m_textColor = argb; Invalidate(); }
void CLabelUI::SetDisabledTextColor(DWORD argb) { m_disabledTextColor = argb; Invalidate(); }
void CLabelUI::SetFont(int index) { m_font = index; Invalidate(); }
void CLabelUI::SetTextStyle(UINT style) { m_textStyle = style; Invalidate(); }
void CLabelUI::SetTextPadding(RECT padding) { m_rcTextPadding = padding; Invalidate(); }
void CLabelUI::SetShowHtml(bool showHtml) { m_showHtml = showHtml; Invalidate(); }

int CLabelUI::HitTestLink(POINT pt) const {
  for (size_t i = 0; i < m_links.size(); ++i) {
    if (PointIn(m_links[i].rect, pt)) return static_cast<int>(i);
  }
  return -1;
}

SIZE CLabelUI::EstimateSize(SIZE available) {
  if (!m_autoCalcWidth || !m_manager || m_fixedWidth > 0) return CControlUI::EstimateSize(available);
  HDC hdc = ::GetDC(m_manager->GetPaintWindow());
  std::wstring plain = m_showHtml ? StripMarkup(m_text) : m_text;
  SIZE sz = CRenderEngine::GetTextSize(hdc, m_manager, plain, m_font, DT_SINGLELINE);
  ::ReleaseDC(m_manager->GetPaintWindow(), hdc);
  return SIZE{sz.cx + m_rcTextPadding.left + m_rcTextPadding.right, m_fixedHeight};
}

void CLabelUI::DoEvent(TEventUI& event) {
  if (event.type == UiEvent::ButtonUp && m_showHtml && IsEnabled()) {
    int link = HitTestLink(event.ptMouse);
    if (link >= 0 && m_manager) m_manager->SendNotify(this, kNotifyLink, 0, link);
  } else if (event.type == UiEvent::SetCursor && m_showHtml && HitTestLink(event.ptMouse) >= 0) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return;
  }
  CControlUI::DoEvent(event);
}

void CLabelUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"align") {
    m_textStyle = ParseAlign(value, m_textStyle);
  } else if (name == L"valign") {
    m_textStyle = ParseAlign(value, m_textStyle);
  } else if (name == L"endellipsis") {
    if (ReadBoolValue(value)) m_textStyle |= DT_END_ELLIPSIS;
    else m_textStyle &= ~DT_END_ELLIPSIS;
  } else if (name == L"font") {
    ReadInt(value, m_font);
  } else if (name == L"textcolor") {
    ReadColor(value, m_textColor);
  } else if (name == L"disabledtextcolor") {
    ReadColor(value, m_disabledTextColor);
  } else if (name == L"textpadding") {
    ReadRect(value, m_rcTextPadding);
  } else if (name == L"showhtml") {
    m_showHtml = ReadBoolValue(value);
  } else if (name == L"autocalcwidth") {
    m_autoCalcWidth = ReadBoolValue(value);
  } else if (name == L"multiline") {
    if (ReadBoolValue(value)) m_textStyle = (m_textStyle & ~DT_SINGLELINE) | DT_WORDBREAK;
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CLabelUI::DrawLabelText(HDC hdc, std::wstring_view text, DWORD color) {
  RECT rc{m_rcItem.left + m_rcTextPadding.left, m_rcItem.top + m_rcTextPadding.top,
          m_rcItem.right - m_rcTextPadding.right, m_rcItem.bottom - m_rcTextPadding.bottom};
  if (IsEmptyRect(rc)) return;
  if (m_showHtml) {
    CRenderEngine::DrawMarkupText(hdc, m_manager, rc, text, color, m_font, m_textStyle, &m_links);
  } else {
    m_links.clear();
    CRenderEngine::DrawText(hdc, m_manager, rc, text, color, m_font, m_textStyle);
  }
}

void CLabelUI::PaintText(HDC hdc) {
  if (m_text.empty()) {
    m_links.clear();
    return;
  }
  DWORD color = m_textColor != 0 ? m_textColor : (m_manager ? m_manager->GetDefaultTextColor() : 0xFF000000);
  if (!IsEnabled()) {
    color = m_disabledTextColor != 0 ? m_disabledTextColor : (m_manager ? m_manager->GetDefaultDisabledColor() : color);
  }
  DrawLabelText(hdc, m_text, color);
}

}  // namespace qm::ui

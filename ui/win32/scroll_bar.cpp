#include "ui/win32/scroll_bar.h"

#include <algorithm>

#include "ui/win32/attribute_utils.h"
#include "ui/win32/container.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/render_engine.h"

namespace qm::ui {

CScrollBarUI::CScrollBarUI() {
  m_fixedWidth = 10;
  m_bkColor = 0xFFF0F0F0;
}

std::wstring CScrollBarUI::GetClass() const { return L"ScrollBarUI"; }

void* CScrollBarUI::GetInterface(std::wstring_view name) {
  if (name == L"ScrollBar") return this;
  return CControlUI::GetInterface(name);
}

void CScrollBarUI::SetScrollRange(int range) {
  m_range = std::max(0, range);
  m_pos = std::clamp(m_pos, 0, m_range);
  Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
  m_pos = std::clamp(pos, 0, m_range);
  Invalidate();
}

RECT CScrollBarUI::GetThumbRect() const {
  const int track = m_rcItem.bottom - m_rcItem.top;
  if (track <= 0) return m_rcItem;
  const int content = track + m_range;
  int thumb = std::max(16, static_cast<int>(static_cast<long long>(track) * track / std::max(1, content)));
  thumb = std::min(thumb, track);
  int top = m_range > 0 ? static_cast<int>(static_cast<long long>(track - thumb) * m_pos / m_range) : 0;
  return RECT{m_rcItem.left + 1, m_rcItem.top + top, m_rcItem.right - 1, m_rcItem.top + top + thumb};
}

void CScrollBarUI::DoEvent(TEventUI& event) {
  switch (event.type) {
    case UiEvent::ButtonDown:
    case UiEvent::DblClick: {
      RECT thumb = GetThumbRect();
      if (PointIn(thumb, event.ptMouse)) {
        m_dragging = true;
        m_dragStartY = event.ptMouse.y;
        m_dragStartPos = m_pos;
      } else if (m_owner) {
        if (event.ptMouse.y < thumb.top) m_owner->PageUp();
        else m_owner->PageDown();
      }
      return;
    }
    case UiEvent::MouseMove:
      if (m_dragging && m_owner) {
        RECT thumb = GetThumbRect();
        const int free = (m_rcItem.bottom - m_rcItem.top) - (thumb.bottom - thumb.top);
        if (free > 0) {
          long long delta = static_cast<long long>(event.ptMouse.y - m_dragStartY) * m_range / free;
          m_owner->SetScrollPos(m_dragStartPos + static_cast<int>(delta));
        }
      }
      return;
    case UiEvent::ButtonUp:
      m_dragging = false;
      return;
    case UiEvent::MouseEnter:
      m_thumbHot = true;
      Invalidate();
      return;
    case UiEvent::MouseLeave:
      m_thumbHot = false;
      Invalidate();
      return;
    case UiEvent::ScrollWheel:
      if (m_owner) m_owner->DoEvent(event);
      return;
    default:
      CControlUI::DoEvent(event);
  }
}

void CScrollBarUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"thumbcolor") ReadColor(value, m_thumbColor);
  else if (name == L"thumbhotcolor") ReadColor(value, m_thumbHotColor);
  else if (name == L"thumbnormalimage") m_thumbImage = value;
  else if (name == L"thumbhotimage") m_thumbHotImage = value;
  else if (name == L"linesize") m_lineSize = std::clamp(ReadIntValue(value, m_lineSize), 1, 10000);
  else CControlUI::SetAttribute(name, value);
}

void CScrollBarUI::PaintStatusImage(HDC hdc) {
  RECT thumb = GetThumbRect();
  const std::wstring& image = (m_thumbHot && !m_thumbHotImage.empty()) ? m_thumbHotImage : m_thumbImage;
  if (!image.empty() && CRenderEngine::DrawImageString(hdc, m_manager, thumb, m_rcPaint, image)) return;
  CRenderEngine::DrawColor(hdc, thumb, (m_thumbHot || m_dragging) ? m_thumbHotColor : m_thumbColor);
}

}  // namespace qm::ui

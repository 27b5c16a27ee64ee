#include "ui/win32/list_element.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/render_engine.h"
#include "ui/win32/list.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {

std::wstring CListElementUI::GetClass() const { return L"ListElementUI"; }

void* CListElementUI::GetInterface(std::wstring_view name) {
  if (name == L"ListItem" || name == L"ListElement") return this;
  return CControlUI::GetInterface(name);
}

UINT CListElementUI::GetControlFlags() const { return UIFLAG_WANTRETURN; }

bool CListElementUI::Select(bool select, bool sendNotify) {
  if (!IsEnabled()) return false;
  if (m_owner) {
    if (select) return m_owner->SelectItem(m_index, false, sendNotify);
    if (m_owner->GetCurSel() == m_index) return m_owner->SelectItem(-1, false, sendNotify);
    return true;
  }
  SetSelectedState(select);
  return true;
}

void CListElementUI::SetSelectedState(bool selected) {
  if (m_selected == selected) return;
  m_selected = selected;
  Invalidate();
}

std::wstring CListElementUI::GetText() const { return GetColumnText(0); }

void CListElementUI::SetText(std::wstring_view text) { SetColumnText(0, text); }

std::wstring CListElementUI::GetColumnText(int column) const {
  if (column < 0 || column >= static_cast<int>(m_texts.size())) return std::wstring();
  return m_texts[static_cast<size_t>(column)];
}

void CListElementUI::SetColumnText(int column, std::wstring_view text) {
  if (column < 0 || column > 255) return;
  if (column >= static_cast<int>(m_texts.size())) m_texts.resize(static_cast<size_t>(column) + 1);
  m_texts[static_cast<size_t>(column)] = text;
  if (column == 0) m_text = text;
  Invalidate();
}

void CListElementUI::SetCheck(bool checked) {
  if (m_checked == checked) return;
  m_checked = checked;
  Invalidate();
}

void CListElementUI::SetCheckImages(std::wstring_view normal, std::wstring_view checked) {
  m_checkImage = normal;
  m_checkedImage = checked;
  Invalidate();
}

int CListElementUI::HitTestLink(POINT pt) const {
  for (size_t i = 0; i < m_links.size(); ++i) {
    if (PointIn(m_links[i].rect, pt)) return static_cast<int>(i);
  }
  return -1;
}

bool CListElementUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_owner) m_owner->OnItemDbClick(this);
  return true;
}

void CListElementUI::SetVisible(bool visible) {
  if (!visible && m_selected && m_owner && m_owner->GetCurSel() == m_index) m_owner->SelectItem(-1, false, false);
  CControlUI::SetVisible(visible);
}

SIZE CListElementUI::EstimateSize(SIZE) {
  int height = m_fixedHeight > 0 ? m_fixedHeight : (m_owner ? m_owner->GetListInfo().itemHeight : 24);
  return SIZE{m_fixedWidth, height};
}

RECT CListElementUI::ColumnRect(int column) const {
  RECT rc = m_rcItem;
  if (!m_owner) return rc;
  auto columns = m_owner->GetColumnRects();
  if (column < 0 || column >= static_cast<int>(columns.size())) return column == 0 && columns.empty() ? rc : RECT{};
  rc.left = columns[static_cast<size_t>(column)].left;
  rc.right = columns[static_cast<size_t>(column)].right;
  return rc;
}

void CListElementUI::DoEvent(TEventUI& event) {
  switch (event.type) {
    case UiEvent::ButtonDown:
    case UiEvent::RButtonDown:
      if (IsEnabled() && m_owner) {
        const ListInfo& info = m_owner->GetListInfo();
        int link = HitTestLink(event.ptMouse);
        // The check column is the first header column, or a square at the row's left without a header.
        RECT checkArea = ColumnRect(0);
        if (m_owner->GetColumnRects().empty()) checkArea.right = checkArea.left + (checkArea.bottom - checkArea.top);
        if (info.checkBox && event.type == UiEvent::ButtonDown && PointIn(checkArea, event.ptMouse)) {
          m_owner->OnItemCheckClick(this);
        } else {
          auto alive = Lifetime();
          CPaintManagerUI* manager = m_manager;
          m_owner->OnItemClick(this);
          if (link >= 0 && !alive.expired() && manager) manager->SendNotify(this, kNotifyLink, 0, link);
        }
      }
      return;
    case UiEvent::DblClick:
      if (IsEnabled()) Activate();
      return;
    case UiEvent::MouseEnter:
      if (IsEnabled()) {
        m_buttonState |= UISTATE_HOT;
        Invalidate();
      }
      return;
    case UiEvent::MouseLeave:
      m_buttonState &= ~UISTATE_HOT;
      Invalidate();
      return;
    case UiEvent::ButtonUp:
    case UiEvent::MouseMove:
      return;
    case UiEvent::KeyDown:
      if (m_owner) {
        m_owner->DoEvent(event);
        return;
      }
      break;
    default:
      break;
  }
  CControlUI::DoEvent(event);
}

void CListElementUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"selected") {
    if (ReadBoolValue(value)) Select(true, false);
  } else if (name == L"check") {
    SetCheck(ReadBoolValue(value));
  } else if (name == L"checkimage") {
    m_checkImage = value;
  } else if (name == L"checkedimage") {
    m_checkedImage = value;
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CListElementUI::DoPaint(HDC hdc, const RECT& paint) {
  if (!Intersect(m_rcPaint, paint, m_rcItem)) return;
  DrawItemBk(hdc, m_rcItem);
  DrawItemText(hdc, m_rcItem);
  PaintForeImage(hdc);
  PaintBorder(hdc);
}

void CListElementUI::DrawItemBk(HDC hdc, const RECT& rc) {
  DWORD color = m_bkColor;
  const std::wstring* image = &m_bkImage;
  if (m_owner) {
    const ListInfo& info = m_owner->GetListInfo();
    if (m_selected) {
      if (info.selectedBkColor) color = info.selectedBkColor;
      if (!info.selectedImage.empty()) image = &info.selectedImage;
    } else if (m_buttonState & UISTATE_HOT) {
      if (info.hotBkColor) color = info.hotBkColor;
      if (!info.hotImage.empty()) image = &info.hotImage;
    } else {
      if (!color) color = info.bkColor;
      if (image->empty()) image = &info.bkImage;
    }
    if (color) CRenderEngine::DrawColor(hdc, rc, color);
    if (!image->empty()) CRenderEngine::DrawImageString(hdc, m_manager, rc, m_rcPaint, *image);
    if (info.lineColor) CRenderEngine::DrawColor(hdc, RECT{rc.left, rc.bottom - 1, rc.right, rc.bottom}, info.lineColor);
  } else {
    if (color) CRenderEngine::DrawColor(hdc, rc, color);
    if (!image->empty()) CRenderEngine::DrawImageString(hdc, m_manager, rc, m_rcPaint, *image);
  }
}

void CListElementUI::DrawItemText(HDC hdc, const RECT& rc) {
  m_links.clear();
  if (!m_owner) return;
  const ListInfo& info = m_owner->GetListInfo();
  DWORD color = info.textColor;
  if (!IsEnabled()) color = info.disabledTextColor;
  else if (m_selected) color = info.selectedTextColor;
  else if (m_buttonState & UISTATE_HOT) color = info.hotTextColor;
  auto columns = m_owner->GetColumnRects();
  const size_t count = columns.empty() ? 1 : columns.size();
  for (size_t i = 0; i < count; ++i) {
    RECT cell = rc;
    if (!columns.empty()) {
      cell.left = columns[i].left;
      cell.right = columns[i].right;
    }
    if (i == 0 && info.checkBox) {
      const std::wstring& own = m_checked ? m_checkedImage : m_checkImage;
      const std::wstring& image = !own.empty() ? own : (m_checked ? info.checkedImage : info.checkImage);
      if (!image.empty()) CRenderEngine::DrawImageString(hdc, m_manager, cell, m_rcPaint, image);
    }
    if (i >= m_texts.size() || m_texts[i].empty()) continue;
    RECT text{cell.left + info.textPadding.left, cell.top + info.textPadding.top, cell.right - info.textPadding.right,
              cell.bottom - info.textPadding.bottom};
    if (i == 0 && text.left < rc.left + m_firstTextIndent) text.left = rc.left + m_firstTextIndent;
    if (IsEmptyRect(text)) continue;
    if (info.showHtml) {
      std::vector<MarkupLink> links;
      CRenderEngine::DrawMarkupText(hdc, m_manager, text, m_texts[i], color, info.font, info.textStyle, &links);
      m_links.insert(m_links.end(), links.begin(), links.end());
    } else {
      CRenderEngine::DrawText(hdc, m_manager, text, m_texts[i], color, info.font, info.textStyle | DT_END_ELLIPSIS);
    }
  }
}

}  // namespace qm::ui

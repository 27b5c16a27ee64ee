#include "ui/win32/container.h"

#include <algorithm>

#include "ui/core/box_layout.h"
#include "ui/win32/attribute_utils.h"
#include "ui/win32/layout_children.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/scroll_bar.h"

namespace qm::ui {

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  if (m_autoDestroy) {
    for (auto* item : m_items) delete item;
  }
  m_items.clear();
  delete m_vScroll;
  m_vScroll = nullptr;
}

std::wstring CContainerUI::GetClass() const { return L"ContainerUI"; }

void* CContainerUI::GetInterface(std::wstring_view name) {
  if (name == L"Container") return this;
  return CControlUI::GetInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= static_cast<int>(m_items.size())) return nullptr;
  return m_items[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  auto it = std::find(m_items.begin(), m_items.end(), control);
  return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
  int from = GetItemIndex(control);
  if (from < 0 || index < 0 || index >= static_cast<int>(m_items.size())) return false;
  m_items.erase(m_items.begin() + from);
  m_items.insert(m_items.begin() + index, control);
  NeedUpdate();
  return true;
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, static_cast<int>(m_items.size())); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control || index < 0 || index > static_cast<int>(m_items.size())) return false;
  m_items.insert(m_items.begin() + index, control);
  control->SetManager(m_manager, this, m_manager != nullptr);
  if (!IsVisible()) control->SetInternVisible(false);
  NeedUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* control, bool doNotDestroy) {
  return RemoveAt(GetItemIndex(control), doNotDestroy);
}

bool CContainerUI::RemoveAt(int index, bool doNotDestroy) {
  CControlUI* control = GetItemAt(index);
  if (!control) return false;
  m_items.erase(m_items.begin() + index);
  if (m_autoDestroy && !doNotDestroy) {
    delete control;
  } else {
    if (m_manager) m_manager->ReapObjects(control, true);
    control->SetManager(nullptr, nullptr, false);
  }
  NeedUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  std::vector<CControlUI*> items;
  items.swap(m_items);
  for (auto* item : items) {
    if (m_autoDestroy) {
      delete item;
    } else {
      if (m_manager) m_manager->ReapObjects(item, true);
      item->SetManager(nullptr, nullptr, false);
    }
  }
  if (m_vScroll) m_vScroll->SetScrollPos(0);
  NeedUpdate();
}

void CContainerUI::SortItems(const std::function<bool(CControlUI*, CControlUI*)>& less) {
  if (!less) return;
  std::stable_sort(m_items.begin(), m_items.end(), less);
  NeedUpdate();
}

void CContainerUI::SetInset(RECT inset) { m_rcInset = inset; NeedUpdate(); }

void CContainerUI::SetChildPadding(int padding) { m_childPadding = ClampCoordinate(padding); NeedUpdate(); }

CControlUI* CContainerUI::FindSubControl(std::wstring_view name) {
  return FindControl([name](CControlUI* c) { return c->GetName() == name ? c : nullptr; }, UIFIND_ALL);
}

void CContainerUI::EnableScrollBar(bool vertical) {
  if (vertical && !m_vScroll) {
    m_vScroll = new CScrollBarUI();
    m_vScroll->SetOwner(this);
    m_vScroll->SetManager(m_manager, this, false);
    m_vScroll->SetVisible(false);
  } else if (!vertical && m_vScroll) {
    delete m_vScroll;
    m_vScroll = nullptr;
  }
  NeedUpdate();
}

int CContainerUI::GetScrollPos() const { return m_vScroll ? m_vScroll->GetScrollPos() : 0; }

int CContainerUI::GetScrollRange() const { return m_vScroll ? m_vScroll->GetScrollRange() : 0; }

void CContainerUI::SetScrollPos(int pos) {
  if (!m_vScroll) return;
  int old = m_vScroll->GetScrollPos();
  m_vScroll->SetScrollPos(pos);
  if (m_vScroll->GetScrollPos() != old) {
    NeedUpdate();
    // Lay out at once so hit tests and positions follow the new scroll position.
    SetPos(m_rcItem, true);
  }
}

void CContainerUI::LineUp() { if (m_vScroll) SetScrollPos(GetScrollPos() - m_vScroll->GetLineSize()); }
void CContainerUI::LineDown() { if (m_vScroll) SetScrollPos(GetScrollPos() + m_vScroll->GetLineSize()); }
void CContainerUI::PageUp() { SetScrollPos(GetScrollPos() - std::max<int>(1, GetHeight() - m_rcInset.top - m_rcInset.bottom)); }
void CContainerUI::PageDown() { SetScrollPos(GetScrollPos() + std::max<int>(1, GetHeight() - m_rcInset.top - m_rcInset.bottom)); }

void CContainerUI::EnsureVisible(CControlUI* control) {
  if (!control || !m_vScroll || !m_vScroll->IsVisible()) return;
  RECT inner = InnerRect(true);
  const RECT& pos = control->GetPos();
  if (pos.top < inner.top) SetScrollPos(GetScrollPos() - (inner.top - pos.top));
  else if (pos.bottom > inner.bottom) SetScrollPos(GetScrollPos() + (pos.bottom - inner.bottom));
}

void CContainerUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  CControlUI::SetVisible(visible);
  for (auto* item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  for (auto* item : m_items) item->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (m_vScroll) m_vScroll->SetEnabled(enabled);
}

RECT CContainerUI::InnerRect(bool withScrollBar) const {
  RECT rc{m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top, m_rcItem.right - m_rcInset.right,
          m_rcItem.bottom - m_rcInset.bottom};
  if (withScrollBar && m_vScroll && m_vScroll->IsVisible()) rc.right -= m_vScroll->GetBarWidth();
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  return rc;
}

RECT CContainerUI::ProcessScrollBar(RECT rc, int contentHeight) {
  if (!m_vScroll) return rc;
  const int avail = rc.bottom - rc.top;
  if (contentHeight > avail && avail > 0) {
    m_vScroll->SetVisible(true);
    m_vScroll->SetScrollRange(contentHeight - avail);
    const int w = m_vScroll->GetBarWidth();
    m_vScroll->SetPos(RECT{m_rcItem.right - w, m_rcItem.top, m_rcItem.right, m_rcItem.bottom}, false);
    rc.right -= w;
    rc.top -= m_vScroll->GetScrollPos();
    rc.bottom = rc.top + contentHeight;
  } else {
    m_vScroll->SetScrollRange(0);
    m_vScroll->SetScrollPos(0);
    m_vScroll->SetVisible(false);
  }
  return rc;
}

void CContainerUI::PlaceFloat(CControlUI* child, const RECT& rc) {
  const RECT& f = child->GetFloatPos();
  RECT pos{rc.left + f.left, rc.top + f.top, rc.left + f.right, rc.top + f.bottom};
  if (f.right <= f.left) pos.right = pos.left + child->GetFixedWidth();
  if (f.bottom <= f.top) pos.bottom = pos.top + child->GetFixedHeight();
  child->SetPos(pos, false);
}

void CContainerUI::SetPos(RECT rc, bool needInvalidate) {
  CControlUI::SetPos(rc, needInvalidate);
  auto children = DescribeChildren(m_items, SIZE{rc.right - rc.left, rc.bottom - rc.top});
  auto rects = LayoutStacked(ToUiRect(rc), ToUiRect(m_rcInset), children);
  for (size_t i = 0; i < m_items.size() && i < rects.size(); ++i) {
    if (m_items[i]->IsFloat()) PlaceFloat(m_items[i], rc);
    else m_items[i]->SetPos(ToRect(rects[i]), false);
  }
}

void CContainerUI::DoEvent(TEventUI& event) {
  if (event.type == UiEvent::ScrollWheel && m_vScroll && m_vScroll->IsVisible() && IsEnabled()) {
    short delta = static_cast<short>(HIWORD(event.wParam));
    for (int i = 0; i < 3; ++i) {
      if (delta > 0) LineUp();
      else LineDown();
    }
    return;
  }
  CControlUI::DoEvent(event);
}

void CContainerUI::DoPaint(HDC hdc, const RECT& paint) {
  RECT rcPaint{};
  if (!Intersect(rcPaint, paint, m_rcItem)) return;
  m_rcPaint = rcPaint;
  PaintBkColor(hdc);
  PaintBkImage(hdc);
  PaintStatusImage(hdc);
  PaintForeImage(hdc);
  PaintText(hdc);
  int saved = ::SaveDC(hdc);
  RECT inner = InnerRect(true);
  // Children may use the inset area but not spill outside the container.
  RECT clip{};
  if (Intersect(clip, rcPaint, m_rcItem)) {
    ::IntersectClipRect(hdc, clip.left, clip.top, clip.right, clip.bottom);
    for (auto* item : m_items) {
      if (!item->IsVisible()) continue;
      RECT tmp{};
      if (!Intersect(tmp, clip, item->GetPos())) continue;
      if (m_vScroll && m_vScroll->IsVisible() && !item->IsFloat() && !Intersect(tmp, tmp, inner)) continue;
      item->DoPaint(hdc, clip);
    }
  }
  ::RestoreDC(hdc, saved);
  if (m_vScroll && m_vScroll->IsVisible()) m_vScroll->DoPaint(hdc, paint);
  m_rcPaint = rcPaint;
  PaintBorder(hdc);
}

void CContainerUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"inset") {
    RECT rc = m_rcInset;
    ReadRect(value, rc);
    SetInset(rc);
  } else if (name == L"childpadding") {
    SetChildPadding(ReadIntValue(value));
  } else if (name == L"vscrollbar") {
    EnableScrollBar(ReadBoolValue(value));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  for (auto* item : m_items) item->SetManager(manager, this, false);
  if (m_vScroll) {
    // The skin's <Default name="ScrollBar"> styles the bars the containers make themselves.
    if (manager && !m_scrollStyled) {
      if (const std::wstring* defaults = manager->GetDefaultAttributeList(L"ScrollBar")) {
        m_vScroll->ApplyAttributeList(*defaults);
        m_vScroll->SetVisible(false);
      }
      m_scrollStyled = true;
    }
    m_vScroll->SetManager(manager, this, false);
  }
  CControlUI::SetManager(manager, parent, init);
}

CControlUI* CContainerUI::FindControl(const FindControlProc& proc, UINT flags) {
  if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  if (!(flags & UIFIND_TOP_FIRST)) {
    if (CControlUI* found = proc(this)) return found;
  }
  if (flags & UIFIND_TOP_FIRST) {
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
      if (CControlUI* found = (*it)->FindControl(proc, flags)) return found;
    }
  } else {
    for (auto* item : m_items) {
      if (CControlUI* found = item->FindControl(proc, flags)) return found;
    }
  }
  if (flags & UIFIND_TOP_FIRST) return proc(this);
  return nullptr;
}

CControlUI* CContainerUI::FindControlAt(POINT pt) {
  if (!IsVisible() || !PointIn(m_rcItem, pt)) return nullptr;
  if (m_vScroll && m_vScroll->IsVisible()) {
    if (CControlUI* bar = m_vScroll->FindControlAt(pt)) return bar;
  }
  RECT inner = InnerRect(true);
  for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
    if (!(*it)->IsFloat() && m_vScroll && m_vScroll->IsVisible() && !PointIn(inner, pt)) continue;
    if (CControlUI* found = (*it)->FindControlAt(pt)) return found;
  }
  return m_mouseEnabled ? this : nullptr;
}

}  // namespace qm::ui

#include "ui/win32/tab_layout.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/layout_children.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {

std::wstring CTabLayoutUI::GetClass() const { return L"TabLayoutUI"; }

void* CTabLayoutUI::GetInterface(std::wstring_view name) {
  if (name == L"TabLayout") return this;
  return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  const int wanted = m_curSel >= 0 ? m_curSel : m_initialSel;
  if (m_curSel >= 0 && index <= m_curSel && GetCount() > 1) {
    ++m_curSel;  // the selected page moved down by one
    control->SetVisible(false);
  } else if (index == wanted) {
    m_curSel = index;
    control->SetVisible(true);
  } else {
    control->SetVisible(false);
  }
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control, bool doNotDestroy) {
  int index = GetItemIndex(control);
  if (index < 0) return false;
  bool wasSelected = index == m_curSel;
  if (!CContainerUI::RemoveAt(index, doNotDestroy)) return false;
  if (wasSelected) {
    m_curSel = -1;
    if (GetCount() > 0) SelectItem(index > 0 ? index - 1 : 0);
  } else if (index < m_curSel) {
    --m_curSel;
  }
  return true;
}

void CTabLayoutUI::RemoveAll() {
  m_curSel = -1;
  CContainerUI::RemoveAll();
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  m_curSel = index;
  for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == index);
  NeedUpdate();
  if (m_manager) m_manager->NeedUpdate();
  return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* page) { return SelectItem(GetItemIndex(page)); }

void CTabLayoutUI::SetPos(RECT rc, bool needInvalidate) {
  CControlUI::SetPos(rc, needInvalidate);
  SIZE available{rc.right - rc.left, rc.bottom - rc.top};
  auto children = DescribeChildren(m_items, available);
  auto rects = LayoutStacked(ToUiRect(rc), ToUiRect(m_rcInset), children);
  for (size_t i = 0; i < m_items.size() && i < rects.size(); ++i) {
    if (m_items[i]->IsFloat()) PlaceFloat(m_items[i], rc);
    else m_items[i]->SetPos(ToRect(rects[i]), false);
  }
}

void CTabLayoutUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"selectedid") {
    ReadInt(value, m_initialSel);
    if (m_initialSel >= 0 && m_initialSel < GetCount()) SelectItem(m_initialSel);
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CTabLayoutUI::DoInit() {
  if (m_curSel < 0 && GetCount() > 0) SelectItem(0);
}

}  // namespace qm::ui

#include "ui/win32/vertical_layout.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/layout_children.h"
#include "ui/win32/scroll_bar.h"

namespace qm::ui {

std::wstring CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(std::wstring_view name) {
  if (name == L"VerticalLayout") return this;
  return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetPos(RECT rc, bool needInvalidate) {
  CControlUI::SetPos(rc, needInvalidate);
  RECT area = rc;
  SIZE available{rc.right - rc.left - m_rcInset.left - m_rcInset.right, rc.bottom - rc.top - m_rcInset.top - m_rcInset.bottom};
  auto children = DescribeChildren(m_items, available);
  if (m_vScroll) {
    int content = ContentExtent(children, m_childPadding, true) + m_rcInset.top + m_rcInset.bottom;
    area = ProcessScrollBar(rc, content);
  }
  auto rects = LayoutVertical(ToUiRect(area), ToUiRect(m_rcInset), m_childPadding, children);
  for (size_t i = 0; i < m_items.size() && i < rects.size(); ++i) {
    if (m_items[i]->IsFloat()) PlaceFloat(m_items[i], rc);
    else m_items[i]->SetPos(ToRect(rects[i]), false);
  }
}

}  // namespace qm::ui

#include "ui/win32/horizontal_layout.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/layout_children.h"

namespace qm::ui {

std::wstring CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(std::wstring_view name) {
  if (name == L"HorizontalLayout") return this;
  return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool needInvalidate) {
  CControlUI::SetPos(rc, needInvalidate);
  SIZE available{rc.right - rc.left - m_rcInset.left - m_rcInset.right, rc.bottom - rc.top - m_rcInset.top - m_rcInset.bottom};
  auto children = DescribeChildren(m_items, available);
  auto rects = LayoutHorizontal(ToUiRect(rc), ToUiRect(m_rcInset), m_childPadding, children);
  for (size_t i = 0; i < m_items.size() && i < rects.size(); ++i) {
    if (m_items[i]->IsFloat()) PlaceFloat(m_items[i], rc);
    else m_items[i]->SetPos(ToRect(rects[i]), false);
  }
}

}  // namespace qm::ui

#include "ui/win32/layout_children.h"

#include <algorithm>

#include "ui/win32/attribute_utils.h"

namespace qm::ui {

std::vector<LayoutChild> DescribeChildren(const std::vector<CControlUI*>& items, SIZE available) {
  std::vector<LayoutChild> children;
  children.reserve(items.size());
  for (auto* item : items) {
    LayoutChild c;
    SIZE sz = item->EstimateSize(available);
    c.fixedWidth = sz.cx;
    c.fixedHeight = sz.cy;
    c.minWidth = item->GetMinWidth();
    c.minHeight = item->GetMinHeight();
    c.maxWidth = item->GetMaxWidth();
    c.maxHeight = item->GetMaxHeight();
    c.padding = ToUiRect(item->GetPadding());
    c.visible = item->IsOwnVisible();
    c.floating = item->IsFloat();
    c.floatPos = ToUiRect(item->GetFloatPos());
    children.push_back(c);
  }
  return children;
}

int ContentExtent(const std::vector<LayoutChild>& children, int childPadding, bool vertical) {
  int total = 0, count = 0;
  for (const auto& c : children) {
    if (!c.visible || c.floating) continue;
    int size = vertical ? std::max(c.fixedHeight, c.minHeight) : std::max(c.fixedWidth, c.minWidth);
    total += size + (vertical ? c.padding.top + c.padding.bottom : c.padding.left + c.padding.right);
    ++count;
  }
  if (count > 1) total += childPadding * (count - 1);
  return total;
}

}  // namespace qm::ui

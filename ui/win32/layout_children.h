#pragma once
// Builds the layout arithmetic's view of a container's children (library internal).
#include <vector>

#include "ui/core/box_layout.h"
#include "ui/win32/control.h"

namespace qm::ui {

std::vector<LayoutChild> DescribeChildren(const std::vector<CControlUI*>& items, SIZE available);
// The height (vertical) or width (horizontal) the children need along the axis.
int ContentExtent(const std::vector<LayoutChild>& children, int childPadding, bool vertical);

}  // namespace qm::ui

// Layout arithmetic of the box layouts: where each child of a vertical, horizontal or tab layout goes.
#pragma once
#include <vector>

#include "ui/core/skin_values.h"

namespace qm::ui {

struct LayoutChild {
    int fixedWidth = 0, fixedHeight = 0;  // 0 = share what is left
    int minWidth = 0, minHeight = 0, maxWidth = 0x7fffffff, maxHeight = 0x7fffffff;
    UiRect padding;  // outer margin of the child
    bool visible = true;
    bool floating = false;
    UiRect floatPos;  // floating: placed at floatPos inside the parent
};

// Places children of a vertical (horizontal) layout in `area` minus `inset`, `childPadding` between
// visible children. Hidden children get an empty rect. Fixed sizes first, the rest shared evenly,
// respecting min/max. Returns one rect per child.
//
// Along the layout's axis a stretching child's share is clamped to its min/max and the rest shared again
// among the others; integer remainders go one pixel each to the first sharers so the total fills exactly.
// Across the axis a child takes its fixed size (or the full space), clamped to min/max. No rect is ever
// inverted, and only floating children may leave the inner area (they are clamped to the parent's area).
std::vector<UiRect> LayoutVertical(UiRect area, UiRect inset, int childPadding, const std::vector<LayoutChild>&);
std::vector<UiRect> LayoutHorizontal(UiRect area, UiRect inset, int childPadding, const std::vector<LayoutChild>&);
// A tab layout: every visible child gets the inner area (minus its padding, fixed/min/max honoured);
// the caller shows only the selected page.
std::vector<UiRect> LayoutStacked(UiRect area, UiRect inset, const std::vector<LayoutChild>&);

}  // namespace qm::ui

#include "app/core/pagination_layout.h"

#include <algorithm>

namespace qm::app {
namespace {

int clampPage(int pageCount, int page) {
    if (pageCount < 1) return 1;
    return std::clamp(page, 1, pageCount);
}

void showButton(PaginationLayout& layout, int slot, int page) {
    PageButtonSlot& button = layout.buttons[static_cast<std::size_t>(slot)];
    button.visible = true;
    button.page = page;
    button.text = std::to_wstring(page);
}

}  // namespace

PaginationLayout LayOutPagination(int pageCount, int currentPage) {
    PaginationLayout layout;
    layout.pageCount = std::max(pageCount, 0);
    layout.currentPage = clampPage(layout.pageCount, currentPage);
    const int n = layout.pageCount;
    const int p = layout.currentPage;
    if (n == 0) return layout;  // nothing to choose: no buttons, both arrows off

    layout.prevEnabled = p != 1;
    layout.nextEnabled = p != n;

    if (n <= kPaginationButtons) {
        for (int i = 0; i < n; ++i) showButton(layout, i, i + 1);
        return layout;
    }

    // The middle run p-3..p+3 needs a gap of at least one page after the leading two and before
    // the trailing two; otherwise the run is pushed against the start or the end.
    const int half = kPaginationMiddle / 2;
    int slot = 0;
    if (p <= kPaginationLeading + half + 1) {
        // Near the start: 1..9, "...", the last two.
        for (int page = 1; page <= kPaginationButtons - kPaginationTrailing; ++page) showButton(layout, slot++, page);
        layout.ellipses[1] = {true, slot - 1};
        for (int page = n - kPaginationTrailing + 1; page <= n; ++page) showButton(layout, slot++, page);
    } else if (p < n - kPaginationTrailing - half) {
        // In the middle: 1, 2, "...", p-3..p+3, "...", the last two.
        for (int page = 1; page <= kPaginationLeading; ++page) showButton(layout, slot++, page);
        layout.ellipses[0] = {true, slot - 1};
        for (int page = p - half; page <= p + half; ++page) showButton(layout, slot++, page);
        layout.ellipses[1] = {true, slot - 1};
        for (int page = n - kPaginationTrailing + 1; page <= n; ++page) showButton(layout, slot++, page);
    } else {
        // Near the end: 1, 2, "...", the last nine.
        for (int page = 1; page <= kPaginationLeading; ++page) showButton(layout, slot++, page);
        layout.ellipses[0] = {true, slot - 1};
        for (int page = n - (kPaginationButtons - kPaginationLeading) + 1; page <= n; ++page) showButton(layout, slot++, page);
    }
    return layout;
}

int PageAfterClick(PaginationClick click, int pageCount, int currentPage, int clickedPage) {
    const int current = clampPage(pageCount, currentPage);
    switch (click) {
        case PaginationClick::Prev: return clampPage(pageCount, current - 1);
        case PaginationClick::Next: return clampPage(pageCount, current + 1);
        case PaginationClick::Page: return clampPage(pageCount, clickedPage);
    }
    return current;
}

}  // namespace qm::app

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/pagination_layout.h"

namespace qm::app {
namespace {

// What a user sees between Prev and Next, e.g. "1 2 ... 5 6 7 8 9 10 11 ... 19 20".
std::string shown(const PaginationLayout& layout) {
    std::string out;
    auto add = [&](const std::string& item) { out += (out.empty() ? "" : " ") + item; };
    for (int slot = 0; slot < kPaginationButtons; ++slot) {
        const PageButtonSlot& button = layout.buttons[static_cast<std::size_t>(slot)];
        if (button.visible) add(std::to_string(button.page));
        for (const EllipsisSlot& ellipsis : layout.ellipses)
            if (ellipsis.visible && ellipsis.afterSlot == slot) add("...");
    }
    return out;
}

TEST(PaginationLayout, FewPagesShowEveryButton) {
    EXPECT_EQ("1", shown(LayOutPagination(1, 1)));
    const PaginationLayout five = LayOutPagination(5, 3);
    EXPECT_EQ("1 2 3 4 5", shown(five));
    EXPECT_EQ(L"4", five.buttons[3].text);
    EXPECT_FALSE(five.buttons[5].visible);
    EXPECT_FALSE(five.ellipses[0].visible);
    EXPECT_FALSE(five.ellipses[1].visible);
    EXPECT_EQ("1 2 3 4 5 6 7 8 9 10 11", shown(LayOutPagination(11, 11)));
}

TEST(PaginationLayout, ArrowsAreOffAtTheEnds) {
    const PaginationLayout first = LayOutPagination(20, 1);
    EXPECT_FALSE(first.prevEnabled);
    EXPECT_TRUE(first.nextEnabled);
    const PaginationLayout middle = LayOutPagination(20, 10);
    EXPECT_TRUE(middle.prevEnabled);
    EXPECT_TRUE(middle.nextEnabled);
    const PaginationLayout last = LayOutPagination(20, 20);
    EXPECT_TRUE(last.prevEnabled);
    EXPECT_FALSE(last.nextEnabled);
    const PaginationLayout single = LayOutPagination(1, 1);
    EXPECT_FALSE(single.prevEnabled);
    EXPECT_FALSE(single.nextEnabled);
}

TEST(PaginationLayout, ManyPagesKeepTheEndsAndAWindowAroundTheCurrentPage) {
    EXPECT_EQ("1 2 3 4 5 6 7 8 9 ... 19 20", shown(LayOutPagination(20, 1)));
    EXPECT_EQ("1 2 3 4 5 6 7 8 9 ... 19 20", shown(LayOutPagination(20, 6)));
    EXPECT_EQ("1 2 ... 4 5 6 7 8 9 10 ... 19 20", shown(LayOutPagination(20, 7)));
    EXPECT_EQ("1 2 ... 11 12 13 14 15 16 17 ... 19 20", shown(LayOutPagination(20, 14)));
    EXPECT_EQ("1 2 ... 12 13 14 15 16 17 18 19 20", shown(LayOutPagination(20, 15)));
    EXPECT_EQ("1 2 ... 12 13 14 15 16 17 18 19 20", shown(LayOutPagination(20, 20)));
    // Twelve pages: the first layout to need a "...".
    EXPECT_EQ("1 2 3 4 5 6 7 8 9 ... 11 12", shown(LayOutPagination(12, 6)));
    EXPECT_EQ("1 2 ... 4 5 6 7 8 9 10 11 12", shown(LayOutPagination(12, 7)));

    const PaginationLayout middle = LayOutPagination(20, 7);
    EXPECT_EQ(1, middle.ellipses[0].afterSlot);
    EXPECT_EQ(8, middle.ellipses[1].afterSlot);
    EXPECT_EQ(L"19", middle.buttons[9].text);
}

TEST(PaginationLayout, EveryLayoutShowsTheCurrentPageBetweenTheEnds) {
    for (int n = 1; n <= 40; ++n) {
        for (int p = 1; p <= n; ++p) {
            SCOPED_TRACE("pages " + std::to_string(n) + ", current " + std::to_string(p));
            const PaginationLayout layout = LayOutPagination(n, p);
            std::vector<int> pages;
            bool current = false;
            for (int slot = 0; slot < kPaginationButtons; ++slot) {
                const PageButtonSlot& button = layout.buttons[static_cast<std::size_t>(slot)];
                if (!button.visible) continue;
                ASSERT_EQ(static_cast<int>(pages.size()), slot) << "visible buttons come first";
                EXPECT_EQ(std::to_wstring(button.page), button.text);
                current = current || button.page == p;
                // A gap between neighbouring pages is exactly where a "..." stands.
                if (!pages.empty()) {
                    bool ellipsis = false;
                    for (const EllipsisSlot& e : layout.ellipses) ellipsis = ellipsis || (e.visible && e.afterSlot == slot - 1);
                    EXPECT_GT(button.page, pages.back());
                    EXPECT_EQ(ellipsis, button.page > pages.back() + 1);
                }
                pages.push_back(button.page);
            }
            ASSERT_EQ(std::min(n, kPaginationButtons), static_cast<int>(pages.size()));
            EXPECT_EQ(1, pages.front());
            EXPECT_EQ(n, pages.back());
            EXPECT_TRUE(current);
        }
    }
}

TEST(PaginationLayout, OutOfRangeInputIsClampedAndNoPagesShowsNothing) {
    const PaginationLayout none = LayOutPagination(0, 1);
    EXPECT_EQ("", shown(none));
    EXPECT_FALSE(none.prevEnabled);
    EXPECT_FALSE(none.nextEnabled);
    EXPECT_EQ(1, none.currentPage);
    EXPECT_EQ(0, LayOutPagination(-3, 5).pageCount);

    const PaginationLayout beyond = LayOutPagination(20, 99);
    EXPECT_EQ(20, beyond.currentPage);
    EXPECT_FALSE(beyond.nextEnabled);
    EXPECT_EQ("1 2 ... 12 13 14 15 16 17 18 19 20", shown(beyond));
    const PaginationLayout below = LayOutPagination(20, -4);
    EXPECT_EQ(1, below.currentPage);
    EXPECT_FALSE(below.prevEnabled);
}

TEST(PaginationClicks, MoveWithinTheFirstAndLastPage) {
    EXPECT_EQ(1, PageAfterClick(PaginationClick::Prev, 20, 1));
    EXPECT_EQ(9, PageAfterClick(PaginationClick::Prev, 20, 10));
    EXPECT_EQ(11, PageAfterClick(PaginationClick::Next, 20, 10));
    EXPECT_EQ(20, PageAfterClick(PaginationClick::Next, 20, 20));
    EXPECT_EQ(17, PageAfterClick(PaginationClick::Page, 20, 3, 17));
    EXPECT_EQ(20, PageAfterClick(PaginationClick::Page, 20, 3, 25));
    EXPECT_EQ(1, PageAfterClick(PaginationClick::Page, 20, 3, 0));
    // A current page left outside the range by a shrunken list moves back inside.
    EXPECT_EQ(5, PageAfterClick(PaginationClick::Prev, 6, 30));
    EXPECT_EQ(1, PageAfterClick(PaginationClick::Next, 0, 1));
    EXPECT_EQ(1, PageAfterClick(PaginationClick::Prev, 0, 1));
}

}  // namespace
}  // namespace qm::app

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "ui/core/box_layout.h"

namespace qm::ui {
namespace {

LayoutChild stretch() { return LayoutChild{}; }
LayoutChild tall(int height) {
    LayoutChild c;
    c.fixedHeight = height;
    return c;
}

std::vector<int> heights(const std::vector<UiRect>& rects) {
    std::vector<int> out;
    for (const auto& r : rects) out.push_back(r.height());
    return out;
}

TEST(BoxLayout, StretchingChildrenShareTheRemainderExactly) {
    const auto rects = LayoutVertical({0, 0, 100, 100}, {}, 0, {stretch(), stretch(), stretch()});
    ASSERT_EQ(3u, rects.size());
    EXPECT_EQ((UiRect{0, 0, 100, 34}), rects[0]);
    EXPECT_EQ((UiRect{0, 34, 100, 67}), rects[1]);
    EXPECT_EQ((UiRect{0, 67, 100, 100}), rects[2]);
}

TEST(BoxLayout, FixedSizesFirstThenInsetAndChildPadding) {
    const auto rects =
        LayoutVertical({10, 20, 210, 320}, {5, 5, 5, 5}, 10, {tall(50), stretch(), tall(30), stretch()});
    EXPECT_EQ((UiRect{15, 25, 205, 75}), rects[0]);
    EXPECT_EQ((UiRect{15, 85, 205, 175}), rects[1]);
    EXPECT_EQ((UiRect{15, 185, 205, 215}), rects[2]);
    EXPECT_EQ((UiRect{15, 225, 205, 315}), rects[3]);  // the last ends on the inner edge
}

TEST(BoxLayout, MinAndMaxClampsShareAgain) {
    LayoutChild capped;
    capped.maxHeight = 50;
    EXPECT_EQ((std::vector<int>{50, 125, 125}), heights(LayoutVertical({0, 0, 10, 300}, {}, 0, {capped, stretch(), stretch()})));

    LayoutChild floor;
    floor.minHeight = 60;
    EXPECT_EQ((std::vector<int>{20, 60, 20}), heights(LayoutVertical({0, 0, 10, 100}, {}, 0, {stretch(), floor, stretch()})));

    // Clamping one child can push another over its own limit.
    LayoutChild cap40, cap45;
    cap40.maxHeight = 40;
    cap45.maxHeight = 45;
    EXPECT_EQ((std::vector<int>{40, 45, 115}), heights(LayoutVertical({0, 0, 10, 200}, {}, 0, {cap40, cap45, stretch()})));

    // Everyone capped: the rest of the area stays empty.
    EXPECT_EQ((std::vector<int>{40, 40}), heights(LayoutVertical({0, 0, 10, 200}, {}, 0, {cap40, cap40})));

    // A fixed size is clamped too.
    LayoutChild fixedCapped = tall(80);
    fixedCapped.maxHeight = 30;
    fixedCapped.minHeight = 10;
    EXPECT_EQ((std::vector<int>{30, 70}), heights(LayoutVertical({0, 0, 10, 100}, {}, 0, {fixedCapped, stretch()})));

    // A minimum above the maximum wins.
    LayoutChild contradictory;
    contradictory.minHeight = 70;
    contradictory.maxHeight = 20;
    EXPECT_EQ((std::vector<int>{70, 30}), heights(LayoutVertical({0, 0, 10, 100}, {}, 0, {contradictory, stretch()})));
}

TEST(BoxLayout, PaddingIsAnOuterMarginOnBothAxes) {
    LayoutChild padded;
    padded.padding = {1, 2, 3, 4};
    const auto rects = LayoutVertical({0, 0, 100, 100}, {}, 0, {padded, tall(10)});
    EXPECT_EQ((UiRect{1, 2, 97, 86}), rects[0]);
    EXPECT_EQ((UiRect{0, 90, 100, 100}), rects[1]);
}

TEST(BoxLayout, CrossAxisTakesFixedSizeWithinLimits) {
    LayoutChild narrow, wide, capped, floor;
    narrow.fixedWidth = 40;
    wide.fixedWidth = 500;
    capped.maxWidth = 30;
    floor.minWidth = 400;
    const auto rects = LayoutVertical({0, 0, 100, 40}, {}, 0, {narrow, wide, capped, floor});
    EXPECT_EQ(40, rects[0].width());
    EXPECT_EQ(0, rects[0].left);
    EXPECT_EQ(100, rects[1].width());  // never wider than the layout
    EXPECT_EQ(30, rects[2].width());
    EXPECT_EQ(100, rects[3].width());
}

TEST(BoxLayout, HiddenAndFloatingChildrenTakeNoRoom) {
    LayoutChild hidden = tall(40);
    hidden.visible = false;
    LayoutChild floating;
    floating.floating = true;
    floating.floatPos = {5, 6, 25, 16};
    LayoutChild floatingOut = floating;
    floatingOut.floatPos = {90, -10, 150, 5};
    const auto rects = LayoutVertical({100, 100, 200, 200}, {10, 10, 10, 10}, 4,
                                      {stretch(), hidden, floating, stretch(), floatingOut});
    EXPECT_EQ((UiRect{}), rects[1]);
    EXPECT_EQ((UiRect{105, 106, 125, 116}), rects[2]);  // relative to the parent's own corner
    EXPECT_EQ((UiRect{190, 100, 200, 105}), rects[4]);  // kept inside the parent
    EXPECT_EQ((UiRect{110, 110, 190, 148}), rects[0]);  // one gap only, between the two in flow
    EXPECT_EQ((UiRect{110, 152, 190, 190}), rects[3]);
}

TEST(BoxLayout, HorizontalIsVerticalTransposed) {
    LayoutChild w50;
    w50.fixedWidth = 50;
    LayoutChild padded;
    padded.padding = {4, 1, 2, 3};
    padded.maxWidth = 60;
    const auto rects = LayoutHorizontal({0, 0, 300, 36}, {2, 0, 2, 0}, 6, {w50, padded, stretch()});
    EXPECT_EQ((UiRect{2, 0, 52, 36}), rects[0]);
    EXPECT_EQ((UiRect{62, 1, 122, 33}), rects[1]);
    EXPECT_EQ((UiRect{130, 0, 298, 36}), rects[2]);
}

TEST(BoxLayout, TooSmallAreasNeverGiveNegativeSizes) {
    auto check = [](const std::vector<UiRect>& rects, const UiRect& bounds) {
        for (const auto& r : rects) {
            EXPECT_GE(r.width(), 0);
            EXPECT_GE(r.height(), 0);
            EXPECT_GE(r.left, bounds.left);
            EXPECT_LE(r.right, bounds.right);
            EXPECT_GE(r.top, bounds.top);
            EXPECT_LE(r.bottom, bounds.bottom);
        }
    };
    auto rects = LayoutVertical({0, 0, 50, 100}, {}, 10, {tall(80), stretch(), tall(80)});
    EXPECT_EQ((std::vector<int>{80, 0, 0}), heights(rects));
    check(rects, {0, 0, 50, 100});

    LayoutChild floor;
    floor.minHeight = 500;
    rects = LayoutVertical({0, 0, 50, 100}, {}, 0, {floor, stretch()});
    EXPECT_EQ((std::vector<int>{100, 0}), heights(rects));
    check(rects, {0, 0, 50, 100});

    // An inset larger than the area, an inverted area, margins larger than the area.
    rects = LayoutHorizontal({0, 0, 10, 10}, {8, 8, 8, 8}, 3, {stretch(), tall(5)});
    check(rects, {0, 0, 10, 10});
    rects = LayoutVertical({50, 50, 10, 10}, {}, 0, {stretch(), tall(5)});
    check(rects, {50, 50, 50, 50});
    LayoutChild fat;
    fat.padding = {30, 30, 30, 30};
    rects = LayoutVertical({0, 0, 40, 40}, {}, -5, {fat, fat});
    check(rects, {0, 0, 40, 40});

    // Values at the ends of int do not overflow.
    LayoutChild huge = tall(INT_MAX);
    huge.fixedWidth = INT_MAX;
    huge.padding = {INT_MAX, INT_MAX, INT_MAX, INT_MAX};
    LayoutChild far;
    far.floating = true;
    far.floatPos = {INT_MAX, INT_MIN, INT_MAX, INT_MAX};
    const UiRect all{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    rects = LayoutVertical(all, {INT_MIN, INT_MIN, INT_MIN, INT_MIN}, INT_MAX, {huge, stretch(), far, huge});
    check(rects, all);
    rects = LayoutHorizontal(all, {}, 0, {stretch(), stretch(), huge});
    check(rects, all);
    EXPECT_EQ(INT_MIN, rects[0].left);
}

TEST(BoxLayout, RandomLayoutsStayOrderedAndInside) {
    std::uint32_t seed = 99;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(n));
    };
    for (int round = 0; round < 500; ++round) {
        std::vector<LayoutChild> children(1 + next(6));
        bool limits = false;
        for (auto& c : children) {
            if (next(3) == 0) c.fixedHeight = next(120);
            if (next(4) == 0) c.minHeight = next(80), limits = true;
            if (next(4) == 0) c.maxHeight = next(80), limits = true;
            if (next(5) == 0) c.padding = {next(5), next(5), next(5), next(5)};
            c.visible = next(8) != 0;
        }
        const UiRect area{next(50), next(50), 50 + next(300), 50 + next(300)};
        const int gap = next(6);
        const auto rects = LayoutVertical(area, {}, gap, children);
        int cursor = area.top, used = 0, shown = 0;
        bool anyFixed = false;
        for (size_t k = 0; k < children.size(); ++k) {
            const UiRect& r = rects[k];
            if (!children[k].visible) {
                EXPECT_EQ((UiRect{}), r);
                continue;
            }
            anyFixed = anyFixed || children[k].fixedHeight > 0;
            ASSERT_GE(r.height(), 0);
            ASSERT_GE(r.width(), 0);
            ASSERT_GE(r.top, cursor);  // in order, no overlap
            ASSERT_LE(r.bottom, area.bottom);
            ASSERT_GE(r.left, area.left);
            ASSERT_LE(r.right, area.right);
            cursor = r.bottom;
            used += r.height() + children[k].padding.top + children[k].padding.bottom;
            ++shown;
        }
        // Without fixed sizes or limits and with room enough, the children fill the layout exactly.
        if (!limits && !anyFixed && shown > 0 && used + gap * (shown - 1) <= area.height()) {
            EXPECT_EQ(area.height(), used + gap * (shown - 1)) << round;
        }
    }
}

TEST(BoxLayout, StackedPagesEachGetTheInnerArea) {
    LayoutChild page, hidden, small;
    hidden.visible = false;
    small.fixedWidth = 20;
    small.fixedHeight = 10;
    small.padding = {2, 3, 0, 0};
    const auto rects = LayoutStacked({0, 0, 100, 80}, {1, 1, 1, 1}, {page, hidden, small});
    EXPECT_EQ((UiRect{1, 1, 99, 79}), rects[0]);
    EXPECT_EQ((UiRect{}), rects[1]);
    EXPECT_EQ((UiRect{3, 4, 23, 14}), rects[2]);
}

}  // namespace
}  // namespace qm::ui

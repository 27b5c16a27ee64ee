// Arithmetic is done in 64 bits and every result clamped back into the parent, so extreme skin values
// (huge fixed sizes, the default "no maximum") cannot overflow or invert a rect.
#include "ui/core/box_layout.h"

#include <algorithm>
#include <cstdint>

namespace qm::ui {

namespace {

using i64 = std::int64_t;

// One axis of a rect or of a child's constraints, so one routine serves both directions.
struct Span {
    i64 start = 0, end = 0;
    i64 length() const { return end - start; }
};

struct AxisChild {
    i64 fixed, min, max, padBefore, padAfter;
};

AxisChild axisOf(const LayoutChild& c, bool vertical) {
    AxisChild a;
    a.fixed = std::max<i64>(0, vertical ? c.fixedHeight : c.fixedWidth);
    a.min = std::max<i64>(0, vertical ? c.minHeight : c.minWidth);
    a.max = std::max<i64>(a.min, vertical ? c.maxHeight : c.maxWidth);  // a minimum above the maximum wins
    a.padBefore = vertical ? c.padding.top : c.padding.left;
    a.padAfter = vertical ? c.padding.bottom : c.padding.right;
    return a;
}

i64 clampTo(i64 v, i64 lo, i64 hi) { return std::min(std::max(v, lo), hi); }

Span spanOf(const UiRect& r, bool vertical) {
    Span s{vertical ? r.top : r.left, vertical ? r.bottom : r.right};
    if (s.end < s.start) s.end = s.start;
    return s;
}

// Keeps a span inside `bounds`, never inverted.
Span clampSpan(Span s, Span bounds) {
    s.start = clampTo(s.start, bounds.start, bounds.end);
    s.end = clampTo(s.end, s.start, bounds.end);
    return s;
}

UiRect makeRect(Span horizontal, Span vertical) {
    return UiRect{static_cast<int>(horizontal.start), static_cast<int>(vertical.start),
                  static_cast<int>(horizontal.end), static_cast<int>(vertical.end)};
}

// Across the layout's axis (or both axes of a tab page): the fixed size or all the room, within min/max.
Span placeAcross(Span inner, const AxisChild& c) {
    const i64 room = std::max<i64>(0, inner.length() - c.padBefore - c.padAfter);
    const i64 size = clampTo(clampTo(c.fixed > 0 ? c.fixed : room, c.min, c.max), 0, room);
    const i64 start = inner.start + c.padBefore;
    return clampSpan(Span{start, start + size}, inner);
}

Span innerSpan(const UiRect& area, const UiRect& inset, bool vertical) {
    const Span outer = spanOf(area, vertical);
    Span s{outer.start + (vertical ? inset.top : inset.left), outer.end - (vertical ? inset.bottom : inset.right)};
    return clampSpan(s, outer);
}

UiRect placeFloating(const UiRect& area, const LayoutChild& c) {
    const Span h = spanOf(area, false), v = spanOf(area, true);
    return makeRect(clampSpan(Span{h.start + c.floatPos.left, h.start + static_cast<i64>(c.floatPos.right)}, h),
                    clampSpan(Span{v.start + c.floatPos.top, v.start + static_cast<i64>(c.floatPos.bottom)}, v));
}

// Shares `space` among children with min/max: each round gives everyone unfrozen an even share, then
// freezes the children whose clamps move the total most (the minimums when clamping adds, else the
// maximums), and shares again. Each round freezes at least one child, so it ends.
std::vector<i64> shareSpace(i64 space, const std::vector<AxisChild>& children) {
    const size_t n = children.size();
    std::vector<i64> size(n, 0);
    std::vector<bool> frozen(n, false);
    for (size_t round = 0; round <= n; ++round) {
        i64 free = space;
        size_t count = 0;
        for (size_t k = 0; k < n; ++k) {
            if (frozen[k])
                free -= size[k];
            else
                ++count;
        }
        if (count == 0) break;
        const i64 base = free > 0 ? free / static_cast<i64>(count) : 0;
        i64 extra = free > 0 ? free % static_cast<i64>(count) : 0;
        i64 violation = 0;
        std::vector<i64> want(n, 0);
        for (size_t k = 0; k < n; ++k) {
            if (frozen[k]) continue;
            want[k] = base + (extra > 0 ? 1 : 0);
            if (extra > 0) --extra;
            size[k] = clampTo(want[k], children[k].min, children[k].max);
            violation += size[k] - want[k];
        }
        if (violation == 0) break;
        for (size_t k = 0; k < n; ++k) {
            if (frozen[k]) continue;
            if ((violation > 0 && size[k] > want[k]) || (violation < 0 && size[k] < want[k])) frozen[k] = true;
        }
    }
    return size;
}

std::vector<UiRect> layoutLine(UiRect area, UiRect inset, int childPadding, const std::vector<LayoutChild>& children,
                               bool vertical) {
    std::vector<UiRect> out(children.size());
    const Span main = innerSpan(area, inset, vertical);
    const Span cross = innerSpan(area, inset, !vertical);
    const i64 gap = std::max(0, childPadding);

    std::vector<size_t> placed;  // visible, in-flow children
    for (size_t k = 0; k < children.size(); ++k) {
        if (!children[k].visible) continue;
        if (children[k].floating)
            out[k] = placeFloating(area, children[k]);
        else
            placed.push_back(k);
    }
    if (placed.empty()) return out;

    // Fixed sizes first; what is left goes to the stretching children.
    i64 space = main.length() - gap * static_cast<i64>(placed.size() - 1);
    std::vector<i64> size(placed.size(), 0);
    std::vector<AxisChild> stretching;
    std::vector<size_t> stretchingAt;
    for (size_t p = 0; p < placed.size(); ++p) {
        const AxisChild a = axisOf(children[placed[p]], vertical);
        space -= a.padBefore + a.padAfter;
        if (a.fixed > 0) {
            size[p] = clampTo(a.fixed, a.min, a.max);
            space -= size[p];
        } else {
            stretching.push_back(a);
            stretchingAt.push_back(p);
        }
    }
    const std::vector<i64> shares = shareSpace(space, stretching);
    for (size_t s = 0; s < shares.size(); ++s) size[stretchingAt[s]] = shares[s];

    i64 cursor = main.start;
    for (size_t p = 0; p < placed.size(); ++p) {
        const LayoutChild& c = children[placed[p]];
        const AxisChild a = axisOf(c, vertical);
        cursor += a.padBefore;
        const Span along = clampSpan(Span{cursor, cursor + size[p]}, main);
        cursor += size[p] + a.padAfter + gap;
        const Span across = placeAcross(cross, axisOf(c, !vertical));
        out[placed[p]] = vertical ? makeRect(across, along) : makeRect(along, across);
    }
    return out;
}

}  // namespace

std::vector<UiRect> LayoutVertical(UiRect area, UiRect inset, int childPadding,
                                   const std::vector<LayoutChild>& children) {
    return layoutLine(area, inset, childPadding, children, true);
}

std::vector<UiRect> LayoutHorizontal(UiRect area, UiRect inset, int childPadding,
                                     const std::vector<LayoutChild>& children) {
    return layoutLine(area, inset, childPadding, children, false);
}

std::vector<UiRect> LayoutStacked(UiRect area, UiRect inset, const std::vector<LayoutChild>& children) {
    std::vector<UiRect> out(children.size());
    const Span h = innerSpan(area, inset, false), v = innerSpan(area, inset, true);
    for (size_t k = 0; k < children.size(); ++k) {
        const LayoutChild& c = children[k];
        if (!c.visible) continue;
        out[k] = c.floating ? placeFloating(area, c)
                            : makeRect(placeAcross(h, axisOf(c, false)), placeAcross(v, axisOf(c, true)));
    }
    return out;
}

}  // namespace qm::ui

// The page selector's arithmetic: which page buttons show which pages, where the two "..."
// labels stand, and where Prev, Next and a page button lead.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace qm::app {

inline constexpr int kPaginationButtons = 11;
inline constexpr int kPaginationLeading = 2;
inline constexpr int kPaginationMiddle = 7;
inline constexpr int kPaginationTrailing = 2;

// Looks of the control's children.
inline constexpr int kPaginationArrowWidth = 30;
inline constexpr int kPaginationPageWidth = 32;
inline constexpr int kPaginationEllipsisWidth = 16;
inline constexpr std::uint32_t kPaginationTextColor = 0xFF505050;
inline constexpr std::uint32_t kPaginationBackColor = 0xFFF3F3F3;
inline constexpr std::uint32_t kPaginationBorderColor = 0xFFDDDDDD;
inline constexpr std::uint32_t kPaginationEllipsisBorderColor = 0xFFFFFFFF;
inline constexpr wchar_t kPaginationGroup[] = L"PAGINATION";

struct PageButtonSlot {
    bool visible = false;
    int page = 0;        // the button's tag
    std::wstring text;   // "%d" of page
};

struct EllipsisSlot {
    bool visible = false;
    int afterSlot = -1;  // index of the page button it follows; -1 while hidden
};

struct PaginationLayout {
    int pageCount = 0;    // as laid out: never negative
    int currentPage = 1;  // as laid out: within 1..pageCount (1 when there are no pages)
    bool prevEnabled = false;
    bool nextEnabled = false;
    std::array<PageButtonSlot, kPaginationButtons> buttons;
    std::array<EllipsisSlot, 2> ellipses;  // [0] after the leading pages, [1] before the trailing ones
};

// A current page outside 1..pageCount is taken as the nearest page; no pages shows no buttons.
PaginationLayout LayOutPagination(int pageCount, int currentPage);

enum class PaginationClick { Prev, Next, Page };
// The current page after a click (Page: the clicked button's number), kept within 1..pageCount.
int PageAfterClick(PaginationClick click, int pageCount, int currentPage, int clickedPage = 0);

}  // namespace qm::app

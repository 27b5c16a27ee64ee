// A page selector: Prev, up to 11 page buttons with "..." gaps, Next. Changing the page sends
// "updatepage" (wParam = the new page) to the window, which then refills its list.
#pragma once
#include <array>

#include "app/core/pagination_layout.h"
#include "ui/win32/horizontal_layout.h"

namespace qm::ui {
class CButtonUI;
class CLabelUI;
class COptionUI;
}  // namespace qm::ui

namespace qm::app {

class CPaginationUI : public ui::CHorizontalLayoutUI {
public:
    CPaginationUI();
    std::wstring GetClass() const override;
    void* GetInterface(std::wstring_view name) override;

    int GetPageCount() const { return m_pageCount; }
    int GetCurrentPage() const { return m_currentPage; }
    // Both lay the buttons out again; neither sends "updatepage".
    void SetPageCount(int pageCount);
    void SetCurrentPage(int page);

    // What a click on Prev, Next or a page button does.
    void GoPrev();
    void GoNext();
    void GoToPage(int page);

    ui::CButtonUI* GetPrevButton() const { return m_prev; }
    ui::CButtonUI* GetNextButton() const { return m_next; }
    ui::COptionUI* GetPageButton(int slot) const;
    ui::CLabelUI* GetEllipsis(int which) const;

private:
    void LayOut();
    void ChangePage(int page);
    void MoveNextTo(ui::CControlUI* moving, ui::CControlUI* anchor, bool after);

    int m_pageCount = 0;
    int m_currentPage = 1;
    ui::CControlUI* m_spacer = nullptr;
    ui::CButtonUI* m_prev = nullptr;
    ui::CButtonUI* m_next = nullptr;
    std::array<ui::COptionUI*, kPaginationButtons> m_pages{};
    std::array<ui::CLabelUI*, 2> m_ellipses{};
};

}  // namespace qm::app

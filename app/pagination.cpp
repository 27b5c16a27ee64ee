#include "app/pagination.h"

#include <string>

#include "ui/win32/button.h"
#include "ui/win32/label.h"
#include "ui/win32/option.h"
#include "ui/win32/paint_manager.h"

namespace qm::app {

namespace {

void StyleBox(ui::CLabelUI* control, int width, DWORD borderColor) {
    control->SetFixedWidth(width);
    control->SetTextColor(kPaginationTextColor);
    control->SetBorderSize(1);
    control->SetBorderColor(borderColor);
    control->SetTextStyle(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace

CPaginationUI::CPaginationUI() {
    m_spacer = new ui::CControlUI();
    Add(m_spacer);

    m_prev = new ui::CButtonUI();
    m_prev->SetText(L"<");
    m_prev->SetToolTip(L"Prev");
    StyleBox(m_prev, kPaginationArrowWidth, kPaginationBorderColor);
    m_prev->SetBkColor(kPaginationBackColor);
    m_prev->AddNotifyHandler([this](ui::TNotifyUI& msg) {
        if (msg.type == ui::kNotifyClick) GoPrev();
        return true;
    });
    Add(m_prev);

    for (std::size_t slot = 0; slot < m_pages.size(); ++slot) {
        auto* page = new ui::COptionUI();
        page->SetGroup(kPaginationGroup);
        StyleBox(page, kPaginationPageWidth, kPaginationBorderColor);
        page->SetBkColor(kPaginationBackColor);
        page->SetSelectedBkColor(kPaginationBorderColor);
        page->AddNotifyHandler([this, page](ui::TNotifyUI& msg) {
            if (msg.type == ui::kNotifyClick) GoToPage(static_cast<int>(page->GetTag()));
            return true;
        });
        m_pages[slot] = page;
        Add(page);
    }

    for (auto& ellipsis : m_ellipses) {
        ellipsis = new ui::CLabelUI();
        ellipsis->SetText(L"...");
        StyleBox(ellipsis, kPaginationEllipsisWidth, kPaginationEllipsisBorderColor);
        Add(ellipsis);
    }

    m_next = new ui::CButtonUI();
    m_next->SetText(L">");
    m_next->SetToolTip(L"Next");
    StyleBox(m_next, kPaginationArrowWidth, kPaginationBorderColor);
    m_next->SetBkColor(kPaginationBackColor);
    m_next->AddNotifyHandler([this](ui::TNotifyUI& msg) {
        if (msg.type == ui::kNotifyClick) GoNext();
        return true;
    });
    Add(m_next);

    LayOut();
}

std::wstring CPaginationUI::GetClass() const { return L"PaginationUI"; }

void* CPaginationUI::GetInterface(std::wstring_view name) {
    if (name == L"Pagination") return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

ui::COptionUI* CPaginationUI::GetPageButton(int slot) const {
    if (slot < 0 || slot >= kPaginationButtons) return nullptr;
    return m_pages[static_cast<std::size_t>(slot)];
}

ui::CLabelUI* CPaginationUI::GetEllipsis(int which) const {
    if (which < 0 || which > 1) return nullptr;
    return m_ellipses[static_cast<std::size_t>(which)];
}

void CPaginationUI::SetPageCount(int pageCount) {
    m_pageCount = pageCount < 0 ? 0 : pageCount;
    LayOut();
}

void CPaginationUI::SetCurrentPage(int page) {
    m_currentPage = page;
    LayOut();
}

void CPaginationUI::GoPrev() { ChangePage(PageAfterClick(PaginationClick::Prev, m_pageCount, m_currentPage)); }

void CPaginationUI::GoNext() { ChangePage(PageAfterClick(PaginationClick::Next, m_pageCount, m_currentPage)); }

void CPaginationUI::GoToPage(int page) {
    ChangePage(PageAfterClick(PaginationClick::Page, m_pageCount, m_currentPage, page));
}

void CPaginationUI::ChangePage(int page) {
    m_currentPage = page;
    if (m_manager) m_manager->SendNotify(this, ui::kNotifyUpdatePage, static_cast<WPARAM>(m_currentPage));
    LayOut();
}

void CPaginationUI::MoveNextTo(ui::CControlUI* moving, ui::CControlUI* anchor, bool after) {
    const int from = GetItemIndex(moving);
    const int to = GetItemIndex(anchor);
    if (from < 0 || to < 0) return;
    // Taking `moving` out first shifts the anchor down by one when it stood behind it.
    const int anchorAfterRemoval = from < to ? to - 1 : to;
    SetItemIndex(moving, after ? anchorAfterRemoval + 1 : anchorAfterRemoval);
}

void CPaginationUI::LayOut() {
    const PaginationLayout layout = LayOutPagination(m_pageCount, m_currentPage);
    m_currentPage = layout.currentPage;
    m_prev->SetEnabled(layout.prevEnabled);
    m_next->SetEnabled(layout.nextEnabled);
    for (std::size_t slot = 0; slot < m_pages.size(); ++slot) {
        const PageButtonSlot& place = layout.buttons[slot];
        ui::COptionUI* page = m_pages[slot];
        page->SetVisible(place.visible);
        page->SetTag(static_cast<UINT_PTR>(place.page));
        page->SetText(place.text);
        page->Selected(place.visible && place.page == m_currentPage, false);
    }
    // Children stay in their order (spacer, Prev, pages, the two "...", Next) except that each
    // shown "..." moves right behind the page button it follows.
    for (std::size_t which = 0; which < m_ellipses.size(); ++which) {
        const EllipsisSlot& gap = layout.ellipses[which];
        ui::CLabelUI* ellipsis = m_ellipses[which];
        ellipsis->SetVisible(gap.visible);
        if (gap.visible && gap.afterSlot >= 0 && gap.afterSlot < kPaginationButtons) {
            MoveNextTo(ellipsis, m_pages[static_cast<std::size_t>(gap.afterSlot)], true);
        } else {
            MoveNextTo(ellipsis, m_next, false);
        }
    }
    NeedUpdate();
}

}  // namespace qm::app

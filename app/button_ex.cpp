#include "app/button_ex.h"

#include "ui/win32/paint_manager.h"

namespace qm::app {

std::wstring CButtonExUI::GetClass() const { return L"ButtonExUI"; }

void* CButtonExUI::GetInterface(std::wstring_view name) {
    if (name == L"ButtonEx") return this;
    return CButtonUI::GetInterface(name);  // "Button", "Label", "Control"
}

void CButtonExUI::DoEvent(ui::TEventUI& event) {
    const bool enter = event.type == ui::UiEvent::MouseEnter;
    const bool leave = event.type == ui::UiEvent::MouseLeave;
    if ((enter || leave) && IsEnabled() && m_manager) {
        m_manager->SendNotify(this, enter ? ui::kNotifyOnHot : ui::kNotifyOffHot, event.wParam, event.lParam);
    }
    // The button's own handling keeps its hot look and repaints it.
    CButtonUI::DoEvent(event);
}

}  // namespace qm::app

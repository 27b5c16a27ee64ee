#include "tests/gui/gallery_window.h"

#include "app/custom_controls.h"
#include "ui/win32/control.h"

namespace qm::guitest {

void GalleryWindow::Notify(ui::TNotifyUI& msg) {
    notifications.push_back(Seen{msg.type, msg.sender ? msg.sender->GetName() : std::wstring(), msg.wParam});
    WindowImplBase::Notify(msg);
}

ui::CControlUI* GalleryWindow::CreateControl(std::wstring_view className) { return app::CreateCustomControl(className); }

int GalleryWindow::Count(std::wstring_view type) const {
    int count = 0;
    for (const Seen& seen : notifications) count += seen.type == type ? 1 : 0;
    return count;
}

std::wstring GalleryWindow::LastSender(std::wstring_view type) const {
    for (auto it = notifications.rbegin(); it != notifications.rend(); ++it) {
        if (it->type == type) return it->sender;
    }
    return std::wstring();
}

WPARAM GalleryWindow::LastParam(std::wstring_view type) const {
    for (auto it = notifications.rbegin(); it != notifications.rend(); ++it) {
        if (it->type == type) return it->wParam;
    }
    return static_cast<WPARAM>(-1);
}

}  // namespace qm::guitest

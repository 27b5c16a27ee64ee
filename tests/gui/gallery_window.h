// The gallery test window: xml\Gallery.xml with the program's own elements, recording every
// notification it gets.
#pragma once
#include <string>
#include <vector>

#include "ui/win32/window_impl_base.h"

namespace qm::guitest {

class GalleryWindow : public ui::WindowImplBase {
public:
    struct Seen {
        std::wstring type;
        std::wstring sender;
        WPARAM wParam = 0;
    };
    std::vector<Seen> notifications;

    void Notify(ui::TNotifyUI& msg) override;
    ui::CControlUI* CreateControl(std::wstring_view className) override;

    int Count(std::wstring_view type) const;
    std::wstring LastSender(std::wstring_view type) const;
    WPARAM LastParam(std::wstring_view type) const;

protected:
    const wchar_t* GetWindowClassName() const override { return L"QmTestGallery"; }
    std::wstring GetSkinFile() override { return L"xml\\Gallery.xml"; }
};

}  // namespace qm::guitest

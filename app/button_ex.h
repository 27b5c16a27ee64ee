// A button that reports the pointer coming over it ("onhot") and leaving it ("offhot"), for the
// main window's mode buttons whose description follows the pointer.
#pragma once
#include "ui/win32/button.h"

namespace qm::app {

class CButtonExUI : public ui::CButtonUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(std::wstring_view name) override;
    void DoEvent(ui::TEventUI& event) override;
};

}  // namespace qm::app

// A row of the media list: an image (drive picture) with its texts, placed as a tree row.
#pragma once
#include "ui/win32/list_image_text_element.h"

namespace qm::app {

class CListImageTextNodeUI : public ui::CListImageTextElementUI {
public:
    std::wstring GetClass() const override;
    void* GetInterface(std::wstring_view name) override;
};

}  // namespace qm::app

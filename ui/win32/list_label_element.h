#pragma once
// CListLabelElementUI: a list row of texts (with markup when the list's itemshowhtml is set).
#include "ui/win32/list_element.h"

namespace qm::ui {

class CListLabelElementUI : public CListElementUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
};

}  // namespace qm::ui

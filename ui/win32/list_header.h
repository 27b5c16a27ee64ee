#pragma once
// CListHeaderUI: the row of column headers of a list.
#include "ui/win32/horizontal_layout.h"

namespace qm::ui {

class CListHeaderUI : public CHorizontalLayoutUI {
 public:
  CListHeaderUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  SIZE EstimateSize(SIZE available) override;
};

}  // namespace qm::ui

#pragma once
// CVerticalLayoutUI: children placed in a column (fixed sizes first, the rest shared).
#include "ui/win32/container.h"

namespace qm::ui {

class CVerticalLayoutUI : public CContainerUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  void SetPos(RECT rc, bool needInvalidate = true) override;
};

}  // namespace qm::ui

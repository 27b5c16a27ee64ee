#pragma once
// CTextUI: a label for longer texts; wraps by default and reports clicks on markup links.
#include "ui/win32/label.h"

namespace qm::ui {

class CTextUI : public CLabelUI {
 public:
  CTextUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  UINT GetControlFlags() const override;
};

}  // namespace qm::ui

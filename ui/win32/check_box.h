#pragma once
// CCheckBoxUI: an option that toggles, with a third "half-checked" look for partly checked groups.
// Sends "selectchanged" like options (check boxes inside tree nodes report through their tree).
#include "ui/win32/option.h"

namespace qm::ui {

class CCheckBoxUI : public COptionUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  void SetCheck(bool check, bool sendNotify = true);
  bool GetCheck() const { return IsSelected(); }
  // Half-checked: drawn with the half image; cleared by any SetCheck/Selected.
  void SetHalfCheck(bool half);
  bool IsHalfCheck() const { return m_halfChecked; }
  void Selected(bool selected, bool sendNotify = true) override;
  bool Activate() override;  // toggles

  void SetHalfImage(std::wstring_view image) { m_halfImage = image; Invalidate(); }
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStatusImage(HDC hdc) override;

 protected:
  bool m_halfChecked = false;
  std::wstring m_halfImage;
};

}  // namespace qm::ui

#pragma once
// CProgressUI: a bar between min and max; the fore image/colour covers the done part.
#include "ui/win32/label.h"

namespace qm::ui {

class CProgressUI : public CLabelUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  int GetMinValue() const { return m_min; }
  void SetMinValue(int value);
  int GetMaxValue() const { return m_max; }
  void SetMaxValue(int value);
  int GetValue() const { return m_value; }
  void SetValue(int value);  // clamped to [min, max]
  bool IsHorizontal() const { return m_horizontal; }
  void SetHorizontal(bool horizontal) { m_horizontal = horizontal; Invalidate(); }
  void SetForeColor(DWORD argb) { m_foreColor = argb; Invalidate(); }

  void SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStatusImage(HDC hdc) override;
  void PaintForeImage(HDC) override {}  // drawn over the done part only

 protected:
  int m_min = 0, m_max = 100, m_value = 0;
  bool m_horizontal = true;
  DWORD m_foreColor = 0;
};

}  // namespace qm::ui

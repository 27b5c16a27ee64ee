#include "ui/win32/check_box.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {

std::wstring CCheckBoxUI::GetClass() const { return L"CheckBoxUI"; }

void* CCheckBoxUI::GetInterface(std::wstring_view name) {
  if (name == L"CheckBox") return this;
  return COptionUI::GetInterface(name);
}

void CCheckBoxUI::SetCheck(bool check, bool sendNotify) { Selected(check, sendNotify); }

void CCheckBoxUI::SetHalfCheck(bool half) {
  if (half == m_halfChecked) return;
  m_halfChecked = half;
  Invalidate();
}

void CCheckBoxUI::Selected(bool selected, bool sendNotify) {
  m_halfChecked = false;
  COptionUI::Selected(selected, sendNotify);
}

bool CCheckBoxUI::Activate() {
  if (!CControlUI::Activate()) return false;
  auto alive = Lifetime();
  // A half-checked box becomes checked on a click.
  Selected(m_halfChecked ? true : !m_selected);
  if (!alive.expired() && m_manager) m_manager->SendNotify(this, kNotifyClick);
  return true;
}

void CCheckBoxUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"halfimage" || name == L"halfselectedimage") m_halfImage = value;
  else if (name == L"check") Selected(ReadBoolValue(value), false);
  else COptionUI::SetAttribute(name, value);
}

void CCheckBoxUI::PaintStatusImage(HDC hdc) {
  if (m_halfChecked && !m_halfImage.empty() && DrawImage(hdc, m_halfImage)) return;
  COptionUI::PaintStatusImage(hdc);
}

}  // namespace qm::ui

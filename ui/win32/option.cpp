#include "ui/win32/option.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/render_engine.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {

COptionUI::~COptionUI() {
  if (!m_group.empty() && m_manager) m_manager->RemoveOptionGroup(m_group, this);
}

std::wstring COptionUI::GetClass() const { return L"OptionUI"; }

void* COptionUI::GetInterface(std::wstring_view name) {
  if (name == L"Option") return this;
  return CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_manager && m_manager != manager && !m_group.empty()) m_manager->RemoveOptionGroup(m_group, this);
  CButtonUI::SetManager(manager, parent, init);
  if (manager && !m_group.empty()) manager->AddOptionGroup(m_group, this);
}

void COptionUI::DoInit() {
  if (m_selected && !m_group.empty()) Selected(true, false);  // the last selected of a group wins
}

void COptionUI::SetGroup(std::wstring_view group) {
  if (group == m_group) return;
  if (!m_group.empty() && m_manager) m_manager->RemoveOptionGroup(m_group, this);
  m_group = group;
  if (!m_group.empty() && m_manager) {
    m_manager->AddOptionGroup(m_group, this);
    if (m_selected) Selected(true, false);
  }
}

void COptionUI::Selected(bool selected, bool sendNotify) {
  const bool changed = m_selected != selected;
  m_selected = selected;
  if (m_selected) m_buttonState |= UISTATE_SELECTED;
  else m_buttonState &= ~UISTATE_SELECTED;
  if (m_manager && !m_group.empty() && m_selected) {
    // Exclusive group: every other member goes off (each reports its own change).
    if (const auto* members = m_manager->GetOptionGroup(m_group)) {
      std::vector<CControlUI*> copy = *members;
      for (CControlUI* member : copy) {
        auto* option = static_cast<COptionUI*>(member->GetInterface(L"Option"));
        if (option && option != this && option->IsSelected()) option->Selected(false, sendNotify);
      }
    }
  }
  Invalidate();
  if (changed && sendNotify && m_manager) m_manager->SendNotify(this, kNotifySelectChanged, m_selected ? 1 : 0);
}

bool COptionUI::Activate() {
  if (!CControlUI::Activate()) return false;
  auto alive = Lifetime();
  if (!m_group.empty()) Selected(true);
  else Selected(!m_selected);
  // Options report "click" too, after the state change.
  if (!alive.expired() && m_manager) m_manager->SendNotify(this, kNotifyClick);
  return true;
}

void COptionUI::SetSelectedImage(std::wstring_view image) { m_selectedImage = image; Invalidate(); }
void COptionUI::SetSelectedHotImage(std::wstring_view image) { m_selectedHotImage = image; Invalidate(); }

void COptionUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"group") SetGroup(value);
  else if (name == L"selected") Selected(ReadBoolValue(value), false);
  else if (name == L"selectedimage") m_selectedImage = value;
  else if (name == L"selectedhotimage") m_selectedHotImage = value;
  else if (name == L"selectedtextcolor") ReadColor(value, m_selectedTextColor);
  else if (name == L"selectedbkcolor") ReadColor(value, m_selectedBkColor);
  else CButtonUI::SetAttribute(name, value);
}

void COptionUI::PaintStatusImage(HDC hdc) {
  if (m_selected) {
    if (m_selectedBkColor != 0) CRenderEngine::DrawColor(hdc, m_rcItem, m_selectedBkColor);
    if ((m_buttonState & UISTATE_HOT) && !m_selectedHotImage.empty() && DrawImage(hdc, m_selectedHotImage)) return;
    if (!m_selectedImage.empty() && DrawImage(hdc, m_selectedImage)) return;
  }
  CButtonUI::PaintStatusImage(hdc);
}

void COptionUI::PaintText(HDC hdc) {
  if (m_selected && m_selectedTextColor != 0 && IsEnabled() && !m_text.empty()) {
    DrawLabelText(hdc, m_text, m_selectedTextColor);
    return;
  }
  CButtonUI::PaintText(hdc);
}

}  // namespace qm::ui

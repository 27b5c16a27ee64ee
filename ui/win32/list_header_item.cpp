#include "ui/win32/list_header_item.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/horizontal_layout.h"
#include "ui/win32/paint_manager.h"

namespace qm::ui {

CListHeaderItemUI::CListHeaderItemUI() { m_textStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

CListHeaderItemUI::~CListHeaderItemUI() { delete m_content; }

bool CListHeaderItemUI::AddChild(CControlUI* control) {
  if (!control) return false;
  if (!m_content) {
    m_content = new CHorizontalLayoutUI();
    m_content->SetMouseEnabled(false);  // clicks between the children still reach the header
    m_content->SetManager(m_manager, this, false);
  }
  return m_content->Add(control);
}

void CListHeaderItemUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_content) m_content->SetManager(manager, this, false);
  CButtonUI::SetManager(manager, parent, init);
}

CControlUI* CListHeaderItemUI::FindControl(const FindControlProc& proc, UINT flags) {
  if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  if (CControlUI* found = proc(this)) return found;
  return m_content ? m_content->FindControl(proc, flags) : nullptr;
}

CControlUI* CListHeaderItemUI::FindControlAt(POINT pt) {
  if (!IsVisible() || !PointIn(m_rcItem, pt)) return nullptr;
  if (m_content) {
    if (CControlUI* found = m_content->FindControlAt(pt)) return found;
  }
  return m_mouseEnabled ? this : nullptr;
}

void CListHeaderItemUI::SetPos(RECT rc, bool needInvalidate) {
  CButtonUI::SetPos(rc, needInvalidate);
  if (m_content) m_content->SetPos(rc, false);
}

void CListHeaderItemUI::SetInternVisible(bool visible) {
  CButtonUI::SetInternVisible(visible);
  if (m_content) m_content->SetInternVisible(IsVisible());
}

void CListHeaderItemUI::DoPaint(HDC hdc, const RECT& paint) {
  CButtonUI::DoPaint(hdc, paint);
  if (m_content) m_content->DoPaint(hdc, paint);
}

std::wstring CListHeaderItemUI::GetClass() const { return L"ListHeaderItemUI"; }

void* CListHeaderItemUI::GetInterface(std::wstring_view name) {
  if (name == L"ListHeaderItem") return this;
  return CButtonUI::GetInterface(name);
}

bool CListHeaderItemUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_manager) m_manager->SendNotify(this, kNotifyHeaderClick);
  return true;
}

void CListHeaderItemUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"dragable" || name == L"sepwidth" || name == L"sepimage") return;  // columns keep their widths
  CButtonUI::SetAttribute(name, value);
}

SIZE CListHeaderItemUI::EstimateSize(SIZE available) { return CControlUI::EstimateSize(available); }

}  // namespace qm::ui

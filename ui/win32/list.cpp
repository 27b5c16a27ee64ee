#include "ui/win32/list.h"

#include "ui/win32/attribute_utils.h"
#include "ui/win32/list_element.h"
#include "ui/win32/list_header.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/scroll_bar.h"

namespace qm::ui {

CListUI::CListUI() {
  m_header = new CListHeaderUI();
  m_body = new CVerticalLayoutUI();
  m_body->EnableScrollBar(true);
  CVerticalLayoutUI::AddAt(m_header, 0);
  CVerticalLayoutUI::AddAt(m_body, 1);
}

std::wstring CListUI::GetClass() const { return L"ListUI"; }

void* CListUI::GetInterface(std::wstring_view name) {
  if (name == L"List") return this;
  return CVerticalLayoutUI::GetInterface(name);
}

UINT CListUI::GetControlFlags() const { return UIFLAG_TABSTOP; }

std::vector<RECT> CListUI::GetColumnRects() const {
  std::vector<RECT> columns;
  for (int i = 0; i < m_header->GetCount(); ++i) {
    CControlUI* item = m_header->GetItemAt(i);
    if (!item->IsOwnVisible()) continue;
    columns.push_back(item->GetPos());
  }
  return columns;
}

CControlUI* CListUI::GetItemAt(int index) const { return m_body->GetItemAt(index); }

int CListUI::GetItemIndex(CControlUI* control) const { return m_body->GetItemIndex(control); }

int CListUI::GetCount() const { return m_body->GetCount(); }

bool CListUI::Add(CControlUI* control) {
  if (!control) return false;
  if (auto* header = static_cast<CListHeaderUI*>(control->GetInterface(L"ListHeader"))) {
    // A header from the skin replaces the built-in one (keeping its position above the rows).
    CListHeaderUI* old = m_header;
    m_header = header;
    CVerticalLayoutUI::AddAt(header, 0);
    // Qualified: this list's own Remove/RemoveAt work on the rows.
    CContainerUI::RemoveAt(CContainerUI::GetItemIndex(old));
    return true;
  }
  if (control->GetInterface(L"ListHeaderItem")) return m_header->Add(control);
  return AddAt(control, GetCount());
}

bool CListUI::AddAt(CControlUI* control, int index) {
  if (!control) return false;
  if (control->GetInterface(L"ListHeader") || control->GetInterface(L"ListHeaderItem")) return Add(control);
  if (!m_body->AddAt(control, index)) return false;
  if (auto* element = static_cast<CListElementUI*>(control->GetInterface(L"ListItem"))) element->SetOwner(this);
  if (m_curSel >= index) ++m_curSel;
  ReindexFrom(index);
  return true;
}

bool CListUI::Remove(CControlUI* control, bool doNotDestroy) {
  if (control == m_header || control == m_body) return false;
  if (control && control->GetInterface(L"ListHeaderItem")) return m_header->Remove(control, doNotDestroy);
  return CListUI::RemoveAt(m_body->GetItemIndex(control), doNotDestroy);  // not a derived list's override
}

bool CListUI::RemoveAt(int index, bool doNotDestroy) {
  CControlUI* control = m_body->GetItemAt(index);
  if (!control) return false;
  if (index == m_curSel) m_curSel = -1;
  else if (index < m_curSel) --m_curSel;
  if (doNotDestroy) {
    if (auto* element = static_cast<CListElementUI*>(control->GetInterface(L"ListItem"))) {
      element->SetOwner(nullptr);
      element->SetSelectedState(false);
    }
  }
  if (!m_body->RemoveAt(index, doNotDestroy)) return false;
  ReindexFrom(index);
  return true;
}

void CListUI::RemoveAll() {
  m_curSel = -1;
  m_body->RemoveAll();
}

void CListUI::ReindexFrom(int index) {
  for (int i = index < 0 ? 0 : index; i < m_body->GetCount(); ++i) {
    if (auto* element = static_cast<CListElementUI*>(m_body->GetItemAt(i)->GetInterface(L"ListItem"))) element->SetIndex(i);
  }
}

void CListUI::SortItems(const std::function<bool(CControlUI*, CControlUI*)>& less) {
  CControlUI* selected = GetItemAt(m_curSel);
  m_body->SortItems(less);
  ReindexFrom(0);
  m_curSel = selected ? GetItemIndex(selected) : -1;
}

bool CListUI::SelectItem(int index, bool takeFocus, bool sendNotify) {
  if (index == m_curSel) return true;
  const int old = m_curSel;
  CListElementUI* element = nullptr;
  if (index >= 0) {
    CControlUI* control = GetItemAt(index);
    element = control ? static_cast<CListElementUI*>(control->GetInterface(L"ListItem")) : nullptr;
    if (!element || !element->IsVisible() || !element->IsEnabled()) return false;
  }
  if (old >= 0) {
    if (CControlUI* control = GetItemAt(old)) {
      if (auto* previous = static_cast<CListElementUI*>(control->GetInterface(L"ListItem"))) previous->SetSelectedState(false);
    }
  }
  m_curSel = index;
  if (element) {
    element->SetSelectedState(true);
    EnsureVisible(index);
    if (takeFocus) SetFocus();
  }
  if (sendNotify && m_manager) m_manager->SendNotify(this, kNotifyItemSelect, static_cast<WPARAM>(index), old);
  return true;
}

void CListUI::EnsureVisible(int index) {
  CControlUI* control = GetItemAt(index);
  if (!control) return;
  if (m_manager) m_manager->UpdateLayout();
  m_body->EnsureVisible(control);
}

void CListUI::SetScrollPos(int pos) { m_body->SetScrollPos(pos); }

void CListUI::OnItemCheckClick(CListElementUI* item) {
  item->SetCheck(!item->GetCheck());
  if (m_manager) m_manager->SendNotify(this, kNotifyListCheckClick, static_cast<WPARAM>(item->GetIndex()), item->GetCheck() ? 1 : 0);
}

void CListUI::OnItemDbClick(CListElementUI* item) {
  const int index = item->GetIndex();
  if (!m_manager) return;
  CPaintManagerUI* manager = m_manager;
  auto alive = Lifetime();
  manager->SendNotify(item, kNotifyItemDbClick, static_cast<WPARAM>(index));
  if (!alive.expired()) manager->SendNotify(this, kNotifyListItemDbClick, static_cast<WPARAM>(index));
}

void CListUI::OnItemClick(CListElementUI* item) {
  const int index = item->GetIndex();
  auto itemAlive = item->Lifetime();
  CPaintManagerUI* manager = m_manager;
  SelectItem(index, true);
  // The "itemselect" listener may have refilled the list.
  if (manager && !itemAlive.expired()) manager->SendNotify(item, kNotifyItemClick, static_cast<WPARAM>(index));
}

void CListUI::SetPos(RECT rc, bool needInvalidate) {
  const bool showHeader = m_showHeader && m_header->GetCount() > 0;
  if (m_header->IsOwnVisible() != showHeader) m_header->SetVisible(showHeader);
  CVerticalLayoutUI::SetPos(rc, needInvalidate);
  // A hidden header still defines the columns.
  if (!m_header->IsOwnVisible() && m_header->GetCount() > 0) {
    const RECT& body = m_body->GetPos();
    RECT row{body.left, body.top, body.right, body.top + 1};
    if (m_body->GetVerticalScrollBar() && m_body->GetVerticalScrollBar()->IsVisible()) {
      row.right -= m_body->GetVerticalScrollBar()->GetBarWidth();
    }
    m_header->SetPos(row, false);
  }
}

void CListUI::DoEvent(TEventUI& event) {
  if (event.type == UiEvent::KeyDown && IsEnabled()) {
    int step = 0;
    if (event.key == VK_UP) step = -1;
    else if (event.key == VK_DOWN) step = 1;
    if (step != 0) {
      for (int i = m_curSel + step; i >= 0 && i < GetCount(); i += step) {
        if (SelectItem(i, true)) break;
      }
      return;
    }
  }
  if (event.type == UiEvent::ScrollWheel) {
    m_body->DoEvent(event);
    return;
  }
  CVerticalLayoutUI::DoEvent(event);
}

void CListUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  ListInfo& i = m_info;
  if (name == L"header") {
    m_showHeader = value != L"hidden" && value != L"false";
    NeedUpdate();
  } else if (name == L"headerbkimage") {
    m_header->SetBkImage(value);
  } else if (name == L"itemfont") {
    ReadInt(value, i.font);
  } else if (name == L"itemalign") {
    i.textStyle = ParseAlign(value, i.textStyle);
  } else if (name == L"itemtextpadding") {
    ReadRect(value, i.textPadding);
  } else if (name == L"itemtextcolor") {
    ReadColor(value, i.textColor);
  } else if (name == L"itembkcolor") {
    ReadColor(value, i.bkColor);
  } else if (name == L"itembkimage") {
    i.bkImage = value;
  } else if (name == L"itemselectedtextcolor") {
    ReadColor(value, i.selectedTextColor);
  } else if (name == L"itemselectedbkcolor") {
    ReadColor(value, i.selectedBkColor);
  } else if (name == L"itemselectedimage") {
    i.selectedImage = value;
  } else if (name == L"itemhottextcolor") {
    ReadColor(value, i.hotTextColor);
  } else if (name == L"itemhotbkcolor") {
    ReadColor(value, i.hotBkColor);
  } else if (name == L"itemhotimage") {
    i.hotImage = value;
  } else if (name == L"itemdisabledtextcolor") {
    ReadColor(value, i.disabledTextColor);
  } else if (name == L"itemlinecolor") {
    ReadColor(value, i.lineColor);
  } else if (name == L"itemshowhtml") {
    i.showHtml = ReadBoolValue(value);
  } else if (name == L"itemheight") {
    i.itemHeight = ClampSize(ReadIntValue(value, i.itemHeight));
  } else if (name == L"checkbox") {
    i.checkBox = ReadBoolValue(value);
  } else if (name == L"checkboximage") {
    i.checkImage = value;
  } else if (name == L"checkboxselectedimage") {
    i.checkedImage = value;
  } else if (name == L"vscrollbar") {
    m_body->EnableScrollBar(ReadBoolValue(value));
  } else if (name == L"inset" || name == L"childpadding") {
    m_body->SetAttribute(name, value);
  } else {
    CVerticalLayoutUI::SetAttribute(name, value);
  }
  Invalidate();
}

}  // namespace qm::ui

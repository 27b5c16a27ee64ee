#include "ui/win32/tree_node.h"

#include <algorithm>

#include "ui/win32/attribute_utils.h"
#include "ui/win32/render_engine.h"
#include "ui/win32/check_box.h"
#include "ui/win32/horizontal_layout.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/tree_view.h"

namespace qm::ui {

CTreeNodeUI::CTreeNodeUI() {
  m_row = new CHorizontalLayoutUI();
  m_indent = new CControlUI();
  m_folderButton = new CCheckBoxUI();
  m_checkBox = new CCheckBoxUI();
  m_itemLabel = new CLabelUI();
  m_row->SetMouseEnabled(false);
  m_indent->SetMouseEnabled(false);
  m_itemLabel->SetMouseEnabled(false);
  m_indent->SetFixedWidth(0);
  m_folderButton->SetFixedWidth(16);
  m_folderButton->SetAttribute(L"textcolor", L"#FF606060");
  m_folderButton->SetKeyboardEnabled(false);
  m_checkBox->SetFixedWidth(16);
  m_checkBox->SetPadding(RECT{0, 4, 4, 4});
  m_checkBox->SetAttribute(L"bordersize", L"1");
  m_checkBox->SetAttribute(L"bordercolor", L"#FF808080");
  m_checkBox->SetAttribute(L"selectedbkcolor", L"#FF3C8CDC");
  m_checkBox->SetKeyboardEnabled(false);
  m_checkBox->SetVisible(false);
  m_itemLabel->SetTextPadding(RECT{2, 0, 2, 0});
  m_itemLabel->SetAttribute(L"align", L"left vcenter");
  m_row->Add(m_indent);
  m_row->Add(m_folderButton);
  m_row->Add(m_checkBox);
  m_row->Add(m_itemLabel);
  m_folderButton->Selected(true, false);
  m_folderButton->AddNotifyHandler([this](TNotifyUI& msg) { return OnFolderNotify(msg); });
  m_checkBox->AddNotifyHandler([this](TNotifyUI& msg) { return OnCheckNotify(msg); });
}

CTreeNodeUI::~CTreeNodeUI() {
  // Rows of a tree belong to the tree's list; a node outside a tree owns its children.
  if (!m_treeView) {
    for (auto* child : m_children) delete child;
  }
  m_children.clear();
  delete m_row;
}

std::wstring CTreeNodeUI::GetClass() const { return L"TreeNodeUI"; }

void* CTreeNodeUI::GetInterface(std::wstring_view name) {
  if (name == L"TreeNode") return this;
  return CListElementUI::GetInterface(name);
}

bool CTreeNodeUI::AddChildNode(CTreeNodeUI* child) { return AddChildNodeAt(child, GetCountChild()); }

bool CTreeNodeUI::AddChildNodeAt(CTreeNodeUI* child, int index) {
  if (!child || child == this || index < 0 || index > GetCountChild()) return false;
  for (CTreeNodeUI* p = this; p; p = p->m_parentNode) {
    if (p == child) return false;  // would make a loop
  }
  CTreeNodeUI* after = index == 0 ? this : m_children[static_cast<size_t>(index) - 1]->GetLastDescendant();
  child->m_parentNode = this;
  m_children.insert(m_children.begin() + index, child);
  if (m_treeView) m_treeView->InsertNodeRows(child, after);
  child->SetVisible(IsVisible() && IsExpanded());
  UpdateFolderGlyph();
  NeedParentUpdate();
  return true;
}

bool CTreeNodeUI::RemoveChildNode(CTreeNodeUI* child, bool doNotDestroy) {
  auto it = std::find(m_children.begin(), m_children.end(), child);
  if (it == m_children.end()) return false;
  m_children.erase(it);
  child->m_parentNode = nullptr;
  UpdateFolderGlyph();
  if (m_treeView) {
    CTreeViewUI* tree = m_treeView;
    tree->Remove(child, doNotDestroy);
  } else if (!doNotDestroy) {
    delete child;
  }
  NeedParentUpdate();
  return true;
}

CTreeNodeUI* CTreeNodeUI::GetChildNode(int index) const {
  if (index < 0 || index >= GetCountChild()) return nullptr;
  return m_children[static_cast<size_t>(index)];
}

int CTreeNodeUI::GetTreeLevel() const {
  int level = 0;
  for (CTreeNodeUI* p = m_parentNode; p && level < 10000; p = p->m_parentNode) ++level;
  return level;
}

CTreeNodeUI* CTreeNodeUI::GetLastDescendant() {
  CTreeNodeUI* node = this;
  while (!node->m_children.empty()) node = node->m_children.back();
  return node;
}

bool CTreeNodeUI::IsExpanded() const { return m_folderButton->IsSelected(); }

void CTreeNodeUI::SetExpanded(bool expanded) {
  m_folderButton->Selected(expanded, false);
  UpdateFolderGlyph();
  UpdateChildrenVisibility();
  NeedParentUpdate();
}

void CTreeNodeUI::UpdateFolderGlyph() {
  // Without skin images the folder button shows +/- (nothing for a leaf).
  if (!m_folderButton->GetNormalImage().empty() || !m_folderButton->GetSelectedImage().empty()) {
    m_folderButton->SetText(L"");
    return;
  }
  m_folderButton->SetText(m_children.empty() ? L"" : (IsExpanded() ? L"-" : L"+"));
}

bool CTreeNodeUI::IsCheckBoxSelected() const { return m_checkBox->IsSelected(); }

void CTreeNodeUI::SetCheckBoxSelected(bool selected) { m_checkBox->SetCheck(selected, false); }

bool CTreeNodeUI::IsHalfChecked() const { return m_checkBox->IsHalfCheck(); }

void CTreeNodeUI::SetHalfChecked(bool half) {
  if (half) m_checkBox->Selected(false, false);
  m_checkBox->SetHalfCheck(half);
}

void CTreeNodeUI::SetCheckBoxVisible(bool visible) { m_checkBox->SetVisible(visible); }

bool CTreeNodeUI::IsCheckBoxVisible() const { return m_checkBox->IsOwnVisible(); }

std::wstring CTreeNodeUI::GetItemText() const { return m_itemLabel->GetText(); }

void CTreeNodeUI::SetItemText(std::wstring_view text) {
  m_itemLabel->SetText(text);
  m_text = text;
  Invalidate();
}

void CTreeNodeUI::UpdateChildrenVisibility() {
  const bool show = IsOwnVisible() && IsExpanded();
  for (auto* child : m_children) child->SetVisible(show);
}

void CTreeNodeUI::SetVisible(bool visible) {
  CListElementUI::SetVisible(visible);
  UpdateChildrenVisibility();
}

void CTreeNodeUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  m_row->SetManager(manager, this, false);
  CListElementUI::SetManager(manager, parent, init);
}

CControlUI* CTreeNodeUI::FindControl(const FindControlProc& proc, UINT flags) {
  if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
  if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
  if (CControlUI* found = proc(this)) return found;
  return m_row->FindControl(proc, flags);
}

CControlUI* CTreeNodeUI::FindControlAt(POINT pt) {
  if (!IsVisible() || !PointIn(m_rcItem, pt)) return nullptr;
  if (CControlUI* found = m_row->FindControlAt(pt)) return found;
  return m_mouseEnabled ? this : nullptr;
}

void CTreeNodeUI::SetPos(RECT rc, bool needInvalidate) {
  CListElementUI::SetPos(rc, needInvalidate);
  // A leaf shows no folder button; its room stays so texts line up with their siblings.
  const bool leaf = m_children.empty();
  const bool showFolder = m_showFolder && !leaf;
  if (m_folderButton->IsOwnVisible() != showFolder) m_folderButton->SetVisible(showFolder);
  const int indent = (m_treeView ? m_treeView->GetIndent() : 16) * GetTreeLevel() +
                     (m_showFolder && leaf ? m_folderButton->GetFixedWidth() : 0);
  if (m_indent->GetFixedWidth() != indent) m_indent->SetFixedWidth(indent);
  m_indent->SetVisible(indent > 0);
  m_row->SetPos(rc, false);
}

void CTreeNodeUI::DoEvent(TEventUI& event) { CListElementUI::DoEvent(event); }

void CTreeNodeUI::DoPaint(HDC hdc, const RECT& paint) {
  if (!Intersect(m_rcPaint, paint, m_rcItem)) return;
  DrawItemBk(hdc, m_rcItem);
  if (m_owner) {
    // The label follows the list's item colours.
    const ListInfo& info = m_owner->GetListInfo();
    DWORD color = !IsEnabled() ? info.disabledTextColor : m_selected ? info.selectedTextColor
                 : (m_buttonState & UISTATE_HOT) ? info.hotTextColor : info.textColor;
    if (m_itemLabel->GetTextColor() == 0 || m_itemLabel->GetTextColor() != color) m_itemLabel->SetTextColor(color);
  }
  m_row->DoPaint(hdc, m_rcPaint);
  PaintBorder(hdc);
}

void CTreeNodeUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"text") SetItemText(value);
  else if (name == L"checkbox" || name == L"visiblecheckbtn") SetCheckBoxVisible(ReadBoolValue(value));
  else if (name == L"expanded" || name == L"expand") SetExpanded(ReadBoolValue(value));
  else if (name == L"checked" || name == L"checkboxselected") SetCheckBoxSelected(ReadBoolValue(value));
  else if (name == L"visiblefolderbtn") {
    m_showFolder = ReadBoolValue(value);
    NeedParentUpdate();
  }
  else if (name == L"folderattr") {
    m_folderButton->ApplyAttributeList(value);
    UpdateFolderGlyph();
  }
  else if (name == L"checkboxattr") m_checkBox->ApplyAttributeList(value);
  else if (name == L"itemattr") m_itemLabel->ApplyAttributeList(value);
  else if (name == L"font" || name == L"textcolor" || name == L"align" || name == L"showhtml" || name == L"textpadding") m_itemLabel->SetAttribute(name, value);
  else CListElementUI::SetAttribute(name, value);
}

bool CTreeNodeUI::OnFolderNotify(TNotifyUI& msg) {
  if (msg.type == kNotifySelectChanged) {
    const bool expanded = m_folderButton->IsSelected();
    if (m_treeView) m_treeView->OnNodeFolderChanged(this, expanded);
    else SetExpanded(expanded);
  }
  return true;  // the inner buttons are the node's business
}

bool CTreeNodeUI::OnCheckNotify(TNotifyUI& msg) {
  if (msg.type == kNotifySelectChanged && m_treeView) m_treeView->OnNodeCheckChanged(this, m_checkBox->IsSelected());
  return true;
}

}  // namespace qm::ui

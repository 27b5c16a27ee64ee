#include "ui/win32/tree_view.h"

#include <algorithm>
#include <functional>

#include "ui/win32/attribute_utils.h"
#include "ui/win32/check_box.h"
#include "ui/win32/label.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/tree_node.h"

namespace qm::ui {

CTreeViewUI::CTreeViewUI() { m_info.selectedBkColor = 0xFFCCE8FF; }

std::wstring CTreeViewUI::GetClass() const { return L"TreeViewUI"; }

void* CTreeViewUI::GetInterface(std::wstring_view name) {
  if (name == L"TreeView") return this;
  return CListUI::GetInterface(name);
}

const std::wstring& CTreeViewUI::GetNodeDefaults(int which) const {
  return which == 0 ? m_folderAttr : which == 1 ? m_checkBoxAttr : m_itemAttr;
}

void CTreeViewUI::InsertNodeRows(CTreeNodeUI* node, CTreeNodeUI* after) {
  int index = after ? GetItemIndex(after) + 1 : GetCount();
  if (index <= 0 && after) index = GetCount();
  InsertRowsAt(node, index);
}

void CTreeViewUI::InsertRowsAt(CTreeNodeUI* node, int index) {
  if (index < 0 || index > GetCount()) index = GetCount();
  // Pre-order: a node, then its descendants, each right after the previous one.
  std::function<void(CTreeNodeUI*)> insert = [&](CTreeNodeUI* n) {
    n->SetTreeView(this);
    if (!m_folderAttr.empty()) n->SetAttribute(L"folderattr", m_folderAttr);
    if (!m_checkBoxAttr.empty()) n->GetCheckBox()->ApplyAttributeList(m_checkBoxAttr);
    if (!m_itemAttr.empty()) n->GetItemButton()->ApplyAttributeList(m_itemAttr);
    CListUI::AddAt(n, index++);
    for (int i = 0; i < n->GetCountChild(); ++i) insert(n->GetChildNode(i));
  };
  insert(node);
  CTreeNodeUI* parent = node->GetParentNode();
  node->SetVisible(!parent || (parent->IsVisible() && parent->IsExpanded()));
}

bool CTreeViewUI::Add(CControlUI* control) {
  auto* node = control ? static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode")) : nullptr;
  if (!node) return CListUI::Add(control);
  if (node->GetParentNode()) return node->GetParentNode()->AddChildNode(node);
  InsertNodeRows(node, nullptr);
  return true;
}

bool CTreeViewUI::AddAt(CControlUI* control, int index) {
  auto* node = control ? static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode")) : nullptr;
  if (!node) return CListUI::AddAt(control, index);
  if (node->GetParentNode()) return node->GetParentNode()->AddChildNode(node);
  InsertRowsAt(node, index);
  return true;
}

bool CTreeViewUI::Remove(CControlUI* control, bool doNotDestroy) {
  auto* node = control ? static_cast<CTreeNodeUI*>(control->GetInterface(L"TreeNode")) : nullptr;
  if (!node) return CListUI::Remove(control, doNotDestroy);
  if (GetItemIndex(node) < 0) return false;
  if (CTreeNodeUI* parent = node->GetParentNode()) {
    // Through the parent so its child list stays right (it calls back here without a parent).
    return parent->RemoveChildNode(node, doNotDestroy);
  }
  // Descendant rows go first (deepest last-first), then the node itself.
  std::vector<CTreeNodeUI*> rows;
  std::function<void(CTreeNodeUI*)> collect = [&](CTreeNodeUI* n) {
    rows.push_back(n);
    for (int i = 0; i < n->GetCountChild(); ++i) collect(n->GetChildNode(i));
  };
  collect(node);
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    CTreeNodeUI* row = *it;
    CListUI::Remove(row, true);
    row->SetTreeView(nullptr);  // outside the tree a node owns its children again
  }
  if (!doNotDestroy) delete node;
  return true;
}

bool CTreeViewUI::RemoveAt(int index, bool doNotDestroy) {
  // A node row goes with its descendants and leaves its parent's child list.
  CControlUI* control = GetItemAt(index);
  if (control && control->GetInterface(L"TreeNode")) return Remove(control, doNotDestroy);
  return CListUI::RemoveAt(index, doNotDestroy);
}

void CTreeViewUI::RemoveAll() { CListUI::RemoveAll(); }

void CTreeViewUI::OnNodeFolderChanged(CTreeNodeUI* node, bool expanded) {
  node->SetExpanded(expanded);
  if (m_manager) m_manager->SendNotify(node, kNotifyItemExpand, expanded ? 1 : 0);
}

void CTreeViewUI::OnNodeCheckChanged(CTreeNodeUI* node, bool checked) {
  if (m_manager) m_manager->SendNotify(node, kNotifyCheckBoxSelectChanged, checked ? 1 : 0);
}

void CTreeViewUI::OnItemDbClick(CListElementUI* item) { CListUI::OnItemDbClick(item); }

void CTreeViewUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"indent" || name == L"itemindent") m_indent = std::min(ClampSize(ReadIntValue(value, m_indent)), 1000);
  else if (name == L"folderattr") m_folderAttr = value;
  else if (name == L"checkboxattr") m_checkBoxAttr = value;
  else if (name == L"itemattr") m_itemAttr = value;
  else CListUI::SetAttribute(name, value);
}

}  // namespace qm::ui

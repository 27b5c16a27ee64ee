#pragma once
// CTreeNodeUI: one row of a CTreeViewUI: folder button (expand/collapse), check box and item text,
// indented by depth. Child nodes are rows of the same tree placed after their parent.
#include <vector>

#include "ui/win32/list_element.h"

namespace qm::ui {

class CCheckBoxUI;
class CLabelUI;
class CHorizontalLayoutUI;
class CTreeViewUI;

class CTreeNodeUI : public CListElementUI {
 public:
  CTreeNodeUI();
  ~CTreeNodeUI() override;
  std::wstring GetClass() const override;   // "TreeNodeUI"
  void* GetInterface(std::wstring_view name) override;  // "TreeNode", "ListItem", "Control"

  // Structure.
  bool AddChildNode(CTreeNodeUI* child);
  bool AddChildNodeAt(CTreeNodeUI* child, int index);
  // Takes the child (and its descendants) out of the tree; deletes them unless doNotDestroy.
  bool RemoveChildNode(CTreeNodeUI* child, bool doNotDestroy = false);
  int GetCountChild() const { return static_cast<int>(m_children.size()); }
  CTreeNodeUI* GetChildNode(int index) const;
  CTreeNodeUI* GetParentNode() const { return m_parentNode; }
  int GetTreeLevel() const;  // 0 for a top-level node
  CTreeNodeUI* GetLastDescendant();
  CTreeViewUI* GetTreeView() const { return m_treeView; }
  void SetTreeView(CTreeViewUI* tree) { m_treeView = tree; }

  // Expansion (folder button); shows/hides the descendants, each respecting its own state.
  bool IsExpanded() const;
  void SetExpanded(bool expanded);
  // Check box; SetCheckBoxSelected clears the half mark.
  bool IsCheckBoxSelected() const;
  void SetCheckBoxSelected(bool selected);
  bool IsHalfChecked() const;
  void SetHalfChecked(bool half);
  void SetCheckBoxVisible(bool visible);
  bool IsCheckBoxVisible() const;

  CCheckBoxUI* GetFolderButton() const { return m_folderButton; }
  CCheckBoxUI* GetCheckBox() const { return m_checkBox; }
  CLabelUI* GetItemButton() const { return m_itemLabel; }
  std::wstring GetItemText() const;
  void SetItemText(std::wstring_view text);
  std::wstring GetText() const override { return GetItemText(); }
  void SetText(std::wstring_view text) override { SetItemText(text); }

  // Used by the tree: recomputes visibility of descendants from the expansion states.
  void UpdateChildrenVisibility();
  void SetVisible(bool visible = true) override;

  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  CControlUI* FindControl(const FindControlProc& proc, UINT flags) override;
  CControlUI* FindControlAt(POINT pt) override;
  void SetPos(RECT rc, bool needInvalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void DoPaint(HDC hdc, const RECT& paint) override;
  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

 protected:
  friend class CTreeViewUI;
  void UpdateFolderGlyph();
  bool OnFolderNotify(TNotifyUI& msg);
  bool OnCheckNotify(TNotifyUI& msg);
  void DrawItemText(HDC, const RECT&) override {}

  CTreeNodeUI* m_parentNode = nullptr;
  CTreeViewUI* m_treeView = nullptr;
  std::vector<CTreeNodeUI*> m_children;
  CHorizontalLayoutUI* m_row = nullptr;   // indent spacer, folder button, check box, label
  CControlUI* m_indent = nullptr;
  CCheckBoxUI* m_folderButton = nullptr;
  CCheckBoxUI* m_checkBox = nullptr;
  CLabelUI* m_itemLabel = nullptr;
  bool m_showFolder = true;
};

}  // namespace qm::ui

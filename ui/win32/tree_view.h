#pragma once
// CTreeViewUI: a list whose rows are CTreeNodeUI nodes. The folder button of a node expands or
// collapses it ("itemexpand", sender the node, wParam 1 expanded); its check box sends
// "checkboxselectchanged" (sender the node, wParam 1 checked). Derived trees change the rules by
// overriding OnNodeFolderChanged/OnNodeCheckChanged.
#include "ui/win32/list.h"

namespace qm::ui {

class CTreeNodeUI;

class CTreeViewUI : public CListUI {
 public:
  CTreeViewUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  // Adds a top-level node (and its descendants) at the end.
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  bool RemoveAt(int index, bool doNotDestroy = false) override;
  void RemoveAll() override;
  // Places `node` (and its descendants) into the rows after `after` (nullptr: at the end).
  void InsertNodeRows(CTreeNodeUI* node, CTreeNodeUI* after);

  int GetIndent() const { return m_indent; }
  void SetIndent(int pixels) { m_indent = pixels; NeedUpdate(); }
  const std::wstring& GetNodeDefaults(int which) const;  // 0 folderattr, 1 checkboxattr, 2 itemattr

  virtual void OnNodeFolderChanged(CTreeNodeUI* node, bool expanded);
  virtual void OnNodeCheckChanged(CTreeNodeUI* node, bool checked);
  void OnItemDbClick(CListElementUI* item) override;

  void SetAttribute(std::wstring_view name, std::wstring_view value) override;

 protected:
  void InsertRowsAt(CTreeNodeUI* node, int index);
  int m_indent = 16;
  std::wstring m_folderAttr, m_checkBoxAttr, m_itemAttr;
};

}  // namespace qm::ui

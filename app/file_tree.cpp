#include "app/file_tree.h"

#include "app/core/tree_check_model.h"
#include "ui/win32/check_box.h"
#include "ui/win32/paint_manager.h"
#include "ui/win32/tree_node.h"

namespace qm::app {

namespace {

// The tri-state rule runs over the tree's nodes; a node's id is its pointer.
class NodeCheckTree : public ICheckTree {
public:
    NodeId ParentOf(NodeId node) const override { return Id(Node(node)->GetParentNode()); }
    std::size_t ChildCount(NodeId node) const override {
        const int count = Node(node)->GetCountChild();
        return count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    NodeId ChildAt(NodeId node, std::size_t index) const override {
        return Id(Node(node)->GetChildNode(static_cast<int>(index)));
    }
    CheckState StateOf(NodeId node) const override {
        const ui::CTreeNodeUI* n = Node(node);
        if (n->IsCheckBoxSelected()) return CheckState::Checked;
        return n->IsHalfChecked() ? CheckState::HalfChecked : CheckState::Unchecked;
    }
    void SetState(NodeId node, CheckState state) override {
        ui::CTreeNodeUI* n = Node(node);
        if (state == CheckState::HalfChecked) {
            n->SetHalfChecked(true);
        } else {
            n->SetCheckBoxSelected(state == CheckState::Checked);  // also clears the half mark
            n->SetHalfChecked(false);
        }
    }

    static NodeId Id(ui::CTreeNodeUI* node) { return reinterpret_cast<NodeId>(node); }
    static ui::CTreeNodeUI* Node(NodeId id) { return reinterpret_cast<ui::CTreeNodeUI*>(id); }
};

}  // namespace

std::wstring CFileTreeUI::GetClass() const { return L"FileTreeUI"; }

void* CFileTreeUI::GetInterface(std::wstring_view name) {
    if (name == L"FileTree") return this;
    return CTreeViewUI::GetInterface(name);  // "TreeView", "List", ...
}

void CFileTreeUI::OnNodeFolderChanged(ui::CTreeNodeUI* node, bool expanded) {
    // The node shows or hides its descendants, each keeping its own expansion.
    node->SetExpanded(expanded);
    NeedUpdate();
    if (m_manager) m_manager->SendNotify(node, ui::kNotifyItemExpand, expanded ? 1 : 0);
}

void CFileTreeUI::OnNodeCheckChanged(ui::CTreeNodeUI* node, bool checked) {
    NodeCheckTree tree;
    ApplyCheck(tree, NodeCheckTree::Id(node), checked);
    Invalidate();
    if (m_manager) m_manager->SendNotify(node, ui::kNotifyCheckBoxSelectChanged, checked ? 1 : 0);
}

void CFileTreeUI::OnItemDbClick(ui::CListElementUI* item) {
    CTreeViewUI::OnItemDbClick(item);  // "itemdbclick" and "list_item_dbclick"
    auto* node = item ? static_cast<ui::CTreeNodeUI*>(item->GetInterface(L"TreeNode")) : nullptr;
    if (!node || !node->GetFolderButton()) return;
    // Through the button, so the change takes the folder button's own path.
    node->GetFolderButton()->Selected(!node->GetFolderButton()->IsSelected(), true);
}

void CFileTreeUI::SetNodeChecked(ui::CTreeNodeUI* node, bool checked) {
    if (!node) return;
    OnNodeCheckChanged(node, checked);
}

}  // namespace qm::app


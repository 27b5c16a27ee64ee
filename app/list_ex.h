// A list whose rows form a collapsible tree: each row is indented by its depth, shows an expander
// on the upper levels, and hides while its parent is collapsed or hidden. The rows keep their
// node (depth, parent, children, expanded flag, the caller's data) as their tag.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/core/tree_row_text.h"
#include "ui/win32/list.h"

namespace qm::ui {
class CListElementUI;
}

namespace qm::app {

class CListExUI : public ui::CListUI {
public:
    struct Node {
        TreeRowModel::NodeId id = TreeRowModel::kNoNode;
        ui::CListElementUI* row = nullptr;
        void* data = nullptr;  // what the row stands for (a scan source); not owned
    };

    CListExUI();
    ~CListExUI() override;
    std::wstring GetClass() const override;
    void* GetInterface(std::wstring_view name) override;

    // A new row under parent (nullptr: top level), placed after parent's last descendant.
    // nullptr when the tree would get too deep.
    Node* AddNode(std::wstring text, Node* parent = nullptr, void* data = nullptr);
    // Removes the node's row and every row below it.
    void RemoveNode(Node* node);
    void RemoveAllNodes();

    Node* NodeOfRow(ui::CControlUI* row) const;
    Node* ParentOf(const Node* node) const;
    std::vector<Node*> ChildrenOf(const Node* node) const;  // nullptr: the top-level rows
    int DepthOf(const Node* node) const;
    bool IsExpanded(const Node* node) const;
    bool IsRowVisible(const Node* node) const;
    std::wstring TextOf(const Node* node) const;
    void SetNodeText(Node* node, std::wstring text);
    void SetNodeHidden(Node* node, bool hidden);
    // Opens or closes a node: the rows below it follow, the list is laid out again.
    virtual void SetExpanded(Node* node, bool expanded);
    const TreeRowModel& Model() const { return m_model; }

    void RemoveAll() override;

protected:
    // The control of a new row (label elements here).
    virtual ui::CListElementUI* CreateRow();
    // The row's text and visibility from the model.
    void RefreshRow(Node* node);
    // Visibility of every row between node and its last descendant.
    virtual void RefreshDescendants(Node* node);
    Node* NodeOfId(TreeRowModel::NodeId id) const;

    TreeRowModel m_model;
    std::map<TreeRowModel::NodeId, std::unique_ptr<Node>> m_nodes;
};

}  // namespace qm::app

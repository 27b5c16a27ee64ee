// Rows of a list shown as a collapsible tree: the indented row text with its expander, which
// rows are visible, and where a new child row goes.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm::app {

inline constexpr wchar_t kTreeRowLead[] = L"<x 6>";
inline constexpr wchar_t kTreeRowIndent[] = L"<x 18>";
inline constexpr wchar_t kTreeRowExpanded[] = L"<a><i expand_flag.png 2 1></a>";
inline constexpr wchar_t kTreeRowCollapsed[] = L"<a><i expand_flag.png 2 0></a>";
inline constexpr int kTreeRowExpanderDepth = 3;  // rows this deep and deeper have no expander
inline constexpr int kMaxTreeRowDepth = 16;

// "<x 6>", "<x 18>" per depth level, the expander for the upper levels, then the text.
std::wstring BuildTreeRowText(int depth, bool expanded, std::wstring_view text);

class TreeRowModel {
public:
    using NodeId = int;
    static constexpr NodeId kRoot = 0;  // invisible, depth -1
    static constexpr NodeId kNoNode = -1;

    TreeRowModel();

    // Appends a child row; a top-level row starts expanded, deeper rows collapsed. kNoNode when
    // parent is unknown or the row would lie deeper than kMaxTreeRowDepth.
    NodeId AddRow(NodeId parent, std::wstring text);
    // Removes the row with all rows below it.
    void RemoveRow(NodeId node);
    void Clear();

    bool Contains(NodeId node) const;
    int Depth(NodeId node) const;
    NodeId ParentOf(NodeId node) const;
    const std::vector<NodeId>& ChildrenOf(NodeId node) const;
    const std::wstring& TextOf(NodeId node) const;
    void SetText(NodeId node, std::wstring text);
    bool IsExpanded(NodeId node) const;
    void SetExpanded(NodeId node, bool expanded);
    // A row hidden on purpose (e.g. the image entries in image-creation mode) hides its subtree.
    void SetHidden(NodeId node, bool hidden);

    // The rows in list order (the root is not a row).
    std::vector<NodeId> Rows() const;
    // The row's index in the list, -1 for the root or an unknown node.
    int RowIndex(NodeId node) const;
    // Where a new child of parent goes in the list: right after parent's last descendant.
    int InsertIndex(NodeId parent) const;
    // The list indexes [first, last] of the rows below node; first > last when it has none.
    std::pair<int, int> DescendantRows(NodeId node) const;
    // A row is hidden when it is hidden on purpose or its parent is collapsed or hidden.
    bool IsVisible(NodeId node) const;
    std::wstring RowText(NodeId node) const;

private:
    struct Node {
        bool alive = false;
        int depth = -1;
        NodeId parent = kNoNode;
        bool expanded = false;
        bool hidden = false;
        std::wstring text;
        std::vector<NodeId> children;
    };
    NodeId lastDescendant(NodeId node) const;

    std::vector<Node> nodes_;  // ids are indexes; removed ids are not reused
};

}  // namespace qm::app

#include "app/core/tree_row_text.h"

#include <algorithm>

namespace qm::app {

std::wstring BuildTreeRowText(int depth, bool expanded, std::wstring_view text) {
    std::wstring out = kTreeRowLead;
    const int levels = std::clamp(depth, 0, kMaxTreeRowDepth);
    for (int i = 0; i < levels; ++i) out += kTreeRowIndent;
    if (depth < kTreeRowExpanderDepth) out += expanded ? kTreeRowExpanded : kTreeRowCollapsed;
    out += text;
    return out;
}

TreeRowModel::TreeRowModel() { Clear(); }

void TreeRowModel::Clear() {
    nodes_.clear();
    Node root;
    root.alive = true;
    root.depth = -1;
    root.expanded = true;
    nodes_.push_back(std::move(root));
}

bool TreeRowModel::Contains(NodeId node) const {
    return node >= 0 && static_cast<std::size_t>(node) < nodes_.size() && nodes_[static_cast<std::size_t>(node)].alive;
}

TreeRowModel::NodeId TreeRowModel::AddRow(NodeId parent, std::wstring text) {
    if (!Contains(parent)) return kNoNode;
    const int depth = nodes_[static_cast<std::size_t>(parent)].depth + 1;
    if (depth > kMaxTreeRowDepth) return kNoNode;
    Node node;
    node.alive = true;
    node.depth = depth;
    node.parent = parent;
    node.expanded = depth == 0;
    node.text = std::move(text);
    const NodeId id = static_cast<NodeId>(nodes_.size());
    nodes_.push_back(std::move(node));
    nodes_[static_cast<std::size_t>(parent)].children.push_back(id);
    return id;
}

void TreeRowModel::RemoveRow(NodeId node) {
    if (node == kRoot || !Contains(node)) return;
    auto& siblings = nodes_[static_cast<std::size_t>(ParentOf(node))].children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
    std::vector<NodeId> pending{node};
    while (!pending.empty()) {
        Node& gone = nodes_[static_cast<std::size_t>(pending.back())];
        pending.pop_back();
        gone.alive = false;
        pending.insert(pending.end(), gone.children.begin(), gone.children.end());
        gone.children.clear();
        gone.text.clear();
    }
}

int TreeRowModel::Depth(NodeId node) const { return Contains(node) ? nodes_[static_cast<std::size_t>(node)].depth : -1; }

TreeRowModel::NodeId TreeRowModel::ParentOf(NodeId node) const {
    return Contains(node) ? nodes_[static_cast<std::size_t>(node)].parent : kNoNode;
}

const std::vector<TreeRowModel::NodeId>& TreeRowModel::ChildrenOf(NodeId node) const {
    static const std::vector<NodeId> none;
    return Contains(node) ? nodes_[static_cast<std::size_t>(node)].children : none;
}

const std::wstring& TreeRowModel::TextOf(NodeId node) const {
    static const std::wstring none;
    return Contains(node) ? nodes_[static_cast<std::size_t>(node)].text : none;
}

void TreeRowModel::SetText(NodeId node, std::wstring text) {
    if (node != kRoot && Contains(node)) nodes_[static_cast<std::size_t>(node)].text = std::move(text);
}

bool TreeRowModel::IsExpanded(NodeId node) const {
    return Contains(node) && nodes_[static_cast<std::size_t>(node)].expanded;
}

void TreeRowModel::SetExpanded(NodeId node, bool expanded) {
    if (node != kRoot && Contains(node)) nodes_[static_cast<std::size_t>(node)].expanded = expanded;
}

void TreeRowModel::SetHidden(NodeId node, bool hidden) {
    if (node != kRoot && Contains(node)) nodes_[static_cast<std::size_t>(node)].hidden = hidden;
}

std::vector<TreeRowModel::NodeId> TreeRowModel::Rows() const {
    std::vector<NodeId> rows;
    std::vector<NodeId> pending(nodes_[kRoot].children.rbegin(), nodes_[kRoot].children.rend());
    while (!pending.empty()) {
        const NodeId node = pending.back();
        pending.pop_back();
        rows.push_back(node);
        const auto& children = nodes_[static_cast<std::size_t>(node)].children;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return rows;
}

int TreeRowModel::RowIndex(NodeId node) const {
    if (node == kRoot || !Contains(node)) return -1;
    const std::vector<NodeId> rows = Rows();
    const auto found = std::find(rows.begin(), rows.end(), node);
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}

TreeRowModel::NodeId TreeRowModel::lastDescendant(NodeId node) const {
    // Depth is bounded when rows are added, so this walk is too.
    while (!nodes_[static_cast<std::size_t>(node)].children.empty()) node = nodes_[static_cast<std::size_t>(node)].children.back();
    return node;
}

int TreeRowModel::InsertIndex(NodeId parent) const {
    if (!Contains(parent)) return -1;
    const NodeId last = lastDescendant(parent);
    if (last == kRoot) return 0;  // an empty list
    return RowIndex(last) + 1;
}

std::pair<int, int> TreeRowModel::DescendantRows(NodeId node) const {
    if (!Contains(node)) return {0, -1};
    const int first = node == kRoot ? 0 : RowIndex(node) + 1;
    const NodeId last = lastDescendant(node);
    if (last == node) return {first, first - 1};
    return {first, RowIndex(last)};
}

bool TreeRowModel::IsVisible(NodeId node) const {
    if (node == kRoot || !Contains(node) || nodes_[static_cast<std::size_t>(node)].hidden) return false;
    for (NodeId parent = ParentOf(node); parent != kRoot; parent = ParentOf(parent)) {
        const Node& above = nodes_[static_cast<std::size_t>(parent)];
        if (!above.expanded || above.hidden) return false;
    }
    return true;
}

std::wstring TreeRowModel::RowText(NodeId node) const {
    if (node == kRoot || !Contains(node)) return std::wstring();
    const Node& row = nodes_[static_cast<std::size_t>(node)];
    return BuildTreeRowText(row.depth, row.expanded, row.text);
}

}  // namespace qm::app

#include "app/core/tree_check_model.h"

#include <utility>

namespace qm::app {

CheckState CombinedCheckState(std::size_t checkedChildren, std::size_t halfCheckedChildren, std::size_t children) {
    if (children > 0 && checkedChildren == children) return CheckState::Checked;
    if (checkedChildren > 0 || halfCheckedChildren > 0) return CheckState::HalfChecked;
    return CheckState::Unchecked;
}

bool ApplyCheck(ICheckTree& tree, ICheckTree::NodeId node, bool checked) {
    if (node == ICheckTree::kNoNode) return true;
    const CheckState state = checked ? CheckState::Checked : CheckState::Unchecked;
    bool complete = true;

    // The subtree, depth first with an explicit stack.
    std::vector<std::pair<ICheckTree::NodeId, int>> pending{{node, 0}};
    std::size_t visited = 0;
    while (!pending.empty()) {
        const auto [current, depth] = pending.back();
        pending.pop_back();
        if (++visited > kMaxCheckTreeNodes) {
            complete = false;
            break;
        }
        tree.SetState(current, state);
        const std::size_t count = tree.ChildCount(current);
        if (count > 0 && depth >= kMaxCheckTreeDepth) {
            complete = false;
            continue;
        }
        for (std::size_t i = count; i-- > 0;) {
            const ICheckTree::NodeId child = tree.ChildAt(current, i);
            if (child != ICheckTree::kNoNode) pending.emplace_back(child, depth + 1);
        }
    }

    // The ancestors, nearest first.
    ICheckTree::NodeId current = tree.ParentOf(node);
    for (int steps = 0; current != ICheckTree::kNoNode; ++steps) {
        if (steps >= kMaxCheckTreeDepth) return false;
        std::size_t checkedChildren = 0;
        std::size_t halfChildren = 0;
        const std::size_t count = tree.ChildCount(current);
        for (std::size_t i = 0; i < count; ++i) {
            const CheckState childState = tree.StateOf(tree.ChildAt(current, i));
            if (childState == CheckState::Checked) ++checkedChildren;
            if (childState == CheckState::HalfChecked) ++halfChildren;
        }
        tree.SetState(current, CombinedCheckState(checkedChildren, halfChildren, count));
        current = tree.ParentOf(current);
    }
    return complete;
}

ICheckTree::NodeId TreeCheckModel::AddNode(NodeId parent, CheckState state) {
    if (parent != kNoNode && !Contains(parent)) return kNoNode;
    Node node;
    node.parent = parent;
    node.state = state;
    if (parent != kNoNode) {
        node.depth = nodes_[parent - 1].depth + 1;
        if (node.depth > kMaxCheckTreeDepth) return kNoNode;
    }
    nodes_.push_back(std::move(node));
    const NodeId id = nodes_.size();
    if (parent != kNoNode) nodes_[parent - 1].children.push_back(id);
    return id;
}

ICheckTree::NodeId TreeCheckModel::ParentOf(NodeId node) const {
    return Contains(node) ? nodes_[node - 1].parent : kNoNode;
}

std::size_t TreeCheckModel::ChildCount(NodeId node) const {
    return Contains(node) ? nodes_[node - 1].children.size() : 0;
}

ICheckTree::NodeId TreeCheckModel::ChildAt(NodeId node, std::size_t index) const {
    if (!Contains(node) || index >= nodes_[node - 1].children.size()) return kNoNode;
    return nodes_[node - 1].children[index];
}

CheckState TreeCheckModel::StateOf(NodeId node) const {
    return Contains(node) ? nodes_[node - 1].state : CheckState::Unchecked;
}

void TreeCheckModel::SetState(NodeId node, CheckState state) {
    if (Contains(node)) nodes_[node - 1].state = state;
}

}  // namespace qm::app

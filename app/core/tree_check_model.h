// Tri-state checks of a tree: checking a node checks its whole subtree, and each ancestor then
// shows whether all, some or none of its children are checked.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::app {

enum class CheckState { Unchecked, Checked, HalfChecked };

// All when every child is checked, some when any is checked or half-checked, else none.
CheckState CombinedCheckState(std::size_t checkedChildren, std::size_t halfCheckedChildren, std::size_t children);

// The tree the rule runs over; a control maps its nodes to ids (a node pointer fits).
class ICheckTree {
public:
    using NodeId = std::uintptr_t;
    static constexpr NodeId kNoNode = 0;

    virtual ~ICheckTree() = default;
    virtual NodeId ParentOf(NodeId node) const = 0;  // kNoNode for a top-level node
    virtual std::size_t ChildCount(NodeId node) const = 0;
    virtual NodeId ChildAt(NodeId node, std::size_t index) const = 0;
    virtual CheckState StateOf(NodeId node) const = 0;
    virtual void SetState(NodeId node, CheckState state) = 0;
};

// Walks deeper or longer than this are cut off, so a faulty tree cannot make them run away.
inline constexpr int kMaxCheckTreeDepth = 64;
inline constexpr std::size_t kMaxCheckTreeNodes = 1u << 20;

// Sets node and all its descendants to checked or unchecked (no half marks left below it), then
// recomputes every ancestor. false when a bound was hit and the walk stopped early.
bool ApplyCheck(ICheckTree& tree, ICheckTree::NodeId node, bool checked);

// A plain tree of check states (ids 1, 2, ... in the order added), for the views that keep
// their checks apart from their controls.
class TreeCheckModel : public ICheckTree {
public:
    // kNoNode when parent is not a node of this tree or the tree would get too deep.
    NodeId AddNode(NodeId parent = kNoNode, CheckState state = CheckState::Unchecked);
    void Clear() { nodes_.clear(); }
    std::size_t Size() const { return nodes_.size(); }
    bool Contains(NodeId node) const { return node != kNoNode && node <= nodes_.size(); }

    NodeId ParentOf(NodeId node) const override;
    std::size_t ChildCount(NodeId node) const override;
    NodeId ChildAt(NodeId node, std::size_t index) const override;
    CheckState StateOf(NodeId node) const override;
    void SetState(NodeId node, CheckState state) override;

private:
    struct Node {
        NodeId parent = kNoNode;
        int depth = 0;
        CheckState state = CheckState::Unchecked;
        std::vector<NodeId> children;
    };
    std::vector<Node> nodes_;
};

}  // namespace qm::app

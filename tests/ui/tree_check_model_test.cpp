#include <gtest/gtest.h>

#include <vector>

#include "app/core/tree_check_model.h"

namespace qm::app {
namespace {

using Id = ICheckTree::NodeId;

// The type tree as the results page has it: groups with types below, one type with sub-items.
struct TypeTree {
    TreeCheckModel model;
    Id photo = model.AddNode();
    Id jpg = model.AddNode(photo);
    Id png = model.AddNode(photo);
    Id audio = model.AddNode();
    Id mp3 = model.AddNode(audio);
    Id wav = model.AddNode(audio);
    Id wavA = model.AddNode(wav);
    Id wavB = model.AddNode(wav);
};

TEST(TreeCheck, CheckingAChildMarksItsParentHalfOrFull) {
    TypeTree t;
    EXPECT_TRUE(ApplyCheck(t.model, t.jpg, true));
    EXPECT_EQ(CheckState::Checked, t.model.StateOf(t.jpg));
    EXPECT_EQ(CheckState::HalfChecked, t.model.StateOf(t.photo));
    EXPECT_EQ(CheckState::Unchecked, t.model.StateOf(t.audio));  // another top-level node is untouched

    ApplyCheck(t.model, t.png, true);
    EXPECT_EQ(CheckState::Checked, t.model.StateOf(t.photo));

    ApplyCheck(t.model, t.jpg, false);
    EXPECT_EQ(CheckState::HalfChecked, t.model.StateOf(t.photo));
    ApplyCheck(t.model, t.png, false);
    EXPECT_EQ(CheckState::Unchecked, t.model.StateOf(t.photo));
}

TEST(TreeCheck, HalfCheckedChildrenMakeEveryAncestorHalfChecked) {
    TypeTree t;
    ApplyCheck(t.model, t.wavA, true);
    EXPECT_EQ(CheckState::HalfChecked, t.model.StateOf(t.wav));
    EXPECT_EQ(CheckState::HalfChecked, t.model.StateOf(t.audio));  // no child checked, one half
    ApplyCheck(t.model, t.wavB, true);
    EXPECT_EQ(CheckState::Checked, t.model.StateOf(t.wav));
    EXPECT_EQ(CheckState::HalfChecked, t.model.StateOf(t.audio));
    ApplyCheck(t.model, t.mp3, true);
    EXPECT_EQ(CheckState::Checked, t.model.StateOf(t.audio));
}

TEST(TreeCheck, ANodeCarriesItsWholeSubtreeAndClearsHalfMarks) {
    TypeTree t;
    ApplyCheck(t.model, t.wavA, true);
    ASSERT_EQ(CheckState::HalfChecked, t.model.StateOf(t.audio));
    ApplyCheck(t.model, t.audio, true);
    for (Id id : {t.audio, t.mp3, t.wav, t.wavA, t.wavB}) EXPECT_EQ(CheckState::Checked, t.model.StateOf(id)) << id;

    ApplyCheck(t.model, t.wav, false);
    EXPECT_EQ(CheckState::Unchecked, t.model.StateOf(t.wavA));
    EXPECT_EQ(CheckState::Unchecked, t.model.StateOf(t.wavB));
    EXPECT_EQ(CheckState::HalfChecked, t.model.StateOf(t.audio));

    ApplyCheck(t.model, t.audio, false);
    for (Id id : {t.audio, t.mp3, t.wav, t.wavA, t.wavB}) EXPECT_EQ(CheckState::Unchecked, t.model.StateOf(id)) << id;
}

TEST(TreeCheck, CombinedStateOfChildren) {
    EXPECT_EQ(CheckState::Checked, CombinedCheckState(3, 0, 3));
    EXPECT_EQ(CheckState::HalfChecked, CombinedCheckState(2, 0, 3));
    EXPECT_EQ(CheckState::HalfChecked, CombinedCheckState(0, 1, 3));
    EXPECT_EQ(CheckState::HalfChecked, CombinedCheckState(2, 1, 3));
    EXPECT_EQ(CheckState::Unchecked, CombinedCheckState(0, 0, 3));
    EXPECT_EQ(CheckState::Unchecked, CombinedCheckState(0, 0, 0));  // an empty list is not "all checked"
}

TEST(TreeCheck, ModelRefusesUnknownParentsAndTooDeepTrees) {
    TreeCheckModel model;
    EXPECT_EQ(ICheckTree::kNoNode, model.AddNode(7));
    Id node = model.AddNode();
    for (int depth = 1; depth <= kMaxCheckTreeDepth; ++depth) node = model.AddNode(node);
    ASSERT_NE(ICheckTree::kNoNode, node);
    EXPECT_EQ(ICheckTree::kNoNode, model.AddNode(node));
    EXPECT_TRUE(ApplyCheck(model, 1, true));
    EXPECT_EQ(CheckState::Checked, model.StateOf(node));
}

// A control whose tree is broken: the node is its own child and its own parent.
class LoopingTree : public ICheckTree {
public:
    NodeId ParentOf(NodeId node) const override { return node; }
    std::size_t ChildCount(NodeId) const override { return 2; }
    NodeId ChildAt(NodeId node, std::size_t) const override { return node; }
    CheckState StateOf(NodeId) const override { return CheckState::Unchecked; }
    void SetState(NodeId, CheckState) override { ++writes; }
    std::size_t writes = 0;
};

TEST(TreeCheck, AWalkOverABrokenTreeStops) {
    LoopingTree tree;
    EXPECT_FALSE(ApplyCheck(tree, 5, true));
    EXPECT_GT(tree.writes, 0u);
    EXPECT_LE(tree.writes, kMaxCheckTreeNodes + kMaxCheckTreeDepth);
}

}  // namespace
}  // namespace qm::app

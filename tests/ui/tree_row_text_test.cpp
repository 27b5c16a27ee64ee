#include <gtest/gtest.h>

#include <vector>

#include "app/core/tree_row_text.h"

namespace qm::app {
namespace {

using Id = TreeRowModel::NodeId;

TEST(TreeRowText, IndentsPerLevelAndShowsTheExpanderOnUpperLevels) {
    EXPECT_EQ(L"<x 6><a><i expand_flag.png 2 1></a>Disk 1", BuildTreeRowText(0, true, L"Disk 1"));
    EXPECT_EQ(L"<x 6><x 18><a><i expand_flag.png 2 0></a>C:", BuildTreeRowText(1, false, L"C:"));
    EXPECT_EQ(L"<x 6><x 18><x 18><a><i expand_flag.png 2 1></a>x", BuildTreeRowText(2, true, L"x"));
    EXPECT_EQ(L"<x 6><x 18><x 18><x 18>deep", BuildTreeRowText(3, true, L"deep"));
    EXPECT_EQ(L"<x 6><a><i expand_flag.png 2 0></a>", BuildTreeRowText(-1, false, L""));
}

// The media list: two disks with partitions, one partition with a sub-row.
struct MediaList {
    TreeRowModel model;
    Id disk1 = model.AddRow(TreeRowModel::kRoot, L"Disk 1");
    Id c = model.AddRow(disk1, L"C:");
    Id d = model.AddRow(disk1, L"D:");
    Id disk2 = model.AddRow(TreeRowModel::kRoot, L"Disk 2");
    Id e = model.AddRow(disk2, L"E:");
    Id inner = model.AddRow(c, L"inner");
};

TEST(TreeRowModel, RowsFollowTheTreeAndChildrenGoAfterTheLastDescendant) {
    MediaList m;
    EXPECT_EQ((std::vector<Id>{m.disk1, m.c, m.inner, m.d, m.disk2, m.e}), m.model.Rows());
    EXPECT_EQ(4, m.model.InsertIndex(m.disk1));  // after D:, before Disk 2
    EXPECT_EQ(3, m.model.InsertIndex(m.c));      // after inner
    EXPECT_EQ(6, m.model.InsertIndex(TreeRowModel::kRoot));

    const Id f = m.model.AddRow(m.disk1, L"F:");
    EXPECT_EQ(4, m.model.RowIndex(f));
    EXPECT_EQ(5, m.model.RowIndex(m.disk2));
    EXPECT_EQ((std::pair<int, int>{1, 4}), m.model.DescendantRows(m.disk1));
    const std::pair<int, int> leaf = m.model.DescendantRows(m.e);
    EXPECT_GT(leaf.first, leaf.second);

    TreeRowModel empty;
    EXPECT_EQ(0, empty.InsertIndex(TreeRowModel::kRoot));
}

TEST(TreeRowModel, TopLevelRowsStartExpandedAndHideRowsOfCollapsedOrHiddenParents) {
    MediaList m;
    EXPECT_TRUE(m.model.IsExpanded(m.disk1));
    EXPECT_FALSE(m.model.IsExpanded(m.c));
    EXPECT_TRUE(m.model.IsVisible(m.disk1));
    EXPECT_TRUE(m.model.IsVisible(m.c));
    EXPECT_FALSE(m.model.IsVisible(m.inner));  // C: is collapsed
    EXPECT_EQ(L"<x 6><x 18><a><i expand_flag.png 2 0></a>C:", m.model.RowText(m.c));

    m.model.SetExpanded(m.c, true);
    EXPECT_TRUE(m.model.IsVisible(m.inner));
    EXPECT_EQ(L"<x 6><x 18><a><i expand_flag.png 2 1></a>C:", m.model.RowText(m.c));

    // Collapsing the disk hides every row below it, whatever their own state.
    m.model.SetExpanded(m.disk1, false);
    for (Id row : {m.c, m.d, m.inner}) EXPECT_FALSE(m.model.IsVisible(row)) << row;
    EXPECT_TRUE(m.model.IsVisible(m.disk2));

    m.model.SetExpanded(m.disk1, true);
    m.model.SetHidden(m.disk2, true);
    EXPECT_FALSE(m.model.IsVisible(m.disk2));
    EXPECT_FALSE(m.model.IsVisible(m.e));
    EXPECT_TRUE(m.model.IsVisible(m.inner));
}

TEST(TreeRowModel, RemovingARowTakesItsSubtree) {
    MediaList m;
    m.model.RemoveRow(m.c);
    EXPECT_FALSE(m.model.Contains(m.c));
    EXPECT_FALSE(m.model.Contains(m.inner));
    EXPECT_EQ((std::vector<Id>{m.disk1, m.d, m.disk2, m.e}), m.model.Rows());
    EXPECT_EQ(TreeRowModel::kNoNode, m.model.AddRow(m.c, L"orphan"));
    m.model.RemoveRow(TreeRowModel::kRoot);  // the root stays
    EXPECT_EQ(4u, m.model.Rows().size());
    EXPECT_EQ(-1, m.model.RowIndex(m.inner));
}

TEST(TreeRowModel, DepthIsBounded) {
    TreeRowModel model;
    Id row = TreeRowModel::kRoot;
    for (int depth = 0; depth <= kMaxTreeRowDepth; ++depth) {
        row = model.AddRow(row, L"r");
        ASSERT_NE(TreeRowModel::kNoNode, row);
        EXPECT_EQ(depth, model.Depth(row));
    }
    EXPECT_EQ(TreeRowModel::kNoNode, model.AddRow(row, L"too deep"));
}

}  // namespace
}  // namespace qm::app

// The text form of the folder tree.
#include "results/relation_file.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(RelationFile, ItemsAreWrittenInKeyOrder) {
    RelationMap map;
    map[ParentKey::make(9, 1)] = {3};
    map[ParentKey::make(5, 0)] = {1, 2, 7};
    EXPECT_EQ(" | 5 - [1,2,7] | 4294967305 - [3]", formatRelations(map));
}

TEST(RelationFile, WrittenTextReadsBack) {
    RelationMap map;
    map[ParentKey(0)] = {1};
    map[ParentKey::make(-1, 0xFFFFFFFFu)] = {2147483647, 2, 3};
    map[ParentKey::make(12, 3)] = {};
    RelationMap back;
    parseRelations(formatRelations(map), back);
    EXPECT_EQ(map, back);
}

TEST(RelationFile, LaterItemOfTheSameKeyWins) {
    RelationMap map;
    parseRelations(" | 5 - [1,2] | 5 - [9]", map);
    ASSERT_EQ(1u, map.size());
    EXPECT_EQ(std::vector<int32_t>{9}, map.at(ParentKey(5)));
}

TEST(RelationFile, DamagedTextIsReadAsFarAsItMakesSense) {
    RelationMap map;
    parseRelations(
        "junk | 5 - [1,x2,3] | - [8] | 99999999999999999999 - [4] | 6 | 7 - [10,4294967296,11] | 8 - [12,13",
        map);
    EXPECT_EQ((std::vector<int32_t>{1, 3}), map.at(ParentKey(5)));
    EXPECT_EQ(0u, map.count(ParentKey(6))) << "no child list before the next item";
    EXPECT_EQ((std::vector<int32_t>{10, 11}), map.at(ParentKey(7)));
    EXPECT_EQ(std::vector<int32_t>{12}, map.at(ParentKey(8))) << "a cut-off number is dropped";
    EXPECT_EQ(3u, map.size());
}

TEST(RelationFile, AnItemCutByTheNextKeepsWhatCameBefore) {
    RelationMap map;
    parseRelations(" | 5 - [1,2, | 6 - [3]", map);
    EXPECT_EQ((std::vector<int32_t>{1, 2}), map.at(ParentKey(5)));
    EXPECT_EQ(std::vector<int32_t>{3}, map.at(ParentKey(6)));
}

TEST(RelationFile, EmptyAndBlankTextGiveNoItems) {
    RelationMap map;
    parseRelations("", map);
    parseRelations("        ", map);
    parseRelations(" | ", map);
    EXPECT_TRUE(map.empty());
}

}  // namespace
}  // namespace qm

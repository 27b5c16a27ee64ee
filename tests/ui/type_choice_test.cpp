#include <gtest/gtest.h>

#include "app/core/type_choice.h"

namespace qm {
namespace {

TEST(TypeChoice, GroupCheckboxesAndTheMasterBoxUpdateTheTable) {
    TypeChoice choice;
    choice.Reset(DefaultChoiceGroups());
    EXPECT_TRUE(choice.Table().contains(L"jpeg"));
    EXPECT_TRUE(choice.Table().contains(L"zip"));
    EXPECT_EQ(app::CheckState::Checked, choice.MasterState());

    EXPECT_EQ(0, choice.SetGroupChecked(L"ChkPhoto", false));
    EXPECT_FALSE(choice.Table().contains(L"jpg"));
    EXPECT_FALSE(choice.Table().contains(L"jpeg"));
    EXPECT_TRUE(choice.Table().contains(L"mp3"));
    EXPECT_EQ(app::CheckState::HalfChecked, choice.MasterState());
    EXPECT_TRUE(choice.StartEnabled());
    EXPECT_EQ(std::wstring::npos, choice.SearchPattern().find(L"*.jpg"));

    EXPECT_EQ(-1, choice.SetGroupChecked(L"ChkNothing", false));
    choice.SetAllChecked(false);
    EXPECT_TRUE(choice.Table().empty());
    EXPECT_EQ(app::CheckState::Unchecked, choice.MasterState());
    EXPECT_FALSE(choice.StartEnabled());

    EXPECT_EQ(4, choice.SetGroupChecked(L"ChkArchive", true));
    EXPECT_EQ(L"*.7z|*.ace|*.arj", choice.SearchPattern().substr(0, 16));
    EXPECT_FALSE(choice.Table().contains(L"mp3"));
    choice.SetAllChecked(true);
    EXPECT_TRUE(choice.Table().contains(L"mp3"));
    EXPECT_EQ(app::CheckState::Checked, choice.MasterState());
}

TEST(TypeChoice, AnExtensionOfTwoGroupsBelongsToTheTickedOne) {
    TypeChoice choice;
    choice.Reset(DefaultChoiceGroups());
    EXPECT_EQ(1, choice.OptionIndex().at(L"rm").group);  // audio comes first on the page
    choice.SetGroupChecked(L"ChkMusic", false);
    EXPECT_TRUE(choice.Table().contains(L"rm"));          // the video option still carries it
    EXPECT_EQ(2, choice.OptionIndex().at(L"rm").group);
    EXPECT_EQ(L"JPG/JPEG (.jpg .jpeg)", choice.OptionIndex().at(L"jpeg").text);
}

TEST(TypeChoice, APageTwoOptionTicksAlone) {
    TypeChoice choice;
    choice.Reset(DefaultChoiceGroups());
    choice.SetAllChecked(false);
    const ChoiceOption& jpg = choice.Groups()[0][2];
    choice.SetOptionChecked(jpg.id, true);
    EXPECT_EQ(L"*.jpeg|*.jpg", choice.SearchPattern());
    choice.SetOptionChecked(jpg.id, false);
    EXPECT_TRUE(choice.Table().empty());
}

}  // namespace
}  // namespace qm

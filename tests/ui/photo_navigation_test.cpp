#include "app/core/photo_navigation.h"

#include <gtest/gtest.h>

using qm::app::NavigationEntry;
using qm::app::NavigationPosition;
using qm::app::NextPhotoIndex;

namespace {

// txt, jpg, carved jpg, carved png, doc, png: two carved pictures share fsId 0.
const std::vector<NavigationEntry> kList = {
    {5, 1, false}, {7, 2, true}, {0, 3, true}, {0, 4, true}, {9, 5, false}, {11, 6, true},
};

}  // namespace

TEST(PhotoNavigation, StepsOverOtherFilesAndWrapsBothWays) {
    EXPECT_EQ(2, NextPhotoIndex(kList, NavigationPosition{7, 2}, true));
    EXPECT_EQ(5, NextPhotoIndex(kList, NavigationPosition{0, 4}, true));
    EXPECT_EQ(1, NextPhotoIndex(kList, NavigationPosition{11, 6}, true)) << "from the last to the first";
    EXPECT_EQ(5, NextPhotoIndex(kList, NavigationPosition{7, 2}, false)) << "from the first to the last";
    EXPECT_EQ(2, NextPhotoIndex(kList, NavigationPosition{0, 4}, false)) << "carved files told apart";
}

TEST(PhotoNavigation, StartsAtTheFirstPhotoWithoutAPositionAndStopsBeforeTheCurrentOne) {
    EXPECT_EQ(1, NextPhotoIndex(kList, std::nullopt, false));
    EXPECT_EQ(1, NextPhotoIndex(kList, NavigationPosition{42, 1}, true)) << "not in the list";
    const std::vector<NavigationEntry> single = {{5, 1, false}, {7, 2, true}};
    EXPECT_EQ(-1, NextPhotoIndex(single, NavigationPosition{7, 2}, true));
    EXPECT_EQ(-1, NextPhotoIndex({{5, 1, false}}, std::nullopt, true));
}

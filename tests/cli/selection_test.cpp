#include "cli/selection.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::cli {
namespace {

TEST(CliSelection, PathPatternsAndSizes) {
    EXPECT_TRUE(PathMatches("DCIM/**", "dcim/100CANON/IMG_1.JPG"));
    EXPECT_TRUE(PathMatches("**/*.jpg", "a.jpg"));
    EXPECT_TRUE(PathMatches("*.jpg", "Camera/Trip/a.JPG"));  // no "/": the name alone
    EXPECT_FALSE(PathMatches("DCIM/*.jpg", "DCIM/100/a.jpg"));  // "*" stays in its folder
    EXPECT_TRUE(PathMatches("DCIM/*/a?.jpg", "DCIM/100/ab.jpg"));
    EXPECT_FALSE(PathMatches("Docs/**", "Other/Docs/a.txt"));
    // A pattern of many stars against a long name ends quickly.
    EXPECT_FALSE(PathMatches("*a*a*a*a*a*a*a*a*b", std::string(4000, 'a')));

    uint64_t bytes = 0;
    EXPECT_TRUE(ParseSize("512k", bytes));
    EXPECT_EQ(512u * 1024, bytes);
    EXPECT_TRUE(ParseSize("2G", bytes));
    EXPECT_EQ(2ull << 30, bytes);
    EXPECT_FALSE(ParseSize("2x", bytes));
    EXPECT_FALSE(ParseSize("-1", bytes));
    EXPECT_FALSE(ParseSize("99999999999999999999", bytes));
}

}  // namespace
}  // namespace qm::cli

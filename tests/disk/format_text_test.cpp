#include <gtest/gtest.h>

#include "disk/format_text.h"

namespace qm {
namespace {

TEST(FormatSize, UnitBoundaries) {
    EXPECT_EQ(L"0 Bytes", FormatSize(0));
    EXPECT_EQ(L"1023 Bytes", FormatSize(1023));
    EXPECT_EQ(L"1.00 KB", FormatSize(1024));
    EXPECT_EQ(L"1.50 KB", FormatSize(1536));
    EXPECT_EQ(L"1024.00 KB", FormatSize((1ULL << 20) - 1));
    EXPECT_EQ(L"1.00 MB", FormatSize(1ULL << 20));
    EXPECT_EQ(L"1.00 GB", FormatSize(1ULL << 30));
    EXPECT_EQ(L"2.50 GB", FormatSize((5ULL << 30) / 2));
    EXPECT_EQ(L"1.00 TB", FormatSize(1ULL << 40));
    EXPECT_EQ(L"2048.00 TB", FormatSize(1ULL << 51));
}

TEST(FormatDuration, UnitBoundaries) {
    EXPECT_EQ(L"0 Sec", FormatDuration(0));
    EXPECT_EQ(L"59 Sec", FormatDuration(59));
    EXPECT_EQ(L"1 Min 0 Sec", FormatDuration(60));
    EXPECT_EQ(L"59 Min 59 Sec", FormatDuration(3599));
    EXPECT_EQ(L"1 Hour 0 Min", FormatDuration(3600));
    EXPECT_EQ(L"2 Hour 1 Min", FormatDuration(7260 + 59));
    EXPECT_EQ(L"100000 Hour 0 Min", FormatDuration(360000000LL));
}

}  // namespace
}  // namespace qm

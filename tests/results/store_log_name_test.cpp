// Names of the scan logs the stores write.
#include <gtest/gtest.h>

#include "results/scan_log_name.h"

namespace qm {
namespace {

platform::LocalTime at(int year, int month, int day, int hour, int minute) {
    platform::LocalTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    return t;
}

TEST(StoreLogName, FieldsAreUnpaddedExceptTheMinute) {
    EXPECT_EQ(L"File_Type_2048_202612617 5", scanLogName(kFileTypeLogPrefix, 2048, at(2026, 12, 6, 17, 5)));
    EXPECT_EQ(L"Fast_63_2027319 7", scanLogName(kFastLogPrefix, 63, at(2027, 3, 1, 9, 7)));
    EXPECT_EQ(L"Pro_Ntfs_0_202412312359", scanLogName(kProNtfsLogPrefix, 0, at(2024, 12, 31, 23, 59)));
    EXPECT_EQ(L"Pro_Fat_4294967296_2025100 0", scanLogName(kProFatLogPrefix, 4294967296ull, at(2025, 1, 0, 0, 0)));
}

}  // namespace
}  // namespace qm

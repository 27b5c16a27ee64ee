#include <gtest/gtest.h>

#include "cli/media_command.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace qm::cli {
namespace {

TEST(MediaNames, DiskAndPartitionNamesAreRecognised) {
    EXPECT_TRUE(LooksLikeMediaName("disk0"));
    EXPECT_TRUE(LooksLikeMediaName("disk12"));
    EXPECT_TRUE(LooksLikeMediaName("disk1:2"));
    EXPECT_FALSE(LooksLikeMediaName("disk"));
    EXPECT_FALSE(LooksLikeMediaName("disk1:"));
    EXPECT_FALSE(LooksLikeMediaName("disk1:0"));
    EXPECT_FALSE(LooksLikeMediaName("disk1x"));
    EXPECT_FALSE(LooksLikeMediaName("disk1:2:3"));
    EXPECT_FALSE(LooksLikeMediaName("disk12345678"));  // no such disk number is ever real
    EXPECT_FALSE(LooksLikeMediaName("card.img"));
    EXPECT_FALSE(LooksLikeMediaName(""));
}

TEST(MediaNames, AnExistingFileOfThatNameWins) {
    // A file called like a disk, in the folder the command runs in, is taken as the file.
    const std::wstring file = L"disk77";
    ASSERT_FALSE(platform::pathExists(file));
    EXPECT_TRUE(LooksLikeMediaName("disk77"));
    test::writeWholeFile(file, {1, 2, 3});
    EXPECT_FALSE(LooksLikeMediaName("disk77"));
    platform::deleteFile(file);
}

TEST(MediaNames, UnknownDisksAreReportedNotGuessed) {
    MediaSource source;
    std::string error;
    EXPECT_FALSE(ResolveMediaSource("disk999:1", source, error));
    EXPECT_NE(std::string::npos, error.find("disk999:1"));
}

}  // namespace
}  // namespace qm::cli

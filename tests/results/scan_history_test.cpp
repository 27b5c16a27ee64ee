#include "results/scan_history.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/errors.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "tests/results/scan_history_fixture.h"

namespace qm::test {
namespace {

using ScanHistory = ScanHistoryFixture;

// No drive: the free space is 0 here on every platform.
constexpr wchar_t kNoDrive = L'\0';

std::filesystem::path fsPath(const std::wstring& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(platform::toUtf8(path));
#endif
}

std::wstring current(const CScanHistory& history) {
    std::wstring folder;
    EXPECT_EQ(0, history.CurrentFolder(folder));
    return folder;
}

TEST_F(ScanHistory, FastScansInARowGetNumberedFolders) {
    EXPECT_EQ(kErrorInvalidParameter, history_.Load()) << "no index yet";
    EXPECT_EQ(0u, history_.Counter());
    EXPECT_TRUE(history_.BaseFolder() == base());
    EXPECT_TRUE(current(history_) == folder(0));

    EXPECT_EQ(0, history_.NewFolder());
    EXPECT_TRUE(current(history_) == folder(1));
    EXPECT_EQ(0, history_.NewFolder());
    EXPECT_TRUE(current(history_) == folder(2));

    // A scan that stored nothing gives its number back.
    history_.ReleaseNewestFolder();
    EXPECT_EQ(1u, history_.Counter());
    history_.ReleaseNewestFolder();
    history_.ReleaseNewestFolder();
    EXPECT_EQ(0u, history_.Counter()) << "never below zero";
}

TEST_F(ScanHistory, NewFolderClearsALeftOverFolderOfItsNumber) {
    writeIndex(configPath(), 2, {partitionRecord(0, 63, 100, 0, folder(3))});
    makeLogFolder(folder(3));
    makeLogFolder(folder(2));
    ASSERT_EQ(0, history_.Load());

    EXPECT_EQ(0, history_.NewFolder());
    EXPECT_EQ(3u, history_.Counter());
    EXPECT_FALSE(platform::pathExists(withoutSeparator(folder(3))));
    EXPECT_TRUE(history_.Records().empty()) << "the record of that folder went with it";
    EXPECT_TRUE(platform::pathExists(withoutSeparator(folder(2))));
}

TEST_F(ScanHistory, PartitionRecordIsFoundAndUpdatedInPlace) {
    history_.Load();
    history_.NewFolder();
    const std::wstring scanFolder = current(history_);
    ASSERT_EQ(0, history_.Upsert(kNoDrive, 1, 2048, 1000, {10, 20, 5, 7, 3}, scanFolder, L""));
    ASSERT_EQ(1u, history_.Records().size());

    ScanHistoryRecord found;
    history_.NewFolder();
    EXPECT_EQ(1, history_.FindVolume(kNoDrive, 1, 2048, 1000, &found));
    EXPECT_TRUE(history_.Found());
    EXPECT_TRUE(history_.FoundFolder() == scanFolder);
    EXPECT_TRUE(current(history_) == scanFolder) << "a continued scan writes into its old folder";
    EXPECT_EQ(5u, found.resume.extentDone);
    EXPECT_EQ(7u, found.resume.sectorsDone);
    EXPECT_FALSE(found.isImage());

    ASSERT_EQ(0, history_.Upsert(kNoDrive, 1, 2048, 1000, {10, 20, 9, 11, 4}, scanFolder, L""));
    ASSERT_EQ(1u, history_.Records().size());
    EXPECT_EQ(9u, history_.Records()[0].resume.extentDone);
    EXPECT_EQ(4u, history_.Records()[0].resume.filesFound);

    // Another area of the same disk is another source.
    EXPECT_EQ(0, history_.FindVolume(kNoDrive, 1, 2049, 1000, nullptr));
    EXPECT_FALSE(history_.Found());
    EXPECT_TRUE(history_.FoundFolder().empty());
    EXPECT_TRUE(current(history_) == folder(2));
    EXPECT_EQ(1u, history_.Records().size());
}

TEST_F(ScanHistory, PartitionWithOtherFreeSpaceLosesRecordAndFolder) {
    writeIndex(configPath(), 5,
               {partitionRecord(0, 63, 100, 0, folder(1)), partitionRecord(2, 2048, 500, 123456, folder(4))});
    makeLogFolder(folder(1));
    makeLogFolder(folder(4));
    ASSERT_EQ(0, history_.Load());

    EXPECT_EQ(0, history_.FindVolume(kNoDrive, 2, 2048, 500, nullptr));
    EXPECT_FALSE(history_.Found());
    ASSERT_EQ(1u, history_.Records().size());
    EXPECT_EQ(63u, history_.Records()[0].firstSector);
    EXPECT_FALSE(platform::pathExists(withoutSeparator(folder(4))));
    EXPECT_TRUE(platform::pathExists(withoutSeparator(folder(1))));

    EXPECT_EQ(1, history_.FindVolume(kNoDrive, 0, 63, 100, nullptr));
}

TEST_F(ScanHistory, ImageRecordsMatchTheExactPathAndItsWriteTime) {
    const std::wstring image = dir_.file(L"Disk.img");
    writeWholeFile(image, std::vector<uint8_t>(4096, 0));
    history_.Load();
    history_.NewFolder();
    makeLogFolder(folder(1));
    ASSERT_EQ(0, history_.Upsert(kNoDrive, kImageDiskNumber, 0, 8, {0, 8, 2, 2, 1}, folder(1), image));
    ASSERT_EQ(1u, history_.Records().size());
    EXPECT_NE(0u, history_.Records()[0].imageWriteTime);
    EXPECT_EQ(0u, history_.Records()[0].volumeFreeBytes);

    ScanHistoryRecord found;
    EXPECT_EQ(1, history_.FindImage(image, &found));
    EXPECT_TRUE(found.imagePath == image);
    EXPECT_EQ(kImageDiskNumber, found.diskNumber);

    // Case matters for image paths; a miss leaves the record alone.
    EXPECT_EQ(0, history_.FindImage(dir_.file(L"disk.img"), nullptr));
    EXPECT_EQ(0, history_.FindImage(L"", nullptr));
    EXPECT_EQ(1u, history_.Records().size());
    // An image record is no partition, whatever its numbers.
    EXPECT_EQ(0, history_.FindVolume(kNoDrive, kImageDiskNumber, 0, 8, nullptr));
    EXPECT_EQ(1u, history_.Records().size());

    // The image was written to since: its history is stale.
    const auto path = fsPath(image);
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - std::chrono::hours(1));
    EXPECT_EQ(0, history_.FindImage(image, nullptr));
    EXPECT_TRUE(history_.Records().empty());
    EXPECT_FALSE(platform::pathExists(withoutSeparator(folder(1))));
}

TEST_F(ScanHistory, RenamedImageStartsAFreshHistory) {
    const std::wstring image = dir_.file(L"a.img");
    const std::wstring renamed = dir_.file(L"b.img");
    writeWholeFile(image, std::vector<uint8_t>(512, 0));
    history_.Load();
    history_.NewFolder();
    makeLogFolder(folder(1));
    ASSERT_EQ(0, history_.Upsert(kNoDrive, kImageDiskNumber, 0, 1, {}, folder(1), image));
    ASSERT_EQ(0, platform::moveFile(image, renamed, false));

    EXPECT_EQ(0, history_.FindImage(renamed, nullptr));
    EXPECT_EQ(1u, history_.Records().size());
    // The old name no longer has a file (write time 0): that record is stale now.
    EXPECT_EQ(0, history_.FindImage(image, nullptr));
    EXPECT_TRUE(history_.Records().empty());
    EXPECT_FALSE(platform::pathExists(withoutSeparator(folder(1))));
}

TEST_F(ScanHistory, RemoveFolderMatchesIgnoringCase) {
    writeIndex(configPath(), 3,
               {partitionRecord(0, 1, 1, 0, folder(1)), partitionRecord(0, 2, 2, 0, folder(2)),
                partitionRecord(0, 3, 3, 0, folder(2))});
    makeLogFolder(folder(2));
    ASSERT_EQ(0, history_.Load());

    std::wstring shouted = folder(1);
    const size_t at = shouted.rfind(L"ScanLog");
    ASSERT_NE(std::wstring::npos, at);
    shouted.replace(at, 7, L"SCANLOG");
    EXPECT_EQ(0, history_.RemoveFolder(shouted)) << "no such folder on disk: nothing to delete";
    ASSERT_EQ(2u, history_.Records().size());
    EXPECT_EQ(2u, history_.Records()[0].firstSector);

    // Only the first record of a folder goes; the folder is deleted with its contents.
    EXPECT_EQ(1, history_.FindVolume(kNoDrive, 0, 2, 2, nullptr));
    EXPECT_EQ(0, history_.RemoveFolder(folder(2)));
    ASSERT_EQ(1u, history_.Records().size());
    EXPECT_EQ(3u, history_.Records()[0].firstSector);
    EXPECT_FALSE(platform::pathExists(withoutSeparator(folder(2))));
    EXPECT_FALSE(history_.Found()) << "the found folder is gone";
    EXPECT_TRUE(current(history_) == folder(3));
}

TEST_F(ScanHistory, FoldersOutsideTheScanLogAreNeverDeleted) {
    TempDir victim;
    writeWholeFile(victim.file(L"keep.txt"), {1});
    const std::wstring sneaky = folder(1) + L".." + platform::kPathSeparator + L".." + platform::kPathSeparator;
    makeLogFolder(folder(1));
    // A damaged index: stale records pointing at foreign folders.
    writeIndex(configPath(), 1,
               {partitionRecord(0, 1, 1, 777, victim.path() + platform::kPathSeparator),
                partitionRecord(0, 2, 2, 777, sneaky), partitionRecord(0, 3, 3, 777, base() + platform::kPathSeparator)});
    ASSERT_EQ(0, history_.Load());

    EXPECT_EQ(0, history_.FindVolume(kNoDrive, 0, 1, 1, nullptr));
    EXPECT_EQ(0, history_.FindVolume(kNoDrive, 0, 2, 2, nullptr));
    EXPECT_EQ(0, history_.FindVolume(kNoDrive, 0, 3, 3, nullptr));
    EXPECT_TRUE(history_.Records().empty());
    EXPECT_TRUE(platform::pathExists(victim.file(L"keep.txt")));
    EXPECT_TRUE(platform::pathExists(configPath()));
    EXPECT_TRUE(platform::pathExists(withoutSeparator(folder(1))));
    EXPECT_EQ(kErrorAccessDenied, history_.RemoveFolder(victim.path()));
    EXPECT_TRUE(platform::pathExists(victim.file(L"keep.txt")));
}

TEST_F(ScanHistory, FindLogFileSkipsDotNamesAndMissingPrefixes) {
    const std::wstring logs = folder(1);
    ASSERT_EQ(0, platform::createFolderTree(logs));
    for (const wchar_t* name : {L".Fast_hidden", L"File_Type_1", L"Pro_Ntfs_1", L"x_Fast_2", L"Fast_3"})
        writeWholeFile(logs + name, {0});

    std::wstring name;
    EXPECT_EQ(0, history_.FindLogFile(L"Fast_", name, logs));
    EXPECT_TRUE(name == L"Fast_3") << platform::toUtf8(name);
    EXPECT_EQ(0, history_.FindLogFile(L"File_Type_", name, logs));
    EXPECT_TRUE(name == L"File_Type_1");
    EXPECT_EQ(kErrorFileNotFound, history_.FindLogFile(L"Pro_Fat_", name, logs));
    EXPECT_TRUE(name.empty());
    EXPECT_NE(0, history_.FindLogFile(L"Fast_", name, folder(9)));
}

TEST_F(ScanHistory, UpsertRefusesPathsItCouldNotStoreWhole) {
    history_.Load();
    history_.NewFolder();
    const std::wstring scanFolder = current(history_);
    const std::wstring longest = L"I" + std::wstring(kHistoryPathUnits - 2, L'x');  // 259 units
    const std::wstring tooLong = longest + L"x";
    EXPECT_EQ(kErrorFilenameTooLong, history_.Upsert(kNoDrive, kImageDiskNumber, 0, 1, {}, scanFolder, tooLong));
    EXPECT_EQ(kErrorFilenameTooLong,
              history_.Upsert(kNoDrive, 0, 0, 1, {}, scanFolder + std::wstring(kHistoryPathUnits, L'y'), L""));
    EXPECT_EQ(kErrorInvalidName, history_.Upsert(kNoDrive, kImageDiskNumber, 0, 1, {}, scanFolder,
                                                 std::wstring(L"a\0b", 3)));
    EXPECT_EQ(kErrorInvalidParameter, history_.Upsert(kNoDrive, 0, 0, 1, {}, L"", L""));
    EXPECT_TRUE(history_.Records().empty());
    EXPECT_FALSE(platform::pathExists(configPath())) << "nothing was saved";

    ASSERT_EQ(0, history_.Upsert(kNoDrive, kImageDiskNumber, 0, 1, {}, scanFolder, longest));
    CScanHistory reloaded(dir_.path());
    ASSERT_EQ(0, reloaded.Load());
    ASSERT_EQ(1u, reloaded.Records().size());
    EXPECT_TRUE(reloaded.Records()[0].imagePath == longest);
}

}  // namespace
}  // namespace qm::test

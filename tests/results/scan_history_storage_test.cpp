// Loading and saving the index file: round trips, interrupted saves, damaged files.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/errors.h"
#include "platform/folders.h"
#include "results/scan_history.h"
#include "tests/results/scan_history_fixture.h"

namespace qm::test {
namespace {

using ScanHistoryStorage = ScanHistoryFixture;

std::vector<uint8_t> indexBytes(uint64_t counter, const std::vector<ScanHistoryRecord>& records) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(0, encodeScanHistory(counter, records, bytes));
    return bytes;
}

TEST_F(ScanHistoryStorage, SaveThenLoadKeepsEveryFieldByteExactly) {
    const std::wstring image = dir_.file(L"Sch\u00E4den \u0436\u0451\u0441\u0442\u043A\u0438\u0439.img");
    writeWholeFile(image, std::vector<uint8_t>(1024, 0));
    history_.Load();
    history_.NewFolder();
    ASSERT_EQ(0, history_.Upsert(L'\0', 3, 0x100000000ULL, 0x7FFFFFFFFULL, {1, 2, 3, 4, 5}, folder(1), L""));
    history_.NewFolder();
    ASSERT_EQ(0, history_.Upsert(L'\0', kImageDiskNumber, 0, 2, {6, 7, 8, 9, 10}, folder(2), image));
    EXPECT_FALSE(platform::pathExists(tempPath()));

    const std::vector<uint8_t> file = readWholeFile(configPath());
    ASSERT_EQ(kHistoryHeaderSize + 2 * kHistoryRecordSize, file.size());
    const ByteView view(file.data(), file.size());
    EXPECT_EQ(2u, view.u64(0));
    const size_t second = kHistoryHeaderSize + kHistoryRecordSize;
    EXPECT_EQ(3u, view.u32(kHistoryHeaderSize + history_offset::kDiskNumber));
    EXPECT_EQ(0u, view.u32(kHistoryHeaderSize + 4));
    EXPECT_EQ(0u, view.u32(second + 4));
    EXPECT_EQ(0x100000000ULL, view.u64(kHistoryHeaderSize + history_offset::kFirstSector));
    EXPECT_EQ(kImageDiskNumber, view.u32(second + history_offset::kDiskNumber));
    EXPECT_EQ(10u, view.u64(second + history_offset::kFilesFound));
    EXPECT_EQ(history_.Records()[1].imageWriteTime, view.u64(second + history_offset::kImageWriteTime));
    // The non-ASCII name is stored as UTF-16LE: "ä", then five units on, Cyrillic "ж".
    const std::u16string units = platform::toUtf16(image);
    const size_t umlaut = units.find(u'\u00E4');
    ASSERT_NE(std::u16string::npos, umlaut);
    EXPECT_EQ(0xE4, file[second + history_offset::kImagePath + umlaut * 2]);
    EXPECT_EQ(0x00, file[second + history_offset::kImagePath + umlaut * 2 + 1]);
    EXPECT_EQ(0x0436u, view.u16(second + history_offset::kImagePath + (umlaut + 5) * 2));
    EXPECT_EQ(0u, view.u16(second + history_offset::kImagePath + units.size() * 2)) << "NUL-terminated";
    EXPECT_EQ(file, indexBytes(2, history_.Records()));

    CScanHistory loaded(dir_.path());
    ASSERT_EQ(0, loaded.Load());
    EXPECT_EQ(2u, loaded.Counter());
    ASSERT_EQ(2u, loaded.Records().size());
    for (size_t i = 0; i < 2; ++i) expectSameRecord(history_.Records()[i], loaded.Records()[i]);
    EXPECT_TRUE(loaded.Records()[1].imagePath == image);

    // Saving what was loaded writes the same bytes.
    ASSERT_EQ(0, loaded.Save());
    EXPECT_EQ(file, readWholeFile(configPath()));
}

TEST_F(ScanHistoryStorage, InterruptedSaveIsCompletedOrDropped) {
    const std::vector<ScanHistoryRecord> records = {partitionRecord(1, 63, 99, 0, folder(4))};
    // The temporary alone: the save stopped just before its rename and is taken over.
    writeIndex(tempPath(), 4, records);
    ASSERT_EQ(0, history_.Load());
    EXPECT_EQ(4u, history_.Counter());
    ASSERT_EQ(1u, history_.Records().size());
    EXPECT_TRUE(history_.Records()[0].folder == folder(4));
    EXPECT_TRUE(platform::pathExists(configPath()));
    EXPECT_FALSE(platform::pathExists(tempPath()));

    // Both: the save did not reach its rename, so the index holds and the temporary goes.
    writeIndex(tempPath(), 9, {});
    ASSERT_EQ(0, history_.Load());
    EXPECT_EQ(4u, history_.Counter());
    EXPECT_EQ(1u, history_.Records().size());
    EXPECT_FALSE(platform::pathExists(tempPath()));
}

TEST_F(ScanHistoryStorage, FailedSaveKeepsTheOldIndex) {
    history_.Load();
    history_.NewFolder();
    ASSERT_EQ(0, history_.Upsert(L'\0', 0, 63, 100, {}, folder(1), L""));
    const std::vector<uint8_t> before = readWholeFile(configPath());

    // A folder where the temporary belongs cannot be written.
    ASSERT_EQ(0, platform::createFolderTree(tempPath()));
    history_.NewFolder();
    EXPECT_NE(0, history_.Upsert(L'\0', 0, 2048, 100, {}, folder(2), L""));
    EXPECT_EQ(before, readWholeFile(configPath()));
    EXPECT_TRUE(platform::isFolder(tempPath()));

    CScanHistory reloaded(dir_.path());
    ASSERT_EQ(0, reloaded.Load());
    EXPECT_EQ(1u, reloaded.Counter());
    EXPECT_EQ(1u, reloaded.Records().size());
}

TEST_F(ScanHistoryStorage, DamagedIndexFilesGiveWhatIsWhole) {
    ASSERT_EQ(0, platform::createFolderTree(base()));
    const std::vector<uint8_t> good = indexBytes(7, {partitionRecord(1, 2, 3, 0, folder(1)),
                                                     partitionRecord(4, 5, 6, 0, folder(2))});

    writeWholeFile(configPath(), {});
    EXPECT_EQ(kErrorInvalidParameter, history_.Load());
    EXPECT_EQ(0u, history_.Counter());

    writeWholeFile(configPath(), {1, 2, 3, 4, 5});
    history_.Load();
    EXPECT_EQ(0u, history_.Counter()) << "too short for a counter";
    EXPECT_TRUE(history_.Records().empty());

    writeWholeFile(configPath(), std::vector<uint8_t>(good.begin(), good.begin() + kHistoryHeaderSize + 1119));
    ASSERT_EQ(0, history_.Load());
    EXPECT_EQ(7u, history_.Counter());
    EXPECT_TRUE(history_.Records().empty()) << "a cut record is dropped";

    writeWholeFile(configPath(), std::vector<uint8_t>(good.begin(), good.end() - 500));
    ASSERT_EQ(0, history_.Load());
    ASSERT_EQ(1u, history_.Records().size());
    EXPECT_EQ(1u, history_.Records()[0].diskNumber);

    // Garbage: whatever the bytes, whole records are read and used without harm.
    std::vector<uint8_t> garbage(kHistoryHeaderSize + 3 * kHistoryRecordSize + 77);
    uint32_t seed = 12345;
    for (auto& b : garbage) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 24) | 0x01;  // no NUL anywhere: every path fills its field
    }
    writeWholeFile(configPath(), garbage);
    ASSERT_EQ(0, history_.Load());
    ASSERT_EQ(3u, history_.Records().size());
    for (const auto& r : history_.Records()) {
        EXPECT_LE(platform::toUtf16(r.imagePath).size(), kHistoryPathUnits);
        EXPECT_LE(platform::toUtf16(r.folder).size(), kHistoryPathUnits);
        EXPECT_EQ(0, history_.FindVolume(L'\0', r.diskNumber, r.firstSector, r.sectorCount, nullptr));
    }
    history_.NewFolder();
    std::wstring folder;
    history_.CurrentFolder(folder);
    EXPECT_EQ(0, history_.RemoveFolder(folder));

    // A config that is a folder is no index.
    ASSERT_EQ(0, platform::deleteFile(configPath()));
    ASSERT_EQ(0, platform::createFolderTree(configPath()));
    EXPECT_EQ(kErrorInvalidParameter, history_.Load());
    EXPECT_TRUE(history_.Records().empty());
}

// The process's index is created once; checked in a fresh process so that no earlier test
// can have created it already.
int checkInstance() {
    int code = 0;
    {
        TempDir appData;
        ScopedEnv env("QUILLMERE_APPDATA", appData.path());
        const std::wstring base = appData.path() + platform::kPathSeparator + L"OrlynDataRecovery" +
                                  platform::kPathSeparator + L"ScanLog";
        platform::createFolderTree(base);
        writeWholeFile(platform::joinPath(base, L"config"), indexBytes(41, {}));

        CScanHistory& history = CScanHistory::Instance();
        if (&history != &CScanHistory::Instance()) code = 1;
        else if (history.BaseFolder() != base) code = 2;
        else if (history.Counter() != 41) code = 3;
    }
    return code;
}

TEST(ScanHistoryInstance, LoadsTheIndexBelowTheAppDataFolder) {
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a new process, not a copy of this one
    EXPECT_EXIT(std::exit(checkInstance()), ::testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
}

}  // namespace
}  // namespace qm::test

// A scan history below a fresh temporary application-data folder, with helpers to lay out
// index files and scan-log folders by hand.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "results/scan_history.h"
#include "results/scan_history_file.h"
#include "tests/support/test_support.h"

namespace qm::test {

class ScanHistoryFixture : public ::testing::Test {
protected:
    std::wstring base() const {
        return dir_.path() + platform::kPathSeparator + L"OrlynDataRecovery" + platform::kPathSeparator + L"ScanLog";
    }
    std::wstring configPath() const { return base() + platform::kPathSeparator + L"config"; }
    std::wstring tempPath() const { return configPath() + L".tmp"; }
    // base + separator + number + separator, as the index hands folders out.
    std::wstring folder(uint64_t number) const {
        return base() + platform::kPathSeparator + std::to_wstring(number) + platform::kPathSeparator;
    }
    std::wstring withoutSeparator(const std::wstring& path) const { return path.substr(0, path.size() - 1); }

    // A scan-log folder on disk with one log file in it.
    void makeLogFolder(const std::wstring& path) {
        ASSERT_EQ(0, platform::createFolderTree(path));
        writeWholeFile(platform::joinPath(path, L"Fast_1"), {1, 2, 3});
    }

    void writeIndex(const std::wstring& path, uint64_t counter, const std::vector<ScanHistoryRecord>& records) {
        ASSERT_EQ(0, platform::createFolderTree(base()));
        std::vector<uint8_t> bytes;
        ASSERT_EQ(0, encodeScanHistory(counter, records, bytes));
        writeWholeFile(path, bytes);
    }

    static ScanHistoryRecord partitionRecord(uint32_t disk, uint64_t first, uint64_t count, uint64_t freeBytes,
                                             const std::wstring& folder) {
        ScanHistoryRecord r;
        r.diskNumber = disk;
        r.firstSector = first;
        r.sectorCount = count;
        r.volumeFreeBytes = freeBytes;
        r.folder = folder;
        return r;
    }

    TempDir dir_;
    CScanHistory history_{dir_.path()};
};

inline void expectSameRecord(const ScanHistoryRecord& want, const ScanHistoryRecord& got) {
    EXPECT_EQ(want.diskNumber, got.diskNumber);
    EXPECT_EQ(want.firstSector, got.firstSector);
    EXPECT_EQ(want.sectorCount, got.sectorCount);
    EXPECT_EQ(want.resume.extentStart, got.resume.extentStart);
    EXPECT_EQ(want.resume.extentLength, got.resume.extentLength);
    EXPECT_EQ(want.resume.extentDone, got.resume.extentDone);
    EXPECT_EQ(want.resume.sectorsDone, got.resume.sectorsDone);
    EXPECT_EQ(want.resume.filesFound, got.resume.filesFound);
    EXPECT_EQ(want.volumeFreeBytes, got.volumeFreeBytes);
    EXPECT_EQ(want.imageWriteTime, got.imageWriteTime);
    EXPECT_TRUE(want.imagePath == got.imagePath) << platform::toUtf8(got.imagePath);
    EXPECT_TRUE(want.folder == got.folder) << platform::toUtf8(got.folder);
}

}  // namespace qm::test

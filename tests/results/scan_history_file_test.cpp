#include "results/scan_history_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/errors.h"
#include "tests/results/scan_history_fixture.h"

namespace qm::test {
namespace {

ScanHistoryRecord sampleRecord() {
    ScanHistoryRecord r;
    r.diskNumber = 0x01020304;
    r.firstSector = 0x1112131415161718ULL;
    r.sectorCount = 0x2122232425262728ULL;
    r.resume = {0x31, 0x32, 0x33, 0x34, 0x35};
    r.volumeFreeBytes = 0x4142434445464748ULL;
    r.imageWriteTime = 0x01D0'0000'1234'5678ULL;
    r.imagePath = L"M\u00FC\u65E5\U0001F600.img";  // Latin, CJK and a character beyond the BMP
    r.folder = L"F\\";
    return r;
}

std::vector<uint16_t> unitsAt(const std::vector<uint8_t>& bytes, size_t offset, size_t count) {
    std::vector<uint16_t> units;
    ByteView view(bytes.data(), bytes.size());
    for (size_t i = 0; i < count; ++i) units.push_back(view.u16(offset + i * 2));
    return units;
}

TEST(ScanHistoryFile, EncodesEveryFieldAtItsOffsetAndDecodesItBack) {
    using namespace history_offset;
    std::vector<uint8_t> bytes(kHistoryRecordSize, 0xCC);
    ASSERT_EQ(0, encodeHistoryRecord(sampleRecord(), bytes.data()));
    ByteView view(bytes.data(), bytes.size());

    EXPECT_EQ(0x01020304u, view.u32(kDiskNumber));
    EXPECT_EQ(0u, view.u32(4)) << "padding is written as zero";
    EXPECT_EQ(0x1112131415161718ULL, view.u64(kFirstSector));
    EXPECT_EQ(0x18, bytes[kFirstSector]) << "little-endian";
    EXPECT_EQ(0x2122232425262728ULL, view.u64(kSectorCount));
    EXPECT_EQ(0x31u, view.u64(kExtentStart));
    EXPECT_EQ(0x32u, view.u64(kExtentLength));
    EXPECT_EQ(0x33u, view.u64(kExtentDone));
    EXPECT_EQ(0x34u, view.u64(kSectorsDone));
    EXPECT_EQ(0x35u, view.u64(kFilesFound));
    EXPECT_EQ(0x4142434445464748ULL, view.u64(kVolumeFreeBytes));
    EXPECT_EQ(0x01D0'0000'1234'5678ULL, view.u64(kImageWriteTime));

    const std::vector<uint16_t> path = {u'M', 0x00FC, 0x65E5, 0xD83D, 0xDE00, u'.', u'i', u'm', u'g', 0};
    EXPECT_EQ(path, unitsAt(bytes, kImagePath, path.size()));
    EXPECT_EQ((std::vector<uint16_t>{u'F', u'\\', 0}), unitsAt(bytes, kFolder, 3));
    // Unused path units are zero, not left-over memory.
    EXPECT_EQ(std::vector<uint16_t>(kHistoryPathUnits - 3, 0), unitsAt(bytes, kFolder + 6, kHistoryPathUnits - 3));

    ScanHistoryRecord back;
    ASSERT_TRUE(decodeHistoryRecord(view, back));
    expectSameRecord(sampleRecord(), back);
}

TEST(ScanHistoryFile, PathWithoutNulIsReadWithinItsField) {
    using namespace history_offset;
    std::vector<uint8_t> bytes(kHistoryRecordSize + 16, 0);
    for (size_t i = 0; i < kHistoryPathUnits; ++i) {
        putU16(bytes.data() + kImagePath + i * 2, u'A');
        putU16(bytes.data() + kFolder + i * 2, u'B');
    }
    // Bytes after the record must not leak into the folder.
    for (size_t i = kHistoryRecordSize; i < bytes.size(); ++i) bytes[i] = 'C';
    ScanHistoryRecord r;
    ASSERT_TRUE(decodeHistoryRecord(ByteView(bytes.data(), bytes.size()), r));
    EXPECT_TRUE(r.imagePath == std::wstring(kHistoryPathUnits, L'A'));
    EXPECT_TRUE(r.folder == std::wstring(kHistoryPathUnits, L'B'));

    // Such a record is written back as it came.
    std::vector<uint8_t> again(kHistoryRecordSize);
    ASSERT_EQ(0, encodeHistoryRecord(r, again.data()));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + kHistoryRecordSize), again);
}

TEST(ScanHistoryFile, DamagedUtf16AndOverlongPaths) {
    using namespace history_offset;
    std::vector<uint8_t> bytes(kHistoryRecordSize, 0);
    putU16(bytes.data() + kImagePath, 0xD800);  // a lone high surrogate
    putU16(bytes.data() + kImagePath + 2, u'x');
    ScanHistoryRecord r;
    ASSERT_TRUE(decodeHistoryRecord(ByteView(bytes.data(), bytes.size()), r));
    EXPECT_TRUE(r.imagePath == L"\uFFFDx");

    r.imagePath = std::wstring(kHistoryPathUnits + 1, L'a');
    EXPECT_EQ(kErrorFilenameTooLong, encodeHistoryRecord(r, bytes.data()));
    r.imagePath = std::wstring(kHistoryPathUnits - 1, L'a') + L"\U0001F600";  // 261 units
    EXPECT_EQ(kHistoryPathUnits + 1, historyPathUnits(r.imagePath));
    std::vector<uint8_t> file;
    EXPECT_EQ(kErrorFilenameTooLong, encodeScanHistory(1, {r}, file));
}

}  // namespace
}  // namespace qm::test

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/core/image_destination_check.h"

namespace qm {
namespace {

constexpr uint64_t kGiB = 1ull << 30;

TEST(ImageDestinationCheck, RefusesWhatCannotHoldTheImage) {
    struct Case {
        const wchar_t* path;
        const wchar_t* fileSystem;
        std::optional<uint64_t> freeBytes;
        uint16_t sourceLetter;
        uint64_t imageBytes;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"e:\\disk.img", L"NTFS", 100 * kGiB, u'E', kGiB, L"MSG0218"},        // on the source itself
        {L"3:\\disk.img", L"NTFS", 100 * kGiB, 3, kGiB, L""},                   // a number tag is no drive
        {L"D:\\disk.img", L"FAT32", 100 * kGiB, u'E', 4 * kGiB, L"MSG0220"},    // exactly 4 GiB does not fit
        {L"D:\\disk.img", L"FAT32", 100 * kGiB, u'E', 4 * kGiB - 1, L""},
        {L"D:\\disk.img", L"FAT", 100 * kGiB, u'E', 2 * kGiB + 1, L"MSG0219"},
        {L"D:\\disk.img", L"fat16", 100 * kGiB, u'E', 2 * kGiB, L""},
        {L"D:\\disk.img", L"NTFS", kGiB, u'E', kGiB, L"MSG0221"},               // free space must exceed it
        {L"D:\\disk.img", L"NTFS", std::nullopt, u'E', 500 * kGiB, L""},        // unknown free space passes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::wstring(c.fileSystem) + L" " + std::to_wstring(c.imageBytes));
        EXPECT_EQ(c.expected, CheckImageDestination({c.path, c.fileSystem, c.freeBytes}, c.sourceLetter, c.imageBytes));
    }
}

TEST(ImageDestinationCheck, ProposedNames) {
    VolumeEntry entry;
    entry.tag = u'e';
    entry.fsName = L"FAT32";
    entry.totalBytes = 2 * kGiB;
    EXPECT_EQ(L"E (FAT32, 2.00 GB)", ProposedImageName(entry));
    entry.tag = 4;
    EXPECT_EQ(L"4 (FAT32, 2.00 GB)", ProposedImageName(entry));
    EXPECT_EQ(L"Physical Disk 1", ProposedDiskImageName(0));
}

}  // namespace
}  // namespace qm

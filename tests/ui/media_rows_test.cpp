#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/media_rows.h"

namespace qm {
namespace {

VolumeEntry partition(uint16_t tag, const std::wstring& label, uint64_t totalBytes) {
    VolumeEntry entry;
    entry.tag = tag;
    entry.fsName = L"FAT32";
    entry.label = label;
    entry.totalBytes = totalBytes;
    entry.usedBytes = totalBytes / 4;
    entry.freeBytes = totalBytes - entry.usedBytes;
    return entry;
}

TEST(MediaRows, DiskPartitionAndImageRows) {
    const MediaRow disk = DiskRow(L"Removable disk", 1, true);
    EXPECT_EQ(L"{f 5}{x 5}{i removable_drive.png 1 0}{x 2}Removable disk 2{/5}", disk.columns[0]);
    EXPECT_EQ(L"MSG0201", DiskRowMessageKey(false));

    const MediaRow numbered = EntryRow(partition(3, L"DATA", 1536), false);
    EXPECT_EQ(L"{f 4}{x 2}3:\\ DATA{/f}", numbered.columns[0]);
    EXPECT_EQ(L"{f 4}FAT32{/f}", numbered.columns[1]);
    EXPECT_EQ(L"1.50 KB", numbered.columns[2]);
    EXPECT_EQ(L"file='drive.png' dest='28,0,50,24'", numbered.icon);
    EXPECT_EQ(L"{f 4}{x 2}E:\\ CARD{/f}", EntryRow(partition(u'E', L"CARD", 1), true).columns[0]);

    VolumeEntry unmeasured = partition(u'F', L"X", 10);
    unmeasured.freeBytes = static_cast<uint64_t>(-1);
    EXPECT_EQ(L"{f 45}{x 2}*:\\{/f}", EntryRow(unmeasured, false).columns[0]);

    const MediaRow image = ImageRow(L"C:\\images/card one.img", 3u << 20);
    EXPECT_EQ(L"{f 5}card one.img{/f}", image.columns[0]);
    EXPECT_EQ(L"{f 5}3.00 MB{/f}", image.columns[2]);
    EXPECT_EQ(L"card.img", FileNameOfPath(L"C:\\backup\\card.img"));
}

TEST(MediaRows, DetailsOfAPartitionAndOfAnImage) {
    const MessageText messages = [](const std::wstring& key) { return L"<" + key + L">"; };
    const MediumDetails unlabelled = EntryDetails(partition(2, L"", 4096), messages);
    EXPECT_EQ(L"<MSG0203> 2", unlabelled.labels[0]);
    EXPECT_EQ(L"<MSG0204>", unlabelled.labels[1]);
    EXPECT_EQ(L"<MSG0208> 3.00 KB", unlabelled.labels[5]);
    EXPECT_EQ(L"<MSG0204> PHOTOS", EntryDetails(partition(u'G', L"PHOTOS", 1), messages).labels[1]);
    const MediumDetails image = ImageDetails(L"/tmp/a.img", 512, messages);
    EXPECT_EQ(L"<MSG0209> /tmp/a.img", image.labels[0]);
    EXPECT_EQ(L"<MSG0210> 512 Bytes", image.labels[1]);
    EXPECT_EQ(L"", image.labels[2]);
}

TEST(MediaRows, PreselectsARemovableEntryElseTheSecondRow) {
    using K = MediaRowKind;
    const std::vector<MediaListRow> fixedOnly = {{K::Disk}, {K::Entry}, {K::Entry}, {K::ImageRoot}, {K::Image}};
    EXPECT_EQ(1, PreselectedRow(fixedOnly));
    const std::vector<MediaListRow> withCard = {{K::Disk}, {K::Entry}, {K::Disk, true}, {K::Entry, true}, {K::Entry, true}};
    EXPECT_EQ(3, PreselectedRow(withCard));
    EXPECT_EQ(-1, PreselectedRow({{K::Disk}}));
    EXPECT_EQ(-1, PreselectedRow({{K::ImageRoot, false, true}, {K::Image, false, true}, {K::Disk}}));
}

TEST(MediaRows, ImageTagsCountOnFromAThousand) {
    ImageTagCounter tags;
    EXPECT_EQ(1001, tags.Next());
    EXPECT_EQ(1002, tags.Next());
    EXPECT_EQ(1002, tags.Last());
}

}  // namespace
}  // namespace qm

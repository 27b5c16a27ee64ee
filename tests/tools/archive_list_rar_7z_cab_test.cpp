#include "tests/tools/archive_list_helpers.h"

#include <cstring>

#include "disk/byte_view.h"

namespace qm::test {
namespace {

using extract::ListStatus;

TEST(CabListing, PublicSampleNamesSizesAndTimes) {
    const Listed l = ListFile(SamplePath("cab/test-documents.cab"));
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_EQ(l.listing.entries.size(), 9u);
    ASSERT_NE(l.find("testPDF.pdf"), nullptr);
    EXPECT_EQ(*l.find("testPDF.pdf")->size, 34824u);
    EXPECT_EQ(l.find("testPDF.pdf")->time.year, 2007);
}

TEST(CabListing, GcabCabinetAndItsTruncation) {
    if (!HaveTool("gcab")) GTEST_SKIP() << "gcab is not installed";
    TempDir dir;
    ASSERT_TRUE(Shell(dir, "printf 1234 > one.txt && printf 123456789 > two.txt && gcab -c -z t.cab one.txt two.txt"));
    std::vector<uint8_t> cab = readWholeFile(dir.file(L"t.cab"));
    Listed l = ListBytes(cab);
    ASSERT_EQ(l.status, ListStatus::Listed);
    ASSERT_EQ(l.listing.entries.size(), 2u);
    EXPECT_EQ(*l.find("two.txt")->size, 9u);
    cab.resize(ByteView(cab.data(), cab.size()).u32(16) + 30);  // inside the second file record
    l = ListBytes(cab);
    EXPECT_EQ(l.listing.entries.size(), 1u);
    EXPECT_FALSE(l.listing.note.empty());
}

TEST(RarListing, Rar4SampleWithFolderAndPackedSizes) {
    const Listed l = ListFile(SamplePath("rar/test-documents.rar"));
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_EQ(l.listing.format, "rar");
    const auto* pdf = l.find("test-documents\\testPDF.pdf");
    ASSERT_NE(pdf, nullptr);
    EXPECT_EQ(*pdf->size, 34824u);
    EXPECT_EQ(*pdf->packedSize, 32079u);
}

TEST(RarListing, Rar4CutInsideAnEntryKeepsTheEntriesBefore) {
    std::vector<uint8_t> rar = readWholeFile(SamplePath("rar/test-documents.rar"));
    rar.resize(rar.size() / 2);
    const Listed l = ListBytes(rar);
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_GE(l.listing.entries.size(), 1u);
    EXPECT_LT(l.listing.entries.size(), 9u);
    EXPECT_FALSE(l.listing.note.empty());
}

// One RAR 5 header block: CRC (not checked by a lister), size, then the fields given.
void AppendRar5Block(std::vector<uint8_t>& out, const std::vector<uint8_t>& fields, size_t dataBytes = 0) {
    out.insert(out.end(), {0, 0, 0, 0, static_cast<uint8_t>(fields.size())});
    out.insert(out.end(), fields.begin(), fields.end());
    out.insert(out.end(), dataBytes, 'x');
}

std::vector<uint8_t> Rar5Archive(bool encryptedHeaders) {
    std::vector<uint8_t> a = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
    if (encryptedHeaders) AppendRar5Block(a, {4, 0, 0, 0, 15});
    AppendRar5Block(a, {1, 0, 0});  // main
    // file: has 3 data bytes; flags time+crc, size 3, attributes archive, mtime, crc, method 0,
    // host Windows, then the name
    std::vector<uint8_t> file = {2, 2, 3, 6, 3, 0x20};
    const uint32_t mtime = 1600000000;  // 2020-09-13 12:26:40 UTC
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(mtime >> (8 * i)));
    const std::string name = "dir/\xC3\xBC.txt";
    file.insert(file.end(), {0, 0, 0, 0, 0, 0, static_cast<uint8_t>(name.size())});
    file.insert(file.end(), name.begin(), name.end());
    AppendRar5Block(a, file, 3);
    AppendRar5Block(a, {2, 0, 1, 0, 0x10, 0, 0, 3, 'd', 'i', 'r'});  // folder
    AppendRar5Block(a, {5, 0, 0});                                   // end
    return a;
}

TEST(RarListing, Rar5FilesFoldersAndTimes) {
    const Listed l = ListBytes(Rar5Archive(false));
    ASSERT_EQ(l.status, ListStatus::Listed) << l.error;
    EXPECT_EQ(l.listing.format, "rar5");
    ASSERT_EQ(l.listing.entries.size(), 2u);
    const auto* file = l.find("dir/\xC3\xBC.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(*file->size, 3u);
    EXPECT_EQ(*file->packedSize, 3u);
    EXPECT_EQ(file->time.year, 2020);
    EXPECT_EQ(file->time.minute, 26);
    EXPECT_TRUE(l.find("dir")->folder());
}

TEST(RarListing, EncryptedHeadersAreAnError) {
    const Listed l = ListBytes(Rar5Archive(true));
    EXPECT_EQ(l.status, ListStatus::Unreadable);
    EXPECT_NE(l.error.find("encrypted"), std::string::npos);
}

// A 7z archive with a plain header: "a.txt" (5 bytes, stored) and the folder "dir".
std::vector<uint8_t> SevenZip() {
    std::vector<uint8_t> header = {0x01, 0x04, 0x06, 0x00, 0x01, 0x09, 0x05, 0x00, 0x07, 0x0B, 0x01, 0x00,
                                   0x01, 0x01, 0x00, 0x0C, 0x05, 0x00, 0x00, 0x05, 0x02, 0x0E, 0x01, 0x40,
                                   0x11, 0x15, 0x00};
    for (const char* name : {"a.txt", "dir"}) {
        for (const char* c = name; *c; ++c) header.insert(header.end(), {static_cast<uint8_t>(*c), 0});
        header.insert(header.end(), {0, 0});
    }
    header.insert(header.end(), {0x14, 0x12, 0x01, 0x00});
    const uint64_t filetime = 132000000000000000ull;  // 2019-04-14
    for (int f = 0; f < 2; ++f)
        for (int i = 0; i < 8; ++i) header.push_back(static_cast<uint8_t>(filetime >> (8 * i)));
    header.insert(header.end(), {0x15, 0x0A, 0x01, 0x00, 0x20, 0, 0, 0, 0x10, 0, 0, 0, 0x00, 0x00});
    std::vector<uint8_t> a(32, 0);
    std::memcpy(a.data(), "7z\xBC\xAF\x27\x1C\x00\x04", 8);
    putU64(a.data() + 12, 5);
    putU64(a.data() + 20, header.size());
    a.insert(a.end(), {'h', 'e', 'l', 'l', 'o'});
    a.insert(a.end(), header.begin(), header.end());
    return a;
}

TEST(SevenZipListing, PlainHeaderNamesSizesFoldersAndTimes) {
    const Listed l = ListBytes(SevenZip());
    ASSERT_EQ(l.status, ListStatus::Listed) << l.error;
    ASSERT_EQ(l.listing.entries.size(), 2u);
    EXPECT_EQ(*l.find("a.txt")->size, 5u);
    EXPECT_EQ(l.find("a.txt")->time.year, 2019);
    EXPECT_TRUE(l.find("dir")->folder());
}

TEST(SevenZipListing, CompressedHeaderAndHeaderPastTheEndAreErrors) {
    Listed l = ListFile(SamplePath("7z/test-documents.7z"));
    EXPECT_EQ(l.status, ListStatus::Unreadable);
    EXPECT_NE(l.error.find("compressed header"), std::string::npos);
    std::vector<uint8_t> forged = SevenZip();
    putU64(forged.data() + 12, 1ull << 40);
    l = ListBytes(forged);
    EXPECT_EQ(l.status, ListStatus::Unreadable);
    forged = SevenZip();
    putU64(forged.data() + 20, ByteView(forged.data(), forged.size()).u64(20) - 20);  // file list cut short
    EXPECT_EQ(ListBytes(forged).status, ListStatus::Unreadable);
}

}  // namespace
}  // namespace qm::test

#include "tests/tools/archive_list_helpers.h"

#include "disk/byte_view.h"

namespace qm::test {
namespace {

using extract::ListStatus;

// A zip of a folder tree with a non-ASCII name, made by Debian's zip.
class ZipListing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
        ASSERT_TRUE(Shell(dir, "mkdir -p d/sub && printf hello > d/sub/f.txt && printf 12 > 'd/ünï.txt' && "
                               "touch -d '2021-05-06 07:08:10' d/sub/f.txt && zip -qr t.zip d"));
        bytes = readWholeFile(dir.file(L"t.zip"));
    }
    TempDir dir;
    std::vector<uint8_t> bytes;
};

TEST_F(ZipListing, ListsFoldersFilesSizesTimesAndUtf8Names) {
    const Listed l = ListBytes(bytes);
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_EQ(l.listing.entries.size(), 4u);
    EXPECT_TRUE(l.listing.note.empty());
    const auto* file = l.find("d/sub/f.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(*file->size, 5u);
    EXPECT_FALSE(file->folder());
    EXPECT_EQ(file->time.year, 2021);
    EXPECT_EQ(file->time.second, 10);
    ASSERT_NE(l.find("d/sub/"), nullptr);
    EXPECT_TRUE(l.find("d/sub/")->folder());
    EXPECT_NE(l.find("d/\xC3\xBCn\xC3\xAF.txt"), nullptr);
}

TEST_F(ZipListing, EncryptedEntriesAreMarked) {
    ASSERT_TRUE(Shell(dir, "zip -q -P secret e.zip d/sub/f.txt"));
    const Listed l = ListBytes(readWholeFile(dir.file(L"e.zip")));
    ASSERT_EQ(l.listing.entries.size(), 1u);
    EXPECT_TRUE(l.listing.entries[0].encrypted);
    EXPECT_FALSE(l.find("d/sub/f.txt") == nullptr);
}

TEST_F(ZipListing, Zip64RecordsAndExtraFieldsAreFollowed) {
    // -fz: the end record's offset is saturated, only the ZIP64 record holds the real one.
    ASSERT_TRUE(Shell(dir, "zip -q -fz z.zip d/sub/f.txt 'd/ünï.txt'"));
    const Listed l = ListBytes(readWholeFile(dir.file(L"z.zip")));
    ASSERT_EQ(l.status, ListStatus::Listed);
    ASSERT_EQ(l.listing.entries.size(), 2u);
    EXPECT_EQ(*l.find("d/sub/f.txt")->size, 5u);
    EXPECT_TRUE(l.listing.note.empty());
}

TEST_F(ZipListing, TruncatedZipIsListedFromItsLocalHeaders) {
    bytes.resize(bytes.size() * 2 / 3);  // the central directory is gone
    const Listed l = ListBytes(bytes);
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_FALSE(l.listing.note.empty());
    EXPECT_GE(l.listing.entries.size(), 2u);
    EXPECT_NE(l.find("d/"), nullptr);
}

TEST_F(ZipListing, ForgedDirectoryOffsetsAndCountsListWhatIsSound) {
    const size_t end = bytes.size() - 22;
    for (uint32_t offset : {uint32_t(end), 0xFFFFFFF0u}) {
        std::vector<uint8_t> forged = bytes;
        putU32(forged.data() + end + 16, offset);  // at the end record itself, then past the file
        putU16(forged.data() + end + 10, 0xFFFF);
        if (offset != end) putU32(forged.data() + end + 12, 0xFFFFFFF0u);
        const Listed l = ListBytes(forged);
        ASSERT_EQ(l.status, ListStatus::Listed) << offset;
        EXPECT_EQ(l.listing.entries.size(), 4u) << offset;
        EXPECT_FALSE(l.listing.note.empty()) << offset;
    }
}

TEST_F(ZipListing, Zip64EntryCountOfAllOnesDoesNotRunAway) {
    ASSERT_TRUE(Shell(dir, "zip -q -fz z.zip d/sub/f.txt"));
    std::vector<uint8_t> forged = readWholeFile(dir.file(L"z.zip"));
    const size_t record = forged.size() - 22 - 20 - 56;
    ASSERT_EQ(ByteView(forged.data(), forged.size()).u32(record), 0x06064B50u);
    putU64(forged.data() + record + 24, ~0ull);
    putU64(forged.data() + record + 32, ~0ull);
    const Listed l = ListBytes(forged);
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_EQ(l.listing.entries.size(), 1u);
    EXPECT_FALSE(l.listing.note.empty());
}

TEST(ZipSample, PublicSampleListsItsNineDocuments) {
    const Listed l = ListFile(SamplePath("zip/test-documents.zip"));
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_EQ(l.listing.entries.size(), 9u);
    ASSERT_NE(l.find("testPDF.pdf"), nullptr);
    EXPECT_EQ(*l.find("testPDF.pdf")->size, 34824u);
    EXPECT_EQ(*l.find("testPDF.pdf")->packedSize, 32147u);
}

}  // namespace
}  // namespace qm::test

#include "tests/tools/archive_list_helpers.h"

#include <cstring>

namespace qm::test {
namespace {

using extract::ListStatus;

// A tree with a 130-character path, made into tars of each header dialect.
class TarListing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("tar") || !HaveTool("gzip") || !HaveTool("bzip2")) GTEST_SKIP() << "tar, gzip or bzip2 missing";
        ASSERT_TRUE(Shell(dir, "mkdir -p top/" + std::string(60, 'a') + " && printf 123456 > top/" + LongName() +
                               " && touch -d '2022-01-02 03:04:05 UTC' top/" + LongName()));
    }
    static std::string LongName() { return std::string(60, 'a') + "/" + std::string(65, 'b') + ".txt"; }
    void ExpectTree(const Listed& l) {
        ASSERT_EQ(l.status, ListStatus::Listed) << l.error;
        EXPECT_TRUE(l.listing.note.empty()) << l.listing.note;
        ASSERT_EQ(l.listing.entries.size(), 3u);
        const auto* file = l.find("top/" + LongName());
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(*file->size, 6u);
        EXPECT_EQ(file->time.year, 2022);
        EXPECT_EQ(file->time.hour, 3);
        EXPECT_TRUE(l.find("top/")->folder());
    }
    TempDir dir;
};

TEST_F(TarListing, UstarGnuAndPaxLongNames) {
    for (const char* format : {"ustar", "gnu", "pax"}) {
        SCOPED_TRACE(format);
        ASSERT_TRUE(Shell(dir, std::string("tar --format=") + format + " -cf t.tar top"));
        ExpectTree(ListFile(dir.file(L"t.tar")));
    }
}

TEST_F(TarListing, OldV7HeadersAreFoundByChecksum) {
    ASSERT_TRUE(Shell(dir, "printf x > top/short && tar --format=v7 -cf v.tar top/short"));
    const Listed l = ListFile(dir.file(L"v.tar"));
    ASSERT_EQ(l.status, ListStatus::Listed);
    ASSERT_EQ(l.listing.entries.size(), 1u);
    EXPECT_EQ(*l.listing.entries[0].size, 1u);
}

TEST_F(TarListing, GzippedTarIsListedThroughInflate) {
    ASSERT_TRUE(Shell(dir, "tar --format=gnu -czf t.tgz top"));
    const Listed l = ListFile(dir.file(L"t.tgz"));
    EXPECT_EQ(l.listing.format, "tar (gzip)");
    ExpectTree(l);
}

TEST_F(TarListing, GzipMemberNameTimeAndSize) {
    ASSERT_TRUE(Shell(dir, "head -c 70000 /dev/zero > plain.bin && touch -d '2020-02-03 04:05:06 UTC' plain.bin && "
                           "gzip -k plain.bin && gzip -n -c plain.bin > noname.bin.gz"));
    const Listed named = ListFile(dir.file(L"plain.bin.gz"));
    ASSERT_EQ(named.listing.entries.size(), 1u);
    EXPECT_EQ(named.listing.entries[0].name, "plain.bin");
    EXPECT_EQ(*named.listing.entries[0].size, 70000u);
    EXPECT_EQ(named.listing.entries[0].time.year, 2020);
    const Listed unnamed = ListFile(dir.file(L"noname.bin.gz"));
    ASSERT_EQ(unnamed.listing.entries.size(), 1u);
    EXPECT_EQ(unnamed.listing.entries[0].name, "noname.bin");
    EXPECT_FALSE(unnamed.listing.entries[0].time.known());
}

TEST_F(TarListing, Bzip2IsOneEntryNamedAfterTheArchive) {
    ASSERT_TRUE(Shell(dir, "tar -cjf t.tbz2 top"));
    const Listed l = ListFile(dir.file(L"t.tbz2"));
    ASSERT_EQ(l.status, ListStatus::Listed);
    ASSERT_EQ(l.listing.entries.size(), 1u);
    EXPECT_EQ(l.listing.entries[0].name, "t.tar");
    EXPECT_FALSE(l.listing.entries[0].size.has_value());
}

TEST_F(TarListing, HugeSizeFieldAndTruncationStopWithANote) {
    ASSERT_TRUE(Shell(dir, "printf x > top/z && tar --format=ustar -cf t.tar top/z top"));
    std::vector<uint8_t> tar = readWholeFile(dir.file(L"t.tar"));
    // The first header claims 8 GiB of data (octal, checksum fixed up).
    std::memcpy(tar.data() + 124, "77777777777", 11);
    unsigned sum = 0;
    for (size_t i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : tar[i];
    std::snprintf(reinterpret_cast<char*>(tar.data() + 148), 8, "%06o", sum);
    Listed l = ListBytes(tar);
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_EQ(l.listing.entries.size(), 1u);
    EXPECT_FALSE(l.listing.note.empty());

    tar = readWholeFile(dir.file(L"t.tar"));
    tar.resize(512 + 512 + 100);  // cut inside the second header
    l = ListBytes(tar);
    EXPECT_EQ(l.listing.entries.size(), 1u);
}

TEST(GzipSample, DebianChangelogIsOneMember) {
    const Listed l = ListFile(SamplePath("gz/changelog.gz"));
    ASSERT_EQ(l.status, ListStatus::Listed);
    ASSERT_EQ(l.listing.entries.size(), 1u);
    EXPECT_EQ(l.listing.entries[0].name, "changelog");
    EXPECT_EQ(*l.listing.entries[0].size, 113573u);
}

}  // namespace
}  // namespace qm::test

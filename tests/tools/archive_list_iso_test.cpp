#include "tests/tools/archive_list_helpers.h"

#include "disk/byte_view.h"

namespace qm::test {
namespace {

using extract::ListStatus;

class IsoListing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("xorriso")) GTEST_SKIP() << "xorriso is not installed";
        ASSERT_TRUE(Shell(dir, "mkdir -p tree/Sub && printf 1234567 > 'tree/Sub/Mixed Case ünï.txt' && "
                               "printf ab > tree/readme && xorriso -as mkisofs -J -quiet -o t.iso tree"));
        bytes = readWholeFile(dir.file(L"t.iso"));
    }
    TempDir dir;
    std::vector<uint8_t> bytes;
};

TEST_F(IsoListing, JolietNamesAreListedRecursively) {
    const Listed l = ListBytes(bytes);
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_EQ(l.listing.format, "iso9660 (Joliet)");
    ASSERT_EQ(l.listing.entries.size(), 3u);
    ASSERT_NE(l.find("Sub"), nullptr);
    EXPECT_TRUE(l.find("Sub")->folder());
    const auto* file = l.find("Sub/Mixed Case \xC3\xBCn\xC3\xAF.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(*file->size, 7u);
    EXPECT_TRUE(file->time.known());
}

TEST_F(IsoListing, DirectoryPointingAtTheRootIsWalkedOnce) {
    // Every descriptor's tree gets its "Sub" record aimed back at that tree's root.
    ByteView view(bytes.data(), bytes.size());
    int patched = 0;
    for (size_t sector = 16; sector < 32 && view.u8(sector * 2048) != 255; ++sector) {
        const uint32_t root = view.u32(sector * 2048 + 156 + 2);
        const size_t at = size_t(root) * 2048;
        for (size_t pos = at; pos < at + 2048 && view.u8(pos) != 0; pos += view.u8(pos)) {
            if ((view.u8(pos + 25) & 2) && view.u8(pos + 32) > 1) {
                putU32(bytes.data() + pos + 2, root);
                ++patched;
            }
        }
    }
    ASSERT_GE(patched, 1);
    const Listed l = ListBytes(bytes);
    ASSERT_EQ(l.status, ListStatus::Listed);
    EXPECT_EQ(l.listing.entries.size(), 2u);  // "Sub" and "readme"; Sub's own content is the root's
    EXPECT_FALSE(l.listing.note.empty());
}

TEST_F(IsoListing, DirectoryOutsideATruncatedImageIsNoted) {
    const uint32_t root = ByteView(bytes.data(), bytes.size()).u32(16 * 2048 + 156 + 2);
    bytes.resize(size_t(root) * 2048);  // the descriptors survive, the root directory does not
    const Listed l = ListBytes(bytes);
    EXPECT_EQ(l.status, ListStatus::Listed);
    EXPECT_TRUE(l.listing.entries.empty());
    EXPECT_FALSE(l.listing.note.empty());
}

}  // namespace
}  // namespace qm::test

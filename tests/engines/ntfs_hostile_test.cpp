// Damaged and hostile MFT records: every scan runs to its end, nothing reads out of bounds
// or loops, and what is intact is still found.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "engines/ntfs/fast_ntfs_recovery.h"
#include "engines/ntfs/ntfs_record.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "tests/engines/ntfs_test_helpers.h"
#include "tests/support/test_support.h"

namespace qm {
namespace {

class NtfsHostileTest : public ::testing::Test {
protected:
    void SetUp() override {
        env_ = std::make_unique<test::ScopedEnv>("QUILLMERE_APPDATA", dir_.path());
        load("ntfs-512-c4k");
    }
    void load(const std::string& name) {
        source_ = test::fixturePath(name + ".img");
        bytes_ = test::readWholeFile(source_);
        ASSERT_FALSE(bytes_.empty());
        CFastNtfsRecovery probe;
        probe.SetLogFolder(dir_.file(L"probe"));
        ASSERT_EQ(0, probe.OpenImage(source_, 0));
        geometry_ = probe.Geometry();
        mft_ = probe.MftRuns();
        ASSERT_EQ(0, probe.Scan(nullptr));
        original_ = test::walkTree(probe);
    }

    // The byte offset in the image of a record.
    size_t recordAt(uint32_t number) const {
        return static_cast<size_t>(recordToSector(number, mft_, geometry_)) * 512;
    }
    uint32_t numberOf(const std::string& path) const { return static_cast<uint32_t>(original_.at(path).record.fsId); }
    // Offset of the first attribute of a type in a record (0 when none).
    size_t attributeAt(uint32_t number, uint32_t type) const {
        const size_t base = recordAt(number);
        ByteView record(bytes_.data() + base, 1024);
        size_t found = 0;
        walkAttributes(record, recordFirstAttribute(record), 1024, kLookupRules, [&](const NtfsAttribute& a) {
            if (a.type != type) return true;
            found = base + a.offset;
            return false;
        });
        return found;
    }

    // Scans the damaged copy; the scan must end normally.
    std::map<std::string, test::FoundItem> scan(int expectedResult = 0) {
        const std::wstring image = dir_.file(L"damaged" + std::to_wstring(++serial_) + L".img");
        test::writeWholeFile(image, bytes_);
        engine_ = std::make_unique<CFastNtfsRecovery>();
        engine_->SetLogFolder(dir_.file(L"logs"));
        EXPECT_EQ(0, engine_->OpenImage(image, 0));
        EXPECT_EQ(expectedResult, engine_->Scan(nullptr));
        return test::walkTree(*engine_);
    }

    test::TempDir dir_;
    std::unique_ptr<test::ScopedEnv> env_;
    std::wstring source_;
    std::vector<uint8_t> bytes_;
    NtfsVolumeGeometry geometry_;
    RunList mft_;
    std::map<std::string, test::FoundItem> original_;
    std::unique_ptr<CFastNtfsRecovery> engine_;
    int serial_ = 0;
};

TEST_F(NtfsHostileTest, BadFixupsAndBrokenHeadersSpoilOnlyTheirRecord) {
    const uint32_t gone = numberOf("Docs/gone.txt");
    const uint32_t tiny = numberOf("Docs/tiny.txt");
    const uint32_t four = numberOf("Docs/four_k.bin");
    putU16(&bytes_[recordAt(gone) + 0x32], 0xDEAD);  // the saved words are garbage
    putU16(&bytes_[recordAt(gone) + 0x34], 0xBEEF);
    putU32(&bytes_[recordAt(tiny) + 0x18], 0xFFFFFFFF);  // bytes in use far beyond the record
    putU16(&bytes_[recordAt(four) + 0x14], 0xFFF8);      // first attribute past the record
    const auto found = scan();
    EXPECT_EQ(1u, found.count("Docs/gone.txt"));  // the header and name lie before the damage
    EXPECT_EQ(1u, found.count("Docs/tiny.txt"));
    EXPECT_EQ(0u, found.count("Docs/four_k.bin"));
    EXPECT_EQ(1u, found.count("rootgone.txt"));
}

TEST_F(NtfsHostileTest, ZeroBackwardAndOversizedAttributeLengthsEndTheWalk) {
    const uint32_t a = numberOf("Docs/gone.txt");
    const uint32_t b = numberOf("Docs/tiny.txt");
    const uint32_t c = numberOf("rootgone.txt");
    putU32(&bytes_[recordAt(a) + bytes_[recordAt(a) + 0x14]] + 4, 0);  // first attribute: length 0
    putU32(&bytes_[attributeAt(b, 0x30) + 4], 0x0000FFF0);             // backwards as 16 bits
    putU32(&bytes_[attributeAt(c, 0x30) + 4], 0x7FFFFFF0);             // past the record
    const auto found = scan();
    EXPECT_EQ(0u, found.count("Docs/gone.txt"));
    EXPECT_EQ(0u, found.count("Docs/tiny.txt"));
    EXPECT_EQ(1u, found.count("Docs/res600.bin"));
    // A name attribute cut by the record's end is read only as far as the record goes.
    for (const auto& [path, item] : found) EXPECT_LE(std::string(item.record.name).size(), 259u);
}

TEST_F(NtfsHostileTest, RunsPointingPastTheVolumeFailTheCopyNotTheScan) {
    const uint32_t n = numberOf("Docs/four_k.bin");
    const size_t data = attributeAt(n, 0x80);
    ASSERT_NE(0u, data);
    ASSERT_EQ(1, bytes_[data + 8]);  // non-resident
    const size_t runs = data + ByteView(bytes_.data(), bytes_.size()).u16(data + 0x20);
    // One run of a cluster at cluster 0x7FFFFFFF00: far past the image.
    const uint8_t far[] = {0x51, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 0x00};
    std::copy(std::begin(far), std::end(far), bytes_.begin() + static_cast<long>(runs));
    const auto found = scan();
    ASSERT_EQ(1u, found.count("Docs/four_k.bin"));
    const ScanRecord record = found.at("Docs/four_k.bin").record;
    const int rc = engine_->RecoverItem(&record, dir_.file(L"out.bin"), 0);
    EXPECT_NE(0, rc);
    EXPECT_GT(rc, 0);  // a Windows error, not an internal code
    std::wstring temp;
    std::vector<uint8_t> buffer(4096);
    uint64_t count = buffer.size();
    EXPECT_NE(0, engine_->ExtractItem(&record, temp, buffer.data(), count, nullptr, nullptr));
    EXPECT_TRUE(temp.empty());
}

TEST_F(NtfsHostileTest, AParentLoopEndsAndItsFilesStayListed) {
    // Two deleted folders that name each other as parent.
    const uint32_t trash = numberOf("Trash");
    const uint32_t sub = numberOf("Trash/Sub");
    putU32(&bytes_[attributeAt(trash, 0x30) + 0x18], sub);
    putU32(&bytes_[attributeAt(sub, 0x30) + 0x18], trash);
    const auto found = scan();
    size_t notes = 0;
    for (const auto& [path, item] : found) notes += path.size() >= 9 && path.substr(path.size() - 9) == "notes.txt";
    EXPECT_EQ(1u, notes);  // the loop is cut at its lowest record, which then hangs under the root
    EXPECT_EQ(1u, found.count("Trash"));
    EXPECT_EQ(1u, found.count("Trash/Sub/notes.txt"));
    EXPECT_EQ(1u, found.count("rootgone.txt"));
}

TEST_F(NtfsHostileTest, AnMftThatNamesItselfAsItsAttributeListFindsNothingAndEnds) {
    // Record 0 loses its $DATA and gains a resident list whose every entry points back at it.
    const size_t data = attributeAt(0, 0x80);
    ASSERT_NE(0u, data);
    ByteView view(bytes_.data(), bytes_.size());
    const uint32_t length = view.u32(data + 4);
    ASSERT_GE(length, 0x18u + 0x20);
    std::fill(bytes_.begin() + static_cast<long>(data), bytes_.begin() + static_cast<long>(data + length), 0);
    putU32(&bytes_[data], 0x20);
    putU32(&bytes_[data + 4], length);
    putU32(&bytes_[data + 0x10], length - 0x18);
    putU16(&bytes_[data + 0x14], 0x18);
    for (size_t e = data + 0x18; e + 0x20 <= data + length; e += 0x20) {
        putU32(&bytes_[e], 0x80);
        putU16(&bytes_[e + 4], 0x20);
        putU64(&bytes_[e + 0x10], 0);  // record 0 itself
    }
    const auto found = scan();
    EXPECT_TRUE(found.empty());
    EXPECT_TRUE(engine_->MftRuns().empty());
}

TEST_F(NtfsHostileTest, RecordsSplitBetweenTwoMftRunsAreReadWhole) {
    // 512-byte clusters: the MFT's one run is cut in two at an odd cluster, so the record of
    // a deleted file starts in one run and ends in the next (same clusters on the medium).
    load("ntfs-512-c512");
    ASSERT_EQ(1u, mft_.size());
    ASSERT_EQ(512, geometry_.clusterBytes);
    const uint32_t n = numberOf("Docs/gone.txt");
    const uint64_t total = mft_[0].lengthClusters;
    const uint64_t first = 2 * static_cast<uint64_t>(n) + 1;
    ASSERT_LT(first, total);
    ASSERT_LT(total - first, 256u);
    ASSERT_LT(mft_[0].lcnDelta, 128);
    const size_t data = attributeAt(0, 0x80);
    ASSERT_EQ(0x48u, ByteView(bytes_.data(), bytes_.size()).u32(data + 4));
    const uint8_t runs[] = {0x11, static_cast<uint8_t>(first), static_cast<uint8_t>(mft_[0].lcnDelta),
                            0x21, static_cast<uint8_t>(total - first), static_cast<uint8_t>(first),
                            static_cast<uint8_t>(first >> 8), 0x00};
    std::copy(std::begin(runs), std::end(runs), bytes_.begin() + static_cast<long>(data + 0x40));
    const auto found = scan();
    EXPECT_EQ(2u, engine_->MftRuns().size());
    ASSERT_EQ(original_.size(), found.size());
    for (const auto& [path, item] : original_) {
        ASSERT_EQ(1u, found.count(path)) << path;
        EXPECT_EQ(+item.record.size, +found.at(path).record.size) << path;
    }
}

TEST_F(NtfsHostileTest, ParentsOutsideTheMftAndReusedRecordsBecomeLostFolders) {
    const uint32_t n = numberOf("rootgone.txt");
    putU32(&bytes_[attributeAt(n, 0x30) + 0x18], 0x00FFFFF0);  // no such record
    const auto found = scan();
    ASSERT_EQ(1u, found.count("LostFolder16777200/rootgone.txt"));
    EXPECT_EQ(-1, +found.at("LostFolder16777200").record.clusterBytes);
    EXPECT_EQ(1, +found.at("LostFolder16777200").record.isFolder);
    // The fixture's reused folder record holds a file now: its old file is in a lost folder.
    size_t lost = 0;
    for (const auto& [path, item] : found) lost += path.rfind("LostFolder", 0) == 0 && path.find("/victim.txt") != std::string::npos;
    EXPECT_EQ(1u, lost);
}

}  // namespace
}  // namespace qm

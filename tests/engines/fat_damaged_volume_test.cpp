// Damaged volumes: loops in the table and in the folder tree, impossible boot sectors and
// truncated images scan to the end, and copies stop where the data ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "engines/fat/fat_dir_entry.h"
#include "platform/errors.h"
#include "tests/engines/fat_test_support.h"

namespace qm {
namespace {

// A private copy of a fixture image that a test may damage.
class DamagedImage {
public:
    explicit DamagedImage(const std::string& fixture)
        : bytes_(test::readWholeFile(test::fixturePath("fat/" + fixture))) {
        CFastFatRecovery probe;
        EXPECT_EQ(0, probe.OpenImage(test::fixturePath("fat/" + fixture), 0));
        geometry_ = probe.Volume().geometry;
    }
    std::vector<uint8_t>& bytes() { return bytes_; }
    const FatGeometry& geometry() const { return geometry_; }

    size_t Find(const std::string& pattern, size_t from = 0) const {
        const std::vector<uint8_t> wanted(pattern.begin(), pattern.end());
        auto it = std::search(bytes_.begin() + from, bytes_.end(), wanted.begin(), wanted.end());
        EXPECT_NE(it, bytes_.end()) << pattern;
        return static_cast<size_t>(it - bytes_.begin());
    }
    // The first cluster of the entry with this 11-byte short name.
    uint32_t EntryCluster(const std::string& shortName) const {
        const size_t at = Find(shortName);
        const ByteView b(bytes_.data(), bytes_.size());
        return geometry_.isFat32() ? uint32_t{b.u16(at + 20)} << 16 | b.u16(at + 26) : b.u16(at + 26);
    }
    void SetFat(uint32_t cluster, uint32_t value) {
        for (uint32_t copy = 0; copy < geometry_.fatCount; ++copy) {
            const size_t base = (geometry_.reservedSectors + copy * geometry_.sectorsPerFat) * geometry_.bytesPerSector;
            if (geometry_.isFat32())
                putU32(&bytes_[base + cluster * 4], value);
            else
                putU16(&bytes_[base + cluster * 2], static_cast<uint16_t>(value));
        }
    }
    size_t ClusterOffset(uint32_t cluster) const {
        return (geometry_.dataStart + size_t{cluster - 2} * geometry_.sectorsPerCluster) * geometry_.bytesPerSector;
    }
    std::wstring Write(const test::TempDir& dir) {
        const std::wstring path = dir.file(L"damaged.img");
        test::writeWholeFile(path, bytes_);
        return path;
    }

private:
    std::vector<uint8_t> bytes_;
    FatGeometry geometry_;
};

TEST(FatDamaged, LoopingDirectoryChainsEnd) {
    for (const char* fixture : {"fat16-2k.img", "fat32-512.img"}) {
        DamagedImage image(fixture);
        const uint32_t docs = image.EntryCluster("DOCS       ");
        const uint32_t frag = image.EntryCluster("FRAG       ");
        image.SetFat(docs, frag);  // Docs runs on into Frag, and Frag back into Docs
        image.SetFat(frag, docs);
        if (image.geometry().isFat32()) image.SetFat(image.geometry().rootCluster, image.geometry().rootCluster);
        test::TempDir dir, logs;
        auto engine = fattest::ScanImage(image.Write(dir), logs.path());
        const auto tree = fattest::ListTree(*engine);
        EXPECT_TRUE(tree.count("Docs/!hort.txt")) << fixture;
        EXPECT_TRUE(tree.count("Gone/Inner/Deeper/!.txt")) << fixture;
    }
}

TEST(FatDamaged, AChainThatLoopsEndsTheCopyWithAReadFault) {
    DamagedImage image("fat16-2k.img");
    test::TempDir dir, logs;
    // The first cluster of the deleted quarterly report: 35 clusters, now looping after two.
    auto clean = fattest::ScanImage(test::fixturePath("fat/fat16-2k.img"), logs.path());
    const ScanRecord quarterly = fattest::ListTree(*clean).at("Docs/Quarterly Report 2023.txt").record;
    const uint32_t first = static_cast<uint32_t>(quarterly.fsId);
    image.SetFat(first, first + 1);
    image.SetFat(first + 1, first);
    auto engine = fattest::ScanImage(image.Write(dir), logs.path());
    const std::wstring out = dir.file(L"q.txt");
    EXPECT_EQ(kErrorReadFault, engine->RecoverItem(&quarterly, out, 0));
    EXPECT_EQ(2u * image.geometry().clusterBytes(), test::readWholeFile(out).size());
    // A record naming cluster 0 or 1 reads nothing.
    ScanRecord bogus = quarterly;
    for (int32_t cluster : {0, 1}) {
        bogus.fsId = cluster;
        const std::wstring target = dir.file(L"c" + std::to_wstring(cluster));
        EXPECT_EQ(kErrorReadFault, engine->RecoverItem(&bogus, target, 0));
        EXPECT_TRUE(test::readWholeFile(target).empty());
    }
}

TEST(FatDamaged, FolderCyclesThroughEntriesAndDotDotEnd) {
    DamagedImage image("fat16-2k.img");
    const uint32_t gone = image.EntryCluster("\xE5ONE       ");
    const uint32_t inner = image.EntryCluster("\xE5NNER      ");
    const uint32_t deeper = image.EntryCluster("\xE5" "EEPER     ");
    // Inner's LIVE.TXT becomes a folder leading back to Gone; Deeper's ".." points at itself,
    // and Inner's at Deeper: the ".." chain goes round.
    const size_t live = image.Find("LIVE    TXT");
    image.bytes()[live + 11] = kFatAttrDirectory;
    putU16(&image.bytes()[live + 26], static_cast<uint16_t>(gone));
    putU32(&image.bytes()[live + 28], 0);
    putU16(&image.bytes()[image.ClusterOffset(deeper) + 32 + 26], static_cast<uint16_t>(deeper));
    putU16(&image.bytes()[image.ClusterOffset(inner) + 32 + 26], static_cast<uint16_t>(deeper));
    // Docs holds an entry for itself.
    const size_t keep = image.Find("KEEP    TXT");
    image.bytes()[keep + 11] = kFatAttrDirectory;
    putU16(&image.bytes()[keep + 26], static_cast<uint16_t>(image.EntryCluster("DOCS       ")));
    putU32(&image.bytes()[keep + 28], 0);

    test::TempDir dir, logs;
    auto engine = fattest::ScanImage(image.Write(dir), logs.path());
    const auto tree = fattest::ListTree(*engine);
    EXPECT_TRUE(tree.count("Gone/!.txt"));
    EXPECT_TRUE(tree.count("Docs/!hort.txt"));
    for (const auto& [path, item] : tree) EXPECT_LT(std::count(path.begin(), path.end(), '/'), 4) << path;
    uint32_t count = 0;
    EXPECT_EQ(0, engine->CountFiles(nullptr, 0, count));
    EXPECT_GT(count, 5u);
}

TEST(FatDamaged, BootSectorBeyondTheImageAndTruncatedImages) {
    test::TempDir dir, logs;
    {
        DamagedImage image("fat16-2k.img");
        putU16(&image.bytes()[0x13], 0);
        putU32(&image.bytes()[0x20], 0x7FFFFFFF);
        auto engine = fattest::ScanImage(image.Write(dir), logs.path());
        EXPECT_TRUE(fattest::ListTree(*engine).count("Docs/!hort.txt"));
        EXPECT_EQ(0, engine->BuildFreeMap());
        uint64_t position = 0, length = 0;
        int extents = 0;
        do {
            ASSERT_EQ(1, engine->NextFreeExtent(position, length));
            position += length;
        } while (length != 0 && ++extents < 100000);
        EXPECT_LT(extents, 100000);
    }
    for (const char* fixture : {"fat32-512.img", "fat12-512.img"}) {
        for (const size_t keep : {size_t{600}, size_t{20000}, size_t{700000}}) {
            DamagedImage image(fixture);
            image.bytes().resize(std::min(keep, image.bytes().size()));
            CFastFatRecovery engine;
            engine.SetLogFolder(logs.path());
            const std::wstring path = image.Write(dir);
            if (engine.OpenImage(path, 0) != 0) continue;
            EXPECT_EQ(0, engine.Scan(nullptr)) << keep;
            for (const auto& [name, item] : fattest::ListTree(engine)) {
                if (item.record.isFolder) continue;
                const std::wstring out = dir.file(L"out.bin");
                platform::deleteFile(out);
                engine.RecoverItem(&item.record, out, 0);
                EXPECT_LE(test::readWholeFile(out).size(), +item.record.size);
            }
        }
    }
}

TEST(FatDamaged, ALostHighWordIsFoundForAFolder) {
    DamagedImage image("fat32-512.img");
    ASSERT_GT(image.geometry().clusterCount, 0x10000u);
    const size_t entry = image.Find("\xE5" "EEPER     ");
    const uint32_t low = image.EntryCluster("\xE5" "EEPER     ");
    const uint32_t moved = 0x10000 | low;
    // Deeper's directory now lies at high word 1; its old place holds nothing.
    const size_t cluster = image.geometry().clusterBytes();
    std::copy_n(image.bytes().begin() + image.ClusterOffset(low), cluster, image.bytes().begin() + image.ClusterOffset(moved));
    std::fill_n(image.bytes().begin() + image.ClusterOffset(low), cluster, 0);
    putU16(&image.bytes()[image.ClusterOffset(moved) + 26], static_cast<uint16_t>(low));
    putU16(&image.bytes()[image.ClusterOffset(moved) + 20], 1);
    EXPECT_EQ(0, ByteView(image.bytes().data(), image.bytes().size()).u16(entry + 20));

    test::TempDir dir, logs;
    auto engine = fattest::ScanImage(image.Write(dir), logs.path());
    const auto tree = fattest::ListTree(*engine);
    ASSERT_TRUE(tree.count("Gone/Inner/Deeper"));
    EXPECT_EQ(static_cast<int32_t>(moved), tree.at("Gone/Inner/Deeper").record.fsId + 0);
    EXPECT_TRUE(tree.count("Gone/Inner/Deeper/!.txt"));
}

TEST(FatFreeMapTest, ExtentsCoverExactlyTheFreeClusters) {
    for (const char* fixture : {"fat12-512.img", "fat16-2k.img", "fat32-4k-sector.img"}) {
        CFastFatRecovery engine;
        ASSERT_EQ(0, engine.OpenImage(test::fixturePath(std::string("fat/") + fixture), 0));
        uint64_t position = 0, length = 0;
        EXPECT_EQ(0, engine.NextFreeExtent(position, length));  // no map yet
        ASSERT_EQ(0, engine.BuildFreeMap());
        const FatVolume& v = engine.Volume();
        const uint32_t perCluster = v.geometry.sectorsPerCluster;
        std::vector<bool> freeSeen(v.maxCluster + 1, false);
        position = 0;
        for (int guard = 0; guard < 100000; ++guard) {
            ASSERT_EQ(1, engine.NextFreeExtent(position, length));
            if (length == 0) break;
            ASSERT_GE(position, v.geometry.dataStart);
            for (uint64_t s = position; s < position + length; s += perCluster) {
                const uint32_t c = static_cast<uint32_t>((s - v.geometry.dataStart) / perCluster + 2);
                if (c <= v.maxCluster) freeSeen[c] = true;
            }
            position += length;
        }
        for (uint32_t c = 2; c <= v.maxCluster; ++c) {
            uint32_t value = 1;
            ASSERT_EQ(0, engine.Table().ReadFatEntry(c, value));
            EXPECT_EQ(value == 0, freeSeen[c]) << fixture << " cluster " << c;
        }
    }
}

}  // namespace
}  // namespace qm

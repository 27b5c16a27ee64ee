// The per-sector handlers on a small hand-made medium: clusters of 4 sectors, cluster 2 at
// sector 100. Folder A (cluster 5) holds a file and folder B (cluster 9), whose long file
// name starts at the end of its first sector and ends in the second.
#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/folders.h"
#include "tests/engines/profat_test_support.h"

namespace qm {
namespace {

using namespace profattest;

constexpr uint32_t kSectors = 400;
constexpr uint64_t SectorOf(uint32_t cluster) { return 100 + uint64_t{cluster - 2} * 4; }

std::vector<uint8_t> AlphaData() {
    std::vector<uint8_t> d(1000);
    for (size_t i = 0; i < d.size(); ++i) d[i] = static_cast<uint8_t>(i * 7 + 3);
    return d;
}

struct Medium {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kSectors * 512, 0);
    uint8_t* Sector(uint64_t s) { return bytes.data() + s * 512; }

    Medium() {
        std::vector<uint8_t> a(512, 0);
        const auto subShort = ShortEntry("SUBFOL~1   ", 0x10, 9, 0);
        auto entries = DotEntries(5, 0);
        for (auto& part : LongNameEntries(u"Sub folder", subShort)) entries.push_back(part);
        entries.push_back(subShort);
        entries.push_back(ShortEntry("ALPHA   TXT", 0x20, 20, 1000));
        entries.push_back(ShortEntry("EDGE    BIN", 0x20, 76, 4096));  // runs past the medium
        entries.push_back(ShortEntry("FAR     BIN", 0x20, 0xFFFF, 100));  // starts past it
        PlaceEntries(a, 0, entries);
        std::memcpy(Sector(SectorOf(5)), a.data(), 512);

        // B: the long name's last part closes the first sector, the rest opens the second.
        std::vector<uint8_t> b(1024, 0);
        auto bEntries = DotEntries(9, 5);
        for (int i = 0; i < 13; ++i) {
            char name[12];
            std::snprintf(name, sizeof name, "FILL%02d  TXT", i);
            bEntries.push_back(ShortEntry(name, 0x20, 0, 0));
        }
        const auto longShort = ShortEntry("ANAMET~1TXT", 0x20, 21, 100);
        for (auto& part : LongNameEntries(u"A name that crosses sectors.txt", longShort)) bEntries.push_back(part);
        bEntries.push_back(longShort);
        PlaceEntries(b, 0, bEntries);
        std::memcpy(Sector(SectorOf(9)), b.data(), 1024);

        const auto alpha = AlphaData();
        std::memcpy(Sector(SectorOf(20)), alpha.data(), alpha.size());
        std::memset(Sector(SectorOf(21)), 'n', 100);
        std::memset(Sector(396), 'e', 4 * 512);
    }
};

class ProFatHandlers : public ::testing::Test {
protected:
    void SetUp() override {
        image_ = temp_.file(L"medium.img");
        test::writeWholeFile(image_, medium_.bytes);
    }
    std::unique_ptr<CProfessionalFatRecovery> Open() {
        auto engine = std::make_unique<CProfessionalFatRecovery>();
        engine->SetLogFolder(temp_.file(L"logs"));
        EXPECT_EQ(0, engine->OpenImage(image_, 'H'));
        EXPECT_EQ(0, engine->OpenFatLog(nullptr));
        EXPECT_EQ(0, engine->PrepareFatScan());
        EXPECT_TRUE(engine->Geometries().empty()) << "no boot sector";
        return engine;
    }
    void Head(CProfessionalFatRecovery& e, uint64_t s) { e.OnSubdirectoryHead(medium_.Sector(s), s); }
    void Dir(CProfessionalFatRecovery& e, uint64_t s) {
        ASSERT_TRUE(CProfessionalFatRecovery::IsDirectorySector(medium_.Sector(s), 512)) << s;
        e.OnDirectorySector(medium_.Sector(s), s);
    }

    test::TempDir temp_;
    Medium medium_;
    std::wstring image_;
};

TEST_F(ProFatHandlers, TwoHeadsGiveTheGeometryAndEveryFileItsFolder) {
    auto engine = ScanImage(image_, temp_.file(L"logs"));
    ASSERT_EQ(1u, engine->Geometries().size());
    EXPECT_EQ((profat::FatGeometry{4, 100, 0, 32}), engine->Geometries()[0]);

    const auto tree = ListTree(*engine);
    ASSERT_TRUE(tree.count("LostFolder5"));
    EXPECT_EQ(-1, Val(tree.at("LostFolder5").record.clusterBytes));
    ASSERT_TRUE(tree.count("LostFolder5/alpha.txt")) << "placed at the end: it waited for the geometry";
    ASSERT_TRUE(tree.count("LostFolder5/Sub folder"));
    EXPECT_EQ(9, Val(tree.at("LostFolder5/Sub folder").record.fsId));
    ASSERT_TRUE(tree.count("LostFolder5/Sub folder/A name that crosses sectors.txt"));
    EXPECT_TRUE(tree.count("LostFolder5/Sub folder/fill12.txt"));

    const ScanRecord& alpha = tree.at("LostFolder5/alpha.txt").record;
    EXPECT_EQ(2048, Val(alpha.clusterBytes));
    EXPECT_EQ(100u, Val(alpha.dataStart));
    EXPECT_EQ(0u, Val(alpha.partitionStart));
    EXPECT_EQ(SectorOf(5), Val(alpha.location));
    EXPECT_EQ(1, Val(alpha.condition));
    const std::wstring out = temp_.file(L"alpha.txt");
    ASSERT_EQ(0, engine->RecoverItem(&alpha, out, 0));
    EXPECT_EQ(AlphaData(), test::readWholeFile(out));

    std::wstring path;
    EXPECT_EQ(0, engine->GetItemPath(tree.at("LostFolder5/Sub folder/fill00.txt").record, path));
    EXPECT_EQ(L"LostFolder5" + std::wstring(1, platform::kPathSeparator) + L"Sub folder" +
                  std::wstring(1, platform::kPathSeparator),
              path);
}

TEST_F(ProFatHandlers, ALongNameIsJoinedWhicheverHalfComesFirst) {
    // The second half first: nothing places it yet, so it is held.
    auto engine = Open();
    Dir(*engine, SectorOf(9) + 1);
    EXPECT_EQ(1u, engine->HeldSectorCount());
    Head(*engine, SectorOf(5));
    Head(*engine, SectorOf(9));
    EXPECT_EQ(1u, engine->Geometries().size());
    EXPECT_EQ(0u, engine->HeldSectorCount()) << "joined with the name's start";
    EXPECT_EQ(0u, engine->FragmentCount());
    engine->FinishFatScan();
    auto tree = ListTree(*engine);
    EXPECT_TRUE(tree.count("LostFolder5/Sub folder/A name that crosses sectors.txt"));
    EXPECT_FALSE(tree.count("LostFolder5/Sub folder/anamet~1.txt"));

    // In order, across two separate chunks: the start becomes a fragment that the next
    // sector completes.
    auto second = Open();
    Head(*second, SectorOf(5));
    Head(*second, SectorOf(9));
    EXPECT_EQ(1u, second->FragmentCount());
    Dir(*second, SectorOf(9) + 1);
    EXPECT_EQ(0u, second->FragmentCount());
    second->FinishFatScan();
    tree = ListTree(*second);
    EXPECT_TRUE(tree.count("LostFolder5/Sub folder/A name that crosses sectors.txt"));
}

TEST_F(ProFatHandlers, WithoutAGeometryNothingIsWritten) {
    auto engine = Open();
    Head(*engine, SectorOf(5));
    EXPECT_EQ(3u, engine->WaitingFileCount());  // alpha, edge and far
    // A head that contradicts the first: its distance is not a power of two clusters.
    std::vector<uint8_t> odd(medium_.Sector(SectorOf(9)), medium_.Sector(SectorOf(9)) + 512);
    putU16(&odd[26], 7);
    engine->OnSubdirectoryHead(odd.data(), SectorOf(5) + 6);
    EXPECT_TRUE(engine->Geometries().empty());
    engine->FinishFatScan();
    EXPECT_EQ(0u, engine->GetFoundCount());
    EXPECT_EQ(0u, engine->WaitingFileCount());
}

TEST_F(ProFatHandlers, ContradictingSightingsKeepTheFirstGeometryAndPlaceFilesByIt) {
    auto engine = Open();
    Head(*engine, SectorOf(5));
    Head(*engine, SectorOf(9));
    // Cluster 7 seen far from where the geometry puts it.
    std::vector<uint8_t> stray(medium_.Sector(SectorOf(9)), medium_.Sector(SectorOf(9)) + 512);
    putU16(&stray[26], 7);
    engine->OnSubdirectoryHead(stray.data(), 301);
    EXPECT_EQ(1u, engine->Geometries().size());
    engine->FinishFatScan();
    const auto tree = ListTree(*engine);
    EXPECT_TRUE(tree.count("LostFolder5/alpha.txt"));
    // The stray copy's files took the nearest geometry at the end.
    EXPECT_TRUE(tree.count("LostFolder7/fill00.txt"));
}

TEST_F(ProFatHandlers, CopiesStopAtTheMediumsEndSayingSo) {
    auto engine = ScanImage(image_, temp_.file(L"logs"));
    const auto tree = ListTree(*engine);
    ASSERT_TRUE(tree.count("LostFolder5/edge.bin"));
    ASSERT_TRUE(tree.count("LostFolder5/far.bin"));

    const std::wstring edge = temp_.file(L"edge.bin");
    EXPECT_EQ(kErrorHandleEof, engine->RecoverItem(&tree.at("LostFolder5/edge.bin").record, edge, 0));
    EXPECT_EQ(std::vector<uint8_t>(4 * 512, 'e'), test::readWholeFile(edge)) << "as far as the medium goes";

    const ScanRecord& far = tree.at("LostFolder5/far.bin").record;
    EXPECT_EQ(0, Val(far.condition)) << "its data lies off the medium";
    const std::wstring farOut = temp_.file(L"far.bin");
    EXPECT_EQ(kErrorHandleEof, engine->RecoverItem(&far, farOut, 0));
    EXPECT_TRUE(test::readWholeFile(farOut).empty());

    // Hostile record fields: sums that would wrap are refused, not wrapped.
    ScanRecord wrap = far;
    wrap.partitionStart = UINT64_MAX - 10;
    wrap.dataStart = 100;
    EXPECT_EQ(kErrorReadFault, engine->RecoverItem(&wrap, temp_.file(L"wrap.bin"), 0));
    ScanRecord huge = far;
    huge.clusterBytes = 0x7FFFFE00;
    EXPECT_EQ(kErrorWriteFault, engine->RecoverItem(&huge, temp_.file(L"huge.bin"), 0));
}

TEST_F(ProFatHandlers, RecoveryNeverReplacesAFileNorWritesTheSource) {
    auto engine = ScanImage(image_, temp_.file(L"logs"));
    const auto tree = ListTree(*engine);
    const ScanRecord& alpha = tree.at("LostFolder5/alpha.txt").record;

    const std::wstring existing = temp_.file(L"existing.txt");
    test::writeWholeFile(existing, {'k', 'e', 'e', 'p'});
    EXPECT_EQ(kErrorFileExists, engine->RecoverItem(&alpha, existing, 0));
    EXPECT_EQ((std::vector<uint8_t>{'k', 'e', 'e', 'p'}), test::readWholeFile(existing));

    EXPECT_EQ(kErrorFileExists, engine->RecoverItem(&alpha, image_, 0));
    EXPECT_EQ(medium_.bytes, test::readWholeFile(image_));

    // A whole folder goes below the destination; a second run finds its files there.
    const std::wstring folder = temp_.file(L"A");
    // The base depth makes the destination's level that of the folder (1).
    int separators = 0;
    for (size_t i = 0; i + 1 < folder.size(); ++i) separators += folder[i] == L'/' || folder[i] == L'\\';
    ASSERT_EQ(0, engine->RecoverItem(&tree.at("LostFolder5").record, folder, separators - 1));
    const std::wstring sep(1, platform::kPathSeparator);
    EXPECT_EQ(AlphaData(), test::readWholeFile(folder + sep + L"alpha.txt"));
    EXPECT_EQ(std::vector<uint8_t>(100, 'n'),
              test::readWholeFile(folder + sep + L"Sub folder" + sep + L"A name that crosses sectors.txt"));
    EXPECT_EQ(0, engine->RecoverItem(&tree.at("LostFolder5").record, folder, separators - 1));
    EXPECT_EQ(AlphaData(), test::readWholeFile(folder + sep + L"alpha.txt"));
}

TEST_F(ProFatHandlers, ExtractsToMemoryAndAnswersTheOtherSlots) {
    auto engine = ScanImage(image_, temp_.file(L"logs"));
    const auto tree = ListTree(*engine);
    std::wstring temp;
    std::vector<uint8_t> bin(100);
    uint64_t count = bin.size();
    const ScanRecord& edge = tree.at("LostFolder5/edge.bin").record;
    EXPECT_EQ(0, engine->ExtractItem(&edge, temp, bin.data(), count, nullptr, nullptr));
    EXPECT_TRUE(temp.empty());
    EXPECT_EQ(100u, count);
    EXPECT_EQ(std::vector<uint8_t>(100, 'e'), bin);

    EXPECT_EQ(0, engine->Scan(nullptr));
    uint64_t position = 0, length = 0;
    EXPECT_EQ(0, engine->NextFreeExtent(position, length));
    EXPECT_EQ(0, engine->BuildFreeMap());
    std::vector<ScanRecord> list;
    EXPECT_EQ(kErrorInvalidParameter, engine->ListFolder(nullptr, 1, list));
    EXPECT_EQ(kErrorInvalidParameter, engine->RecoverItem(nullptr, temp_.file(L"x"), 0));
    EXPECT_EQ(kErrorInvalidParameter, engine->ExtractItem(nullptr, temp, bin.data(), count, nullptr, nullptr));
    EXPECT_EQ(tree.size(), engine->GetFoundCount());

    CProfessionalFatRecovery unopened;
    std::wstring path;
    EXPECT_EQ(kErrorInvalidParameter, unopened.GetItemPath(edge, path));
    EXPECT_EQ(0u, unopened.GetFoundCount());
    EXPECT_EQ(kErrorInvalidHandle, unopened.PrepareFatScan());
}

}  // namespace
}  // namespace qm

// Media that look like directories everywhere, or whose ".." entries go round in circles:
// memory stays bounded and every walk ends.
#include <gtest/gtest.h>

#include "tests/engines/profat_test_support.h"

namespace qm {
namespace {

using namespace profattest;

class ProFatHostile : public ::testing::Test {
protected:
    std::unique_ptr<CProfessionalFatRecovery> Open(const std::vector<uint8_t>& medium) {
        const std::wstring image = temp_.file(L"medium" + std::to_wstring(images_++) + L".img");
        test::writeWholeFile(image, medium);
        auto engine = std::make_unique<CProfessionalFatRecovery>();
        engine->SetLogFolder(temp_.file(L"logs"));
        EXPECT_EQ(0, engine->OpenImage(image, 'X'));
        EXPECT_EQ(0, engine->OpenFatLog(nullptr));
        EXPECT_EQ(0, engine->PrepareFatScan());
        return engine;
    }
    test::TempDir temp_;
    int images_ = 0;
};

// A directory sector of 13 files whose last three entries start a long name that never ends.
std::vector<uint8_t> CutSector(uint32_t seed) {
    std::vector<uint8_t> s(512, 0);
    std::vector<std::vector<uint8_t>> entries;
    for (uint32_t i = 0; i < 13; ++i) {
        char name[12];
        std::snprintf(name, sizeof name, "F%06uTXT", (seed * 13 + i) % 1000000);
        std::memmove(name + 8, name + 7, 3);
        name[7] = ' ';
        entries.push_back(ShortEntry(name, 0x20, 0, 0));
    }
    char owner[12];
    std::snprintf(owner, sizeof owner, "L%07uBIN", seed % 10000000);
    auto parts = LongNameEntries(u"A name long enough for three parts.bin", ShortEntry(owner, 0x20, 9, 9));
    for (auto& p : parts) entries.push_back(p);
    PlaceEntries(s, 0, entries);
    return s;
}

TEST_F(ProFatHostile, HeldSectorsAndNameFragmentsAreBounded) {
    auto engine = Open(std::vector<uint8_t>(64 * 512, 0));
    // No geometry: every directory sector is held, and the oldest make room.
    for (uint32_t i = 0; i < 20000; ++i) {
        const auto s = CutSector(i);
        ASSERT_TRUE(CProfessionalFatRecovery::IsDirectorySector(s.data(), s.size()));
        engine->OnDirectorySector(s.data(), 1000 + i);
    }
    EXPECT_LE(engine->HeldSectorCount() * 512, profat::kMaxHeldBytes);
    EXPECT_GT(engine->HeldSectorCount(), 0u);

    // Two heads give a geometry (one sector per cluster): now every sector is placed and
    // leaves a fragment behind.
    std::vector<uint8_t> head(512, 0);
    PlaceEntries(head, 0, DotEntries(3, 0));
    engine->OnSubdirectoryHead(head.data(), 100001);
    PlaceEntries(head, 0, DotEntries(4, 0));
    engine->OnSubdirectoryHead(head.data(), 100002);
    ASSERT_EQ(1u, engine->Geometries().size());
    for (uint32_t i = 0; i < 1000; ++i) {
        const auto s = CutSector(100000 + i * 7);
        engine->OnDirectorySector(s.data(), 200000 + 2 * i);  // never the sector after the last
    }
    EXPECT_LE(engine->FragmentCount(), profat::kMaxNameFragments);
    EXPECT_EQ(profat::kMaxNameFragments, engine->FragmentCount());
    engine->FinishFatScan();
    EXPECT_EQ(0u, engine->HeldSectorCount());
    EXPECT_EQ(0u, engine->FragmentCount());
    EXPECT_GE(engine->GetFoundCount(), 1000u * 13);
}

TEST_F(ProFatHostile, WaitingFilesAndFoldersAreBounded) {
    auto engine = Open(std::vector<uint8_t>(64 * 512, 0));
    // Heads of one cluster seen everywhere never pair into a geometry; their files wait.
    std::vector<uint8_t> head(512, 0);
    auto entries = DotEntries(3, 0);
    for (uint32_t i = 0; i < 14; ++i) {
        char name[12];
        std::snprintf(name, sizeof name, "FOLDER%02uX  ", i);
        entries.push_back(ShortEntry(i % 2 ? "FILE    TXT" : name, i % 2 ? 0x20 : 0x10, 50 + i, 0));
    }
    PlaceEntries(head, 0, entries);
    for (uint32_t i = 0; i < 40000; ++i) {
        // Different folder clusters each time, so the folder map would grow without a bound.
        for (uint32_t k = 0; k < 7; ++k) putU16(&head[(2 + 2 * k) * 32 + 26], static_cast<uint16_t>(i * 7 + k + 10));
        for (uint32_t k = 0; k < 7; ++k) putU16(&head[(2 + 2 * k) * 32 + 20], static_cast<uint16_t>(i >> 8));
        engine->OnSubdirectoryHead(head.data(), 5000 + 3 * uint64_t{i});
    }
    EXPECT_LE(engine->WaitingFileCount(), profat::kMaxWaitingFiles);
    EXPECT_LE(engine->FolderCount(), profat::kMaxFolders);
    EXPECT_LE(engine->Geometries().sightings().size(), profat::FatGeometryList::kMaxSightings);
    EXPECT_TRUE(engine->Geometries().empty());
    engine->FinishFatScan();
    EXPECT_EQ(0u, engine->GetFoundCount()) << "no geometry: nothing can be placed";
}

TEST_F(ProFatHostile, DotDotLoopsEndAndTheirFoldersStayReachable) {
    // Clusters of one sector from sector 100: folder 30 says its parent is 31, 31 says 30,
    // and 32 lies in 30.
    std::vector<uint8_t> medium(200 * 512, 0);
    auto put = [&](uint32_t cluster, uint32_t parent, const char* file) {
        std::vector<uint8_t> s(512, 0);
        auto e = DotEntries(cluster, parent);
        e.push_back(ShortEntry(file, 0x20, 0, 0));
        PlaceEntries(s, 0, e);
        std::memcpy(&medium[(100 + cluster - 2) * 512], s.data(), 512);
    };
    put(30, 31, "IN30    TXT");
    put(31, 30, "IN31    TXT");
    put(32, 30, "IN32    TXT");
    auto engine = Open(medium);
    FeedImage(*engine, temp_.file(L"medium0.img"));
    engine->FinishFatScan();
    ASSERT_EQ(1u, engine->Geometries().size());
    const auto tree = ListTree(*engine);
    EXPECT_TRUE(tree.count("LostFolder30/in30.txt"));
    EXPECT_TRUE(tree.count("LostFolder31/in31.txt"));
    EXPECT_TRUE(tree.count("LostFolder30/LostFolder32/in32.txt"));
}

}  // namespace
}  // namespace qm

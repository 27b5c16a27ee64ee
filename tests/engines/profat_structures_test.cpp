// The directory-sector test and the geometry arithmetic, on hand-made entries and sightings.
#include <gtest/gtest.h>

#include "engines/carving/carve_context.h"
#include "engines/professional/pro_fat_directory_sector.h"
#include "engines/professional/pro_fat_geometry.h"
#include "tests/engines/profat_test_support.h"

namespace qm {
namespace {

using profat::ClusterSighting;
using profat::FatGeometry;
using profat::GeometryFromSightings;
using profattest::LongNameEntries;
using profattest::PlaceEntries;
using profattest::ShortEntry;

bool IsDir(const std::vector<uint8_t>& s) { return profat::IsDirectorySector(s.data(), s.size()); }

TEST(ProFatDirectorySector, AcceptsEntriesFollowedByZerosAndRefusesEverythingElse) {
    std::vector<uint8_t> s(512, 0);
    EXPECT_FALSE(IsDir(s)) << "a zero sector";
    PlaceEntries(s, 0, {ShortEntry("REPORT  TXT", 0x20, 40, 1234), ShortEntry("\xE5OTES   TXT", 0x20, 41, 99)});
    EXPECT_TRUE(IsDir(s));
    EXPECT_TRUE(CProfessionalFatRecovery::IsDirectorySector(s.data(), s.size()));

    std::vector<uint8_t> trailing = s;
    trailing[200] = 1;  // after the end-of-directory entry
    EXPECT_FALSE(IsDir(trailing));

    std::vector<uint8_t> lowerCase = s;
    lowerCase[1] = 'e';
    EXPECT_FALSE(IsDir(lowerCase));
    std::vector<uint8_t> blankInside = s;
    blankInside[2] = ' ';  // "RE ORT"
    EXPECT_FALSE(IsDir(blankInside));
    std::vector<uint8_t> badCreation = s;
    putU16(&badCreation[32 + 16], 0);  // the deleted entry's creation date: month 0
    EXPECT_FALSE(IsDir(badCreation));
    std::vector<uint8_t> loneHighByte = s;
    loneHighByte[3] = 0x90;  // not followed by another byte above 0x7F
    EXPECT_FALSE(IsDir(loneHighByte));
    std::vector<uint8_t> pairedHighBytes = s;
    pairedHighBytes[3] = 0x90;
    pairedHighBytes[4] = 0x91;
    EXPECT_TRUE(IsDir(pairedHighBytes));

    std::vector<uint8_t> label(512, 0);
    PlaceEntries(label, 0, {ShortEntry("VOLUME     ", 0x08, 0, 0)});
    EXPECT_TRUE(IsDir(label));

    // The carving read-ahead's hook takes the test as it is.
    const FatDirectorySectorTest hook = &CProfessionalFatRecovery::IsDirectorySector;
    EXPECT_TRUE(hook(s.data(), s.size()));
    EXPECT_FALSE(profat::IsDirectorySector(nullptr, 512));
    EXPECT_FALSE(profat::IsDirectorySector(s.data(), 31));
}

TEST(ProFatDirectorySector, RefusesRepeatingPatternsAndLongNamesWithoutTheirEntry) {
    // An entry that passes every other rule, but whose bytes 17..30 repeat bytes 1..14.
    std::vector<uint8_t> e(32, 0);
    std::memset(e.data(), 'A', 11);
    e[11] = 0x20;
    e[15] = 0x60;  // created 12:00
    e[16] = 0x21;  // on 2012-09-01 with byte 17
    for (size_t i = 1; i <= 14; ++i) e[i + 16] = e[i];
    e[31] = 1;
    std::vector<uint8_t> pattern(512, 0);
    PlaceEntries(pattern, 0, {e});
    EXPECT_FALSE(IsDir(pattern));
    pattern[30] ^= 1;
    EXPECT_TRUE(IsDir(pattern));

    const std::vector<uint8_t> shortEntry = ShortEntry("LONGFI~1TXT", 0x20, 50, 10);
    auto parts = LongNameEntries(u"A long file name.txt", shortEntry);
    std::vector<uint8_t> good(512, 0);
    auto entries = parts;
    entries.push_back(shortEntry);
    PlaceEntries(good, 0, entries);
    EXPECT_TRUE(IsDir(good));

    std::vector<uint8_t> wrongOwner(512, 0);
    entries.back() = ShortEntry("OTHERNAMTXT", 0x20, 50, 10);
    PlaceEntries(wrongOwner, 0, entries);
    EXPECT_FALSE(IsDir(wrongOwner));
    // A deleted owner cannot be checked and is accepted.
    entries.back() = ShortEntry("\xE5THERNAMTXT", 0x20, 50, 10);
    PlaceEntries(wrongOwner, 0, entries);
    EXPECT_TRUE(IsDir(wrongOwner));

    // Parts that run to the end of the sector: the owner lies in the next one.
    std::vector<uint8_t> cut(512, 0);
    std::vector<std::vector<uint8_t>> fill;
    for (int i = 0; i < 14; ++i) fill.push_back(ShortEntry("FILLER  TXT", 0x20, 60 + i, 5));
    PlaceEntries(cut, 0, fill);
    PlaceEntries(cut, 14, {parts[0], parts[1]});
    EXPECT_TRUE(IsDir(cut));
}

TEST(ProFatDirectorySector, ShortNameChecksumIsTheStandardOne) {
    // Rotate right by one, add the next byte: worked out by hand for "A          ".
    uint8_t sum = 0;
    const char* name = "A          ";
    for (int i = 0; i < 11; ++i) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + static_cast<uint8_t>(name[i]));
    EXPECT_EQ(sum, profat::ShortNameChecksum(ByteView(name, 11)));
    EXPECT_NE(profat::ShortNameChecksum(ByteView("B          ", 11)), profat::ShortNameChecksum(ByteView(name, 11)));
}

TEST(ProFatGeometry, TwoSightingsGiveClusterSizeAndDataStart) {
    const auto g = GeometryFromSightings({9, 1128}, {5, 1112}, 1000);
    ASSERT_TRUE(g);
    EXPECT_EQ(4u, g->sectorsPerCluster);
    EXPECT_EQ(1000u, g->volumeStart);
    EXPECT_EQ(100u, g->dataStart);
    EXPECT_EQ(1112u, *g->ClusterSector(5));
    // Either order gives the same.
    EXPECT_EQ(*g, *GeometryFromSightings({5, 1112}, {9, 1128}, 1000));
    EXPECT_EQ(1068u, *g->ClusterSector(0)) << "the fixed root: 32 sectors before the data area";
    EXPECT_TRUE(g->Contains(9, 1131));
    EXPECT_FALSE(g->Contains(9, 1132));
}

TEST(ProFatGeometry, ContradictoryOrImpossibleSightingsGiveNothing) {
    EXPECT_FALSE(GeometryFromSightings({9, 1130}, {5, 1112}, 0)) << "18 sectors over 4 clusters";
    EXPECT_FALSE(GeometryFromSightings({5, 1124}, {8, 1112}, 0)) << "larger cluster at the smaller sector";
    EXPECT_FALSE(GeometryFromSightings({5, 1124}, {5, 1112}, 0)) << "equal clusters";
    EXPECT_FALSE(GeometryFromSightings({8, 1112 + 3 * 3}, {5, 1112}, 0)) << "3 sectors per cluster";
    EXPECT_FALSE(GeometryFromSightings({3, 1112 + 256}, {2, 1112}, 0)) << "256 sectors per cluster";
    EXPECT_FALSE(GeometryFromSightings({1000, 1800}, {900, 1000}, 0)) << "cluster 2 would lie before sector 0";
    EXPECT_FALSE(GeometryFromSightings({1000, 5100}, {900, 5000}, 4500)) << "cluster 2 before the area";
    EXPECT_FALSE(GeometryFromSightings({3, 10}, {1, 9}, 0)) << "cluster 1 is no data cluster";
    // Extreme values neither overflow nor wrap.
    EXPECT_FALSE(GeometryFromSightings({0xFFFFFFFF, UINT64_MAX}, {2, 0}, 0));
    const auto far = GeometryFromSightings({0xFFFFFFFF, UINT64_MAX}, {0xFFFFFFFE, UINT64_MAX - 128}, UINT64_MAX - 1);
    EXPECT_FALSE(far);
}

TEST(ProFatGeometry, ClusterSectorsNeverWrap) {
    FatGeometry g;
    g.sectorsPerCluster = 128;
    g.volumeStart = UINT64_MAX - 1000;
    g.dataStart = 500;
    EXPECT_FALSE(g.ClusterSector(0xFFFFFFFF));
    EXPECT_TRUE(g.ClusterSector(3));
    FatGeometry low;
    low.dataStart = 10;  // no room for a 32-sector root before it
    EXPECT_FALSE(low.ClusterSector(0));
    EXPECT_FALSE(low.Contains(0, 0));
}

TEST(ProFatGeometry, ListLooksUpAndStaysBounded) {
    profat::FatGeometryList list;
    FatGeometry boot{8, 500, 0, 32};
    EXPECT_EQ(0, list.Add(boot));
    EXPECT_EQ(0, list.Add(boot)) << "no duplicates";
    EXPECT_EQ(-1, list.AddSighting({5, 1112}, 0));
    EXPECT_EQ(1, list.AddSighting({9, 1128}, 0));
    EXPECT_EQ(1, list.ByExactStart(1128, 9));
    EXPECT_EQ(0, list.ByExactStart(500 + 7 * 8, 9));
    EXPECT_EQ(-1, list.ByExactStart(1129, 9));
    EXPECT_EQ(1, list.ByContainment(1130, 9));
    // Waiting files: the nearest data area at or below, the boot geometry left out.
    EXPECT_EQ(1, list.ForWaitingFile(5000, true));
    EXPECT_EQ(1, list.ForWaitingFile(5000, false));
    EXPECT_EQ(0, list.ForWaitingFile(800, false));
    EXPECT_EQ(0, list.ForWaitingFile(800, true)) << "none below but the boot one: the first";
    EXPECT_EQ(0, list.ForWaitingFile(100, false));
    EXPECT_EQ(-1, profat::FatGeometryList().ForWaitingFile(100, false));
}

TEST(ProFatGeometry, SightingsAndGeometriesAreBounded) {
    profat::FatGeometryList list;
    // Sightings that never pair: every cluster at a sector below the previous one.
    for (uint32_t i = 0; i < 5000; ++i) list.AddSighting({100000 - i, 1000000 + i}, 0);
    EXPECT_EQ(profat::FatGeometryList::kMaxSightings, list.sightings().size());
    EXPECT_TRUE(list.empty());
    for (uint32_t i = 0; i < 500; ++i) list.Add(FatGeometry{1, i, 0, 32});
    EXPECT_EQ(profat::FatGeometryList::kMaxGeometries, list.size());
}

}  // namespace
}  // namespace qm

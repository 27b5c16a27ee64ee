// The decoders of single structures: boot sector, table entries, directory entries, names, times.
#include <gtest/gtest.h>

#include "disk/fat_boot_sector.h"
#include "engines/fat/fat_cluster_set.h"
#include "engines/fat/fat_dir_entry.h"
#include "engines/fat/fat_names.h"
#include "engines/fat/fat_safe_name.h"
#include "engines/fat/fat_table.h"
#include "engines/fat/fat_time.h"
#include "platform/errors.h"
#include "tests/engines/fat_test_support.h"

namespace qm {
namespace {

std::vector<uint8_t> BootSector(uint16_t bytesPerSector, uint8_t perCluster, uint16_t reserved, uint8_t fats,
                                uint16_t rootEntries, uint32_t total, uint16_t perFat) {
    std::vector<uint8_t> b(512, 0);
    putU16(&b[0x0B], bytesPerSector);
    b[0x0D] = perCluster;
    putU16(&b[0x0E], reserved);
    b[0x10] = fats;
    putU16(&b[0x11], rootEntries);
    if (total < 0x10000)
        putU16(&b[0x13], static_cast<uint16_t>(total));
    else
        putU32(&b[0x20], total);
    putU16(&b[0x16], perFat);
    b[0x1FE] = 0x55;
    b[0x1FF] = 0xAA;
    return b;
}

TEST(FatBootSector, DecodesTheLayoutOfEachKind) {
    FatGeometry g;
    // A floppy: 224 root entries are 14 sectors, not 32.
    ASSERT_EQ(0, DecodeFatBootSector(ByteView(BootSector(512, 1, 1, 2, 224, 2880, 9).data(), 512), g));
    EXPECT_EQ(12, g.fatBits);
    EXPECT_EQ(14u, g.rootDirSectors);
    EXPECT_EQ(33u, g.dataStart);
    EXPECT_EQ(19u, g.rootDirStart());
    EXPECT_EQ(2847u, g.clusterCount);

    ASSERT_EQ(0, DecodeFatBootSector(ByteView(BootSector(4096, 4, 4, 2, 512, 40000, 16).data(), 512), g));
    EXPECT_EQ(16, g.fatBits);
    EXPECT_EQ(4u, g.rootDirSectors);
    EXPECT_EQ(16384u, g.clusterBytes());

    std::vector<uint8_t> b32 = BootSector(512, 8, 32, 2, 0, 2000000, 0);
    putU32(&b32[0x24], 2000);
    putU32(&b32[0x2C], 2);
    std::memcpy(&b32[0x52], "FAT32   ", 8);
    ASSERT_EQ(0, DecodeFatBootSector(ByteView(b32.data(), 512), g));
    EXPECT_EQ(32, g.fatBits);
    EXPECT_EQ(4032u, g.dataStart);
    EXPECT_EQ(2u, g.rootCluster);
}

TEST(FatBootSector, RefusesParametersThatDescribeNoVolume) {
    FatGeometry g;
    for (auto b : {BootSector(0, 1, 1, 2, 224, 2880, 9), BootSector(500, 1, 1, 2, 224, 2880, 9),
                   BootSector(512, 3, 1, 2, 224, 2880, 9), BootSector(512, 1, 0, 2, 224, 2880, 9),
                   BootSector(512, 1, 1, 0, 224, 2880, 9), BootSector(512, 1, 1, 2, 0, 2880, 9),
                   BootSector(512, 1, 1, 2, 224, 20, 9), BootSector(512, 1, 1, 2, 224, 2880, 0)})
        EXPECT_EQ(kErrorInvalidParameter, DecodeFatBootSector(ByteView(b.data(), b.size()), g));
    EXPECT_EQ(kErrorInvalidParameter, DecodeFatBootSector(ByteView(nullptr, 0), g));
}

// A small FAT12 volume in a file: one FAT sector whose 12-bit entries the test sets.
class Fat12Table : public ::testing::Test {
protected:
    void Build(const std::vector<uint16_t>& entries, uint32_t totalSectors = 120) {
        std::vector<uint8_t> image(static_cast<size_t>(totalSectors) * 512, 0);
        const auto boot = BootSector(512, 1, 1, 1, 16, totalSectors, 1);
        std::copy(boot.begin(), boot.end(), image.begin());
        for (size_t c = 0; c < entries.size(); ++c) {
            uint8_t* p = &image[512 + c + c / 2];
            if (c & 1) {
                p[0] = static_cast<uint8_t>((p[0] & 0x0F) | ((entries[c] & 0x0F) << 4));
                p[1] = static_cast<uint8_t>(entries[c] >> 4);
            } else {
                p[0] = static_cast<uint8_t>(entries[c]);
                p[1] = static_cast<uint8_t>((p[1] & 0xF0) | ((entries[c] >> 8) & 0x0F));
            }
        }
        path_ = dir_.file(L"fat12.img");
        test::writeWholeFile(path_, image);
        FatGeometry g;
        ASSERT_EQ(0, DecodeFatBootSector(ByteView(image.data(), 512), g));
        ASSERT_EQ(0, volume_.reader.OpenImageFile(path_));
        volume_.Describe(g, 0, totalSectors);
        ASSERT_EQ(0, table_.Load(volume_));
    }
    test::TempDir dir_;
    std::wstring path_;
    FatVolume volume_;
    FatTable table_;
};

TEST_F(Fat12Table, ReadsPackedEntriesAndEndMarks) {
    // 2 -> 3 -> 7 -> end; 4 bad; 5 -> 0xABC (outside); 6 free, 7 end.
    Build({0xFF0, 0xFFF, 0x003, 0x007, 0xFF7, 0xABC, 0x000, 0xFFF, 0x000, 0x000, 0x00B, 0xFF8});
    uint32_t v = 0;
    ASSERT_EQ(0, table_.ReadFatEntry(3, v));
    EXPECT_EQ(0x007u, v);
    ASSERT_EQ(0, table_.ReadFatEntry(5, v));
    EXPECT_EQ(0xABCu, v);
    EXPECT_EQ(3u, table_.NextCluster(2));
    EXPECT_EQ(7u, table_.NextCluster(3));
    EXPECT_EQ(0u, table_.NextCluster(7));   // 0xFFF ends the chain
    EXPECT_EQ(0u, table_.NextCluster(11));  // so does 0xFF8
    EXPECT_EQ(0u, table_.NextCluster(4));   // a bad cluster is no link
    EXPECT_EQ(0u, table_.NextCluster(5));   // nor is a cluster beyond the volume
    // Erased: 8 is free and so is 9, so 8 goes on to 9; 9 is free but 10 is in use.
    EXPECT_EQ(9u, table_.NextCluster(8));
    EXPECT_EQ(0u, table_.NextCluster(9));
    // Clusters 0 and 1 are never data.
    EXPECT_EQ(0u, table_.NextCluster(0));
    EXPECT_EQ(0u, table_.NextCluster(1));
    EXPECT_EQ(kErrorInvalidParameter, table_.ReadFatEntry(400, v));
}

TEST_F(Fat12Table, TheErasedRuleStopsAtTheVolumesEnd) {
    Build({0xFF0, 0xFFF}, 20);  // clusters 2..2+(20-3)-1 all free
    const uint32_t last = volume_.maxCluster;
    EXPECT_EQ(last, table_.NextCluster(last - 1));
    EXPECT_EQ(0u, table_.NextCluster(last));
}

TEST(FatDirEntryTest, ValidityRules) {
    auto entry = [](const char* name, uint8_t attr, uint32_t size = 100, uint16_t cluster = 5) {
        std::vector<uint8_t> e(32, 0);
        std::memcpy(e.data(), name, 11);
        e[11] = attr;
        putU16(&e[14], 0x6000);                    // 12:00
        putU16(&e[16], (44 << 9) | (3 << 5) | 7);  // 2024-03-07
        putU16(&e[18], (44 << 9) | (3 << 5) | 7);
        putU16(&e[22], 0x6000);
        putU16(&e[24], (44 << 9) | (3 << 5) | 7);
        putU16(&e[26], cluster);
        putU32(&e[28], size);
        return e;
    };
    auto valid = [](const std::vector<uint8_t>& e, bool fat32 = false) {
        return IsValidDirEntry(ByteView(e.data(), e.size()), ByteView(), fat32);
    };
    EXPECT_TRUE(valid(entry("FILE    TXT", kFatAttrArchive)));
    // Read-only, system or attribute-less files are files: the archive bit proves nothing.
    for (uint8_t attr : {uint8_t{kFatAttrReadOnly}, uint8_t{0x04}, uint8_t{0}}) {
        const auto file = entry("FILE    TXT", attr);
        EXPECT_TRUE(valid(file));
        EXPECT_TRUE(DecodeDirEntry(ByteView(file.data(), file.size())).isFile());
    }
    EXPECT_FALSE(valid(entry("FILE    TXT", kFatAttrArchive, 0, 5)));  // empty but has a cluster
    EXPECT_FALSE(valid(entry("file    txt", kFatAttrArchive)));        // small letters
    EXPECT_FALSE(valid(entry("FI*E    TXT", kFatAttrArchive)));
    EXPECT_FALSE(valid(entry("DIR        ", kFatAttrDirectory | kFatAttrReadOnly, 0)));
    EXPECT_FALSE(valid(entry("DIR        ", kFatAttrDirectory, 512)));  // live folder with a size
    EXPECT_TRUE(valid(entry("LABEL      ", kFatAttrVolumeLabel, 0, 0)));
    EXPECT_FALSE(valid(entry("LABEL      ", kFatAttrVolumeLabel, 0, 3)));
    // Labels as formatting tools write them: creation and access dates left at zero, and (macOS)
    // the archive bit set. Still a label: valid, and never a file.
    auto label = entry("TESTDISK   ", kFatAttrVolumeLabel | kFatAttrArchive, 0, 0);
    std::fill(label.begin() + 13, label.begin() + 20, 0);
    EXPECT_TRUE(valid(label));
    EXPECT_FALSE(DecodeDirEntry(ByteView(label.data(), label.size())).isFile());
    EXPECT_FALSE(valid(entry("FILE    TXT", kFatAttrVolumeLabel | kFatAttrDirectory, 0, 0)));
    EXPECT_FALSE(valid(entry("FILE    TXT", kFatAttrArchive | 0x40)));

    // A live file dated 1985 is refused; the same entry deleted is accepted.
    auto old = entry("FILE    TXT", kFatAttrArchive);
    putU16(&old[24], (5 << 9) | (1 << 5) | 1);
    EXPECT_FALSE(valid(old));
    old[0] = kFatDeletedMark;
    EXPECT_TRUE(valid(old));
    // A deleted entry's first byte is not judged as a name byte.
    auto gone = entry("\xE5ILE    TXT", kFatAttrArchive);
    EXPECT_TRUE(valid(gone));

    // Long-name parts: a live ordinal above 20 is garbage; 20 is the longest name there is.
    auto part = entry("\x54" "AAAAAAAAAA", kFatAttrLongName, 0x00410041, 0);
    EXPECT_TRUE(valid(part));
    part[0] = 0x55;
    EXPECT_FALSE(valid(part));
    putU16(&part[26], 1);
    part[0] = 0x41;
    EXPECT_FALSE(valid(part));

    // "." followed by ".." is a folder's start; a lone "." is not a name.
    auto dot = entry(".          ", kFatAttrDirectory, 0, 9);
    auto dotdot = entry("..         ", kFatAttrDirectory, 0, 0);
    EXPECT_TRUE(IsDotPair(ByteView(dot.data(), 32), ByteView(dotdot.data(), 32)));
    EXPECT_TRUE(IsValidDirEntry(ByteView(dot.data(), 32), ByteView(dotdot.data(), 32), false));
    EXPECT_FALSE(valid(dot));
}

TEST(FatNames, ShortAndLongNames) {
    std::vector<uint8_t> e(32, ' ');
    std::memcpy(e.data(), "\xE5" "EPORT  TXT", 11);
    EXPECT_EQ("!eport.txt", ShortEntryName(ByteView(e.data(), 32), true));
    EXPECT_EQ("!eport", ShortEntryName(ByteView(e.data(), 32), false));
    std::memcpy(e.data(), "CAF\x82    \x20  ", 11);  // code page 437: 0x82 is e acute
    EXPECT_EQ("caf\xC3\xA9", ShortEntryName(ByteView(e.data(), 32), true));

    // Parts arrive last part first; the name ends at its terminator.
    auto part = [](std::u16string chars) {
        std::vector<uint8_t> p(32, 0xFF);
        p[11] = 0x0F;
        static const size_t offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        chars.resize(13, u'\xFFFF');
        for (size_t i = 0; i < 13; ++i) putU16(&p[offsets[i]], static_cast<uint16_t>(chars[i]));
        return p;
    };
    LongNameCollector c;
    const auto second = part(std::u16string(u"\u0444\u0430\u0439\u043B.txt") + u'\0');
    const auto first = part(u"Very long na\u043C");
    ASSERT_TRUE(c.Prepend(ByteView(second.data(), 32)));
    ASSERT_TRUE(c.Prepend(ByteView(first.data(), 32)));
    EXPECT_EQ("Very long na\xD0\xBC\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt", c.Utf8());
    for (int i = 0; i < 18; ++i) ASSERT_TRUE(c.Prepend(ByteView(first.data(), 32)));
    EXPECT_FALSE(c.Prepend(ByteView(first.data(), 32)));  // a 21st part cannot belong to one name

    // A name longer than the record field keeps its extension.
    ScanRecord r;
    setRecordName(r, std::string(300, 'x') + ".jpeg");
    EXPECT_TRUE(recordName(r).ends_with(".jpeg"));
    EXPECT_LT(recordName(r).size(), 260u);
}

// Long-name parts that do not belong to their short entry (wrong checksum, parts out of order)
// give no long name, so the short name shows instead of pieces run together.
TEST(FatNames, LongNamePartsAreCheckedAgainstTheirShortEntry) {
    std::vector<uint8_t> shortEntry(32, 0);
    std::memcpy(shortEntry.data(), "ALONGF~1TXT", 11);
    const uint8_t checksum = ShortNameChecksum(ByteView(shortEntry.data(), 32));
    auto part = [&](uint8_t ordinal, std::u16string chars) {
        std::vector<uint8_t> p(32, 0);
        p[0] = ordinal;
        p[11] = 0x0F;
        p[13] = checksum;
        static const size_t offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        chars.resize(13, u'\xFFFF');
        for (size_t i = 0; i < 13; ++i) putU16(&p[offsets[i]], static_cast<uint16_t>(chars[i]));
        return p;
    };
    auto name = [&](const std::vector<std::vector<uint8_t>>& partsAsRead, const std::vector<uint8_t>& entry) {
        LongNameCollector c;
        for (const auto& p : partsAsRead) c.Prepend(ByteView(p.data(), 32));
        return c.NameFor(ByteView(entry.data(), 32));
    };
    const auto end = part(0x42, u"ame notes.txt");
    const auto start = part(0x01, u"A long file n");
    EXPECT_EQ("A long file name notes.txt", name({end, start}, shortEntry));
    EXPECT_EQ("", name({start, end}, shortEntry));  // live parts out of order

    auto wrongSum = start;
    wrongSum[13] ^= 1;
    EXPECT_EQ("", name({end, wrongSum}, shortEntry));

    // Deleted: numbers and the short name's first byte are lost; the checksums must still agree
    // and only the name's end may hold its terminator.
    auto deleted = [](std::vector<uint8_t> p) { p[0] = 0xE5; return p; };
    std::vector<uint8_t> deletedShort = shortEntry;
    deletedShort[0] = 0xE5;
    const auto endTerminated = part(0x42, std::u16string(u"ame.txt") + u'\0');
    EXPECT_EQ("A long file name.txt", name({deleted(endTerminated), deleted(start)}, deletedShort));
    EXPECT_EQ("", name({deleted(start), deleted(endTerminated)}, deletedShort));
    EXPECT_EQ("", name({deleted(end), deleted(wrongSum)}, deletedShort));
    // Without a terminator only the alias tells: "ALONGF~1" cannot stand for "ame notes.txtA...".
    EXPECT_EQ("A long file name notes.txt", name({deleted(end), deleted(start)}, deletedShort));
    EXPECT_EQ("", name({deleted(start), deleted(end)}, deletedShort));
}

TEST(FatNames, NamesFromTheMediumAreSafePathComponents) {
    EXPECT_EQ(L"_", SafeFileName(".."));
    EXPECT_EQ(L"_", SafeFileName("."));
    EXPECT_EQ(L"_", SafeFileName(""));
    EXPECT_EQ(L"a_b_c", SafeFileName("a/b\\c"));
    EXPECT_EQ(L"ok name.txt", SafeFileName("ok name.txt"));
}

TEST(FatTimes, ConvertsWithoutZoneAndChecksRanges) {
    uint64_t t = 0;
    ASSERT_TRUE(FatTimeToFileTime((10 << 9) | (1 << 5) | 1, 0, 0, t));  // 1990-01-01 00:00:00
    EXPECT_EQ(kFatEarliestTime, t);
    ASSERT_TRUE(FatTimeToFileTime((70 << 9) | (1 << 5) | 1, 0, 0, t));  // 2050-01-01
    EXPECT_EQ(kFatLatestTime, t);
    // 2024-02-29 23:59:58 plus 1.5 s of ten-millisecond count.
    ASSERT_TRUE(FatTimeToFileTime((44 << 9) | (2 << 5) | 29, (23 << 11) | (59 << 5) | 29, 150, t));
    EXPECT_EQ(0u, (t - kFatEarliestTime) % 10000);
    EXPECT_EQ(133537247995000000ull, t);  // 1709251199.5 s after 1970
    EXPECT_FALSE(FatTimeToFileTime((43 << 9) | (2 << 5) | 29, 0, 0, t));  // 2023 has no 29 February
    EXPECT_FALSE(FatTimeToFileTime((44 << 9) | (13 << 5) | 1, 0, 0, t));
    EXPECT_FALSE(FatTimeToFileTime(0, 0, 0, t));
    EXPECT_FALSE(FatTimeToFileTime((44 << 9) | (1 << 5) | 1, 24 << 11, 0, t));
}

TEST(FatClusterRuns, DetectsRepeatsAndMergesRuns) {
    ClusterRunSet s;
    for (uint32_t c = 10; c < 20; ++c) EXPECT_TRUE(s.Insert(c));
    EXPECT_EQ(1u, s.RunCount());
    EXPECT_TRUE(s.Insert(30));
    EXPECT_TRUE(s.Insert(21));
    EXPECT_TRUE(s.Insert(20));  // joins 10..19 and 21
    EXPECT_EQ(2u, s.RunCount());
    EXPECT_FALSE(s.Insert(15));
    EXPECT_FALSE(s.Insert(30));
    EXPECT_TRUE(s.Contains(21));
    EXPECT_FALSE(s.Contains(22));
    EXPECT_TRUE(s.Insert(29));
    EXPECT_EQ(2u, s.RunCount());
}

}  // namespace
}  // namespace qm

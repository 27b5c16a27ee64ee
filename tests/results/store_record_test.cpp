// The stored record: names, keys, order and positions in the log.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "results/scan_record.h"

namespace qm {
namespace {

bool validUtf8Start(const std::string& s) { return s.empty() || (static_cast<unsigned char>(s[0]) & 0xC0) != 0x80; }
bool endsOnWholeCharacter(const std::string& s) {
    // Walk lead bytes and check the last character has all its continuation bytes.
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        if (i + len > s.size()) return false;
        i += len;
    }
    return true;
}

TEST(StoreRecord, LongNamesAreCutOnACharacterBoundaryKeepingTheExtension) {
    std::string longName;
    for (int i = 0; i < 200; ++i) longName += "\xC3\xA9";  // é, 2 bytes each
    longName += "x.jpeg";
    ScanRecord r;
    setRecordName(r, longName);
    const std::string stored = recordName(r);
    EXPECT_LE(stored.size(), 259u);
    EXPECT_GE(stored.size(), 258u);
    EXPECT_EQ(".jpeg", stored.substr(stored.size() - 5));
    EXPECT_TRUE(validUtf8Start(stored));
    EXPECT_TRUE(endsOnWholeCharacter(stored.substr(0, stored.size() - 5)));
    EXPECT_EQ('\0', r.name[259]);

    // Without a usable extension the plain cut applies.
    std::string noExt(300, 'a');
    setRecordName(r, noExt);
    EXPECT_EQ(std::string(259, 'a'), recordName(r));
}

TEST(StoreRecord, ShortNamesAreStoredWholeAndTheRestOfTheFieldCleared) {
    ScanRecord r;
    std::memset(r.name, 'Q', sizeof r.name);
    const std::string exact(259, 'b');
    setRecordName(r, exact);
    EXPECT_EQ(exact, recordName(r));
    setRecordName(r, "short.txt");
    EXPECT_EQ("short.txt", recordName(r));
    EXPECT_EQ('\0', r.name[100]);
}

TEST(StoreRecord, NamesReadBackStopAtTheFieldEndWithoutTerminator) {
    ScanRecord r;
    std::memset(r.name, 'Z', sizeof r.name);
    r.partitionStart = 0x4141414141414141ull;  // what lies before must not leak in either
    EXPECT_EQ(std::string(260, 'Z'), recordName(r));
}

TEST(StoreRecord, ParentKeyHalves) {
    const ParentKey k = ParentKey::make(5, 0);
    EXPECT_EQ(5u, k.value);
    const ParentKey deep = ParentKey::make(-2, 3);
    EXPECT_EQ(-2, deep.fsId());
    EXPECT_EQ(3u, deep.depth());
    EXPECT_EQ(0x00000003FFFFFFFEull, deep.value);
    EXPECT_LT(ParentKey::make(100, 0), ParentKey::make(1, 1));
}

TEST(StoreRecord, OffsetsPastFourGibibytesDoNotWrap) {
    EXPECT_EQ(0u, recordOffset(1));
    EXPECT_EQ(346u, recordOffset(2));
    // 12.5 million records end beyond 4 GiB; a 32-bit offset would point near the start.
    EXPECT_EQ(12499999ull * 346, recordOffset(12500000));
    EXPECT_GT(recordOffset(12500000), 0xFFFFFFFFull);
    EXPECT_EQ(2147483646ull * 346, recordOffset(2147483647));
}

TEST(StoreRecord, OrderPutsFilesFirstAndFoldsAsciiCase) {
    ScanRecord file, folder;
    setRecordName(file, "zzz");
    setRecordName(folder, "AAA");
    folder.isFolder = 1;
    EXPECT_TRUE(recordOrderLess(file, folder));
    EXPECT_FALSE(recordOrderLess(folder, file));

    EXPECT_EQ(0, compareNamesIgnoreCase("ReadMe.TXT", "readme.txt"));
    EXPECT_LT(compareNamesIgnoreCase("A.doc", "b.txt"), 0);
    EXPECT_LT(compareNamesIgnoreCase("ab", "abc"), 0);
    // Folding to lower case puts "_" (0x5F) before letters.
    EXPECT_LT(compareNamesIgnoreCase("_x", "A"), 0);
    // Bytes beyond ASCII are compared as they are.
    EXPECT_NE(0, compareNamesIgnoreCase("\xC3\x89", "\xC3\xA9"));
}

TEST(StoreRecord, ExtensionIsTheTextAfterTheLastDotLowerCased) {
    ScanRecord r;
    setRecordName(r, "archive.TAR.GZ");
    EXPECT_EQ("gz", recordExtensionLower(r));
    setRecordName(r, "README");
    EXPECT_EQ("", recordExtensionLower(r));
}

}  // namespace
}  // namespace qm

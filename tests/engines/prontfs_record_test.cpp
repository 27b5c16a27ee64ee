// The deep-scan NTFS engine on hand-made records: the candidate test, both parse phases,
// cluster inference, placement through a known MFT and relative to the record found, and
// reading content back.
#include <gtest/gtest.h>

#include "engines/professional/pro_ntfs_placement.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "tests/engines/prontfs_test_support.h"
#include "tests/engines/ntfs_test_helpers.h"

namespace qm::test {
namespace {

std::vector<uint8_t> text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

struct Engine {
    TempDir dir;
    CProfessionalNtfsRecovery engine;
    std::wstring image = dir.file(L"area.img");

    int open(uint64_t sectors, const std::vector<std::pair<uint64_t, std::vector<uint8_t>>>& records) {
        writeImage(image, sectors, records);
        engine.SetLogFolder(dir.file(L"logs"));
        if (int rc = engine.OpenImage(image, 'Z'); rc != 0) return rc;
        return engine.OpenLog(nullptr);
    }
};

TEST(ProNtfsCandidate, HeaderFieldsDecide) {
    auto good = RecordBuilder(40).fileName(5, u"a.txt").finish();
    EXPECT_TRUE(isNtfsRecordCandidate(ByteView(good.data(), good.size()), 512));
    EXPECT_FALSE(candidateIsDirectory(ByteView(good.data(), good.size())));

    auto allocated = good;
    setLe(allocated, 0x1C, 4096, 4);
    EXPECT_FALSE(isNtfsRecordCandidate(ByteView(allocated.data(), allocated.size()), 512));
    auto torn = good;
    torn[0x1FE] ^= 1;  // the sequence number no longer ends the first sector
    EXPECT_FALSE(isNtfsRecordCandidate(ByteView(torn.data(), torn.size()), 512));
    auto inUse = good;
    setLe(inUse, 0x18, 1025, 4);
    EXPECT_FALSE(isNtfsRecordCandidate(ByteView(inUse.data(), inUse.size()), 512));
    // A 4096-byte sector holds one whole record.
    auto big = good;
    setLe(big, 0x1C, 4096, 4);
    big.resize(4096);
    EXPECT_TRUE(isNtfsRecordCandidate(ByteView(big.data(), big.size()), 4096));
    auto dir = RecordBuilder(30, 0x0003).fileName(5, u"Docs").finish();
    EXPECT_TRUE(candidateIsDirectory(ByteView(dir.data(), dir.size())));
}

TEST(ProNtfsPlacement, GuessInferenceAndMapping) {
    EXPECT_EQ(8, guessSectorsPerCluster(4096, 512));              // 2 MiB
    EXPECT_EQ(1, guessSectorsPerCluster(100u * 2048, 512));       // 100 MiB
    EXPECT_EQ(2, guessSectorsPerCluster(1000u * 2048, 512));
    EXPECT_EQ(4, guessSectorsPerCluster(2000u * 2048, 512));
    EXPECT_EQ(8, guessSectorsPerCluster(3000ull * 2048, 512));
    EXPECT_EQ(8, guessSectorsPerCluster(10u * 256, 4096));        // 10 MiB on 4 KiB sectors: up to 56

    // Two clusters, 8192 bytes allocated, 512-byte sectors: 8 sectors per cluster.
    auto two = RecordBuilder(40).fileName(5, u"b.bin").runData({0x11, 0x02, 0x20}, 8192, 5000).finish();
    EXPECT_EQ(8, inferSectorsPerCluster(ByteView(two.data(), two.size()), 1024, 512));
    // A ratio that is no cluster size is not believed; nor is a resident $DATA.
    auto odd = RecordBuilder(40).fileName(5, u"b.bin").runData({0x11, 0x01, 0x20}, 1536, 1000).finish();
    EXPECT_EQ(0, inferSectorsPerCluster(ByteView(odd.data(), odd.size()), 1024, 512));
    auto res = RecordBuilder(40).fileName(5, u"r.txt").residentData(text("abc")).finish();
    EXPECT_EQ(0, inferSectorsPerCluster(ByteView(res.data(), res.size()), 1024, 512));

    // No MFT known: contiguous, parent p of record n at s lies at s + (p - n) * 2.
    MftMap map;
    RecordPlacement p = map.place(40, 200, 2, 8, 0);
    ASSERT_TRUE(p.mftRuns);
    EXPECT_EQ(0u, p.partitionStart);
    uint64_t rel = 0;
    ASSERT_TRUE(mapRecordNumber(30, *p.mftRuns, 2, 8, rel));
    EXPECT_EQ(180u, p.partitionStart + rel);
    // Not a whole number of clusters from the area start: the volume is taken to start at
    // the remainder, so parents still land exactly.
    p = map.place(40, 203, 2, 8, 0);
    ASSERT_TRUE(mapRecordNumber(30, *p.mftRuns, 2, 8, rel));
    EXPECT_EQ(183u, p.partitionStart + rel);
    EXPECT_EQ(3u, p.partitionStart);

    // A fragmented MFT (1 cluster at 10, 4 at 40) whose record 0 lies at sector 96.
    RunList runs{{1, 10, false}, {4, 30, false}};
    map.enter(96, runs);
    p = map.place(14, 356, 2, 8, 0);
    EXPECT_EQ(16u, p.partitionStart);
    ASSERT_TRUE(mapRecordNumber(13, *p.mftRuns, 2, 8, rel));
    EXPECT_EQ(354u, p.partitionStart + rel);
    // The first sector after the first run maps to the start of the second.
    ASSERT_TRUE(mapRecordNumber(4, *p.mftRuns, 2, 8, rel));
    EXPECT_EQ(16u + 320u, p.partitionStart + rel);
    // A record the map predicts elsewhere is placed on its own.
    p = map.place(14, 700, 2, 8, 0);
    EXPECT_EQ(0u, p.partitionStart);
}

TEST(ProNtfsParse, FilesFoldersAndLostFolders) {
    Engine e;
    const std::vector<uint8_t> content = text("hello from a resident file\n");
    ASSERT_EQ(0, e.open(4096, {
        {180, RecordBuilder(30, 0x0003).fileName(5, u"Docs").finish()},
        {184, RecordBuilder(99, 0x0003).fileName(5, u"Wrong").finish()},  // where 32 should be
        {200, RecordBuilder(40).fileName(30, u"A.TXT", 2).fileName(30, u"a.txt", 1, 27).residentData(content).finish()},
        {202, RecordBuilder(41, 0).fileName(31, u"b.bin").residentData(text("x")).finish()},
        {204, RecordBuilder(42, 0).fileName(32, u"c.txt").residentData(text("y")).finish()},
        {206, RecordBuilder(43, 0x0003).fileName(30, u"SubDir").finish()},
        {208, RecordBuilder(7).fileName(5, u"$Boot").finish()},
        {127, RecordBuilder(60).fileName(5, u"edge.txt").residentData(text("e")).finish()},  // crosses a chunk end
    }));
    EXPECT_EQ(5u, feedArea(e.engine));  // the directories are passed over
    auto tree = walkTree(e.engine);
    ASSERT_TRUE(tree.count("Docs/a.txt"));
    EXPECT_TRUE(tree.count("LostFolder31/b.bin"));
    EXPECT_TRUE(tree.count("LostFolder32/c.txt"));  // the record found there is another folder
    EXPECT_FALSE(tree.count("Docs/SubDir"));          // no file below it, so never read
    EXPECT_FALSE(tree.count("$Boot"));
    EXPECT_TRUE(tree.count("edge.txt"));
    EXPECT_EQ(7u, tree.size());
    const ScanRecord& a = tree["Docs/a.txt"].record;
    EXPECT_EQ(kSourceProNtfs, +a.sourceKind);
    EXPECT_EQ(40, +a.fsId);
    EXPECT_EQ(200u, +a.location);
    EXPECT_EQ(0u, +a.partitionStart);
    EXPECT_EQ(4096, +a.clusterBytes);
    EXPECT_EQ(content.size(), +a.size);
    EXPECT_EQ(1, +a.condition);
    EXPECT_EQ('Z', +a.driveLetter);
    const ScanRecord& docs = tree["Docs"].record;
    EXPECT_EQ(1, +docs.isFolder);
    EXPECT_EQ(180u, +docs.location);
    std::wstring path;
    EXPECT_EQ(0, e.engine.GetItemPath(a, path));
    EXPECT_EQ(std::wstring(L"Docs") + platform::kPathSeparator, path);
    EXPECT_EQ(1, +tree["LostFolder31"].record.condition);
    EXPECT_EQ(4096, +tree["LostFolder31"].record.clusterBytes);

    // The resident file comes back from its record; it has no clusters to name.
    EXPECT_EQ(0, e.engine.RecoverItem(&a, e.dir.file(L"a.txt"), 0));
    EXPECT_EQ(content, readWholeFile(e.dir.file(L"a.txt")));
    RunList runs;
    EXPECT_EQ(kNtfsNotResident, e.engine.findRunsInRecord(200, runs));
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(kNtfsNoFileRecord, e.engine.findRunsInRecord(10, runs));
}

TEST(ProNtfsParse, HeaderTestAndPhases) {
    Engine e;
    ASSERT_EQ(0, e.open(64, {}));
    auto rec = RecordBuilder(40).fileName(5, u"f.txt").residentData(text("1")).finish();
    auto bad = rec;
    setLe(bad, 0x18, 2000, 4);
    EXPECT_EQ(kErrorInvalidParameter, e.engine.ParseRecord(bad.data(), bad.size(), 10, 0, 0));
    bad = rec;
    setLe(bad, 0x14, 0x300, 2);  // first attribute beyond the bytes in use
    EXPECT_EQ(kErrorInvalidParameter, e.engine.ParseRecord(bad.data(), bad.size(), 10, 0, 0));
    std::vector<uint8_t> zeros(1024, 0);
    EXPECT_EQ(kNtfsNoFileRecord, e.engine.ParseRecord(zeros.data(), zeros.size(), 10, 0, 0));
    EXPECT_EQ(0u, e.engine.GetFoundCount());
    // Phase 1: a record that is no directory, or no record at all, is a lost folder.
    EXPECT_EQ(0, e.engine.ParseRecord(rec.data(), rec.size(), 10, 1, 40));
    EXPECT_EQ(kNtfsNoFileRecord, e.engine.ParseRecord(zeros.data(), zeros.size(), 12, 1, 77));
    std::vector<ScanRecord> root;
    EXPECT_EQ(0, e.engine.ListFolder(nullptr, 0, root));
    ASSERT_EQ(2u, root.size());
    EXPECT_STREQ("LostFolder40", root[0].name);
    EXPECT_STREQ("LostFolder77", root[1].name);
    // A live file is listed like a deleted one; a short buffer reads as zeros past its end.
    EXPECT_EQ(0, e.engine.ParseRecord(rec.data(), 600, 10, 0, 0));
    EXPECT_EQ(3u, e.engine.GetFoundCount());
}

TEST(ProNtfsParse, FixupRestoresTheProtectedWord) {
    Engine e;
    std::vector<uint8_t> content(800);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 13 + 1);
    ASSERT_EQ(0, e.open(256, {{120, RecordBuilder(40).fileName(5, u"span.bin").residentData(content).finish()}}));
    feedArea(e.engine);
    auto tree = walkTree(e.engine);
    ASSERT_TRUE(tree.count("span.bin"));
    // The content covers byte 510 of the record, moved by the writer into the header.
    EXPECT_EQ(0, e.engine.RecoverItem(&tree["span.bin"].record, e.dir.file(L"span.bin"), 0));
    EXPECT_EQ(content, readWholeFile(e.dir.file(L"span.bin")));
}

TEST(ProNtfsParse, FragmentedMftPlacesRecordsAndDataOfAMovedVolume) {
    Engine e;
    // Volume starts at sector 16 with 8-sector clusters; its MFT: 1 cluster at 10, 4 at 40.
    std::vector<uint8_t> data(4096);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> recs = {
        {96, RecordBuilder(0).fileName(5, u"$MFT").runData({0x11, 0x01, 0x0A, 0x11, 0x04, 0x1E}, 5 * 4096, 5 * 4096).finish()},
        {362, RecordBuilder(17, 0x0003).fileName(5, u"Sub").finish()},
        {364, RecordBuilder(18).fileName(17, u"f.bin").runData({0x11, 0x01, 0x32}, 4096, 3000).finish()},
    };
    ASSERT_EQ(0, e.open(4096, recs));
    // The data cluster 50 of the volume: sector 16 + 400.
    auto bytes = readWholeFile(e.image);
    std::copy(data.begin(), data.end(), bytes.begin() + 416 * 512);
    writeWholeFile(e.image, bytes);

    feedArea(e.engine);
    EXPECT_EQ(1u, e.engine.MftMapSize());
    auto tree = walkTree(e.engine);
    ASSERT_TRUE(tree.count("Sub/f.bin"));
    const ScanRecord& f = tree["Sub/f.bin"].record;
    EXPECT_EQ(16u, +f.partitionStart);
    EXPECT_EQ(3000u, +f.size);
    RunList runs;
    ASSERT_EQ(0, e.engine.findRunsInRecord(364, runs));
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ(50, runs[0].lcnDelta);

    EXPECT_EQ(0, e.engine.RecoverItem(&f, e.dir.file(L"out/f.bin"), 0));
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 3000), readWholeFile(e.dir.file(L"out/f.bin")));
    // Nothing is written over: not an earlier recovery, not the source image itself.
    EXPECT_EQ(kErrorFileExists, e.engine.RecoverItem(&f, e.dir.file(L"out/f.bin"), 0));
    EXPECT_EQ(kErrorFileExists, e.engine.RecoverItem(&f, e.image, 0));
    EXPECT_EQ(bytes, readWholeFile(e.image));

    // Preview into memory: as much as the buffer holds; into a file below the per-user folder.
    std::vector<uint8_t> memory(1000);
    uint64_t count = memory.size();
    std::wstring temp;
    EXPECT_EQ(0, e.engine.ExtractItem(&f, temp, memory.data(), count, nullptr, nullptr));
    EXPECT_TRUE(temp.empty());
    EXPECT_EQ(1000u, count);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 1000), memory);
    {
        ScopedEnv appData("QUILLMERE_APPDATA", e.dir.file(L"appdata"));
        ScanRecord zip = f;
        setRecordName(zip, "f.zip");
        count = 0;
        EXPECT_EQ(0, e.engine.ExtractItem(&zip, temp, nullptr, count, nullptr, nullptr));
        ASSERT_FALSE(temp.empty());
        EXPECT_EQ(0u, temp.rfind(e.dir.file(L"appdata"), 0));
        EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 3000), readWholeFile(temp));
    }

    // The whole folder, breadth first.
    const ScanRecord& sub = tree["Sub"].record;
    const std::wstring subOut = e.dir.file(L"tree") + platform::kPathSeparator + L"Sub";
    const int separators = static_cast<int>(std::count(subOut.begin(), subOut.end() - 1, platform::kPathSeparator));
    EXPECT_EQ(0, e.engine.RecoverItem(&sub, subOut, separators - 1));
    EXPECT_EQ(3000u, readWholeFile(e.dir.file(L"tree") + platform::kPathSeparator + L"Sub" +
                                   platform::kPathSeparator + L"f.bin").size());
}

TEST(ProNtfsParse, DataBehindAnAttributeListIsReadBack) {
    Engine e;
    // Base record 20 at sector 104 names its $DATA in record 21 (the next record).
    std::vector<uint8_t> list(0x20, 0);
    setLe(list, 0, 0x80, 4);
    setLe(list, 4, 0x20, 2);
    setLe(list, 0x10, 21, 8);
    std::vector<uint8_t> attr(0x18 + list.size(), 0);
    setLe(attr, 0x10, static_cast<uint32_t>(list.size()), 4);
    setLe(attr, 0x14, 0x18, 2);
    std::copy(list.begin(), list.end(), attr.begin() + 0x18);
    std::vector<uint8_t> data(1500, 0x5A);
    ASSERT_EQ(0, e.open(4096, {
        {104, RecordBuilder(20).attribute(0x20, attr).fileName(5, u"long.dat").finish()},
        {106, RecordBuilder(21).runData({0x11, 0x01, 0x40}, 4096, 1500).finish()},
        {512, data},  // cluster 64 of 8 sectors
    }));
    feedArea(e.engine);
    auto tree = walkTree(e.engine);
    ASSERT_TRUE(tree.count("long.dat"));
    RunList runs;
    EXPECT_EQ(kErrorInvalidParameter, e.engine.findRunsInRecord(104, runs));
    const ScanRecord& r = tree["long.dat"].record;
    EXPECT_EQ(1500u, +r.size);  // from the extension record's $DATA
    EXPECT_EQ(0, e.engine.RecoverItem(&r, e.dir.file(L"long.dat"), 0));
    EXPECT_EQ(data, readWholeFile(e.dir.file(L"long.dat")));
}

TEST(ProNtfsHostile, LoopsBadLengthsAndRunsPastTheEnd) {
    Engine e;
    ASSERT_EQ(0, e.open(512, {
        // Folders 20 and 21 name each other as parent; 22 names itself.
        {60, RecordBuilder(20, 0x0003).fileName(21, u"A").finish()},
        {62, RecordBuilder(21, 0x0003).fileName(20, u"B").finish()},
        {64, RecordBuilder(22, 0x0003).fileName(22, u"Self").finish()},
        {80, RecordBuilder(30).fileName(20, u"inloop.txt").residentData(text("l")).finish()},
        {82, RecordBuilder(31).fileName(22, u"inself.txt").residentData(text("s")).finish()},
        {84, RecordBuilder(32).raw(0x30, 0).finish()},                       // length 0
        {86, RecordBuilder(33).raw(0x30, 0x7000).finish()},                  // past the record
        {88, RecordBuilder(34).fileName(5, u"far.bin").runData({0x14, 0x10, 0xFF, 0xFF, 0xFF, 0x7F}, 65536, 65536).finish()},
    }));
    feedArea(e.engine);
    auto tree = walkTree(e.engine);
    EXPECT_TRUE(tree.count("Self/inself.txt"));  // a folder that is its own parent hangs under the root
    ASSERT_TRUE(tree.count("far.bin"));
    const ScanRecord& far = tree["far.bin"].record;
    EXPECT_NE(0, e.engine.RecoverItem(&far, e.dir.file(L"far.bin"), 0));
    uint32_t count = 0;
    EXPECT_EQ(0, e.engine.CountFiles(nullptr, 0, count));
}

TEST(ProNtfsHostile, WhatIsHeldStaysBounded) {
    Engine e;
    ASSERT_EQ(0, e.open(64, {}));
    // Every record a "$MFT" of its own, and every file naming a parent no one else names.
    auto mft = RecordBuilder(0).fileName(5, u"$MFT").runData({0x11, 0x01, 0x0A}, 4096, 4096).finish();
    for (uint64_t s = 0; s < MftMap::kMaxEntries + 50; ++s) e.engine.ParseRecord(mft.data(), mft.size(), s * 2, 0, 0);
    EXPECT_EQ(MftMap::kMaxEntries, e.engine.MftMapSize());
    for (uint32_t i = 0; i < CProfessionalNtfsRecovery::kMaxPendingFolders + 100; ++i) {
        auto rec = RecordBuilder(16).fileName(1000 + i, u"x").finish();
        e.engine.ParseRecord(rec.data(), rec.size(), 24, 0, 0);
    }
    EXPECT_EQ(CProfessionalNtfsRecovery::kMaxPendingFolders, e.engine.PendingFolderCount());
}

TEST(ProNtfsEngine, NoStoreAndNullRecords) {
    CProfessionalNtfsRecovery engine;
    std::vector<ScanRecord> out;
    uint32_t count = 7;
    std::wstring path;
    EXPECT_EQ(0, engine.ListFolder(nullptr, 0, out));
    EXPECT_EQ(0, engine.CountFiles(nullptr, 0, count));
    EXPECT_EQ(0, engine.ListByType(L"*.txt", out));
    EXPECT_EQ(kErrorInvalidParameter, engine.GetItemPath(ScanRecord{}, path));
    EXPECT_EQ(kErrorInvalidParameter, engine.SetListCallback(nullptr, nullptr));
    EXPECT_EQ(kErrorInvalidParameter, engine.RecoverItem(nullptr, L"x", 0));
    EXPECT_EQ(0, engine.Scan(nullptr));
    EXPECT_EQ(0u, engine.GetFoundCount());
    std::vector<uint8_t> rec(1024);
    EXPECT_EQ(kErrorInvalidParameter, engine.ParseRecord(rec.data(), rec.size(), 0, 0, 0));
}

}  // namespace
}  // namespace qm::test

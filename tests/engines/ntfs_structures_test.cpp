#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engines/ntfs/lznt1.h"
#include "engines/ntfs/ntfs_attribute_list.h"
#include "engines/ntfs/ntfs_file_name.h"
#include "engines/ntfs/ntfs_fixup.h"
#include "engines/ntfs/ntfs_free_map.h"
#include "engines/ntfs/ntfs_geometry.h"
#include "engines/ntfs/ntfs_record.h"
#include "engines/ntfs/ntfs_record_decode.h"
#include "engines/ntfs/ntfs_runs.h"

namespace qm {
namespace {

std::vector<uint8_t> bootSector(uint16_t bytesPerSector, uint8_t sectorsPerCluster, uint64_t mftCluster) {
    std::vector<uint8_t> b(4096, 0);
    std::memcpy(&b[3], "NTFS    ", 8);
    putU16(&b[0x0B], bytesPerSector);
    b[0x0D] = sectorsPerCluster;
    putU64(&b[0x30], mftCluster);
    b[0x40] = 0xF6;  // clusters per record: never read
    return b;
}

NtfsVolumeGeometry geometryFor(uint16_t bytesPerSector, uint8_t spc, uint64_t start = 0) {
    const auto b = bootSector(bytesPerSector, spc, 4);
    return readGeometry(ByteView(b.data(), b.size()), start, 1 << 20, bytesPerSector);
}

// A non-resident attribute with the given run bytes (type 0x80, run list at 0x40).
std::vector<uint8_t> nonResident(const std::vector<uint8_t>& runBytes, uint32_t length = 0) {
    std::vector<uint8_t> a(0x40 + runBytes.size() + 8, 0);
    if (length == 0) length = static_cast<uint32_t>(a.size());
    a.resize(std::max<size_t>(a.size(), length), 0);
    putU32(&a[0], 0x80);
    putU32(&a[4], length);
    a[8] = 1;
    putU16(&a[0x20], 0x40);
    std::memcpy(&a[0x40], runBytes.data(), runBytes.size());
    return a;
}

TEST(NtfsGeometry, FollowsTheSectorSizeNotTheClustersPerRecordField) {
    const NtfsVolumeGeometry g512 = geometryFor(512, 8, 2048);
    EXPECT_EQ(512, g512.bytesPerSector);
    EXPECT_EQ(2, g512.recordSectors);
    EXPECT_EQ(1024, g512.recordBytes);
    EXPECT_EQ(4096, g512.clusterBytes);
    EXPECT_EQ(2048u + 4 * 8, g512.mftStartSector);
    EXPECT_EQ(2, g512.fixupCount);
    EXPECT_EQ(512, g512.fixupStride);

    const NtfsVolumeGeometry g4k = geometryFor(4096, 1);
    EXPECT_EQ(1, g4k.recordSectors);
    EXPECT_EQ(4096, g4k.recordBytes);
    EXPECT_EQ(8, g4k.fixupCount);  // every 512 bytes, as the format protects them

    const auto zero = bootSector(0, 8, 4);
    EXPECT_EQ(512, readGeometry(ByteView(zero.data(), zero.size()), 0, 100, 512).bytesPerSector);
    // Unreadable cluster sizes (128, negative exponents) are refused.
    for (uint8_t spc : {0, 3, 128, 0xF4}) EXPECT_FALSE(geometryFor(512, spc).usable()) << int(spc);
    EXPECT_TRUE(NtfsVolumeGeometry{}.recordBytes == 1024 && NtfsVolumeGeometry{}.fixupCount == 2);
}

TEST(NtfsFixup, RestoresTheLastWordOfEvery512Bytes) {
    for (uint16_t sector : {512, 4096}) {
        const NtfsVolumeGeometry g = geometryFor(sector, 1);
        std::vector<uint8_t> r(static_cast<size_t>(g.recordBytes), 0xAA);
        const int words = g.recordBytes / 512;
        for (int i = 0; i < words; ++i) {
            putU16(&r[0x32 + 2 * i], static_cast<uint16_t>(0x1100 + i));
            putU16(&r[512 * (i + 1) - 2], 0x0707);  // the sequence number the writer put there
        }
        applyFixup(r.data(), r.size(), g);
        for (int i = 0; i < words; ++i) EXPECT_EQ(0x1100 + i, ByteView(r.data(), r.size()).u16(512 * (i + 1) - 2));
        EXPECT_EQ(0xAA, r[509]);
    }
    // A buffer shorter than the record is fixed only where it reaches.
    const NtfsVolumeGeometry g = geometryFor(512, 1);
    std::vector<uint8_t> shortRecord(600, 0);
    putU16(&shortRecord[0x34], 0xBEEF);
    applyFixup(shortRecord.data(), shortRecord.size(), g);
    EXPECT_EQ(0, shortRecord[599]);
}

TEST(NtfsRuns, DecodesLengthsSignedOffsetsAndSparseRuns) {
    const NtfsVolumeGeometry g = geometryFor(512, 8);
    RunList runs;
    auto a = nonResident({0x11, 0x10, 0xFF, 0x01, 0x08, 0x00});
    decodeRuns(ByteView(a.data(), a.size()), g, runs);
    ASSERT_EQ(2u, runs.size());
    EXPECT_EQ(16u, runs[0].lengthClusters);
    EXPECT_EQ(-1, runs[0].lcnDelta);
    EXPECT_FALSE(runs[0].sparse);
    EXPECT_EQ(8u, runs[1].lengthClusters);
    EXPECT_EQ(0, runs[1].lcnDelta);
    EXPECT_TRUE(runs[1].sparse);

    for (auto bytes : {std::vector<uint8_t>{0x41, 0x01, 0x80, 0xFF, 0xFF, 0xFF},
                       std::vector<uint8_t>{0x61, 0x01, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}) {
        auto attr = nonResident(bytes);
        RunList one;
        decodeRuns(ByteView(attr.data(), attr.size()), g, one);
        ASSERT_EQ(1u, one.size());
        EXPECT_EQ(-128, one[0].lcnDelta);
    }
    // Decoding appends; a size nibble above 7 ends it with what was decoded.
    auto bad = nonResident({0x11, 0x04, 0x10, 0x81, 0x01, 0x02});
    decodeRuns(ByteView(bad.data(), bad.size()), g, runs);
    EXPECT_EQ(3u, runs.size());
    EXPECT_EQ(0x10, runs[2].lcnDelta);
}

TEST(NtfsRuns, LongRunListsOfFragmentedFilesAreDecodedWhole) {
    // 200 runs: the attribute is longer than a sector and every run is kept.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 200; ++i) bytes.insert(bytes.end(), {0x11, 0x01, 0x02});
    auto attr = nonResident(bytes);
    ASSERT_GT(attr.size(), 512u);
    RunList runs;
    decodeRuns(ByteView(attr.data(), attr.size()), geometryFor(512, 1), runs);
    ASSERT_EQ(200u, runs.size());
    EXPECT_EQ(400, runStartClusters(runs).back());
    EXPECT_EQ(200u, totalClusters(runs));
    // The attribute's length bounds the list even when the buffer goes on.
    auto cut = nonResident({0x11, 0x01, 0x02, 0x11, 0x01, 0x02}, 0x43);
    cut.resize(0x80, 0x11);
    RunList one;
    decodeRuns(ByteView(cut.data(), cut.size()), geometryFor(512, 1), one);
    EXPECT_EQ(1u, one.size());
}

TEST(NtfsRuns, LaterPiecesOfAnAttributeContinueTheChain) {
    RunList runs{{10, 100, false}, {5, 20, false}};
    appendExtent(runs, {{4, 0, true}, {6, 500, false}});
    const auto starts = runStartClusters(runs);
    ASSERT_EQ(4u, starts.size());
    EXPECT_EQ(120, starts[2]);  // a hole keeps the previous start
    EXPECT_EQ(500, starts[3]);
}

TEST(NtfsRecordToSector, MapsThroughTheMftRuns) {
    const NtfsVolumeGeometry g = geometryFor(512, 8, 1000);  // records are 2 sectors, clusters 8
    const RunList mft{{2, 10, false}, {3, 90, false}};          // 16 sectors at 1080, 24 at 1800
    EXPECT_EQ(1000u + 80, recordToSector(0, mft, g));
    EXPECT_EQ(1000u + 80 + 14, recordToSector(7, mft, g));
    EXPECT_EQ(1000u + 800, recordToSector(8, mft, g));  // first sector of the second run
    EXPECT_EQ(1000u + 800 + 22, recordToSector(19, mft, g));
    EXPECT_EQ(1000u, recordToSector(20, mft, g));  // past the MFT: the volume's first sector
    EXPECT_EQ(1000u, recordToSector(0, RunList{}, g));
}

TEST(NtfsFileName, ReadsTheFixedFieldsAndNamesUpTo255Units) {
    std::vector<uint8_t> a(0x5A + 255 * 2, 0);
    putU32(&a[0], 0x30);
    putU32(&a[4], static_cast<uint32_t>(a.size()));
    putU64(&a[0x18], 0x0003000000000123ull);
    putU64(&a[0x20], 111);
    putU64(&a[0x28], 222);
    putU64(&a[0x38], 333);
    putU64(&a[0x48], 4444);
    a[0x58] = 255;
    a[0x59] = 1;
    for (int i = 0; i < 255; ++i) putU16(&a[0x5A + 2 * i], static_cast<uint16_t>(0x0400 + i));
    NtfsFileName n;
    ASSERT_TRUE(parseFileName(ByteView(a.data(), a.size()), n));
    EXPECT_EQ(0x123u, n.parentRecord);
    EXPECT_EQ(111u, n.created);
    EXPECT_EQ(222u, n.modified);
    EXPECT_EQ(333u, n.accessed);
    EXPECT_EQ(4444u, n.realSize);
    EXPECT_EQ(1, n.nameSpace);
    ASSERT_EQ(255u, n.name.size());
    EXPECT_EQ(char16_t(0x0400 + 254), n.name.back());
    // A name running past the attribute is cut there; a stub is refused.
    NtfsFileName cut;
    ASSERT_TRUE(parseFileName(ByteView(a.data(), 0x5A + 10), cut));
    EXPECT_EQ(5u, cut.name.size());
    EXPECT_FALSE(parseFileName(ByteView(a.data(), 0x40), cut));
}

// A record with attributes laid out by the caller.
struct RecordBuilder {
    std::vector<uint8_t> bytes;
    size_t at = 0x38;
    explicit RecordBuilder(size_t size = 1024) : bytes(size, 0) {
        putU32(&bytes[0], kNtfsFileSignature);
        putU16(&bytes[0x14], 0x38);
        putU32(&bytes[0x18], static_cast<uint32_t>(size));
        putU32(&bytes[0x1C], static_cast<uint32_t>(size));
    }
    size_t add(uint32_t type, uint32_t length) {
        const size_t off = at;
        putU32(&bytes[off], type);
        putU32(&bytes[off + 4], length);
        at += length;
        return off;
    }
    std::vector<uint32_t> walk(const AttributeWalkRules& rules, size_t end) const {
        std::vector<uint32_t> types;
        walkAttributes(ByteView(bytes.data(), bytes.size()), 0x38, end, rules, [&](const NtfsAttribute& a) {
            types.push_back(a.type);
            EXPECT_LE(a.offset + a.bytes.size(), bytes.size());
            return true;
        });
        return types;
    }
};

TEST(NtfsAttributeWalk, EndsAtTheBoundAndOnEveryStopMarker) {
    RecordBuilder r;
    r.add(0x10, 0x60);
    r.add(0x30, 0x68);
    r.add(0x80, 0x48);
    r.add(kAttrEnd, 0);
    EXPECT_EQ((std::vector<uint32_t>{0x10, 0x30, 0x80}), r.walk(kRecordParseRules, 1024));
    // Nothing is taken at or beyond the end bound.
    EXPECT_EQ((std::vector<uint32_t>{0x10, 0x30}), r.walk(kRecordParseRules, 0x38 + 0x60 + 0x68));

    for (uint32_t marker : {0u, kAttrFillPattern, 0xFE000000u}) {
        RecordBuilder m;
        m.add(0x10, 0x60);
        m.add(marker, 0x20);
        m.add(0x80, 0x48);
        EXPECT_EQ(1u, m.walk(kRecordParseRules, 1024).size()) << std::hex << marker;
    }
    // Lookups stop at 0xFDFDFDFD exactly but step over type 0.
    RecordBuilder z;
    z.add(0, 0x20);
    z.add(0x80, 0x48);
    EXPECT_EQ(2u, z.walk(kLookupRules, 1024).size());
}

TEST(NtfsAttributeWalk, CorruptLengthsEndTheWalkInsteadOfLoopingOrLeaving) {
    RecordBuilder zero;
    zero.add(0x10, 0);
    EXPECT_EQ(0u, zero.walk(kRecordParseRules, 1024).size());

    RecordBuilder backward;
    backward.add(0x10, 0x60);
    backward.add(0x30, 0xFFF0);  // -16 as a signed 16-bit length
    EXPECT_EQ(1u, backward.walk(kRecordParseRules, 1024).size());

    RecordBuilder huge;
    huge.add(0x10, 0x60);
    huge.add(0x80, 0x7FFFFFF0);  // far past the record
    EXPECT_EQ(2u, huge.walk(kLookupRules, 1u << 20).size());

    // Bytes in use beyond the buffer: the walk still ends at the record's end.
    RecordBuilder inUse;
    putU32(&inUse.bytes[0x18], 0xFFFFFFF0);
    EXPECT_EQ(1024u, recordWalkEnd(ByteView(inUse.bytes.data(), inUse.bytes.size()), 1024));
    EXPECT_EQ(1024u, recordWalkEnd(ByteView(inUse.bytes.data(), inUse.bytes.size()), 8192));
}

TEST(NtfsRecordDecode, TakesTheWin32NameAndTheUnnamedDataSize) {
    const NtfsVolumeGeometry g = geometryFor(512, 8);
    RecordBuilder r;
    putU32(&r.bytes[0x2C], 77);
    putU16(&r.bytes[0x32], 0);  // fix-up words: put back zeros
    auto addName = [&](uint8_t space, const char* text) {
        const size_t len = std::strlen(text);
        const size_t off = r.add(kAttrFileName, static_cast<uint32_t>((0x5A + 2 * len + 7) & ~size_t(7)));
        putU32(&r.bytes[off + 0x18], 40);
        putU64(&r.bytes[off + 0x48], 999);
        r.bytes[off + 0x58] = static_cast<uint8_t>(len);
        r.bytes[off + 0x59] = space;
        for (size_t i = 0; i < len; ++i) putU16(&r.bytes[off + 0x5A + 2 * i], static_cast<uint8_t>(text[i]));
    };
    addName(2, "LONGNA~1.TXT");
    addName(1, "long name.txt");
    const size_t data = r.add(kAttrData, 0x20);
    putU32(&r.bytes[data + 0x10], 5);
    putU16(&r.bytes[data + 0x14], 0x18);
    std::memcpy(&r.bytes[data + 0x18], "hello", 5);
    r.add(kAttrEnd, 0);
    const NtfsRecordSummary s = decodeFileRecord(r.bytes.data(), r.bytes.size(), g);
    ASSERT_TRUE(s.signatureOk && s.hasFileName && s.hasData);
    EXPECT_EQ(u"long name.txt", s.fileName.name);
    EXPECT_EQ(40u, s.fileName.parentRecord);
    EXPECT_EQ(77u, s.ownNumber);
    EXPECT_TRUE(s.dataResident);
    EXPECT_EQ(5u, s.dataSize);
    EXPECT_TRUE(s.residentData.equals(0, "hello", 5));

    std::vector<uint8_t> notFile(1024, 0xFD);
    EXPECT_FALSE(decodeFileRecord(notFile.data(), notFile.size(), g).signatureOk);
}

TEST(NtfsAttributeList, WalksEntriesUntilAnEndOrABadLength) {
    std::vector<uint8_t> list(0x20 * 3 + 8, 0);
    for (int i = 0; i < 3; ++i) {
        putU32(&list[0x20 * i], i == 2 ? 0 : 0x80);
        putU16(&list[0x20 * i + 4], 0x20);
        putU64(&list[0x20 * i + 8], 100u * i);
        putU64(&list[0x20 * i + 0x10], 0xABCD000000000010ull + i);
    }
    auto entries = parseAttributeList(ByteView(list.data(), list.size()));
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(0x11u, entries[1].recordNumber);  // low 48 bits of the reference
    EXPECT_EQ(100u, entries[1].lowestVcn);
    putU16(&list[4], 0);
    EXPECT_TRUE(parseAttributeList(ByteView(list.data(), list.size())).empty());
}

TEST(Lznt1, DecodesLiteralsBackReferencesAndStoredChunks) {
    // "abcabcabcabc" + "x": literals a b c, then a reference of length 9 at offset 3.
    std::vector<uint8_t> in = {0, 0, 0x08, 'a', 'b', 'c', 0, 0, 'x'};
    // Token at position 3: 12 offset bits... position 3 < 16, so 4 offset bits, 12 length bits.
    const uint16_t token = static_cast<uint16_t>(((3 - 1) << 12) | (9 - 3));
    in[6] = static_cast<uint8_t>(token);
    in[7] = static_cast<uint8_t>(token >> 8);
    const uint16_t header = static_cast<uint16_t>(0x8000 | 0x3000 | (in.size() - 2 - 1));
    in[0] = static_cast<uint8_t>(header);
    in[1] = static_cast<uint8_t>(header >> 8);
    std::vector<uint8_t> out(8192, 0xEE);
    ASSERT_TRUE(decompressLznt1(ByteView(in.data(), in.size()), out.data(), out.size()));
    EXPECT_EQ("abcabcabcabcx", std::string(out.begin(), out.begin() + 13));
    EXPECT_EQ(0, out[13]);  // the rest of the chunk and the unit are zeros

    // A stored chunk is 4096 bytes as they are, then the next chunk follows.
    std::vector<uint8_t> stored(2 + 4096, 'q');
    putU16(stored.data(), 0x3FFF);
    stored.insert(stored.end(), {0x02, 0xB0, 0x00, 'z'});
    ASSERT_TRUE(decompressLznt1(ByteView(stored.data(), stored.size()), out.data(), out.size()));
    EXPECT_EQ('q', out[4095]);
    EXPECT_EQ('z', out[4096]);

    // A reference before the chunk's start is refused, without reading outside.
    std::vector<uint8_t> bad = {0x03, 0xB0, 0x01, 0x00, 0x70};
    EXPECT_FALSE(decompressLznt1(ByteView(bad.data(), bad.size()), out.data(), 4096));
}

TEST(NtfsFreeMap, FindsFreeRunsAndTreatsClustersPastTheMapAsUsed) {
    // Clusters 0-7 used, 8-11 free, 12-15 used, 16-23 free; 2 sectors per cluster.
    NtfsFreeMap map({0xFF, 0xF0, 0x00}, 2, 100);
    uint64_t pos = 0, len = 0;
    map.nextFreeExtent(pos, len);
    EXPECT_EQ(16u, pos);
    EXPECT_EQ(8u, len);
    pos = 19;  // inside a free cluster
    map.nextFreeExtent(pos, len);
    EXPECT_EQ(19u, pos);
    EXPECT_EQ(5u, len);
    pos = 24;
    map.nextFreeExtent(pos, len);
    EXPECT_EQ(32u, pos);
    EXPECT_EQ(16u, len);  // ends with the map: clusters 24.. are beyond it
    pos = 48;             // past the map, inside the volume
    map.nextFreeExtent(pos, len);
    EXPECT_EQ(100u, pos);
    EXPECT_EQ(0u, len);
    pos = 500;
    map.nextFreeExtent(pos, len);
    EXPECT_EQ(100u, pos);
    EXPECT_EQ(0u, len);
    // A free run is cut at the volume's end.
    NtfsFreeMap tail({0x00, 0x00}, 4, 30);
    pos = 0;
    tail.nextFreeExtent(pos, len);
    EXPECT_EQ(0u, pos);
    EXPECT_EQ(30u, len);
}

}  // namespace
}  // namespace qm

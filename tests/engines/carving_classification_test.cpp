// The detectors that read on from the candidate: office documents inside compound files,
// office packages inside ZIP archives, and transport streams.
// GCC 12 for 32-bit targets warns falsely about assigning short initializer lists to the
// byte vectors below (it sees the inlined memcpy, not the vector's size).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
#include <gtest/gtest.h>

#include <cstring>

#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/office_classification.h"
#include "engines/carving/package_classification.h"
#include "engines/carving/transport_stream.h"
#include "tests/engines/carving_compound_builder.h"

namespace qm {
namespace {

using test::Bytes;
using test::BuildCompoundFile;
using test::CompoundSpec;
using test::MemoryRun;
using test::TestMedium;

int ClassifyAt(TestMedium& medium, uint64_t sector) {
    MemoryRun run(medium);
    run.ctx.BeginCandidate(sector);
    return kCompoundFileDetector.detect(run.ctx, medium.Sector(sector));
}

int ClassifyAlone(const Bytes& file, uint32_t sectorSize = 512) {
    TestMedium medium(sectorSize);
    medium.AppendZeros(3);
    const uint64_t at = medium.Append(file);
    medium.Append(test::Noise(4 * sectorSize, 1, sectorSize));
    return ClassifyAt(medium, at);
}

TEST(CarvingOfficeClassification, DecidesByFirstStreamThenClassThenName) {
    CompoundSpec word;
    word.firstData = {0xEC, 0xA5, 0xC1, 0x00};
    EXPECT_EQ(kTypeDoc, ClassifyAlone(BuildCompoundFile(word)));

    CompoundSpec book;
    book.firstData = {0x09, 0x08, 0x10, 0x00, 0x00, 0x06, 0x05, 0x00};
    EXPECT_EQ(kTypeXls, ClassifyAlone(BuildCompoundFile(book)));

    CompoundSpec byClass;
    const uint8_t slides[16] = {0x10, 0x8D, 0x81, 0x64, 0x9B, 0x4F, 0xCF, 0x11,
                                0x86, 0xEA, 0x00, 0xAA, 0x00, 0xB9, 0x29, 0xE8};
    std::memcpy(byClass.rootClass, slides, 16);
    EXPECT_EQ(kTypePpt, ClassifyAlone(BuildCompoundFile(byClass)));
    const uint8_t workbook5[16] = {0x10, 0x08, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    std::memcpy(byClass.rootClass, workbook5, 16);
    EXPECT_EQ(kTypeXls, ClassifyAlone(BuildCompoundFile(byClass)));

    const std::pair<const char*, int> names[] = {
        {"WORDDOCUMENT", kTypeDoc}, {"Workbook", kTypeXls}, {"Wordbook", kTypeXls},
        {"PowerPoint Document", kTypePpt}, {"WordDocumentX", kTypeOle}, {"Contents", kTypeOle},
    };
    for (const auto& [name, code] : names) {
        CompoundSpec byName;
        byName.streamName = name;
        EXPECT_EQ(code, ClassifyAlone(BuildCompoundFile(byName))) << name;
    }
}

TEST(CarvingOfficeClassification, UsesTheFilesOwnSectorSize) {
    CompoundSpec big;
    big.shift = 12;
    big.streamName = "PowerPoint Document";
    EXPECT_EQ(kTypePpt, ClassifyAlone(BuildCompoundFile(big)));
    big.firstData = {0xEC, 0xA5};
    EXPECT_EQ(kTypeDoc, ClassifyAlone(BuildCompoundFile(big)));
    // The same file on a medium of 4096-byte sectors.
    EXPECT_EQ(kTypeDoc, ClassifyAlone(BuildCompoundFile(big), 4096));
    CompoundSpec small;
    small.streamName = "Workbook";
    EXPECT_EQ(kTypeXls, ClassifyAlone(BuildCompoundFile(small), 4096));
}

TEST(CarvingOfficeClassification, UnreadableFileIsOle) {
    CompoundSpec spec;
    spec.streamName = "WordDocument";
    Bytes file = BuildCompoundFile(spec);
    file.resize(512);  // the medium ends after the header
    TestMedium medium;
    const uint64_t at = medium.Append(file);
    EXPECT_EQ(kTypeOle, ClassifyAt(medium, at));

    TestMedium failing;
    failing.Append(BuildCompoundFile(spec));
    MemoryRun run(failing);
    run.source.FailFrom(2);  // the directory cannot be read
    run.ctx.BeginCandidate(0);
    EXPECT_EQ(kTypeOle, kCompoundFileDetector.detect(run.ctx, failing.Sector(0)));
}

TEST(CarvingOfficeClassification, RealDocumentsAtAnOffset) {
    const std::pair<const char*, int> samples[] = {
        {"doc/testWORD.doc", kTypeDoc}, {"xls/testEXCEL.xls", kTypeXls}, {"ppt/testPPT.ppt", kTypePpt}};
    for (const auto& [path, code] : samples) {
        const Bytes file = test::CarvingSample(path);
        ASSERT_FALSE(file.empty()) << path;
        EXPECT_EQ(code, ClassifyAlone(file)) << path;
    }
}

// A local header for `name` followed by some stored bytes.
Bytes LocalEntry(const std::string& name, size_t dataBytes) {
    Bytes out(30, 0);
    std::memcpy(out.data(), "PK\x03\x04", 4);
    putU16(out.data() + 26, static_cast<uint16_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    Bytes data = test::Noise(dataBytes, static_cast<uint32_t>(name.size()));
    for (auto& b : data)
        if (b == 'P') b = 'p';
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TEST(CarvingPackageClassification, FindsThePartNamesWithinTwentySectors) {
    auto classify = [](const Bytes& zip) {
        TestMedium medium;
        const uint64_t at = medium.Append(zip);
        medium.Append(test::Noise(30 * 512, 9));
        MemoryRun run(medium);
        run.ctx.BeginCandidate(at);
        return kOoxmlDetector.detect(run.ctx, medium.Sector(at));
    };
    Bytes zip = LocalEntry("[Content_Types].xml", 600);
    Bytes xl = LocalEntry("XL/workbook.xml", 10);
    Bytes early = zip;
    early.insert(early.end(), xl.begin(), xl.end());
    EXPECT_EQ(kTypeXlsx, classify(early));

    // A part name 19 sectors in is still found; one beyond 20 sectors is not.
    Bytes far = LocalEntry("[Content_Types].xml", 19 * 512);
    Bytes ppt = LocalEntry("ppt/presentation.xml", 10);
    far.insert(far.end(), ppt.begin(), ppt.end());
    EXPECT_EQ(kTypePptx, classify(far));
    Bytes tooFar = LocalEntry("[Content_Types].xml", 21 * 512);
    tooFar.insert(tooFar.end(), ppt.begin(), ppt.end());
    EXPECT_EQ(kTypeNoMatch, classify(tooFar));

    // A header signature that straddles two reads of four sectors.
    Bytes straddle = LocalEntry("[Content_Types].xml", 4 * 512 - 30 - 19 - 2);
    Bytes word = LocalEntry("word/document.xml", 10);
    straddle.insert(straddle.end(), word.begin(), word.end());
    EXPECT_EQ(kTypeDocx, classify(straddle));

    // Names after the end-of-central-directory record belong to something else.
    Bytes ended = LocalEntry("[Content_Types].xml", 40);
    const char eocd[22] = {'P', 'K', 5, 6};
    ended.insert(ended.end(), eocd, eocd + 22);
    ended.insert(ended.end(), word.begin(), word.end());
    EXPECT_EQ(kTypeNoMatch, classify(ended));
}

TEST(CarvingPackageClassification, CentralDirectoryNamesCount) {
    Bytes central(46, 0);
    std::memcpy(central.data(), "PK\x01\x02", 4);
    const std::string name = "word/styles.xml";
    putU16(central.data() + 28, static_cast<uint16_t>(name.size()));
    central.insert(central.end(), name.begin(), name.end());
    EXPECT_EQ(kTypeDocx, ClassifyPackageBytes(ByteView(central.data(), central.size())));
    EXPECT_EQ(-1, ClassifyPackageBytes(ByteView(central.data(), 40)));  // the name is not there yet
}

// Transport-stream packets: "G", a PID, then payload without further "G" bytes.
Bytes Packets(size_t count) {
    Bytes out(count * kTransportPacket, 0x11);
    for (size_t i = 0; i < count; ++i) {
        out[i * kTransportPacket] = 'G';
        out[i * kTransportPacket + 1] = 0x40;
    }
    return out;
}

TEST(CarvingTransportStream, ConfirmsPacketsAcrossFourKibibytes) {
    TestMedium medium;
    const uint64_t at = medium.Append(Packets(200));
    MemoryRun run(medium);
    run.ctx.BeginCandidate(at);
    EXPECT_EQ(kTypeTs, kTransportStreamDetector.detect(run.ctx, medium.Sector(at)));

    medium.bytes()[21 * kTransportPacket] = 'X';  // the 22nd packet start
    EXPECT_EQ(kTypeNoMatch, kTransportStreamDetector.detect(run.ctx, medium.Sector(at)));
    medium.bytes()[21 * kTransportPacket] = 'G';
    medium.bytes()[1] = 0;
    medium.bytes()[2] = 0;
    medium.bytes()[3] = 0;
    EXPECT_EQ(kTypeNoMatch, kTransportStreamDetector.detect(run.ctx, medium.Sector(at)));

    TestMedium shortMedium;
    shortMedium.Append(Packets(10));  // under 4096 bytes: nothing to confirm with
    MemoryRun shortRun(shortMedium);
    shortRun.ctx.BeginCandidate(0);
    EXPECT_EQ(kTypeNoMatch, kTransportStreamDetector.detect(shortRun.ctx, shortMedium.Sector(0)));
}

TEST(CarvingTransportStream, ContinuingStreamIsNoNewStart) {
    TestMedium medium;
    medium.Append(Packets(47 * 6));  // 47 packets fill 17.625 sectors; sector 47 starts a packet again
    MemoryRun run(medium);
    const uint64_t aligned = 47;  // 47 * 512 = 128 * 188
    run.ctx.BeginCandidate(aligned);
    EXPECT_EQ(kTypeTs, kTransportStreamDetector.detect(run.ctx, medium.Sector(aligned)));
    run.ctx.previousWasTransportStream = true;
    EXPECT_EQ(kTypeNoMatch, kTransportStreamDetector.detect(run.ctx, medium.Sector(aligned)));

    // A stream that follows other data is new even after a stream was carved...
    TestMedium second;
    second.Append(test::Noise(512, 3));
    const uint64_t start = second.Append(Packets(30));
    MemoryRun run2(second);
    run2.ctx.previousWasTransportStream = true;
    run2.ctx.BeginCandidate(start);
    EXPECT_EQ(kTypeTs, kTransportStreamDetector.detect(run2.ctx, second.Sector(start)));
    // ...unless it lies inside a carved stream's extent.
    run2.ctx.transportStreamExtents.push_back({start - 1, start});
    EXPECT_EQ(kTypeNoMatch, kTransportStreamDetector.detect(run2.ctx, second.Sector(start)));
    EXPECT_TRUE(InCarvedTransportStream(run2.ctx, start - 1));
    EXPECT_FALSE(InCarvedTransportStream(run2.ctx, start + 1));
}

}  // namespace
}  // namespace qm

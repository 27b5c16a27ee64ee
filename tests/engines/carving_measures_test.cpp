// Measures on real files placed in a medium and followed by other content, and on the
// edge cases of each rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engines/carving/compound_file.h"
#include "engines/carving/identification.h"
#include "engines/carving/measures.h"
#include "engines/carving/next_header_rule.h"
#include "tests/engines/carving_compound_builder.h"

namespace qm {

using namespace carving;
namespace {

using test::Bytes;
using test::MeasureAt;
using test::MemoryRun;
using test::TestMedium;

constexpr uint32_t S = 512;

uint64_t RoundUp(uint64_t bytes) { return (bytes + S - 1) / S * S; }

enum class Rule {
    Exact,  // the file's own length whatever follows
    Value,  // a length the format's structure gives, shorter than the file
};

struct RealCase {
    const char* path;
    Rule rule;
    uint64_t value = 0;
};

enum class Trailer { OtherHeader, FileRecord, Zeros, Noise };

TEST(CarvingMeasures, RealFilesFollowedByOtherContent) {
    const RealCase cases[] = {
        {"jpg/testJPEG_EXIF.jpg", Rule::Exact},      {"png/testPNG.png", Rule::Exact},
        {"gif/testGIF.gif", Rule::Exact},            {"bmp/testBMP.bmp", Rule::Exact},
        {"ico/idle.ico", Rule::Exact},               {"ttf/testTrueType3.ttf", Rule::Exact},
        {"pdf/testPDF.pdf", Rule::Exact},            {"doc/testWORD.doc", Rule::Exact},
        {"xls/testEXCEL.xls", Rule::Exact},          {"ppt/testPPT.ppt", Rule::Exact},
        {"docx/testWORD.docx", Rule::Exact},         {"xlsx/testEXCEL.xlsx", Rule::Exact},
        {"pptx/testPPT.pptx", Rule::Exact},          {"zip/test-documents.zip", Rule::Exact},
        {"7z/test-documents.7z", Rule::Exact},       {"rar/test-documents.rar", Rule::Exact},
        {"cab/test-documents.cab", Rule::Exact},     {"wav/testWAV.wav", Rule::Exact},
        {"mid/testMID.mid", Rule::Value, 228},  // two tracks, then 94 bytes the header does not name
        {"asf/testWMA.wma", Rule::Exact},            {"ts/test.ts", Rule::Exact},
        {"tif/testTIFF.tif", Rule::Exact},           {"psd/testPSD.psd", Rule::Exact},
        {"mp4/testMP4AudioOnly.mp4", Rule::Exact},   {"mov/testMP4_QuickTimeMetadata.mov", Rule::Exact},
        {"mkv/testMKV.mkv", Rule::Exact},            {"webm/testWEBM.webm", Rule::Exact},
        {"flv/testFLV.flv", Rule::Exact},            {"gz/changelog.gz", Rule::Exact},
        {"sqlite/testSQLITE3.db", Rule::Exact},      {"mpg/xine-ui_logo.mpg", Rule::Exact},
        {"mp3/testMP3id3v2.mp3", Rule::Exact},       {"mp3/en-US_(A_Little_Bottle_Of_Water).mp3", Rule::Exact},
        {"swf/test1.swf", Rule::Exact},
        {"otf/StandardSymbolsPS.otf", Rule::Exact},  {"ttf/DejaVuSansMono.ttf", Rule::Exact},
    };
    const Trailer trailers[] = {Trailer::OtherHeader, Trailer::FileRecord, Trailer::Zeros, Trailer::Noise};
    for (const RealCase& c : cases) {
        const Bytes file = test::CarvingSample(c.path);
        ASSERT_FALSE(file.empty()) << c.path;
        for (Trailer trailer : trailers) {
            TestMedium medium;
            medium.Append(test::Noise(3 * S, 5));
            const uint64_t at = medium.Append(file);
            switch (trailer) {
                case Trailer::OtherHeader: medium.Append(test::PngHeaderSector()); break;
                case Trailer::FileRecord: medium.Append(test::NtfsFileRecord()); break;
                case Trailer::Zeros: medium.AppendZeros(8); break;
                case Trailer::Noise: medium.Append(test::Noise(8 * S, 6)); break;
            }
            const uint64_t expected = c.rule == Rule::Value ? c.value : file.size();

            MemoryRun run(medium);
            CarvedFile carved;
            ASSERT_EQ(0, IdentifyAndMeasure(run.ctx, medium.Sector(at), at, carved)) << c.path;
            EXPECT_EQ(expected, carved.length) << c.path << " trailer " << static_cast<int>(trailer);
        }
    }
}

// A video whose media data was partly overwritten by a photo still claims its whole length;
// the scan finds the photo all the same.
TEST(CarvingMeasures, AFileInsideAClaimedButOverwrittenRangeIsStillFound) {
    Bytes video = test::CarvingSample("mp4/testMP4AudioOnly.mp4");  // media data from byte 36 to 34079
    const Bytes photo = test::CarvingSample("png/testPNG.png");
    ASSERT_LT(8 * S + photo.size(), 34079u);
    std::copy(photo.begin(), photo.end(), video.begin() + 8 * S);
    TestMedium medium;
    const uint64_t at = medium.Append(video);
    medium.Append(test::Noise(8 * S, 9));
    MemoryRun run(medium);
    std::vector<std::string> names;
    for (uint64_t sector = 0; sector < medium.bytes().size() / S;) {
        CarvedFile carved;
        const int rc = IdentifyAndMeasure(run.ctx, medium.Sector(sector), sector, carved);
        if (rc == 0) names.push_back(carved.name + " " + std::to_string(carved.length));
        sector += rc == 0 ? carved.sectorsToSkip : 1;
    }
    EXPECT_EQ((std::vector<std::string>{std::to_string(at) + ".mp4 " + std::to_string(video.size()),
                                        std::to_string(at + 8) + ".png " + std::to_string(photo.size())}),
              names);
}

TEST(CarvingMeasures, BrokenStructuresFallBackToTheFormerRule) {
    struct Case {
        const char* path;
        size_t patchAt;
        Bytes patch;
        MeasureFn walk;
        MeasureFn former;
    };
    const Case cases[] = {
        {"mp4/testMP4AudioOnly.mp4", 36, {0x7F, 0xFF, 0xFF, 0xF0}, MeasureMp4Boxes, MeasureIsoMediaTrailer},
        {"mkv/testMKV.mkv", 48, {0x01, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF}, MeasureMatroska, MeasureNextHeader64G},
        {"flv/testFLV.flv", 56575, {0x1C}, MeasureFlvTags, MeasureNextHeader6G},  // a previous-tag size
        {"sqlite/testSQLITE3.db", 95, {0x03}, MeasureSqlitePages, MeasureNextHeader4G},
        {"mpg/xine-ui_logo.mpg", 45060, {0x0F, 0xFA}, MeasureMpegPacks, MeasureMpegEnd},  // jumps over a pack
        // Frames missing against the Info frame's count.
        {"mp3/en-US_(A_Little_Bottle_Of_Water).mp3", 14000, Bytes(1000, 0), MeasureMp3Frames, MeasureMp3Tag},
        {"tif/testTIFF.tif", 8, {0, 0}, MeasureTiffExtent, MeasureNextHeader128M},  // an empty directory
        {"psd/testPSD.psd", 30, {0x7F, 0xFF, 0xFF, 0xFF}, MeasurePhotoshopSections, MeasureNextHeader128M},
        {"gz/changelog.gz", 18000, Bytes(64, 0), MeasureGzipMembers, MeasureNextHeader6G},
        {"swf/test1.swf", 10000, Bytes(64, 0), MeasureFlashMovie, MeasureFlashHeaderLength},
    };
    for (const Case& c : cases) {
        Bytes file = test::CarvingSample(c.path);
        ASSERT_GE(file.size(), c.patchAt + c.patch.size()) << c.path;
        std::memcpy(file.data() + c.patchAt, c.patch.data(), c.patch.size());
        TestMedium medium;
        const uint64_t at = medium.Append(file);
        medium.Append(test::Noise(8 * S, 50));
        const uint64_t former = MeasureAt(medium, at, c.former);
        EXPECT_NE(file.size(), former) << c.path;  // else the case could not tell the two apart
        EXPECT_EQ(former, MeasureAt(medium, at, c.walk)) << c.path;
    }
}

// A file cut short still claims its whole length; taking the claim would swallow the files
// behind it, which the former rule stops at.
TEST(CarvingMeasures, MatroskaCutShortDoesNotSwallowTheNextFile) {
    Bytes file = test::CarvingSample("mkv/testMKV.mkv");
    file.resize(40000);
    TestMedium medium;
    const uint64_t at = medium.Append(file);
    medium.Append(test::PngHeaderSector());
    medium.Append(test::Noise(200 * S, 52));
    const uint64_t former = MeasureAt(medium, at, MeasureNextHeader64G);
    EXPECT_LT(former, 82969u);
    EXPECT_EQ(former, MeasureAt(medium, at, MeasureMatroska));
}

TEST(CarvingMeasures, BoxWalkJumpsOverMediaDataWithoutReadingIt) {
    // The sample's ftyp and moov, then a 64-bit-sized mdat of 1 MiB whose middle cannot be read.
    const Bytes sample = test::CarvingSample("mp4/testMP4AudioOnly.mp4");
    ASSERT_EQ(35236u, sample.size());
    Bytes file(sample.begin(), sample.begin() + 28);
    file.insert(file.end(), sample.begin() + 34079, sample.end());
    const uint8_t mdat[16] = {0, 0, 0, 1, 'm', 'd', 'a', 't', 0, 0, 0, 0, 0, 0x10, 0, 0x10};
    file.insert(file.end(), mdat, mdat + 16);
    const Bytes media = test::Noise(1 << 20, 51);
    file.insert(file.end(), media.begin(), media.end());
    TestMedium medium;
    const uint64_t at = medium.Append(file);
    medium.Append(test::PngHeaderSector());
    MemoryRun run(medium);
    run.source.FailFrom(at + 1000);
    run.ctx.BeginCandidate(at);
    EXPECT_EQ(file.size(), MeasureMp4Boxes(run.ctx, medium.Sector(at)));
}

TEST(CarvingMeasures, LiveMatroskaSegmentEndsAfterItsLastTopLevelElement) {
    Bytes file = test::CarvingSample("webm/testWEBM.webm");
    ASSERT_EQ(39745u, file.size());
    const uint8_t unknownSize[8] = {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::memcpy(file.data() + 47, unknownSize, 8);  // the Segment's size, as a live recorder leaves it
    TestMedium medium;
    const uint64_t at = medium.Append(file);
    medium.Append(test::Noise(8 * S, 52));
    EXPECT_EQ(file.size(), MeasureAt(medium, at, MeasureMatroska));
}

TEST(CarvingMeasures, JpegEndWithZeroTailBeforeAnotherHeader) {
    Bytes jpeg = test::Noise(2 * S + 100, 11);
    std::memcpy(jpeg.data(), "\xFF\xD8\xFF\xE0\x00\x10JFIF", 10);
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xD9) jpeg[i + 1] = 0xD8;
    jpeg[2 * S + 98] = 0xFF;
    jpeg[2 * S + 99] = 0xD9;
    TestMedium medium;
    const uint64_t at = medium.Append(jpeg);
    medium.Append(test::PngHeaderSector());
    EXPECT_EQ(2 * S + 100, MeasureAt(medium, at, MeasureJpegEnd));

    // Bytes after the marker in its sector: not the end; the next header decides.
    medium.bytes()[(at + 2) * S + 200] = 7;
    EXPECT_EQ(3 * S, MeasureAt(medium, at, MeasureJpegEnd));

    // An end inside the first sector.
    TestMedium tiny;
    Bytes small(300, 0x33);
    std::memcpy(small.data(), "\xFF\xD8\xFF\xE0\x00\x10JFIF", 10);
    small[298] = 0xFF;
    small[299] = 0xD9;
    const uint64_t t = tiny.Append(small);
    tiny.Append(test::Noise(4 * S, 12));
    EXPECT_EQ(300u, MeasureAt(tiny, t, MeasureJpegEnd));
}

TEST(CarvingMeasures, GifFollowedByFileRecordStopsThere) {
    Bytes gif = test::Noise(10 * S, 13);
    std::memcpy(gif.data(), "GIF89a", 6);
    for (size_t i = 0; i + 1 < gif.size(); ++i)
        if (gif[i] == 0 && gif[i + 1] == 0x3B) gif[i + 1] = 0x3C;
    TestMedium medium;
    const uint64_t at = medium.Append(gif);
    medium.Append(test::NtfsFileRecord());
    medium.Append(test::Noise(4 * S, 14));
    EXPECT_EQ(10 * S, MeasureAt(medium, at, MeasureGifTrailer));
    // A trailer with a zero tail in the sixth sector ends it there.
    medium.bytes()[(at + 5) * S + 400] = 0;
    medium.bytes()[(at + 5) * S + 401] = 0x3B;
    std::memset(medium.bytes().data() + (at + 5) * S + 402, 0, S - 402);
    EXPECT_EQ(5 * S + 402, MeasureAt(medium, at, MeasureGifTrailer));
}

TEST(CarvingMeasures, Mp3EndsWithItsTag) {
    Bytes mp3 = test::Noise(5128, 15);
    std::memcpy(mp3.data(), "ID3\x03\x00\x00\x00\x00\x00\x10", 10);
    for (size_t i = 0; i + 2 < mp3.size(); ++i)
        if (std::memcmp(mp3.data() + i, "TAG", 3) == 0) mp3[i] = 'X';
    std::memcpy(mp3.data() + 5000, "TAG", 3);
    TestMedium medium;
    const uint64_t at = medium.Append(mp3);
    medium.Append(test::Noise(20 * S, 16));
    EXPECT_EQ(5128u, MeasureAt(medium, at, MeasureMp3Tag));
}

TEST(CarvingMeasures, MidiFollowsItsTracksAcrossChunks) {
    const Bytes file = test::CarvingSample("mid/testMID.mid");
    ASSERT_FALSE(file.empty());
    const Bytes big = test::CarvingSample("mid/music000.mid");  // 131,400 bytes, nine tracks
    if (big.empty()) GTEST_SKIP() << "../shared/data is not beside this clone";
    TestMedium medium;
    const uint64_t at = medium.Append(big);
    medium.Append(test::Noise(300 * S, 17));
    EXPECT_EQ(big.size(), MeasureAt(medium, at, MeasureMidiTracks));
    // A broken chain falls back to the next header.
    TestMedium broken;
    Bytes copy = big;
    copy[14] = 'X';
    const uint64_t b = broken.Append(copy);
    broken.Append(test::PngHeaderSector());
    EXPECT_EQ(RoundUp(big.size()), MeasureAt(broken, b, MeasureMidiTracks));
}

TEST(CarvingMeasures, MarkerRulesOnCraftedStreams) {
    struct Case {
        const char* name;
        MeasureFn measure;
        const char* head;
        size_t headLength;
        const char* marker;
        size_t markerLength;
        size_t markerAt;   // from the file's start
        uint64_t expected;
    };
    const Case cases[] = {
        {"png", MeasurePngEnd, "\x89PNG\x0D\x0A\x1A\x0A", 8, "IEND\xAE\x42\x60\x82", 8, 3000, 3008},
        {"rar", MeasureRarEnd, "Rar!\x1A\x07\x00", 7, "\xC4\x3D\x7B\x00\x40\x07\x00", 7, 7000, 7007},
        {"7z", Measure7zEnd, "7z\xBC\xAF\x27\x1C", 6, "\x00\x07\x0B\x01\x00\x01\x23\x03\x01\x01\x05\x5D", 12, 2000,
         2027},
        {"zip", MeasureZipEnd4G, "PK\x03\x04", 4, "PK\x05\x06", 4, 90000, 90022},
        {"pdf", MeasurePdfEnd, "%PDF-1.4", 8, "%%EOF\r\n", 7, 4000, 4007},
        {"rm", MeasureRealMediaIndex, ".RMF", 4,
         "INDX\x00\x00\x00\x14\x00\x00\x00\x00\x00\x00\x00\x02\x00\x00\x00\x00", 20, 5 * 512, 5 * 512 + 20},
        {"mpeg-video", MeasureMpegEnd, "\x00\x00\x01\xB3", 4, "\x00\x00\x01\xB7", 4, 6000, 6004},
        {"mpeg-program", MeasureMpegEnd, "\x00\x00\x01\xBA", 4, "\x00\x00\x01\xB9", 4, 6000, 6004},
    };
    for (const Case& c : cases) {
        Bytes file = test::Noise(c.markerAt + c.markerLength, 21);
        std::memcpy(file.data(), c.head, c.headLength);
        std::memcpy(file.data() + c.markerAt, c.marker, c.markerLength);
        TestMedium medium;
        const uint64_t at = medium.Append(file);
        medium.Append(test::Noise(200 * S, 22));
        EXPECT_EQ(c.expected, MeasureAt(medium, at, c.measure)) << c.name;
    }
}

TEST(CarvingMeasures, MarkersAfterTheNextHeaderBelongToTheOtherFile) {
    // Two PDFs back to back in one chunk: the first ends at the second's start, not at its end.
    Bytes first = test::Noise(3 * S, 23);
    std::memcpy(first.data(), "%PDF-1.4", 8);
    Bytes second = test::Noise(2 * S, 24);
    std::memcpy(second.data(), "%PDF-1.4", 8);
    std::memcpy(second.data() + 2 * S - 6, "%%EOF\n", 6);
    TestMedium medium;
    const uint64_t at = medium.Append(first);
    medium.Append(second);
    medium.Append(test::Noise(4 * S, 25));
    EXPECT_EQ(3 * S, MeasureAt(medium, at, MeasurePdfEnd));
}

TEST(CarvingMeasures, MpegPacksDoNotEndTheirStream) {
    Bytes stream = test::Noise(8 * S, 26);
    std::memcpy(stream.data(), "\x00\x00\x01\xBA", 4);
    std::memcpy(stream.data() + 14, "\x00\x00\x01\xBB", 4);
    std::memcpy(stream.data() + 4 * S, stream.data(), 32);  // another pack at a sector start
    std::memcpy(stream.data() + 8 * S - 4, "\x00\x00\x01\xB9", 4);
    TestMedium medium;
    const uint64_t at = medium.Append(stream);
    medium.Append(test::Noise(4 * S, 27));
    EXPECT_EQ(8 * S, MeasureAt(medium, at, MeasureMpegEnd));
}

TEST(CarvingMeasures, ApeAndIsoMediaRules) {
    Bytes ape = test::Noise(3000, 28);
    std::memcpy(ape.data(), "MAC ", 4);
    std::memcpy(ape.data() + 1000, "APETAGEX\xD0\x07", 10);
    std::memcpy(ape.data() + 2968, "APETAGEX\xD0\x07", 10);
    TestMedium medium;
    const uint64_t at = medium.Append(ape);
    medium.Append(test::Noise(200 * S, 29));
    EXPECT_EQ(3000u, MeasureAt(medium, at, MeasureApeTag));
    // Without a footer the whole chunk is taken in.
    std::memset(medium.bytes().data() + at * S + 2968, 0x55, 10);
    EXPECT_EQ(S + 65536u, MeasureAt(medium, at, MeasureApeTag));

    Bytes mp4 = test::Noise(4000, 30);
    std::memcpy(mp4.data() + 4, "ftypisom", 8);
    const char text[] = "freeIsoMedia File Produced with GPAC";
    std::memcpy(mp4.data() + 3000, text, sizeof text);  // the terminating zero ends the run
    TestMedium movie;
    const uint64_t m = movie.Append(mp4);
    movie.Append(test::Noise(4 * S, 31));
    EXPECT_EQ(3000 + sizeof text - 1, MeasureAt(movie, m, MeasureIsoMediaTrailer));
}

TEST(CarvingMeasures, HeaderFieldsAreCapped) {
    TestMedium medium;
    Bytes sector(S, 0);
    const uint64_t at = medium.Append(sector);
    uint8_t* p = medium.bytes().data() + at * S;
    std::memcpy(p, "BM", 2);
    putU32(p + 2, 0xFFFFFFFF);
    EXPECT_EQ(128 * kMiB, MeasureAt(medium, at, MeasureBmpLength));
    std::memcpy(p, "FWS\x05", 4);
    putU32(p + 4, 0xFFFFFFFF);
    EXPECT_EQ(256 * kMiB, MeasureAt(medium, at, MeasureFlashHeaderLength));
    std::memcpy(p, "CWS\x06", 4);
    EXPECT_EQ(S, MeasureAt(medium, at, MeasureFlashHeaderLength));
    std::memcpy(p, "MSCF", 4);
    putU32(p + 8, 0xFFFFFFFF);
    EXPECT_EQ(1 * kGiB, MeasureAt(medium, at, MeasureCabinetLength));
    std::memcpy(p, "RIFF", 4);
    putU32(p + 4, 0xFFFFFFFF);
    EXPECT_EQ(0xFFFFFFFFull + 8, MeasureAt(medium, at, MeasureRiffWave));
    EXPECT_EQ(0xFFFFFFFFull + 8, MeasureAt(medium, at, MeasureRiffAvi));

    // ASF: the file-properties object's size, unless the stream is a broadcast.
    std::memset(p, 0, S);
    const uint8_t props[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                               0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
    std::memcpy(p + 60, props, 16);
    putU64(p + 100, 123456);
    EXPECT_EQ(123456u, MeasureAt(medium, at, MeasureAsfFileSize));
    putU64(p + 100, ~0ull);
    EXPECT_EQ(256 * kMiB, MeasureAt(medium, at, MeasureAsfFileSize));
    putU32(p + 148, 1);
    EXPECT_EQ(S, MeasureAt(medium, at, MeasureAsfFileSize));

    // Icon and font extents from records that do not fit in the first sector are read from
    // the medium; records beyond what can be read give one sector.
    std::memset(p, 0, S);
    putU16(p + 4, 40);  // 40 entries: 646 bytes of directory
    TestMedium icons;
    Bytes icon(2 * S, 0);
    putU16(icon.data() + 4, 40);
    putU32(icon.data() + 6 + 39 * 16 + 8, 0xFFFFFFFF);
    putU32(icon.data() + 6 + 39 * 16 + 12, 0xFFFFFFFF);
    const uint64_t i = icons.Append(icon);
    EXPECT_EQ(2 * 0xFFFFFFFFull, MeasureAt(icons, i, MeasureIconExtent));
    EXPECT_EQ(S, MeasureAt(medium, at, MeasureIconExtent));  // the medium ends after one sector
}

TEST(CarvingMeasures, CompoundExtentUsesTheFilesOwnSectorSize) {
    test::CompoundSpec spec;
    spec.shift = 12;
    spec.dataSectors = 3;
    const Bytes file = test::BuildCompoundFile(spec);
    ASSERT_EQ(6u * 4096, file.size());
    TestMedium medium;
    const uint64_t at = medium.Append(file);
    medium.Append(test::Noise(40 * S, 32));
    EXPECT_EQ(file.size(), MeasureAt(medium, at, MeasureCompoundFile));

    spec.shift = 9;
    spec.dataSectors = 7;
    const Bytes small = test::BuildCompoundFile(spec);
    TestMedium other;
    const uint64_t b = other.Append(small);
    other.Append(test::Noise(40 * S, 33));
    EXPECT_EQ(small.size(), MeasureAt(other, b, MeasureCompoundFile));
}

// A header of 110 allocation sectors needs one DIFAT sector; only it and the last table
// sector are read.
Bytes LargeCompoundHeader(uint32_t difatSectors, uint32_t freeTail) {
    test::CompoundSpec spec;
    Bytes file = test::BuildCompoundFile(spec);
    file.resize(8 * S, 0);
    uint8_t* h = file.data();
    putU32(h + 44, 110);
    putU32(h + 72, difatSectors);
    putU32(h + 68, 3);  // DIFAT sector at file offset 4 * 512
    uint8_t* difat = h + 4 * S;
    for (uint32_t i = 0; i < 128; ++i) putU32(difat + 4 * i, 0xFFFFFFFF);
    putU32(difat + 0, 5);  // entry 0 names the 110th table sector: compound sector 5
    uint8_t* fat = h + 6 * S;
    for (uint32_t i = 0; i < 128; ++i) putU32(fat + 4 * i, i < 128 - freeTail ? i : 0xFFFFFFFF);
    return file;
}

TEST(CarvingMeasures, CompoundExtentFollowsTheDifat) {
    TestMedium medium;
    const uint64_t at = medium.Append(LargeCompoundHeader(1, 100));
    medium.Append(test::PngHeaderSector());
    MemoryRun run(medium);
    run.ctx.BeginCandidate(at);
    EXPECT_EQ((110u * 128 + 1 - 100) * 512, CompoundFileExtent(run.ctx, medium.Sector(at)));

    // Inconsistent headers give 0 and the next-header rule measures instead.
    TestMedium bad;
    const uint64_t b = bad.Append(LargeCompoundHeader(2, 100));
    bad.Append(test::PngHeaderSector());
    MemoryRun badRun(bad);
    badRun.ctx.BeginCandidate(b);
    EXPECT_EQ(0u, CompoundFileExtent(badRun.ctx, bad.Sector(b)));
    EXPECT_EQ(8u * S, MeasureAt(bad, b, MeasureCompoundFile));

    Bytes shift = LargeCompoundHeader(1, 100);
    putU16(shift.data() + 30, 10);
    TestMedium odd;
    const uint64_t o = odd.Append(shift);
    MemoryRun oddRun(odd);
    oddRun.ctx.BeginCandidate(o);
    EXPECT_EQ(0u, CompoundFileExtent(oddRun.ctx, odd.Sector(o)));

    // Huge table counts are capped without reading.
    Bytes huge = LargeCompoundHeader(1, 0);
    putU32(huge.data() + 44, 0x00800000);
    putU32(huge.data() + 72, (0x00800000 - 109 + 126) / 127);
    TestMedium capped;
    const uint64_t c = capped.Append(huge);
    MemoryRun cappedRun(capped);
    cappedRun.ctx.BeginCandidate(c);
    EXPECT_EQ(kPackageLimit, CompoundFileExtent(cappedRun.ctx, capped.Sector(c)));
    putU32(huge.data() + 44, 0x00800001);  // more than 32-bit sector numbers address
    TestMedium over;
    const uint64_t v = over.Append(huge);
    MemoryRun overRun(over);
    overRun.ctx.BeginCandidate(v);
    EXPECT_EQ(0u, CompoundFileExtent(overRun.ctx, over.Sector(v)));
}

TEST(CarvingNextHeaderRule, StopsAtLimitMediumEndAndReadErrors) {
    TestMedium medium;
    medium.Append(test::Noise(300 * S, 40));
    {
        MemoryRun run(medium);
        run.ctx.BeginCandidate(10);
        EXPECT_EQ(S + 7 * S, RunNextHeaderRule(run.ctx, 7 * S + 100));  // the limit in whole sectors
        EXPECT_EQ(290u * S, RunNextHeaderRule(run.ctx, 64 * kGiB));    // the medium's end
        run.ctx.BeginCandidate(299);
        EXPECT_EQ(S, RunNextHeaderRule(run.ctx, 64 * kGiB));  // nothing after the last sector
    }
    {
        MemoryRun run(medium);
        run.source.FailFrom(150);
        run.ctx.BeginCandidate(10);
        EXPECT_EQ(140u * S, RunNextHeaderRule(run.ctx, 64 * kGiB));
        run.ctx.BeginCandidate(UINT64_MAX);
        EXPECT_EQ(S, RunNextHeaderRule(run.ctx, 64 * kGiB));
    }
    {
        MemoryRun run(medium);
        run.ctx.source = nullptr;
        run.ctx.BeginCandidate(10);
        EXPECT_EQ(S, RunNextHeaderRule(run.ctx, 64 * kGiB));
    }
}

TEST(CarvingNextHeaderRule, StopsAtFileSystemStructures) {
    auto structure = [](const char* text, size_t length, size_t at = 0) {
        Bytes b = test::Noise(S, 41);
        std::memcpy(b.data() + at, text, length);
        return b;
    };
    Bytes restart = structure("RSTR", 4);
    std::memcpy(restart.data() + 100, "N\0T\0F\0S\0", 8);
    Bytes boot = structure("\xEB\x52\x90NTFS    ", 11);
    const Bytes cases[] = {structure("FILE", 4),  structure("INDX", 4),       restart,
                           structure("$\0S\0T\0A\0", 8), boot, structure("\xEB\x3C\x90MSDOS5.0", 11),
                           structure("\xEB\x58\x90MSWIN4.1", 11), structure("\xEB\x76\x90" "EXFAT   ", 11)};
    for (const Bytes& stop : cases) {
        TestMedium medium;
        const uint64_t at = medium.Append(test::Noise(5 * S, 42));
        medium.Append(stop);
        medium.Append(test::Noise(5 * S, 43));
        MemoryRun run(medium);
        run.ctx.BeginCandidate(at);
        EXPECT_EQ(5u * S, RunNextHeaderRule(run.ctx, 64 * kGiB)) << stop[0] << stop[1];
    }
    // "RSTR" without the UTF-16 "NTFS" is no restart page; a FAT directory sector counts
    // when the FAT engine's test says so.
    TestMedium medium;
    const uint64_t at = medium.Append(test::Noise(5 * S, 44));
    medium.Append(structure("RSTR", 4));
    medium.Append(test::Noise(5 * S, 45));
    MemoryRun run(medium);
    run.ctx.BeginCandidate(at);
    EXPECT_EQ(11u * S, RunNextHeaderRule(run.ctx, 64 * kGiB));
    run.ctx.fatDirectorySectorTest = [](const uint8_t* bytes, size_t) { return std::memcmp(bytes, "RSTR", 4) == 0; };
    EXPECT_EQ(5u * S, RunNextHeaderRule(run.ctx, 64 * kGiB));
}

struct ProgressLog {
    int calls = 0;
    int lastStep = 0;
    uint64_t lastDone = 0;
    int stopAfter = 0;
};

int QM_STDCALL RecordProgress(void* user, int step, int, int, uint64_t done, uint64_t, uint64_t, int) {
    auto* log = static_cast<ProgressLog*>(user);
    ++log->calls;
    log->lastStep = step;
    log->lastDone = done;
    return log->calls == log->stopAfter ? CancelCode : 0;
}

TEST(CarvingNextHeaderRule, ReportsProgressAndStopsWhenTold) {
    TestMedium medium;
    medium.Append(test::Noise(1000 * S, 46));
    MemoryRun run(medium);
    ProgressLog log;
    run.ctx.progress.callback = RecordProgress;
    run.ctx.progress.userData = &log;
    run.ctx.progress.sectorsDone = 1000;
    run.ctx.progress.totalSectors = 4000;
    run.ctx.BeginCandidate(0);
    EXPECT_EQ(1000u * S, RunNextHeaderRule(run.ctx, 64 * kGiB));
    EXPECT_EQ(8, log.calls);  // 999 sectors in chunks of 128
    EXPECT_EQ(1999u, log.lastDone);
    EXPECT_EQ(1999 * 100 / 4000 + 10, log.lastStep);

    log = {};
    log.stopAfter = 3;
    EXPECT_EQ(S + 2 * 128u * S, RunNextHeaderRule(run.ctx, 64 * kGiB));
    EXPECT_EQ(CancelCode, run.ctx.callbackResult);

    // No total sectors: the step stays at its base instead of dividing by zero.
    log = {};
    run.ctx.progress.totalSectors = 0;
    RunNextHeaderRule(run.ctx, 64 * kGiB);
    EXPECT_EQ(10, log.lastStep);
}

}  // namespace
}  // namespace qm

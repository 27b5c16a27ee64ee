// Detectors on real files, on near misses, and at their minimum lengths.
#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

#include "engines/carving/detectors.h"
#include "engines/carving/file_type_code.h"
#include "engines/carving/signature_dispatch.h"
#include "tests/engines/carving_test_media.h"

namespace qm {
namespace {

using test::Bytes;
using test::CarvingSample;
using test::MemoryRun;
using test::TestMedium;

// The code that identification's rows give for a file lying at sector 0 of a medium.
int IdentifiedCode(const Bytes& file, uint32_t sectorSize = 512) {
    TestMedium medium(sectorSize);
    medium.Append(file);
    MemoryRun run(medium);
    run.ctx.BeginCandidate(0);
    return FirstClaim(run.ctx, medium.Sector(0), IdentificationRows()).code;
}

struct SampleCase {
    const char* path;
    int code;
};

TEST(CarvingDetectors, RecogniseRepositorySamples) {
    const SampleCase cases[] = {
        {"jpg/testJPEG_EXIF.jpg", kTypeJpg},      {"png/testPNG.png", kTypePng},
        {"gif/testGIF.gif", kTypeGif},            {"bmp/testBMP.bmp", kTypeBmp},
        {"tif/testTIFF.tif", kTypeTif},           {"psd/testPSD.psd", kTypePsd},
        {"ico/idle.ico", kTypeIco},               {"pdf/testPDF.pdf", kTypePdf},
        {"doc/testWORD.doc", kTypeDoc},           {"xls/testEXCEL.xls", kTypeXls},
        {"ppt/testPPT.ppt", kTypePpt},            {"docx/testWORD.docx", kTypeDocx},
        {"xlsx/testEXCEL.xlsx", kTypeXlsx},       {"pptx/testPPT.pptx", kTypePptx},
        {"zip/test-documents.zip", kTypeZip},     {"rar/test-documents.rar", kTypeRar},
        {"7z/test-documents.7z", kType7z},        {"gz/changelog.gz", kTypeGz},
        {"cab/test-documents.cab", kTypeCab},     {"mp3/testMP3id3v2.mp3", kTypeMp3},
        {"wav/testWAV.wav", kTypeWav},            {"mid/testMID.mid", kTypeMid},
        {"mp4/testMP4AudioOnly.mp4", kTypeMp4},   {"mov/testMP4_QuickTimeMetadata.mov", kTypeMov},
        {"mkv/testMKV.mkv", kTypeMkv},            {"flv/testFLV.flv", kTypeFlv},
        {"asf/testWMA.wma", kTypeWmv},            {"swf/test1.swf", kTypeSwf},
        {"mpg/xine-ui_logo.mpg", kTypeMpeg},      {"ts/test.ts", kTypeTs},
        {"sqlite/testSQLITE3.db", kTypeDb},       {"ttf/testTrueType3.ttf", kTypeTtf},
    };
    for (const SampleCase& c : cases) {
        const Bytes file = CarvingSample(c.path);
        ASSERT_FALSE(file.empty()) << c.path << " is missing from tests/data/samples";
        EXPECT_EQ(c.code, IdentifiedCode(file)) << c.path;
    }
}

TEST(CarvingDetectors, RecogniseSharedSamples) {
    if (test::sharedDataPath("samples").empty()) GTEST_SKIP() << "../shared/data is not beside this clone";
    const SampleCase cases[] = {
        {"avi/test.avi", kTypeAvi},
        {"mpg/default.mpv", kTypeNoMatch},  // quantiser matrices push its GOP start past byte 32
        {"mp4/bbb_160x90.mp4", kTypeMp4},
        {"mov/itunes.mov", kTypeMov},
        {"doc/testWORD_3imgs.doc", kTypeDoc},
        {"xls/testEXCEL_embeded.xls", kTypeXls},
        {"ppt/testPPT_embeded.ppt", kTypePpt},
        {"xlsx/pic.xlsx", kTypeXlsx},
        {"pptx/testPPT_various2.pptx", kTypePptx},
        {"docx/testWORD_various.docx", kTypeDocx},
        {"wav/Front_Center.wav", kTypeWav},
        {"mid/music000.mid", kTypeMid},
        {"sqlite/ChromeHistory.sqlite", kTypeDb},
        {"wmv/testWMV.wmv", kTypeWmv},
        {"jpg/Exif-IPHONE4.JPG", kTypeJpg},
        // Real files that the signatures deliberately pass by.
        {"ttf/DejaVuSansMono.ttf", kTypeTtf},           // its first table is not 'head': told by its directory
        {"gz/cc.warc.gz", kTypeGz},                     // compression flags 0
        {"webm/testWEBM.webm", kTypeWebm},
        {"ogg/testVORBIS.ogg", kTypeOgg},
    };
    for (const SampleCase& c : cases) {
        const Bytes file = CarvingSample(c.path);
        ASSERT_FALSE(file.empty()) << c.path;
        EXPECT_EQ(c.code, IdentifiedCode(file)) << c.path;
    }
}

// A sector of `size` zero bytes with `text` at `offset`.
Bytes SectorWith(size_t offset, const void* text, size_t length, size_t size = 512) {
    Bytes out(size, 0);
    std::memcpy(out.data() + offset, text, length);
    return out;
}

TEST(CarvingDetectors, RefuseNearMisses) {
    CarveContext ctx;
    auto detect = [&](const Detector& d, const Bytes& b) { return d.detect(ctx, ByteView(b.data(), b.size())); };

    // A JPEG opens with any segment an encoder may put first, with a length that fits it.
    using namespace std::string_view_literals;
    auto jpegStart = [](std::string_view start) { return SectorWith(0, start.data(), start.size()); };
    for (std::string_view start : {"\xFF\xD8\xFF\xE0\x00\x10JFIF"sv, "\xFF\xD8\xFF\xE1\x00\x10" "Exif"sv,
                                   "\xFF\xD8\xFF\xDB\x00\x43"sv, "\xFF\xD8\xFF\xEE\x00\x0E" "Adob"sv,
                                   "\xFF\xD8\xFF\xC4\x00\x1F"sv, "\xFF\xD8\xFF\xFE\x00\x10" "note"sv})
        EXPECT_EQ(kTypeJpg, detect(kJpegDetector, jpegStart(start))) << int(uint8_t(start[3]));
    for (std::string_view start : {"\xFF\xD8\xFF\xDB\x00\x10"sv, "\xFF\xD8\xFF\xC8\x00\x10"sv,
                                   "\xFF\xD8\xFF\xDD\x00\x05"sv, "\xFF\xD8\xFF\xE0\x00\x01"sv,
                                   "\xFF\xD8\xFF\x01\x00\x10"sv, "\xFF\xD8\xFE\xE0\x00\x10"sv})
        EXPECT_EQ(kTypeNoMatch, detect(kJpegDetector, jpegStart(start))) << int(uint8_t(start[3]));

    EXPECT_EQ(kTypeGif, detect(kGifDetector, SectorWith(0, "GIF87a", 6)));
    EXPECT_EQ(kTypeNoMatch, detect(kGifDetector, SectorWith(0, "GIF89A", 6)));
    EXPECT_EQ(kTypeNoMatch, detect(kGifDetector, SectorWith(0, "GIF8xa", 6)));

    // Bitmaps with the OS/2, Windows 3 and V4/V5 headers; the pixels must follow the headers.
    Bytes bmp = SectorWith(0, "BM", 2);
    for (uint8_t header : {12, 40, 108, 124}) {
        bmp[14] = header;
        bmp[10] = static_cast<uint8_t>(14 + header);
        EXPECT_EQ(kTypeBmp, detect(kBmpDetector, bmp)) << int(header);
    }
    bmp[10] = 20;
    EXPECT_EQ(kTypeNoMatch, detect(kBmpDetector, bmp));
    bmp[10] = 138;
    bmp[14] = 41;
    EXPECT_EQ(kTypeNoMatch, detect(kBmpDetector, bmp));
    bmp[14] = 124;
    bmp[6] = 1;
    EXPECT_EQ(kTypeNoMatch, detect(kBmpDetector, bmp));

    Bytes midi = SectorWith(0, "MThd\x00\x00\x00\x06\x00\x01\x00\x02\x00\xC0MTrk", 18);
    EXPECT_EQ(kTypeMid, detect(kMidiDetector, midi));
    midi[7] = 7;
    EXPECT_EQ(kTypeNoMatch, detect(kMidiDetector, midi));

    Bytes id3 = SectorWith(0, "ID3\x03\x00\x00\x00\x00\x02\x30", 10);
    EXPECT_EQ(kTypeMp3, detect(kId3v2Detector, id3));
    id3[6] = 0x80;  // not a syncsafe size
    EXPECT_EQ(kTypeNoMatch, detect(kId3v2Detector, id3));
    id3[6] = 0;
    id3[5] = 0x01;
    EXPECT_EQ(kTypeNoMatch, detect(kId3v2Detector, id3));

    Bytes gz = SectorWith(0, "\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03", 10);
    EXPECT_EQ(kTypeGz, detect(kGzipDetector, gz));
    gz[9] = 0xFF;
    EXPECT_EQ(kTypeGz, detect(kGzipDetector, gz));
    gz[9] = 14;
    EXPECT_EQ(kTypeNoMatch, detect(kGzipDetector, gz));
    gz[9] = 3;
    gz[3] = 1;
    EXPECT_EQ(kTypeNoMatch, detect(kGzipDetector, gz));

    EXPECT_EQ(kTypeSwf, detect(kFlashMovieDetector, SectorWith(0, "CWS\x0F", 4)));
    EXPECT_EQ(kTypeNoMatch, detect(kFlashMovieDetector, SectorWith(0, "CWS\x05", 4)));
    EXPECT_EQ(kTypeSwf, detect(kFlashMovieDetector, SectorWith(0, "FWS\x05", 4)));
    EXPECT_EQ(kTypeNoMatch, detect(kFlashMovieDetector, SectorWith(0, "FWS\x06", 4)));

    Bytes mpeg = SectorWith(0, "\x00\x00\x01\xBA", 4);
    EXPECT_EQ(kTypeNoMatch, detect(kMpegStreamDetector, mpeg));
    std::memcpy(mpeg.data() + 28, "\x00\x00\x01\xBB", 4);  // wholly inside the first 32 bytes
    EXPECT_EQ(kTypeMpeg, detect(kMpegStreamDetector, mpeg));
    Bytes lateMpeg = SectorWith(0, "\x00\x00\x01\xB3", 4);
    std::memcpy(lateMpeg.data() + 29, "\x00\x00\x01\xB8", 4);
    EXPECT_EQ(kTypeNoMatch, detect(kMpegStreamDetector, lateMpeg));

    Bytes ico = SectorWith(0, "\x00\x00\x01\x00\x02\x00", 6);
    putU32(ico.data() + 6 + 8, 100);
    putU32(ico.data() + 6 + 12, 38);
    putU32(ico.data() + 22 + 8, 50);
    putU32(ico.data() + 22 + 12, 138);
    EXPECT_EQ(kTypeIco, detect(kIconDetector, ico));
    putU32(ico.data() + 22 + 12, 139);  // a gap between the images
    EXPECT_EQ(kTypeNoMatch, detect(kIconDetector, ico));
    putU32(ico.data() + 22 + 12, 138);
    ico[22 + 3] = 1;
    EXPECT_EQ(kTypeNoMatch, detect(kIconDetector, ico));
    EXPECT_EQ(kTypeNoMatch, detect(kIconDetector, SectorWith(0, "\x00\x00\x01\x00\x00\x00", 6)));

    Bytes ttf = SectorWith(0, "\x00\x01\x00\x00\x00\x01\x00\x10\x00\x01\x00\x01", 12);
    std::memcpy(ttf.data() + 28, "\x00\x01\x00\x00", 4);
    EXPECT_EQ(kTypeTtf, detect(kTrueTypeDetector, ttf));
    ttf[9] = 0;  // entry selector 0
    EXPECT_EQ(kTypeNoMatch, detect(kTrueTypeDetector, ttf));

    EXPECT_EQ(kTypePst, detect(kOutlookStoreDetector, SectorWith(0, "!BDN\x00\x00\x00\x00SM", 10)));
    EXPECT_EQ(kTypeNoMatch, detect(kOutlookStoreDetector, SectorWith(0, "!BDN\x00\x00\x00\x00SO", 10)));
}

TEST(CarvingDetectors, TellProgramImagesApart) {
    CarveContext ctx;
    auto pe = [&](uint16_t characteristics, uint32_t peOffset = 128) {
        Bytes b = SectorWith(0, "MZ", 2);
        putU32(b.data() + 60, peOffset);
        if (peOffset + 24 <= b.size()) {
            std::memcpy(b.data() + peOffset, "PE\x00\x00", 4);
            putU16(b.data() + peOffset + 22, characteristics);
        }
        return kPeImageDetector.detect(ctx, ByteView(b.data(), b.size()));
    };
    EXPECT_EQ(kTypeExe, pe(0x0102));
    EXPECT_EQ(kTypeDll, pe(0x2102));
    EXPECT_EQ(kTypeSys, pe(0x1002));
    EXPECT_EQ(kTypeSys, pe(0x3002));  // a system file wins over a DLL
    EXPECT_EQ(kTypeNoMatch, pe(0x2100));  // not an executable image
    EXPECT_EQ(kTypeNoMatch, pe(0x0102, 489));
}

struct MinimumCase {
    const Detector* detector;
    size_t minimum;
    Bytes valid;  // a valid start, at least `minimum` bytes long
    int code;
};

TEST(CarvingDetectors, RefuseBuffersBelowTheirMinimum) {
    auto sector = [](const char* text, size_t length) { return SectorWith(0, text, length); };
    Bytes bmp = sector("BM", 2);
    bmp[14] = 40;
    bmp[10] = 54;
    Bytes pe = sector("MZ", 2);
    pe[60] = 64;
    std::memcpy(pe.data() + 64, "PE\x00\x00", 4);
    pe[64 + 22] = 2;
    Bytes midi = sector("MThd\x00\x00\x00\x06\x00\x01\x00\x02\x00\xC0MTrk", 18);
    Bytes flv = sector("FLV\x01\x05\x00\x00\x00\x09", 9);
    const MinimumCase cases[] = {
        {&kRealMediaDetector, 4, sector(".RMF", 4), kTypeRmvb},
        {&kFlashVideoDetector, 16, flv, kTypeFlv},
        {&kMatroskaDetector, 16, sector("\x1A\x45\xDF\xA3", 4), kTypeMkv},
        {&kMpegAudioDetector, 4, sector("\xFF\xFD\xE4\x00", 4), kTypeMp2},
        {&kSmafDetector, 4, sector("MMMD", 4), kTypeMmf},
        {&kMonkeysAudioDetector, 4, sector("MAC ", 4), kTypeApe},
        {&kMidiDetector, 18, midi, kTypeMid},  // "MTrk" at 14 needs 18 bytes
        {&kBmpDetector, 40, bmp, kTypeBmp},
        {&kPngDetector, 8, sector("\x89PNG\x0D\x0A\x1A\x0A", 8), kTypePng},
        {&kPhotoshopDetector, 40, sector("8BPS", 4), kTypePsd},
        {&kTiffDetector, 4, sector("II\x2A\x00", 4), kTypeTif},
        {&kCompoundFirstFourDetector, 16, sector("\xD0\xCF\x11\xE0", 4), kTypeFla},
        {&kZipDetector, 48, sector("PK\x03\x04", 4), kTypeZip},
        {&k7zDetector, 5, sector("7z\xBC\xAF\x27", 5), kType7z},
        {&kRarDetector, 7, sector("Rar!\x1A\x07\x00", 7), kTypeRar},
        {&kCabinetDetector, 36, sector("MSCF", 4), kTypeCab},
        {&kPdfDetector, 5, sector("%PDF-", 5), kTypePdf},
        {&kPeImageDetector, 512, pe, kTypeExe},
        {&kGhostDetector, 2, sector("\xFE\xEF", 2), kTypeGho},
        {&kSqliteDetector, 16, sector("SQLite format 3", 16), kTypeDb},
        {&kOutlookExpressDetector, 16, sector("\xCF\xAD\x12\xFE", 4), kTypeDbx},
        {&kMxfDetector, 16, sector("\x06\x0E\x2B\x34\x02\x05\x01\x01\x0D\x01\x02\x01\x01\x02\x04\x00", 16), kTypeMxf},
        {&kAsfDetector, 24, sector("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16), kTypeWmv},
        {&kRiffAviDetector, 16, sector("RIFF\x00\x00\x00\x00" "AVI LIST", 16), kTypeAvi},
        {&kRiffWaveDetector, 16, sector("RIFF\x00\x00\x00\x00WAVEfmt ", 16), kTypeWav},
        {&kIsoMediaDetector, 32, sector("\x00\x00\x00\x20" "ftypmp42", 12), kTypeMp4},
        {&kIsoMedia3gpDetector, 32, sector("\x00\x00\x00\x20" "ftyp3gp4", 12), kType3gp},
        {&kQuickTimeDetector, 16, sector("moov", 4), kTypeMov},
    };
    CarveContext ctx;
    for (const MinimumCase& c : cases) {
        EXPECT_EQ(c.code, c.detector->detect(ctx, ByteView(c.valid.data(), c.valid.size()))) << c.detector->name;
        EXPECT_EQ(c.code, c.detector->detect(ctx, ByteView(c.valid.data(), c.minimum))) << c.detector->name;
        EXPECT_EQ(kTypeNoMatch, c.detector->detect(ctx, ByteView(c.valid.data(), c.minimum - 1))) << c.detector->name;
        EXPECT_EQ(kTypeNoMatch, c.detector->detect(ctx, ByteView())) << c.detector->name;
    }
}

TEST(CarvingDetectors, AvchdStreamOnlyStartsOnce) {
    CarveContext ctx;
    Bytes b = SectorWith(8, "\x00\x00\xB0\x11\x00\x00\xC1\x00", 8);
    b[4] = 'G';
    const ByteView v(b.data(), b.size());
    EXPECT_EQ(kTypeMts, kAvchdDetector.detect(ctx, v));
    ctx.previousWasAvchd = true;
    EXPECT_EQ(kTypeMts, kAvchdDetector.detect(ctx, v));  // a zero timestamp starts a stream
    b[1] = 0x12;
    EXPECT_EQ(kTypeNoMatch, kAvchdDetector.detect(ctx, v));
    ctx.previousWasAvchd = false;
    EXPECT_EQ(kTypeMts, kAvchdDetector.detect(ctx, v));
}

}  // namespace
}  // namespace qm

// Identification of offered sectors: names, codes, skips and the flags kept between calls.
#include <gtest/gtest.h>

#include <cstring>

#include "engines/carving/identification.h"
#include "engines/carving/signature_table.h"
#include "tests/engines/carving_compound_builder.h"

namespace qm {
namespace {

using test::Bytes;
using test::MemoryRun;
using test::TestMedium;

constexpr uint32_t S = 512;

TEST(CarvingTable, RowsAndCodesAreConsistent) {
    EXPECT_EQ(nullptr, kSignatureTable[kSignatureRowCount].extension);
    EXPECT_EQ(kTypeNoMatch, kSignatureTable[kSignatureRowCount].code);
    // Each code's name is the extension of its first row.
    const std::pair<int, const char*> names[] = {
        {kTypeDoc, "doc"}, {kTypeDocx, "docx"}, {kTypeOle, "ole"}, {kTypeXls, "xls"}, {kTypeXlsx, "xlsx"},
        {kTypePpt, "ppt"}, {kTypePptx, "pptx"}, {kTypeMso07, "mso07"}, {kTypePdf, "pdf"}, {kTypeGho, "gho"},
        {kTypeJpg, "jpg"}, {kTypeMp2, "mp2"}, {kTypeMp3, "mp3"}, {kTypeMid, "mid"}, {kTypeMmf, "mmf"},
        {kTypeMpeg, "mpeg"}, {kType3gp, "3gp"}, {kTypeMov, "mov"}, {kTypeMp4, "mp4"}, {kTypeMkv, "mkv"},
        {kTypeTs, "ts"}, {kTypeWav, "wav"}, {kTypeAvi, "avi"}, {kTypeRmvb, "rmvb"}, {kTypeWmv, "wmv"},
        {kTypeApe, "ape"}, {kTypeSwf, "swf"}, {kTypeFlv, "flv"}, {kTypePsd, "psd"}, {kTypeBmp, "bmp"},
        {kTypePng, "png"}, {kTypeGif, "gif"}, {kTypeTif, "tif"}, {kTypeCab, "cab"}, {kType7z, "7z"},
        {kTypeZip, "zip"}, {kTypeGz, "gz"}, {kTypeRar, "rar"}, {kTypePst, "pst"}, {kTypeDb, "db"},
        {kTypeDbx, "dbx"}, {kTypeExe, "exe"}, {kTypeDll, "dll"}, {kTypeSys, "sys"}, {kTypeFla, "fla"},
        {kTypeTtf, "ttf"}, {kTypeIco, "ico"}, {kTypeMts, "mts"}, {kTypeMxf, "mxf"},
    };
    for (const auto& [code, name] : names) {
        const int row = FirstRowOfCode(code);
        ASSERT_GE(row, 0) << name;
        EXPECT_STREQ(name, kSignatureTable[row].extension);
    }
    EXPECT_EQ(-1, FirstRowOfCode(kTypeNoMatch));
    EXPECT_EQ(FirstRowOfExtension("JPEG"), FirstRowOfExtension("jpeg"));
    EXPECT_EQ(-1, FirstRowOfExtension("xyz"));
    EXPECT_EQ(-1, FirstRowOfExtension(""));
}

int Carve(TestMedium& medium, uint64_t at, CarvedFile& out, CarveContext* shared = nullptr) {
    MemoryRun run(medium);
    CarveContext& ctx = shared ? *shared : run.ctx;
    if (shared) {
        ctx.source = &run.source;
        ctx.sectorSize = medium.sectorSize();
    }
    const int rc = IdentifyAndMeasure(ctx, medium.Sector(at), at, out);
    if (shared) ctx.source = nullptr;
    return rc;
}

TEST(CarvingIdentify, JfifSectorBecomesANamedJpeg) {
    const Bytes jpeg = test::CarvingSample("jpg/testJPEG_EXIF.jpg");
    ASSERT_FALSE(jpeg.empty());
    TestMedium medium;
    medium.AppendZeros(5000);
    const uint64_t at = medium.Append(jpeg);
    medium.Append(test::PngHeaderSector());
    CarvedFile carved;
    ASSERT_EQ(0, Carve(medium, at, carved));
    EXPECT_EQ("5000.jpg", carved.name);
    EXPECT_EQ(kTypeJpg, carved.id.code);
    EXPECT_EQ(jpeg.size(), carved.length);
    EXPECT_EQ((jpeg.size() + S - 1) / S, carved.sectorsToSkip);
}

TEST(CarvingIdentify, CompoundFilesAreOfficeDocumentsNotFlashSources) {
    const std::pair<const char*, const char*> samples[] = {
        {"doc/testWORD.doc", "doc"}, {"xls/testEXCEL.xls", "xls"}, {"ppt/testPPT.ppt", "ppt"}};
    for (const auto& [path, extension] : samples) {
        const Bytes file = test::CarvingSample(path);
        ASSERT_FALSE(file.empty()) << path;
        TestMedium medium;
        medium.AppendZeros(7);
        const uint64_t at = medium.Append(file);
        medium.Append(test::Noise(64 * S, 3));
        CarvedFile carved;
        ASSERT_EQ(0, Carve(medium, at, carved)) << path;
        EXPECT_EQ(std::string("7.") + extension, carved.name);
        EXPECT_EQ(file.size(), carved.length) << "measured by the compound-file extent";
        EXPECT_EQ(1u, carved.sectorsToSkip) << "a container: the scan looks inside it";
    }
    // An unknown compound file is "ole"; only the first four bytes make a Flash source.
    test::CompoundSpec spec;
    TestMedium medium;
    const uint64_t ole = medium.Append(test::BuildCompoundFile(spec));
    Bytes flashSource(4 * S, 0x42);
    std::memcpy(flashSource.data(), "\xD0\xCF\x11\xE0\x00\x00\x00\x00", 8);
    const uint64_t fla = medium.Append(flashSource);
    medium.Append(test::PngHeaderSector());
    CarvedFile carved;
    ASSERT_EQ(0, Carve(medium, ole, carved));
    EXPECT_EQ("0.ole", carved.name);
    EXPECT_EQ(4u * S, carved.length);
    ASSERT_EQ(0, Carve(medium, fla, carved));
    EXPECT_EQ("4.fla", carved.name);
    EXPECT_EQ(4u * S, carved.length);
    EXPECT_EQ(4u, carved.sectorsToSkip);
}

TEST(CarvingIdentify, SkipsAndUncarvedFormats) {
    const Bytes wav = test::CarvingSample("wav/testWAV.wav");
    ASSERT_FALSE(wav.empty());
    TestMedium medium;
    medium.AppendZeros(700);
    const uint64_t at = medium.Append(wav);
    Bytes pe(S, 0);
    std::memcpy(pe.data(), "MZ", 2);
    pe[60] = 0x40;
    std::memcpy(pe.data() + 0x40, "PE\x00\x00", 4);
    pe[0x40 + 22] = 0x02;
    const uint64_t peAt = medium.Append(pe);
    Bytes ghost(S, 0);
    ghost[0] = 0xFE;
    ghost[1] = 0xEF;
    const uint64_t ghostAt = medium.Append(ghost);
    const uint64_t zeroAt = medium.AppendZeros(1);

    CarvedFile carved;
    ASSERT_EQ(0, Carve(medium, at, carved));
    EXPECT_EQ("700.wav", carved.name);
    EXPECT_EQ(wav.size(), carved.length);
    EXPECT_EQ(1u, carved.sectorsToSkip);
    EXPECT_EQ(87, Carve(medium, peAt, carved));
    EXPECT_EQ(87, Carve(medium, ghostAt, carved));
    EXPECT_EQ(87, Carve(medium, zeroAt, carved));
}

TEST(CarvingIdentify, SectorsToSkip) {
    EXPECT_EQ(20u, SectorsToSkip(kTypeZip, 10000, 512));
    EXPECT_EQ(19u, SectorsToSkip(kTypeZip, 9728, 512));
    EXPECT_EQ(1u, SectorsToSkip(kTypeZip, 0, 512));  // the scan always moves on
    EXPECT_EQ(1u, SectorsToSkip(kTypeJpg, 100, 0));
    for (int code : {kTypeDoc, kTypeOle, kTypeXls, kTypePpt, kTypeWav, kTypeAvi, kTypeWmv, kTypeSwf, kTypeBmp,
                     kTypeCab, kTypeTtf, kTypeIco})
        EXPECT_EQ(1u, SectorsToSkip(code, 1u << 30, 512)) << code;
    EXPECT_EQ(3u, SectorsToSkip(kTypeJpg, 4097, 2048));
    EXPECT_EQ("18446744073709551615.ts", CarvedFileName(UINT64_MAX, "ts"));
}

// Packets of a transport stream whose payload holds no "G".
Bytes Packets(size_t count) {
    Bytes out(count * 188, 0x11);
    for (size_t i = 0; i < count; ++i) {
        out[i * 188] = 'G';
        out[i * 188 + 1] = 0x40;
    }
    return out;
}

TEST(CarvingIdentify, TransportStreamIsCarvedOnceAndRemembered) {
    TestMedium medium;
    medium.Append(test::Noise(2 * S, 4));
    const uint64_t at = medium.Append(Packets(47 * 4));  // 35,344 bytes: 69 sectors and 16 bytes
    medium.Append(test::Noise(4 * S, 5));
    CarveContext ctx;
    CarvedFile carved;
    ASSERT_EQ(0, Carve(medium, at, carved, &ctx));
    EXPECT_EQ("2.ts", carved.name);
    EXPECT_EQ(47u * 4 * 188, carved.length);
    EXPECT_TRUE(ctx.previousWasTransportStream);
    ASSERT_EQ(1u, ctx.transportStreamExtents.size());
    EXPECT_EQ(at, ctx.transportStreamExtents[0].first);
    EXPECT_EQ(at + 69, ctx.transportStreamExtents[0].last);

    // A later offer of a sector inside the stream that starts a packet is no new stream.
    EXPECT_EQ(87, Carve(medium, at + 47, carved, &ctx));
    EXPECT_TRUE(ctx.previousWasTransportStream) << "only an identification changes the flag";

    // Another format clears it.
    const Bytes gif = test::CarvingSample("gif/testGIF.gif");
    ASSERT_FALSE(gif.empty());
    TestMedium other;
    const uint64_t g = other.Append(gif);
    ASSERT_EQ(0, Carve(other, g, carved, &ctx));
    EXPECT_FALSE(ctx.previousWasTransportStream);
}

int QM_STDCALL CancelAtOnce(void*, int, int, int, uint64_t, uint64_t, uint64_t, int) { return CancelCode; }
int QM_STDCALL OtherStop(void*, int, int, int, uint64_t, uint64_t, uint64_t, int) { return 5; }

TEST(CarvingIdentify, CancelDuringTheMeasure) {
    Bytes tif(600 * S, 0x5A);
    std::memcpy(tif.data(), "II\x2A\x00", 4);
    TestMedium medium;
    const uint64_t at = medium.Append(tif);
    CarveContext ctx;
    ctx.progress.callback = CancelAtOnce;
    CarvedFile carved;
    EXPECT_EQ(CancelCode, Carve(medium, at, carved, &ctx));
    // Only a cancel ends the carve; another stop keeps the length reached.
    ctx.progress.callback = OtherStop;
    EXPECT_EQ(0, Carve(medium, at, carved, &ctx));
    EXPECT_EQ(S, carved.length);
    EXPECT_EQ(5, ctx.callbackResult);
}

TEST(CarvingIdentify, ZipMeasuredAtTenThousandBytesSkipsTwentySectors) {
    Bytes zip = test::Noise(10000, 8);
    std::memcpy(zip.data(), "PK\x03\x04\x14\x00\x00\x00\x08\x00", 10);
    putU16(zip.data() + 26, 8);
    std::memcpy(zip.data() + 30, "data.bin", 8);
    for (size_t i = 38; i + 1 < zip.size(); ++i)
        if (zip[i] == 'P' && zip[i + 1] == 'K') zip[i] = 'p';
    std::memset(zip.data() + 9978, 0, 22);
    std::memcpy(zip.data() + 9978, "PK\x05\x06", 4);
    TestMedium medium;
    medium.AppendZeros(100);
    const uint64_t at = medium.Append(zip);
    medium.Append(test::Noise(8 * S, 9));
    CarvedFile carved;
    ASSERT_EQ(0, Carve(medium, at, carved));
    EXPECT_EQ("100.zip", carved.name);
    EXPECT_EQ(10000u, carved.length);
    EXPECT_EQ(20u, carved.sectorsToSkip);
}

}  // namespace
}  // namespace qm

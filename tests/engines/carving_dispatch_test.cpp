// The dispatch index must give exactly the answer of the ordered table walk.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "engines/carving/file_type_code.h"
#include "engines/carving/signature_dispatch.h"
#include "tests/engines/carving_test_media.h"

namespace qm {
namespace {

using test::Bytes;

const char* const kSamples[] = {
    "jpg/testJPEG_EXIF.jpg", "png/testPNG.png", "gif/testGIF.gif", "bmp/testBMP.bmp", "tif/testTIFF.tif",
    "psd/testPSD.psd", "ico/idle.ico", "pdf/testPDF.pdf", "doc/testWORD.doc", "xls/testEXCEL.xls",
    "ppt/testPPT.ppt", "docx/testWORD.docx", "xlsx/testEXCEL.xlsx", "pptx/testPPT.pptx",
    "zip/test-documents.zip", "rar/test-documents.rar", "7z/test-documents.7z", "gz/changelog.gz",
    "cab/test-documents.cab", "mp3/testMP3id3v2.mp3", "wav/testWAV.wav", "mid/testMID.mid",
    "mp4/testMP4AudioOnly.mp4", "mov/testMP4_QuickTimeMetadata.mov", "mkv/testMKV.mkv", "flv/testFLV.flv",
    "asf/testWMA.wma", "swf/test1.swf", "mpg/xine-ui_logo.mpg", "ts/test.ts", "sqlite/testSQLITE3.db",
    "ttf/testTrueType3.ttf",
};

// Sector starts that every signature of the table can begin with, plus structures that
// look like them: the crafted half of the comparison.
std::vector<Bytes> CraftedStarts() {
    const std::pair<const char*, size_t> heads[] = {
        {"\x00\x00\x01\xBA\x44\x00\x04\x00\x04\x01\x01\x89\xC3\xF8\x00\x00\x01\xBB", 18},
        {"\x00\x00\x01\xB3\x16\x00\xF0\x15\xFF\xFF\xE0\x18\x00\x00\x01\xB8", 16},
        {"\x00\x00\x00\x20" "ftypisom", 12}, {"\x00\x00\x00\x20" "ftypmp42", 12},
        {"\x00\x00\x00\x20" "ftyp3gp5", 12}, {"\x00\x00\x00\x20" "ftypqt  ", 12}, {"moov", 4}, {".RMF", 4},
        {"\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16}, {"CWS\x08", 4}, {"FWS\x04", 4},
        {"RIFF\x10\x00\x00\x00" "AVI LIST", 16}, {"RIFF\x10\x00\x00\x00WAVEfmt ", 16},
        {"FLV\x01\x05\x00\x00\x00\x09", 9}, {"\x1A\x45\xDF\xA3", 4},
        {"\x00\x00\x00\x00\x47\x40\x00\x10\x00\x00\xB0\x11\x00\x00\xC1\x00", 16},
        {"\x06\x0E\x2B\x34\x02\x05\x01\x01\x0D\x01\x02\x01\x01\x02\x04\x00", 16},
        {"ID3\x04\x00\x00\x00\x00\x01\x00", 10}, {"\xFF\xFD\xE4\x00", 4},
        {"MThd\x00\x00\x00\x06\x00\x01\x00\x02\x00\xC0MTrk", 18}, {"MMMD", 4}, {"MAC ", 4},
        {"GIF89a", 6}, {"BM\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x28", 15},
        {"\xFF\xD8\xFF\xE0\x00\x10JFIF", 10}, {"\xFF\xD8\xFF\xE1\x00\x10" "Exif", 10},
        {"\x89PNG\x0D\x0A\x1A\x0A", 8}, {"8BPS", 4}, {"MM\x00\x2A", 4}, {"II\x2A\x00", 4},
        {"\x00\x00\x01\x00\x01\x00\x10\x10\x00\x00\x01\x00\x20\x00\x10\x00\x00\x00\x16\x00\x00\x00", 22},
        {"\x00\x01\x00\x00\x00\x01\x00\x10\x00\x01\x00\x01", 12}, {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8},
        {"\xD0\xCF\x11\xE0\x00\x00", 6}, {"PK\x03\x04\x14\x00", 6}, {"\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03", 10},
        {"7z\xBC\xAF\x27\x1C", 6}, {"Rar!\x1A\x07\x00", 7}, {"MSCF", 4}, {"%PDF-1.7", 8}, {"MZ", 2},
        {"\xFE\xEF", 2}, {"SQLite format 3", 16}, {"!BDN\x00\x00\x00\x00SM", 10}, {"\xCF\xAD\x12\xFE", 4},
        {"GGGG", 4}, {"FILE0", 5}, {"\x00\x00\x00\x00", 4},
    };
    std::vector<Bytes> out;
    uint32_t seed = 100;
    for (const auto& [text, length] : heads) {
        for (int fill = 0; fill < 3; ++fill) {
            Bytes b = fill == 0 ? Bytes(512, 0) : test::RandomBytes(512, seed++);
            std::memcpy(b.data(), text, length);
            if (fill == 2) std::memcpy(b.data() + 31, "[Content_Types].xml", 19);
            out.push_back(b);
        }
    }
    // A PE image, and a transport stream whose packets continue.
    Bytes pe(512, 0);
    std::memcpy(pe.data(), "MZ", 2);
    pe[60] = 0x80;
    std::memcpy(pe.data() + 0x80, "PE\x00\x00", 4);
    pe[0x80 + 22] = 0x02;
    pe[0x80 + 23] = 0x21;
    out.push_back(pe);
    Bytes ts(512, 0x11);
    ts[0] = ts[188] = ts[376] = 'G';
    out.push_back(ts);
    return out;
}

void ExpectSameAnswer(CarveContext& ctx, const Bytes& sector, size_t length, const RowMask& rows, const char* what) {
    const ByteView view(sector.data(), length);
    const ClaimResult fast = FirstClaim(ctx, view, rows);
    const ClaimResult walk = FirstClaimByTableWalk(ctx, view, rows);
    ASSERT_EQ(walk.row, fast.row) << what << " length " << length;
    ASSERT_EQ(walk.code, fast.code) << what << " length " << length;
    ASSERT_EQ(walk.row >= 0, AnyRowClaims(ctx, view, rows)) << what;
}

TEST(CarvingDispatch, EqualsTheOrderedTableWalk) {
    std::vector<std::pair<std::string, Bytes>> sectors;
    for (const char* path : kSamples) {
        const Bytes file = test::CarvingSample(path);
        ASSERT_FALSE(file.empty()) << path;
        for (size_t offset = 0; offset < file.size() && offset < 64 * 512; offset += 512) {
            Bytes sector(file.begin() + offset, file.begin() + std::min(file.size(), offset + 512));
            sector.resize(512, 0);
            sectors.emplace_back(std::string(path) + "+" + std::to_string(offset), sector);
        }
    }
    for (const Bytes& b : CraftedStarts()) sectors.emplace_back("crafted", b);
    for (uint32_t i = 0; i < 4000; ++i) sectors.emplace_back("random", test::RandomBytes(512, 7000 + i));
    // Random sectors that begin with each possible first byte pair, so every index entry is used.
    for (uint32_t i = 0; i < 65536; i += 7) {
        Bytes b = test::RandomBytes(64, i);
        b[0] = static_cast<uint8_t>(i >> 8);
        b[1] = static_cast<uint8_t>(i);
        sectors.emplace_back("pair", b);
    }

    // The sectors lie on a medium so that detectors that read on see the same bytes.
    test::TestMedium medium;
    for (const auto& s : sectors) medium.Append(s.second);
    medium.AppendZeros(16);
    test::MemoryRun run(medium);
    const RowMask rowSets[] = {AllRows(), IdentificationRows(), RowsWithout(*kSignatureTable[0].detector)};
    std::set<int> codesSeen;
    for (size_t i = 0; i < sectors.size(); ++i) {
        run.ctx.BeginCandidate(i);
        const Bytes& sector = sectors[i].second;
        for (const RowMask& rows : rowSets) {
            for (size_t length : {sector.size(), size_t{31}, size_t{16}, size_t{4}, size_t{1}}) {
                if (length > sector.size()) continue;
                ExpectSameAnswer(run.ctx, sector, length, rows, sectors[i].first.c_str());
            }
            for (bool flag : {false, true}) {
                run.ctx.previousWasTransportStream = flag;
                run.ctx.previousWasAvchd = flag;
                ExpectSameAnswer(run.ctx, sector, sector.size(), rows, sectors[i].first.c_str());
            }
        }
        codesSeen.insert(FirstClaim(run.ctx, ByteView(sector.data(), sector.size()), IdentificationRows()).code);
    }
    // The comparison covered every format the table can carve, not just "no match".
    for (int code : {kTypeMpeg, kTypeMp4, kType3gp, kTypeMov, kTypeRmvb, kTypeWmv, kTypeSwf, kTypeAvi, kTypeWav,
                     kTypeFlv, kTypeMkv, kTypeTs, kTypeMts, kTypeMxf, kTypeMp3, kTypeMp2, kTypeMid, kTypeMmf,
                     kTypeApe, kTypeGif, kTypeBmp, kTypeJpg, kTypePng, kTypePsd, kTypeTif, kTypeIco, kTypeTtf,
                     kTypeFla, kTypeDoc, kTypeXls, kTypePpt, kTypeDocx, kTypeXlsx, kTypePptx, kTypeZip, kTypeGz,
                     kType7z, kTypeRar, kTypeCab, kTypePdf, kTypeDll, kTypeGho, kTypeDb, kTypePst, kTypeDbx,
                     kTypeNoMatch})
        EXPECT_TRUE(codesSeen.count(code)) << "no sector identified as " << code;
}

TEST(CarvingDispatch, NullAndEmptyBytesMatchNothing) {
    CarveContext ctx;
    EXPECT_EQ(-1, FirstClaim(ctx, ByteView(), AllRows()).row);
    EXPECT_EQ(-1, FirstClaimByTableWalk(ctx, ByteView(nullptr, 512), AllRows()).row);
    EXPECT_FALSE(AnyRowClaims(ctx, ByteView(), AllRows()));
}

}  // namespace
}  // namespace qm

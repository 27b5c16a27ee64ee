// Judging a found file's first bytes by its extension.
#include <gtest/gtest.h>

#include "engines/carving/matches_extension.h"
#include "tests/engines/carving_compound_builder.h"

namespace qm {
namespace {

using test::Bytes;
using test::TestMedium;

struct Judge {
    explicit Judge(TestMedium& m) : medium(m), source(ByteView(m.bytes().data(), m.bytes().size())) {}
    int operator()(uint64_t sector, const char* extension) {
        return MatchesExtension(ctx, medium.Sector(sector), extension, &source, medium.sectorSize(), sector);
    }
    TestMedium& medium;
    MemorySectorSource source;
    CarveContext ctx;
};

TEST(CarvingMatchesExtension, JudgesContentByExtension) {
    const Bytes jpeg = test::CarvingSample("jpg/testJPEG_EXIF.jpg");
    const Bytes book = test::CarvingSample("xls/testEXCEL.xls");
    const Bytes word = test::CarvingSample("doc/testWORD.doc");
    const Bytes docx = test::CarvingSample("docx/testWORD.docx");
    ASSERT_FALSE(jpeg.empty() || book.empty() || word.empty() || docx.empty());
    TestMedium medium;
    const uint64_t j = medium.Append(jpeg);
    const uint64_t x = medium.Append(book);
    const uint64_t w = medium.Append(word);
    const uint64_t d = medium.Append(docx);
    Judge judge(medium);

    EXPECT_EQ(1, judge(j, "xyz"));  // unknown to the table
    EXPECT_EQ(1, judge(j, "jpg"));
    EXPECT_EQ(1, judge(j, "JFIF"));
    EXPECT_EQ(0, judge(j, "png"));
    EXPECT_EQ(0, judge(x, "doc"));
    EXPECT_EQ(1, judge(x, "xls"));
    EXPECT_EQ(1, judge(x, "XLT"));
    EXPECT_EQ(1, judge(w, "doc"));
    EXPECT_EQ(1, judge(w, "wps"));
    EXPECT_EQ(0, judge(w, "ole"));
    // Every compound file still passes as a Flash source: its row looks at four bytes only.
    EXPECT_EQ(1, judge(w, "fla"));
    EXPECT_EQ(1, judge(x, "fla"));
    EXPECT_EQ(1, judge(d, "docx"));
    EXPECT_EQ(0, judge(d, "xlsx"));
    EXPECT_EQ(1, judge(d, "zip"));
    EXPECT_EQ(0, judge(d, "exe"));
}

TEST(CarvingMatchesExtension, ExtensionCheckReadsThroughTheGivenSector) {
    test::CompoundSpec spec;
    spec.streamName = "PowerPoint Document";
    TestMedium medium;
    medium.AppendZeros(9);
    const uint64_t at = medium.Append(test::BuildCompoundFile(spec));
    Judge judge(medium);
    EXPECT_EQ(1, judge(at, "ppt"));
    EXPECT_EQ(0, judge(at, "doc"));
    EXPECT_EQ(at, judge.ctx.startSector);
    EXPECT_EQ(at, judge.ctx.currentSector);
}

TEST(CarvingMatchesExtension, OwnContextOverAnImageFile) {
    const Bytes book = test::CarvingSample("xls/testEXCEL.xls");
    ASSERT_FALSE(book.empty());
    TestMedium medium;
    medium.AppendZeros(3);
    const uint64_t at = medium.Append(book);
    test::TempDir dir;
    const std::wstring path = dir.file(L"medium.img");
    test::writeWholeFile(path, medium.bytes());
    SectorReader reader;
    ASSERT_EQ(0, reader.OpenImageFile(path));
    const ByteView first = medium.Sector(at);
    EXPECT_EQ(1, MatchesExtension(first.data(), first.size(), "xls", reader, 512, at));
    EXPECT_EQ(0, MatchesExtension(first.data(), first.size(), "doc", reader, 512, at));
    EXPECT_EQ(0, MatchesExtension(first.data(), first.size(), "ppt", reader, 512, at));
    EXPECT_EQ(1, MatchesExtension(first.data(), first.size(), "xyz", reader, 512, at));
    EXPECT_EQ(0, MatchesExtension(nullptr, 0, "xls", reader, 512, at));
}

}  // namespace
}  // namespace qm

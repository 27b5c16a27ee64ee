// How the preview treats a file by its extension, and the byte dump of last resort.
#include <gtest/gtest.h>

#include <vector>

#include "preview/converter_choice.h"
#include "preview/preview_kind.h"
#include "preview/text_dump.h"

namespace qm::preview {
namespace {

TEST(PreviewKind, WholeListItemsAndAudioBeforeVideo) {
    EXPECT_EQ(PreviewKind::Audio, ClassifyExtension(L"rm"));  // in the audio and the video list
    EXPECT_EQ(PreviewKind::Video, ClassifyExtension(L"mkv"));
    EXPECT_EQ(PreviewKind::Photo, ClassifyExtension(L"jpeg"));
    EXPECT_EQ(PreviewKind::Document, ClassifyExtension(L"docx"));
    EXPECT_EQ(PreviewKind::Document, ClassifyExtension(L"zip"));
    EXPECT_EQ(PreviewKind::Other, ClassifyExtension(L""));
    EXPECT_EQ(PreviewKind::Other, ClassifyExtension(L"mp"));  // a part of "mp3" and "mp4" only
    EXPECT_TRUE(IsPhotoExtension(L"png"));
    EXPECT_FALSE(IsPhotoExtension(L"pn"));
}

TEST(ConverterChoice, FamiliesInOrder) {
    EXPECT_EQ(ConverterKind::Word, ConverterFor(L"doc"));
    EXPECT_EQ(ConverterKind::PowerPoint, ConverterFor(L"pps"));
    EXPECT_EQ(ConverterKind::Excel, ConverterFor(L"csv"));
    EXPECT_EQ(ConverterKind::Pdf, ConverterFor(L"pdf"));
    EXPECT_EQ(ConverterKind::Archive, ConverterFor(L"gz"));
    EXPECT_EQ(ConverterKind::None, ConverterFor(L"txt"));
    EXPECT_EQ(ConverterKind::None, ConverterFor(L"c"));
}

TEST(TextDump, LinesOf1024AndZeroBytesAsDots) {
    std::vector<std::uint8_t> bytes(2048, 'a');
    bytes[5] = 0;
    const std::wstring two = TextDump(bytes);
    ASSERT_EQ(2048u + 4u, two.size());
    EXPECT_EQ(L"\r\n", two.substr(1024, 2));
    EXPECT_EQ(L"\r\n", two.substr(2050, 2));
    EXPECT_EQ(L'.', two[5]);

    bytes.resize(1025);
    const std::wstring cut = TextDump(bytes);
    EXPECT_EQ(1025u + 4u, cut.size());
    EXPECT_EQ(L"a\r\n", cut.substr(1026));
}

}  // namespace
}  // namespace qm::preview

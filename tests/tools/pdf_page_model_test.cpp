// The page model of real documents: text placed where the page shows it, in the right font
// family, through forms, cross-reference streams, object streams and damaged tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/tools/pdf_test_files.h"

namespace qm::pdf {
namespace {

using test::findRun;
using test::sample;

TEST(PdfPageModel, TextInsideAFormIsPlacedFromTheTopLeft) {
    PageModel model;
    ASSERT_EQ(BuildPageModel(sample("testPDF.pdf"), 1, model), Status::Ok);
    EXPECT_EQ(model.width, 595);
    EXPECT_EQ(model.height, 842);
    const TextRun* title = findRun(model, L"Tika - Content Analysis Toolkit");
    ASSERT_NE(title, nullptr);
    EXPECT_NEAR(title->size, 18, 0.01);
    EXPECT_NEAR(title->x, 62, 1);
    EXPECT_NEAR(title->y, 94, 1);
    const TextRun* footer = findRun(model, L"1 of 1");
    ASSERT_NE(footer, nullptr);
    EXPECT_GT(footer->y, 780);
    EXPECT_EQ(title->family, FontFamily::Sans);
    EXPECT_TRUE(title->bold);
}

TEST(PdfPageModel, CrossReferenceStreamsAndObjectStreamsReachEveryPage) {
    const std::vector<uint8_t> bytes = sample("shared-mime-info-spec.pdf");
    PageModel first, second;
    ASSERT_EQ(BuildPageModel(bytes, 1, first), Status::Ok);
    const TextRun* heading = findRun(first, L"Database");
    ASSERT_NE(heading, nullptr);
    EXPECT_LT(heading->y, 150);
    EXPECT_GT(heading->size, 20);
    ASSERT_EQ(BuildPageModel(bytes, 2, second), Status::Ok);
    EXPECT_NE(findRun(first, L"Thomas"), nullptr);  // the title page's author
    EXPECT_EQ(findRun(second, L"Thomas"), nullptr);
    EXPECT_NE(findRun(second, L"Language"), nullptr);
    PageModel none;
    EXPECT_EQ(BuildPageModel(bytes, 999, none), Status::NoPage);
}

TEST(PdfPageModel, ScannedPagePicturePlacementCoversThePage) {
    PageModel model;
    ASSERT_EQ(BuildPageModel(sample("testPDF_Version.11.x.PDFA-1b.pdf"), 1, model), Status::Ok);
    ASSERT_EQ(model.images.size(), 1u);
    const ImagePlacement& image = model.images[0];
    EXPECT_TRUE(image.jpeg.empty());  // a Flate picture: drawn as a box
    EXPECT_NEAR(image.a, model.width, 0.5);
    EXPECT_NEAR(image.d, -model.height, 0.5);  // the picture's top row at the top of the page
    EXPECT_NEAR(image.f, model.height, 0.5);
}

// A page written by groff and Ghostscript: subset Type 1 fonts, WinAnsi codes, TJ kerning.
TEST(PdfPageModel, GhostscriptPageKeepsWordsFontsAndLines) {
    if (std::system("command -v groff >/dev/null && command -v ps2pdf >/dev/null") != 0)
        GTEST_SKIP() << "groff or ps2pdf not installed";
    const std::string base = ::testing::TempDir() + "pdf_page_model_groff";
    const std::string command = "printf 'Recovered report heading\\n.sp 2\\n.ft B\\nBold words\\n.br\\n.ft I\\n"
                                "Italic words\\n.br\\n.ft CR\\nfixed width\\n' | groff -Tps > " + base +
                                ".ps && ps2pdf " + base + ".ps " + base + ".pdf";
    ASSERT_EQ(std::system(command.c_str()), 0);
    PageModel model;
    ASSERT_EQ(BuildPageModel(test::readFile(base + ".pdf"), 1, model), Status::Ok);
    std::remove((base + ".ps").c_str());
    std::remove((base + ".pdf").c_str());
    const TextRun* heading = findRun(model, L"Recovered");
    const TextRun* bold = findRun(model, L"Bold words");
    const TextRun* italic = findRun(model, L"Italic words");
    const TextRun* fixed = findRun(model, L"fixed width");
    ASSERT_TRUE(heading && bold && italic && fixed);
    EXPECT_LT(heading->y, 100);
    EXPECT_NEAR(heading->size, 10, 0.01);
    EXPECT_EQ(heading->family, FontFamily::Serif);
    EXPECT_TRUE(bold->bold);
    EXPECT_TRUE(italic->italic);
    EXPECT_FALSE(italic->bold);
    EXPECT_EQ(fixed->family, FontFamily::Mono);
    EXPECT_LT(heading->y, bold->y);
    EXPECT_LT(bold->y, italic->y);
}

// A page written by cairo: Cyrillic text in a Type0 Identity-H font read through its
// ToUnicode map, Latin text in a simple TrueType font beside it.
TEST(PdfPageModel, CairoPageReadsTwoByteFontsThroughTheirUnicodeMap) {
    if (std::system("command -v rsvg-convert >/dev/null") != 0) GTEST_SKIP() << "rsvg-convert not installed";
    const std::string base = ::testing::TempDir() + "pdf_page_model_cairo";
    {
        std::ofstream svg(base + ".svg");
        svg << "<svg xmlns='http://www.w3.org/2000/svg' width='400' height='300'>"
               "<text x='20' y='40' font-family='DejaVu Sans' font-size='20'>\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 Cairo</text>"
               "<text x='20' y='120' font-family='DejaVu Serif' font-size='14'>Second line</text></svg>";
    }
    ASSERT_EQ(std::system(("rsvg-convert -f pdf -o " + base + ".pdf " + base + ".svg").c_str()), 0);
    PageModel model;
    ASSERT_EQ(BuildPageModel(test::readFile(base + ".pdf"), 1, model), Status::Ok);
    std::remove((base + ".svg").c_str());
    std::remove((base + ".pdf").c_str());
    EXPECT_EQ(model.width, 300);  // 400 px at 96 per inch
    const TextRun* cyrillic = findRun(model, L"\u041f\u0440\u0438\u0432\u0435\u0442");
    const TextRun* second = findRun(model, L"Second line");
    ASSERT_TRUE(cyrillic && second);
    EXPECT_NEAR(cyrillic->x, 15, 0.1);
    EXPECT_NEAR(cyrillic->y, 30, 0.1);
    EXPECT_NEAR(second->y, 90, 0.1);
    EXPECT_EQ(second->family, FontFamily::Serif);
}

TEST(PdfPageModel, StaleOrMissingCrossReferenceIsRebuiltByScanning) {
    const std::vector<uint8_t> original = sample("testPDF.pdf");
    std::vector<uint8_t> shifted = original;  // every table offset now points 9 bytes early
    const std::string padding = "%padding\n";
    shifted.insert(shifted.begin() + 9, padding.begin(), padding.end());
    std::vector<uint8_t> pastEnd = original;  // startxref beyond the end of the file
    const std::string tail = "startxref\n99999999\n%%EOF\n";
    pastEnd.insert(pastEnd.end(), tail.begin(), tail.end());
    for (const auto* bytes : {&shifted, &pastEnd}) {
        PageModel model;
        ASSERT_EQ(BuildPageModel(*bytes, 1, model), Status::Ok);
        EXPECT_NE(findRun(model, L"Tika - Content Analysis Toolkit"), nullptr);
    }
}

TEST(PdfPageModel, RotatedPageSwapsSidesAndTurnsText) {
    const std::vector<uint8_t> upright =
        test::makeTextPdf("BT /F1 20 Tf 100 700 Td (Turned) Tj ET");
    std::string text(upright.begin(), upright.end());
    text.replace(text.find("/Type /Page "), 12, "/Type /Page /Rotate 90 ");
    PageModel model;
    ASSERT_EQ(BuildPageModel(std::vector<uint8_t>(text.begin(), text.end()), 1, model), Status::Ok);
    EXPECT_EQ(model.width, 800);
    EXPECT_EQ(model.height, 600);
    const TextRun* run = findRun(model, L"Turned");
    ASSERT_NE(run, nullptr);
    EXPECT_NEAR(run->angle, -90, 0.01);  // reads downwards on the turned page
    EXPECT_NEAR(run->x, 700, 0.01);      // the old bottom edge is now the left one
    EXPECT_NEAR(run->y, 100, 0.01);
}

TEST(PdfPageModel, TextStateOperatorsMoveThePen) {
    // TL and T*, the ' operator, TJ kerning, Tz scaling, q/Q with cm. Helvetica here has no
    // /Widths: its glyphs advance by the reader's sans default of 0.54 em.
    const std::string content =
        "BT /F1 10 Tf 14 TL 50 750 Td (First) Tj T* (Second) Tj (Third) ' ET "
        "q 2 0 0 2 0 0 cm BT /F1 10 Tf 10 300 Td [(Wide) -1000 (Gap)] TJ ET Q "
        "BT /F1 10 Tf 50 100 Td 50 Tz [(Half) -2000 (Next)] TJ (After) Tj ET";
    PageModel model;
    ASSERT_EQ(BuildPageModel(test::makeTextPdf(content), 1, model), Status::Ok);
    const TextRun *first = findRun(model, L"First"), *second = findRun(model, L"Second"),
                  *third = findRun(model, L"Third"), *wide = findRun(model, L"Wide"), *gap = findRun(model, L"Gap"),
                  *half = findRun(model, L"Half"), *next = findRun(model, L"Next");
    ASSERT_TRUE(first && second && third && wide && gap && half && next);
    EXPECT_NEAR(first->y, 50, 0.01);
    EXPECT_NEAR(second->y, 64, 0.01);
    EXPECT_NEAR(third->y, 78, 0.01);
    EXPECT_NEAR(second->x, 50, 0.01);
    EXPECT_NEAR(wide->size, 20, 0.01);
    EXPECT_NEAR(wide->y, 800 - 600, 0.01);
    EXPECT_NEAR(gap->x - wide->x, 2 * (4 * 5.4 + 10), 0.01);  // "Wide" and one em of kerning, at 2x
    EXPECT_NEAR(next->x - half->x, 0.5 * (4 * 5.4 + 20), 0.01);
    EXPECT_EQ(next->text, L"NextAfter");  // a string that starts where the last ended extends it
    EXPECT_NEAR(wide->width, 2 * 4 * 5.4, 0.01);  // the run ends where the word gap begins
    EXPECT_NEAR(next->width, 0.5 * 9 * 5.4, 0.01);
}

}  // namespace
}  // namespace qm::pdf

// Hostile and broken documents: the reader refuses them or reads what is there, always bounded.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/pdf_test_files.h"

namespace qm::pdf {
namespace {

using test::makePdf;
using test::makeTextPdf;
using test::sample;

TEST(PdfHostile, EncryptedDocumentIsRefused) {
    PageModel model;
    EXPECT_EQ(BuildPageModel(sample("encrypted_groff.pdf"), 1, model), Status::Encrypted);
    EXPECT_TRUE(model.runs.empty());
}

TEST(PdfHostile, TruncatedBeforeThePageFindsNoPageAndHeadlessIsNoPdf) {
    std::vector<uint8_t> bytes = sample("testPDF.pdf");
    const std::string text(bytes.begin(), bytes.end());
    bytes.resize(text.find("\n1 0 obj"));
    PageModel model;
    EXPECT_EQ(BuildPageModel(bytes, 1, model), Status::NoPage);
    EXPECT_EQ(BuildPageModel(std::vector<uint8_t>(bytes.begin() + 20, bytes.end()), 1, model), Status::NotPdf);
}

TEST(PdfHostile, PageTreeThatContainsItselfEnds) {
    PageModel model;
    EXPECT_EQ(BuildPageModel(makePdf({"<< /Type /Catalog /Pages 2 0 R >>",
                                      "<< /Type /Pages /Kids [2 0 R 3 0 R] /Parent 3 0 R >>",
                                      "<< /Type /Pages /Kids [2 0 R 3 0 R] /Parent 2 0 R >>"}),
                             1, model),
              Status::NoPage);
}

TEST(PdfHostile, PageWithoutContentIsDamaged) {
    PageModel model;
    EXPECT_EQ(BuildPageModel(makePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] >>",
                                      "<< /Type /Page /Parent 2 0 R >>"}),
                             1, model),
              Status::NoContent);
}

TEST(PdfHostile, HugeStreamLengthFallsBackToEndstream) {
    PageModel model;
    std::vector<uint8_t> bytes = makeTextPdf("BT /F1 12 Tf 10 10 Td (Survivor) Tj ET");
    std::string text(bytes.begin(), bytes.end());
    const size_t at = text.find("/Length ") + 8;
    text.replace(at, text.find(' ', at) - at, "4294967296000");
    ASSERT_EQ(BuildPageModel(std::vector<uint8_t>(text.begin(), text.end()), 1, model), Status::Ok);
    EXPECT_NE(test::findRun(model, L"Survivor"), nullptr);
}

TEST(PdfHostile, DeepNestingIsCutOffWithoutHarm) {
    const std::string deep = std::string(100000, '[') + " BT /F1 12 Tf 10 10 Td (Unreached) Tj ET";
    const std::string deepText = "BT /F1 12 Tf 10 10 Td (Reached) Tj ET " + deep;
    PageModel model;
    ASSERT_EQ(BuildPageModel(makeTextPdf(deepText), 1, model), Status::Ok);
    EXPECT_NE(test::findRun(model, L"Reached"), nullptr);
    EXPECT_EQ(test::findRun(model, L"Unreached"), nullptr);
    // The same nesting inside the catalog: no page, and no stack overflow.
    EXPECT_EQ(BuildPageModel(makePdf({"<< /Type /Catalog /Junk " + deep + " >>"}), 1, model), Status::NoPage);
}

}  // namespace
}  // namespace qm::pdf

// Our own text of office documents: real sample files, files made by real tools at test time,
// and damaged or hostile ones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "disk/byte_view.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "preview/document_text.h"
#include "tests/support/test_support.h"

namespace qm::preview {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::wstring samplePath(const std::string& relative) {
    return test::hostPath(std::string(QM_SOURCE_DIR) + "/tests/data/samples/" + relative);
}

std::wstring textOf(const std::wstring& path, std::wstring_view extension, int expected = 0) {
    std::wstring text;
    EXPECT_EQ(expected, ExtractDocumentText(path, extension, text)) << platform::toUtf8(path);
    return text;
}

// Each of `parts` appears in `text`, each after the one before.
void expectInOrder(const std::wstring& text, std::initializer_list<std::wstring_view> parts) {
    size_t at = 0;
    for (std::wstring_view part : parts) {
        const size_t found = text.find(part, at);
        ASSERT_NE(std::wstring::npos, found) << "missing or out of order: " << platform::toUtf8(std::wstring(part))
                                             << "\n" << platform::toUtf8(text);
        at = found + part.size();
    }
}

Bytes ascii(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(DocumentText, OfficeXmlSamples) {
    expectInOrder(textOf(samplePath("docx/testWORD.docx"), L"docx"),
                  {L"Sample Word Document Title\r\n", L"Heading Level 1\r\n", L"text that is BOLD and ITALIC",
                   L"Nested table", L"That\u2019s it!"});
    // A text box once (not again from its fallback markup); table cells separated by tabs.
    const std::wstring various = textOf(samplePath("docx/testWORD_various.docx"), L"docx");
    EXPECT_EQ(various.find(L"Here is a text box"), various.rfind(L"Here is a text box"));
    expectInOrder(various, {L"Here is a text box", L"Row 1 Col 1\tRow 1 Col 2\tRow 1 Col 3\r\nRow 2 Col 1",
                            L"\u30be\u30eb\u30b2\u3068\u5c3e\u5d0e"});
    // Cells of a row separated by tabs; shared strings resolved, numbers as stored.
    expectInOrder(textOf(samplePath("xlsx/testEXCEL.xlsx"), L"xlsx"),
                  {L"Sample Excel Worksheet - Numbers and their Squares\r\n", L"\tNumber\tSquare\r\n", L"\t1\t1\r\n",
                   L"\t2\t4\r\n"});
    // Slides in presentation order, a blank line between them.
    expectInOrder(textOf(samplePath("pptx/testPPT.pptx"), L"pptx"), {L"Attachment Test", L"\r\n\r\n", L"Rajiv"});
}

TEST(DocumentText, LegacySamples) {
    expectInOrder(textOf(samplePath("doc/testWORD.doc"), L"doc"),
                  {L"Sample Word Document Title\r\n", L"Heading Level 1\r\n", L"text that is BOLD and ITALIC",
                   L"That\u2019s it!"});
    expectInOrder(textOf(samplePath("xls/testEXCEL.xls"), L"xls"),
                  {L"Sample Excel Worksheet - Numbers and their Squares", L"Number\tSquare\r\n", L"1\t1\r\n",
                   L"2\t4\r\n"});
    // Saved twice in place: only the current copy of the slide's text.
    const std::wstring slides = textOf(samplePath("ppt/testPPT.ppt"), L"ppt");
    expectInOrder(slides, {L"Sample Powerpoint Slide\r\nCreated with Microsoft \r\nPowerpoint X for Mac"});
    EXPECT_EQ(slides.find(L"Sample Powerpoint"), slides.rfind(L"Sample Powerpoint"));
    EXPECT_EQ(std::wstring::npos, slides.find(L"Click to edit Master"));
}

// Runs the zip tool in `folder`; false where it cannot run (Wine has no POSIX shell).
bool zipFolder(const std::wstring& folder, const std::string& archive) {
#ifdef _WIN32
    (void)folder, (void)archive;
    return false;
#else
    if (std::system("command -v zip >/dev/null 2>&1") != 0) return false;
    const std::string command = "cd '" + platform::toUtf8(folder) + "' && zip -q -r '" + archive + "' .";
    return std::system(command.c_str()) == 0;
#endif
}

// An OpenDocument file: mimetype and content.xml packed by the zip tool.
std::wstring makeOdf(const test::TempDir& dir, const std::string& name, std::string_view body) {
    const std::wstring folder = dir.file(platform::fromUtf8(name + ".d"));
    platform::createFolderTree(folder);
    test::writeWholeFile(platform::joinPath(folder, L"mimetype"), ascii("application/vnd.oasis.opendocument"));
    const std::string content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\"><office:body>" +
        std::string(body) + "</office:body></office:document-content>";
    test::writeWholeFile(platform::joinPath(folder, L"content.xml"), ascii(content));
    const std::wstring archive = dir.file(platform::fromUtf8(name));
    return zipFolder(folder, platform::toUtf8(archive)) ? archive : std::wstring();
}

TEST(DocumentText, OpenDocumentMadeByTheZipTool) {
    test::TempDir dir;
    const std::wstring odt = makeOdf(dir, "letter.odt",
                                     "<office:text><text:h>Dear &amp; <text:span>dearest</text:span></text:h>"
                                     "<text:p>one<text:s text:c=\"3\"/>two<text:tab/>three<text:line-break/>four\n  five</text:p>"
                                     "</office:text>");
    if (odt.empty()) GTEST_SKIP() << "the zip tool cannot run here";
    EXPECT_EQ(L"Dear & dearest\r\none   two\tthree\r\nfour five", textOf(odt, L"odt"));

    // Repeated cells are written out, empty ones at a row's end left off.
    const std::wstring ods = makeOdf(dir, "sheet.ods",
                                     "<office:spreadsheet><table:table><table:table-row>"
                                     "<table:table-cell><text:p>a</text:p></table:table-cell>"
                                     "<table:table-cell table:number-columns-repeated=\"2\"><text:p>b</text:p></table:table-cell>"
                                     "<table:table-cell table:number-columns-repeated=\"2\"/>"
                                     "<table:table-cell><text:p>c</text:p></table:table-cell>"
                                     "<table:table-cell table:number-columns-repeated=\"16384\"/>"
                                     "</table:table-row></table:table></office:spreadsheet>");
    EXPECT_EQ(L"a\tb\tb\t\t\tc", textOf(ods, L"ods"));

    const std::wstring odp = makeOdf(dir, "show.odp",
                                     "<office:presentation><draw:page><draw:frame><draw:text-box><text:p>first</text:p>"
                                     "</draw:text-box></draw:frame></draw:page><draw:page><draw:frame><draw:text-box>"
                                     "<text:p>second</text:p></draw:text-box></draw:frame></draw:page></office:presentation>");
    EXPECT_EQ(L"first\r\n\r\nsecond", textOf(odp, L"odp"));
}

TEST(DocumentText, RichTextWithoutControlsAndHiddenGroups) {
    test::TempDir dir;
    const std::wstring rtf = dir.file(L"a.rtf");
    test::writeWholeFile(rtf, ascii("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Times;}}{\\colortbl;\\red0;}"
                                    "{\\*\\generator Hidden 1.0;}{\\info{\\title Secret}}"
                                    "\\pard Caf\\'e9 {\\b bold}\\tab x\\par\r\n"
                                    "\\uc1\\u8364?5 \\u-4064?\\line {\\pict 0102}end\\{\\}\\par}"));
    EXPECT_EQ(L"Caf\u00e9 bold\tx\r\n\u20ac5 \uf020\r\nend{}", textOf(rtf, L"rtf"));
}

TEST(DocumentText, PlainTextByItsEncoding) {
    test::TempDir dir;
    const std::wstring utf16 = dir.file(L"a.csv");
    test::writeWholeFile(utf16, {0xFF, 0xFE, 'a', 0, ',', 0, 0xAC, 0x20, '\n', 0, 'b', 0});
    EXPECT_EQ(L"a,\u20ac\r\nb", textOf(utf16, L"csv"));
    const std::wstring latin = dir.file(L"b.vcf");
    test::writeWholeFile(latin, {'N', ':', 'J', 0xF6, 'r', 'g', '\r', '\n', 'E', 'N', 'D'});
    EXPECT_EQ(L"N:J\u00f6rg\r\nEND", textOf(latin, L"vcf"));
    const std::wstring utf8 = dir.file(L"c.ics");
    test::writeWholeFile(utf8, {0xEF, 0xBB, 0xBF, 'J', 0xC3, 0xB6, '\r', 'x'});
    EXPECT_EQ(L"J\u00f6\r\nx", textOf(utf8, L"ics"));
}

TEST(DocumentText, LongTextIsCutAtTheLimit) {
    test::TempDir dir;
    const std::wstring csv = dir.file(L"long.csv");
    std::string lines;
    while (lines.size() < 3 * kDocumentTextLimit) lines += "0123456789,abcdefghi\n";
    test::writeWholeFile(csv, ascii(lines));
    const std::wstring text = textOf(csv, L"csv");
    ASSERT_LE(text.size(), kDocumentTextLimit);
    EXPECT_GT(text.size(), kDocumentTextLimit - 30);
    EXPECT_EQ(0u, text.find(L"0123456789,abcdefghi\r\n0123456789"));
    EXPECT_NE(L'\r', text.back());
}

TEST(DocumentText, DamagedAndHostileFilesGiveErrors) {
    test::TempDir dir;
    std::wstring text = L"stale";
    EXPECT_EQ(50, ExtractDocumentText(samplePath("docx/testWORD.docx"), L"pdf", text));
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(2, ExtractDocumentText(dir.file(L"missing.docx"), L"docx", text));

    // Not what the extension says.
    textOf(samplePath("doc/testWORD.doc"), L"docx", 13);
    textOf(samplePath("docx/testWORD.docx"), L"xls", 13);
    textOf(samplePath("docx/testWORD.docx"), L"rtf", 13);

    // A part that claims to unpack to 2 GiB: refused by the zip reader's bound.
    Bytes docx = test::readWholeFile(samplePath("docx/testWORD.docx"));
    const std::string part = "word/document.xml";
    for (size_t at = 0; at + 46 + part.size() <= docx.size(); ++at) {
        const ByteView v(docx.data(), docx.size());
        const bool central = v.u32(at) == 0x02014B50 && v.equals(at + 46, part.data(), part.size());
        const bool local = v.u32(at) == 0x04034B50 && v.equals(at + 30, part.data(), part.size());
        if (central) putU32(docx.data() + at + 24, 0x7FFFFFFF);
        if (local) putU32(docx.data() + at + 22, 0x7FFFFFFF);
    }
    test::writeWholeFile(dir.file(L"bomb.docx"), docx);
    textOf(dir.file(L"bomb.docx"), L"docx", 13);

    // A compound file cut short, and one whose directory chain loops back on itself.
    const Bytes doc = test::readWholeFile(samplePath("doc/testWORD.doc"));
    test::writeWholeFile(dir.file(L"cut.doc"), Bytes(doc.begin(), doc.begin() + 6000));
    textOf(dir.file(L"cut.doc"), L"doc", 13);
    Bytes looping = doc;
    const ByteView header(looping.data(), looping.size());
    const std::uint32_t directory = header.u32(0x30), fatSector = header.u32(0x4C);
    putU32(looping.data() + (fatSector + 1) * 512 + 4 * directory, directory);
    test::writeWholeFile(dir.file(L"loop.doc"), looping);
    textOf(dir.file(L"loop.doc"), L"doc", 13);

    // Ten thousand nested groups.
    test::writeWholeFile(dir.file(L"deep.rtf"), ascii("{\\rtf1 " + std::string(10000, '{') + "x" + std::string(10000, '}') + "}"));
    textOf(dir.file(L"deep.rtf"), L"rtf", 13);
}

}  // namespace
}  // namespace qm::preview

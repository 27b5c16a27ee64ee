#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/core/ini_file.h"
#include "platform/errors.h"
#include "platform/folders.h"
#include "tests/support/test_support.h"

namespace qm::app {
namespace {

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }
std::string textOf(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::vector<std::uint8_t> utf16(std::u16string_view text, bool littleEndian) {
    std::vector<std::uint8_t> out = littleEndian ? std::vector<std::uint8_t>{0xFF, 0xFE} : std::vector<std::uint8_t>{0xFE, 0xFF};
    for (char16_t c : text) {
        const auto lo = static_cast<std::uint8_t>(c & 0xFF);
        const auto hi = static_cast<std::uint8_t>(c >> 8);
        out.push_back(littleEndian ? lo : hi);
        out.push_back(littleEndian ? hi : lo);
    }
    return out;
}

IniFile parsed(std::string_view text) {
    IniFile file;
    EXPECT_EQ(0, file.parse(bytesOf(text)));
    return file;
}

TEST(IniFileRead, SplitsLinesTheWayTheProfileFunctionsDo) {
    const IniFile file = parsed(
        "orphan=before any section\r\n"
        "[Messages]\r\n"
        "  MSG0101 =  Deleted files  \r\n"
        "; a comment line\r\n"
        "\r\n"
        "MSG0102=a=b\r\n"
        "LoneKey\r\n"
        "msg0101=second\r\n"
        "Quoted=\"in quotes\"\r\n"
        "=no name\r\n"
        "[Broken\r\n"
        "[ Other ] trailing\r\n"
        "k=v");
    EXPECT_EQ((std::vector<std::wstring>{L"Messages", L"Other"}), file.sectionNames());

    const auto entries = file.sectionEntries(L"messages");
    ASSERT_EQ(6u, entries.size());
    EXPECT_EQ(L"MSG0101", entries[0].key);
    EXPECT_EQ(L"Deleted files", entries[0].value);
    EXPECT_EQ(L"MSG0102", entries[1].key);
    EXPECT_EQ(L"a=b", entries[1].value);  // split at the first '='
    EXPECT_EQ(L"LoneKey", entries[2].key);
    EXPECT_FALSE(entries[2].hasValue);
    EXPECT_EQ(L"\"in quotes\"", entries[4].value);  // listings keep quotes
    EXPECT_EQ(L"[Broken", entries[5].key);          // no ']' -> an ordinary line

    EXPECT_EQ(L"Deleted files", file.value(L" MESSAGES ", L" msg0101 "));  // first key wins, any case
    EXPECT_EQ(L"in quotes", file.value(L"Messages", L"Quoted"));           // lookups drop the quotes
    EXPECT_FALSE(file.value(L"Messages", L"LoneKey").has_value());
    EXPECT_FALSE(file.value(L"Messages", L"orphan").has_value());
    EXPECT_FALSE(file.value(L"Missing", L"k").has_value());
    EXPECT_EQ(L"v", file.value(L"Other", L"k"));  // last line without a break
    EXPECT_EQ(L"fallback", file.getString(L"Other", L"absent", L"fallback"));
}

TEST(IniFileRead, FirstOfTwoSectionsWithOneNameAnswersLookups) {
    const IniFile file = parsed("[A]\nx=1\n[B]\n[a]\nx=2\ny=3\n");
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"B", L"a"}), file.sectionNames());
    EXPECT_EQ(L"1", file.value(L"a", L"x"));
    EXPECT_FALSE(file.value(L"A", L"y").has_value());
    EXPECT_TRUE(file.hasSection(L"b"));
    EXPECT_TRUE(file.sectionEntries(L"B").empty());
}

TEST(IniFileRead, DecodesEveryStoredEncodingAndLineBreak) {
    const std::u16string text = u"[Sprache]\r\nTitel=Gr\u00FC\u00DFe \u2014 \U0001F600\r\n";
    for (bool le : {true, false}) {
        IniFile file;
        ASSERT_EQ(0, file.parse(utf16(text, le)));
        EXPECT_EQ(le ? IniFile::Encoding::Utf16Le : IniFile::Encoding::Utf16Be, file.encoding());
        EXPECT_EQ(L"Gr\u00FC\u00DFe \u2014 \U0001F600", file.value(L"sprache", L"titel"));
    }
    const IniFile bom = parsed("\xEF\xBB\xBF[S]\nk=\xC3\xA4\n");
    EXPECT_EQ(IniFile::Encoding::Utf8Bom, bom.encoding());
    EXPECT_EQ(L"\u00E4", bom.value(L"S", L"k"));
    // Only '\r' as line break, and a '\r' inside a '\n'-terminated line.
    EXPECT_EQ(L"2", parsed("[S]\rk=1\rj=2\r").value(L"S", L"j"));
    EXPECT_EQ(L"1\rx", parsed("[S]\nk=1\rx\n").value(L"S", L"k"));
    // Bytes that are not UTF-8 become replacement characters, not a failure.
    EXPECT_EQ(L"a\uFFFDb", parsed("[S]\nk=a\xFF" "b\n").value(L"S", L"k"));
}

TEST(IniFileRead, RefusesFilesOverTheBound) {
    std::vector<std::uint8_t> big(kMaxIniFileBytes + 1, 'x');
    IniFile file;
    EXPECT_EQ(kErrorFileTooLarge, file.parse(big));
    EXPECT_TRUE(file.sectionNames().empty());

    test::TempDir dir;
    const std::wstring path = dir.file(L"big.ini");
    test::writeWholeFile(path, big);
    EXPECT_EQ(kErrorFileTooLarge, file.load(path));
    EXPECT_EQ(L"dflt", ReadIniString(path, L"S", L"k", L"dflt"));
    EXPECT_EQ(kErrorFileTooLarge, WriteIniString(path, L"S", L"k", L"v"));
    EXPECT_EQ(kErrorFileNotFound, file.load(dir.file(L"missing.ini")));
    EXPECT_EQ(L"dflt", ReadIniString(dir.file(L"missing.ini"), L"S", L"k", L"dflt"));
}

TEST(IniFileWrite, ReplacesAValueInPlaceAndKeepsEveryOtherByte) {
    test::TempDir dir;
    const std::wstring path = dir.file(L"config.ini");
    const std::string before =
        "; chosen language\r\n"
        "[DefaultLanguage]\r\n"
        "Default = English   \r\n"
        "Default=Shadowed\r\n"
        "\r\n"
        "[Languages]\r\n"
        "English=English\r\n"
        "Odd=\xFF\xFE bytes kept\r\n";
    test::writeWholeFile(path, bytesOf(before));
    ASSERT_EQ(0, WriteIniString(path, L"defaultlanguage", L"DEFAULT", L"Deutsch"));
    std::string expected = before;
    expected.replace(expected.find("English   "), 10, "Deutsch");
    EXPECT_EQ(expected, textOf(test::readWholeFile(path)));
    EXPECT_EQ(L"Deutsch", ReadIniString(path, L"DefaultLanguage", L"Default", L""));
    EXPECT_FALSE(platform::pathExists(path + L".new"));

    // The same value again changes nothing.
    ASSERT_EQ(0, WriteIniString(path, L"DefaultLanguage", L"Default", L"Deutsch"));
    EXPECT_EQ(expected, textOf(test::readWholeFile(path)));
}

TEST(IniFileWrite, AddsKeysAndSectionsWhereTheSystemPutsThem) {
    IniFile file = parsed("[A]\nx=1\n; about B\n\n[B]\ny=2\n");
    ASSERT_EQ(0, file.setString(L"A", L"z", L"3"));
    EXPECT_EQ("[A]\nx=1\nz=3\n; about B\n\n[B]\ny=2\n", textOf(file.bytes()));
    ASSERT_EQ(0, file.setString(L"C", L"k", L"v"));
    EXPECT_EQ("[A]\nx=1\nz=3\n; about B\n\n[B]\ny=2\n[C]\nk=v\n", textOf(file.bytes()));

    IniFile empty = parsed("[E]\n[F]");
    ASSERT_EQ(0, empty.setString(L"F", L"k", L"v"));  // after a header that ends the file
    ASSERT_EQ(0, empty.setString(L"E", L"k", L"w"));  // right after the header
    EXPECT_EQ("[E]\nk=w\n[F]\nk=v\n", textOf(empty.bytes()));

    IniFile lone = parsed("[S]\r\nDefault\r\nk=1");
    ASSERT_EQ(0, lone.setString(L"S", L"Default", L"German"));
    ASSERT_EQ(0, lone.setString(L"S", L"k", L"2"));
    ASSERT_EQ(0, lone.setString(L"T", L"a", L"b"));
    EXPECT_EQ("[S]\r\nDefault=German\r\nk=2\r\n[T]\r\na=b\r\n", textOf(lone.bytes()));
}

TEST(IniFileWrite, CreatesAMissingFileAndKeepsUtf16Files) {
    test::TempDir dir;
    const std::wstring path = dir.file(L"new.ini");
    ASSERT_EQ(0, WriteIniString(path, L"DefaultLanguage", L"Default", L"Fran\u00E7ais"));
    EXPECT_EQ("[DefaultLanguage]\r\nDefault=Fran\xC3\xA7" "ais\r\n", textOf(test::readWholeFile(path)));

    const std::wstring wide = dir.file(L"wide.ini");
    test::writeWholeFile(wide, utf16(u"[S]\r\nk=\u00E4\r\n", true));
    ASSERT_EQ(0, WriteIniString(wide, L"S", L"k", L"\u00F6"));
    ASSERT_EQ(0, WriteIniString(wide, L"S", L"n", L"1"));
    EXPECT_EQ(utf16(u"[S]\r\nk=\u00F6\r\nn=1\r\n", true), test::readWholeFile(wide));

    // A stray odd byte at the end of a UTF-16 file does not shift what is added.
    std::vector<std::uint8_t> odd = utf16(u"[S]\r\nk=1", true);
    odd.push_back(0x41);
    IniFile oddFile;
    ASSERT_EQ(0, oddFile.parse(odd));
    ASSERT_EQ(0, oddFile.setString(L"T", L"a", L"b"));
    std::vector<std::uint8_t> expected = utf16(u"[S]\r\nk=1\r\n[T]\r\na=b\r\n", true);
    expected.push_back(0x41);
    EXPECT_EQ(expected, oddFile.bytes());
    EXPECT_EQ(L"b", oddFile.value(L"T", L"a"));

    EXPECT_NE(0, WriteIniString(dir.file(L"no-such-folder/x.ini"), L"S", L"k", L"v"));
}

TEST(IniFileWrite, RefusesNamesAndValuesThatWouldChangeTheLineStructure) {
    test::TempDir dir;
    const std::wstring path = dir.file(L"c.ini");
    const auto original = bytesOf("[S]\nk=1\n");
    test::writeWholeFile(path, original);
    EXPECT_EQ(kErrorInvalidParameter, WriteIniString(path, L"S", L"k", L"1\r\n[Injected]"));
    EXPECT_EQ(kErrorInvalidParameter, WriteIniString(path, L"S", L"a=b", L"v"));
    EXPECT_EQ(kErrorInvalidParameter, WriteIniString(path, L"S", L";k", L"v"));
    EXPECT_EQ(kErrorInvalidParameter, WriteIniString(path, L"S", L"[k", L"v"));
    EXPECT_EQ(kErrorInvalidParameter, WriteIniString(path, L"S\nT", L"k", L"v"));
    EXPECT_EQ(kErrorInvalidParameter, WriteIniString(path, L"  ", L"k", L"v"));
    EXPECT_EQ(kErrorInvalidParameter, WriteIniString(path, L"S", L"", L"v"));
    EXPECT_EQ(original, test::readWholeFile(path));
}

}  // namespace
}  // namespace qm::app

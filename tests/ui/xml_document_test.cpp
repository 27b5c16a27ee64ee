#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/core/xml_document.h"

namespace qm::ui {
namespace {

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

XmlParseResult parse(std::string_view text) { return ParseXml(bytesOf(text)); }

// UTF-16LE with a BOM, from ASCII-only or \u-escaped text.
std::vector<std::uint8_t> utf16le(std::u16string_view text) {
    std::vector<std::uint8_t> out{0xFF, 0xFE};
    for (char16_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

TEST(ParseXml, ReadsASkinWithNestingOrderAndAttributes) {
    const auto r = parse(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!-- the message box -->\n"
        "<Window size=\"400,160\" caption='0,0,0,36'>\n"
        "  <Font id=\"0\" name=\"Segoe UI\"/>\n"
        "  <VerticalLayout bkcolor=\"#FFFFFFFF\">\n"
        "    <Label name=\"title\" text=\"Title\"/><!-- between -->\n"
        "    <?builder ignore?>\n"
        "    <Button name=\"closebtn\" normalimage=\"file='close.png' source='0,0,36,36'\"></Button>\n"
        "  </VerticalLayout>\n"
        "</Window>\n"
        "<!-- trailing comment -->\n");
    ASSERT_TRUE(r.ok) << std::string(r.error.begin(), r.error.end());
    EXPECT_EQ(L"Window", r.root.name);
    ASSERT_EQ(2u, r.root.attributes.size());
    EXPECT_EQ(L"size", r.root.attributes[0].name);
    EXPECT_EQ(L"caption", r.root.attributes[1].name);
    EXPECT_EQ(L"0,0,0,36", *r.root.attribute(L"caption"));
    EXPECT_EQ(nullptr, r.root.attribute(L"Caption"));  // names are exact
    EXPECT_EQ(3, r.root.line);
    ASSERT_EQ(2u, r.root.children.size());
    EXPECT_EQ(L"Font", r.root.children[0].name);
    const XmlElement& layout = r.root.children[1];
    ASSERT_EQ(2u, layout.children.size());
    EXPECT_EQ(L"Label", layout.children[0].name);
    EXPECT_EQ(L"Button", layout.children[1].name);
    EXPECT_EQ(8, layout.children[1].line);
    EXPECT_EQ(L"file='close.png' source='0,0,36,36'", *layout.children[1].attribute(L"normalimage"));
}

TEST(ParseXml, DecodesReferencesCdataAndAttributeWhiteSpace) {
    const auto r = parse(
        "<a t=\"&lt;&gt;&amp;&quot;&apos;\" n=\"&#65;&#x42;&#x4e2D;\" w=\"x\ty\nz\" k=\"1&#10;2\" q='say \"hi\"'>"
        "one &amp; <![CDATA[<two> & ]]>three</a>");
    ASSERT_TRUE(r.ok) << std::string(r.error.begin(), r.error.end());
    EXPECT_EQ(L"<>&\"'", *r.root.attribute(L"t"));
    EXPECT_EQ(L"AB\x4E2D", *r.root.attribute(L"n"));
    EXPECT_EQ(L"x y z", *r.root.attribute(L"w"));  // literal white space reads as spaces
    EXPECT_EQ(L"1\n2", *r.root.attribute(L"k"));   // a character reference keeps its line break
    EXPECT_EQ(L"say \"hi\"", *r.root.attribute(L"q"));
    EXPECT_EQ(L"one & <two> & three", r.root.text);
}

TEST(ParseXml, AstralCharactersSurviveOnBothWideStringWidths) {
    const auto r = parse("<a v=\"&#x1F600;\xF0\x9F\x98\x80\"/>");
    ASSERT_TRUE(r.ok);
    const std::wstring expected = sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDE00\xD83D\xDE00")
                                                       : std::wstring(2, static_cast<wchar_t>(0x1F600));
    EXPECT_EQ(expected, *r.root.attribute(L"v"));
}

TEST(ParseXml, AcceptsUtf8BomAndUtf16LittleEndian) {
    auto withBom = bytesOf("\xEF\xBB\xBF<Window text=\"caf\xC3\xA9\"/>");
    auto r = ParseXml(withBom);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(L"caf\xE9", *r.root.attribute(L"text"));

    r = ParseXml(utf16le(u"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n<W t=\"\u00E9\u4E2D\"><C/></W>"));
    ASSERT_TRUE(r.ok) << std::string(r.error.begin(), r.error.end());
    EXPECT_EQ(L"\xE9\x4E2D", *r.root.attribute(L"t"));
    ASSERT_EQ(1u, r.root.children.size());

    // Line numbers count CR LF once.
    r = ParseXml(utf16le(u"<W>\r\n<C>\r\n</W>"));
    ASSERT_FALSE(r.ok);
    EXPECT_EQ(3, r.line);
}

struct Malformed {
    const char* what;
    std::string text;
    int line;
};

TEST(ParseXml, RefusesMalformedDocumentsNamingTheLine) {
    const std::vector<Malformed> cases = {
        {"empty", "", 1},
        {"only a comment", "<!-- c -->", 1},
        {"text before root", "hello <a/>", 1},
        {"unclosed element", "<a>\n<b>\n", 2},
        {"mismatched close", "<a>\n<b></a>", 2},
        {"close without open", "<a/></a>", 1},
        {"second root", "<a/>\n<b/>", 2},
        {"text after root", "<a/>\nx", 2},
        {"unquoted value", "<a x=1/>", 1},
        {"attribute without value", "<a\n x/>", 2},
        {"attributes run together", "<a x=\"1\"y=\"2\"/>", 1},
        {"repeated attribute", "<a x=\"1\" x=\"2\"/>", 1},
        {"unterminated value", "<a>\n<b x=\"1/>\n", 2},
        {"lt in unterminated value", "<a>\n<b x=\"1/>\n</a>", 3},
        {"lt in value", "<a x=\"<\"/>", 1},
        {"truncated start tag", "<a", 1},
        {"truncated end tag", "<a></a", 1},
        {"bad name", "<1a/>", 1},
        {"unterminated comment", "<a>\n<!-- x", 2},
        {"unterminated cdata", "<a><![CDATA[x", 1},
        {"unterminated pi", "<?xml version", 1},
        {"unknown entity", "<a>\n&nbsp;</a>", 2},
        {"bare ampersand", "<a t=\"a & b\"/>", 1},
        {"null reference", "<a>&#0;</a>", 1},
        {"surrogate reference", "<a>&#xD800;</a>", 1},
        {"reference beyond unicode", "<a>&#x110000;</a>", 1},
        {"huge reference", "<a>&#99999999999;</a>", 1},
        {"empty reference", "<a>&#x;</a>", 1},
        {"internal subset", "<!DOCTYPE a [<!ENTITY e \"x\">]><a/>", 1},
        {"declaration in content", "<a><!ELEMENT a></a>", 1},
        {"invalid utf-8", "<a>\n\xC3\x28</a>", 2},
        {"overlong utf-8", "<a>\xC0\xAF</a>", 1},
        {"truncated utf-8", "<a/>\xE4\xB8", 1},
        {"nul byte", std::string("<a>\0</a>", 8), 1},
        {"control character", "<a>\x01</a>", 1},
    };
    for (const auto& c : cases) {
        const auto r = parse(c.text);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(c.line, r.line) << c.what << ": " << std::string(r.error.begin(), r.error.end());
        EXPECT_EQ(0u, r.error.find(L"line " + std::to_wstring(c.line) + L": ")) << c.what;
        EXPECT_TRUE(r.root.name.empty()) << c.what;
    }
}

TEST(ParseXml, RefusesBrokenUtf16) {
    EXPECT_FALSE(ParseXml(std::vector<std::uint8_t>{0xFF, 0xFE, '<', 0, 'a', 0, '/', 0, '>'}).ok);  // odd length
    EXPECT_FALSE(ParseXml(utf16le(u"<a t=\"\xD800\"/>")).ok);                                      // lone high
    EXPECT_FALSE(ParseXml(utf16le(u"<a t=\"\xDC00x\"/>")).ok);                                     // lone low
    EXPECT_FALSE(ParseXml(std::vector<std::uint8_t>{0xFE, 0xFF, 0, '<', 0, 'a', 0, '/', 0, '>'}).ok);  // big-endian
}

TEST(ParseXml, BoundsNestingDepth) {
    auto nested = [](int depth) {
        std::string s;
        for (int i = 0; i < depth; ++i) s += "<e>";
        for (int i = 0; i < depth; ++i) s += "</e>";
        return s;
    };
    const auto deepest = parse(nested(kXmlMaxDepth));
    ASSERT_TRUE(deepest.ok);
    int depth = 1;
    for (const XmlElement* e = &deepest.root; !e->children.empty(); e = &e->children[0]) ++depth;
    EXPECT_EQ(kXmlMaxDepth, depth);

    const auto tooDeep = parse(nested(kXmlMaxDepth + 1));
    EXPECT_FALSE(tooDeep.ok);
    EXPECT_NE(std::wstring::npos, tooDeep.error.find(L"deeper"));
    // Far deeper than the stack would take if the reader recursed.
    EXPECT_FALSE(parse(std::string(1 << 20, '<')).ok);
    EXPECT_FALSE(parse(nested(100000)).ok);
}

TEST(ParseXml, BoundsInputSize) {
    std::string big = "<a>";
    big.resize(kXmlMaxInputBytes + 1, ' ');
    const auto r = parse(big);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(0, r.line);
    EXPECT_NE(std::wstring::npos, r.error.find(L"16 MiB"));

    // Just under the bound a document still parses.
    std::string fits = "<a>";
    fits.resize(kXmlMaxInputBytes - 4, ' ');
    fits += "</a>";
    EXPECT_TRUE(parse(fits).ok);
}

TEST(ParseXml, BoundsElementAndAttributeCounts) {
    auto siblings = [](size_t count) {
        std::string s = "<r>";
        for (size_t i = 1; i < count; ++i) s += "<e/>";
        return s + "</r>";
    };
    EXPECT_TRUE(parse(siblings(kXmlMaxElements)).ok);
    const auto tooMany = parse(siblings(kXmlMaxElements + 1));
    EXPECT_FALSE(tooMany.ok);
    EXPECT_NE(std::wstring::npos, tooMany.error.find(L"too many elements"));

    // Many attributes on one element: duplicates are still found, and quickly.
    std::string wide = "<a";
    for (int i = 0; i < 50000; ++i) wide += " a" + std::to_string(i) + "=\"\"";
    const auto distinct = parse(wide + "/>");
    ASSERT_TRUE(distinct.ok);
    EXPECT_EQ(50000u, distinct.root.attributes.size());
    EXPECT_EQ(L"a49999", distinct.root.attributes.back().name);
    EXPECT_FALSE(parse(wide + " a123=\"x\"/>").ok);
}

TEST(ParseXml, EveryTruncationOfAGoodDocumentFailsCleanly) {
    const std::string good =
        "<?xml version=\"1.0\"?><W a=\"1&amp;2\"><!--c--><L t='x'/><![CDATA[z]]><M>&#x41;</M></W>";
    ASSERT_TRUE(parse(good).ok);
    for (size_t n = 0; n < good.size(); ++n) {
        const auto r = parse(good.substr(0, n));
        EXPECT_FALSE(r.ok) << n;
        EXPECT_FALSE(r.error.empty()) << n;
    }
}

}  // namespace
}  // namespace qm::ui

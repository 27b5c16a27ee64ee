#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/core/markup.h"

namespace qm::ui {
namespace {

using Kind = MarkupToken::Kind;

// A compact picture of the tokens: "<f:7>" open, "</f>" close, "[x:5]" single, plain text as is.
std::wstring describe(const MarkupParseResult& r) {
    std::wstring out;
    for (const auto& t : r.tokens) {
        switch (t.kind) {
            case Kind::Text:
                out += L"'" + t.text + L"'";
                break;
            case Kind::Open:
                out += std::wstring(L"<") + t.tag + (t.argument.empty() ? L"" : L":" + t.argument) + L">";
                break;
            case Kind::Close:
                out += std::wstring(L"</") + t.tag + L">";
                break;
            case Kind::Single:
                out += std::wstring(L"[") + t.tag + (t.argument.empty() ? L"" : L":" + t.argument) + L"]";
                break;
        }
    }
    return out;
}

std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

TEST(ParseMarkup, TheFormatsTheWindowsUse) {
    struct Case {
        const wchar_t* text;
        const wchar_t* tokens;
        const wchar_t* plain;
    };
    const Case cases[] = {
        {L"{f 7}{c #316D1E}1234{/c}{/f}", L"<f:7><c:#316D1E>'1234'</c></f>", L"1234"},
        {L"{f 5}{x 5}{i physical_drive.png 1 0}{x 2}Disk 1{/5}",
         L"<f:5>[x:5][I:physical_drive.png 1 0][x:2]'Disk 1'</f>", L"Disk 1"},
        {L"<x 6><x 18><a><i expand_flag.png 2 1></a>Name", L"[x:6][x:18]<a>[I:expand_flag.png 2 1]</a>'Name'",
         L"Name"},
        {L"{f 45}{x 2}C:\\{/f}", L"<f:45>[x:2]'C:\\'</f>", L"C:\\"},
        {L"{f 4}{x 2}1:\\ {/f}", L"<f:4>[x:2]'1:\\ '</f>", L"1:\\ "},
        {L"{b}bold{/b} {i}italic{/i} {u}u{/u}{n}{p}{s}sel{/s}{/p}{y 3}", L"<b>'bold'</b>' '<i>'italic'</i>' '<u>'u'</u>[n]<p><s>'sel'</s></p>[y:3]",
         L"bold italic u\nsel"},
        {L"{a https://example.invalid/x}link{/a}", L"<a:https://example.invalid/x>'link'</a>", L"link"},
        {L"{c #FF0089BE}mixed</c> forms", L"<c:#FF0089BE>'mixed'</c>' forms'", L"mixed forms"},
        {L"{x -3}", L"[x:-3]", L""},
        {L"", L"", L""},
        {L"plain } and > text", L"'plain } and > text'", L"plain } and > text"},
    };
    for (const auto& c : cases) {
        const auto r = ParseMarkup(c.text);
        EXPECT_TRUE(r.ok) << narrow(c.text) << ": " << narrow(r.error);
        EXPECT_EQ(std::wstring(c.tokens), describe(r)) << narrow(c.text);
        EXPECT_EQ(std::wstring(c.plain), StripMarkup(c.text)) << narrow(c.text);
    }
}

TEST(ParseMarkup, UnknownAndUnbalancedElementsStayLiteral) {
    struct Case {
        const wchar_t* text;
        const wchar_t* tokens;
    };
    const Case cases[] = {
        {L"{z}x", L"'{z}x'"},
        {L"{bold}x{/bold}", L"'{bold}x{/bold}'"},
        {L"a{/b}c", L"'a{/b}c'"},
        {L"{b}never closed", L"'{b}never closed'"},
        {L"{b}{i}x{/b}{/i}", L"'{b}'<i>'x{/b}'</i>"},  // only the innermost may close
        {L"{f 5}x{/c}{/5}", L"<f:5>'x{/c}'</f>"},
        {L"{f}x{/f}", L"'{f}x{/f}'"},          // font needs a number
        {L"{f a}x{/f}", L"'{f a}x{/f}'"},
        {L"{c red}x{/c}", L"'{c red}x{/c}'"},  // colour needs #AARRGGBB or #RRGGBB
        {L"{x}", L"'{x}'"},
        {L"{x 1.5}", L"'{x 1.5}'"},
        {L"{b 1}x{/b}", L"'{b 1}x{/b}'"},
        {L"{i a.png 1 2 3}", L"'{i a.png 1 2 3}'"},
        {L"{i a.png 1 1}", L"'{i a.png 1 1}'"},  // frame index beyond the frames
        {L"{i a.png one}", L"'{i a.png one}'"},
        {L"{n 2}", L"'{n 2}'"},
        {L"{/b x}", L"'{/b x}'"},
        {L"{}", L"'{}'"},
        {L"{/}", L"'{/}'"},
        {L"size < 4 GB", L"'size < 4 GB'"},
        {L"{GUID-1234}", L"'{GUID-1234}'"},
        {L"{b unclosed {i}x{/i}", L"'{b unclosed '<i>'x'</i>"},
        {L"trailing {", L"'trailing {'"},
        {L"trailing <", L"'trailing <'"},
        {L"{B}x{/B}", L"'{B}x{/B}'"},  // letters are lower case
    };
    for (const auto& c : cases) {
        const auto r = ParseMarkup(c.text);
        EXPECT_FALSE(r.ok) << narrow(c.text);
        EXPECT_FALSE(r.error.empty()) << narrow(c.text);
        EXPECT_EQ(std::wstring(c.tokens), describe(r)) << narrow(c.text);
    }
    EXPECT_EQ(L"{b}never closed", StripMarkup(L"{b}never closed"));
}

TEST(ParseMarkup, EscapesKeepOutsideTextLiteral) {
    EXPECT_EQ(L"'{b}'", describe(ParseMarkup(L"{{b}")));
    EXPECT_EQ(L"'a<b>c'", describe(ParseMarkup(L"a<<b>c")));
    for (const wchar_t* name : {L"{b}x{/b}.txt", L"<x 6>", L"{{", L"a{", L"<", L"{f 5}{/5}", L"{GUID}"}) {
        const std::wstring escaped = EscapeMarkup(name);
        const auto r = ParseMarkup(escaped);
        EXPECT_TRUE(r.ok) << narrow(name);
        EXPECT_EQ(name, StripMarkup(escaped)) << narrow(name);
        ASSERT_EQ(1u, r.tokens.size()) << narrow(name);
        EXPECT_EQ(Kind::Text, r.tokens[0].kind);
    }
    // A tree row with a file name that looks like markup.
    const std::wstring row = L"<x 6><a><i expand_flag.png 2 0></a>" + EscapeMarkup(L"{b}report<1>.doc");
    EXPECT_EQ(L"{b}report<1>.doc", StripMarkup(row));
    EXPECT_TRUE(ParseMarkup(row).ok);
}

TEST(ParseMarkup, ImageArguments) {
    std::wstring file = L"old";
    int frames = -1, index = -1;
    ASSERT_TRUE(ParseMarkupImage(L"expand_flag.png 2 1", file, frames, index));
    EXPECT_EQ(L"expand_flag.png", file);
    EXPECT_EQ(2, frames);
    EXPECT_EQ(1, index);
    ASSERT_TRUE(ParseMarkupImage(L"  drive.png  ", file, frames, index));
    EXPECT_EQ(L"drive.png", file);
    EXPECT_EQ(1, frames);
    EXPECT_EQ(0, index);
    ASSERT_TRUE(ParseMarkupImage(L"strip.png 4", file, frames, index));
    EXPECT_EQ(4, frames);
    EXPECT_EQ(0, index);
    for (const wchar_t* bad : {L"", L"a.png 0", L"a.png 2 2", L"a.png 2 -1", L"a.png x", L"a.png 1 0 0"}) {
        EXPECT_FALSE(ParseMarkupImage(bad, file, frames, index)) << narrow(bad);
        EXPECT_FALSE(ParseMarkup(std::wstring(L"{i ") + bad + L"}").ok) << narrow(bad);
    }
    EXPECT_EQ(L"strip.png", file);  // untouched by the failures
}

TEST(ParseMarkup, HostileTextStaysLinearAndBalanced) {
    // Every Open in the result has its Close, whatever the input.
    const std::wstring pieces[] = {L"{b}", L"{/b}", L"{", L"}", L"<a>", L"</a>", L"<", L"{f 5}", L"{/5}", L"x"};
    std::uint32_t seed = 7;
    for (int round = 0; round < 300; ++round) {
        std::wstring text;
        for (int k = 0; k < 20; ++k) {
            seed = seed * 1103515245u + 12345u;
            text += pieces[(seed >> 16) % 10];
        }
        const auto r = ParseMarkup(text);
        int depth = 0;
        for (const auto& t : r.tokens) {
            if (t.kind == Kind::Open) ++depth;
            if (t.kind == Kind::Close) --depth;
            ASSERT_GE(depth, 0) << narrow(text);
        }
        EXPECT_EQ(0, depth) << narrow(text);
    }
    // Long runs of unclosed brackets finish promptly (a quadratic scan would not).
    const auto r = ParseMarkup(std::wstring(1 << 20, L'{') + L"x");
    EXPECT_TRUE(r.ok);  // they are all "{{" escapes
    EXPECT_EQ(std::wstring(1 << 19, L'{') + L"x", StripMarkup(std::wstring(1 << 20, L'{') + L"x"));
    std::wstring mixed;
    for (int i = 0; i < 200000; ++i) mixed += L"{a<b";
    EXPECT_FALSE(ParseMarkup(mixed).ok);
}

}  // namespace
}  // namespace qm::ui

#include <gtest/gtest.h>

#include "platform/text.h"

namespace qm::platform {
namespace {

TEST(Text, RoundTripsEveryScript) {
    const std::wstring samples[] = {L"", L"plain.txt", L"Fotos Ä ö ß.jpg", L"\u6587\u4ef6.doc",
                                    L"\u0444\u0430\u0439\u043b", L"emoji \U0001F600.png"};
    for (const auto& s : samples) {
        EXPECT_EQ(s, fromUtf8(toUtf8(s)));
        EXPECT_EQ(s, fromUtf16(toUtf16(s)));
    }
    EXPECT_EQ("\xF0\x9F\x98\x80", toUtf8(L"\U0001F600"));
    EXPECT_EQ(std::u16string(u"\xD83D\xDE00"), toUtf16(L"\U0001F600"));
}

TEST(Text, BadInputBecomesReplacementCharacters) {
    EXPECT_EQ(L"a\uFFFDb", fromUtf8("a\xFF" "b"));
    EXPECT_EQ(L"\uFFFD", fromUtf8("\xE6\x96"));            // cut in the middle of a character
    EXPECT_EQ(L"\uFFFD\uFFFD", fromUtf8("\xC0\xAF"));       // overlong slash
    EXPECT_EQ(L"x\uFFFD", fromUtf16(std::u16string(u"x") + char16_t(0xD800)));  // lone surrogate
    EXPECT_EQ(L"\uFFFDy", fromUtf16(std::u16string(1, char16_t(0xDC00)) + u"y"));
}

TEST(Text, TruncateKeepsWholeCharacters) {
    const std::string s = toUtf8(L"ab\u6587\u4ef6");  // 2 + 3 + 3 bytes
    EXPECT_EQ("ab", truncateUtf8(s, 4));
    EXPECT_EQ(toUtf8(L"ab\u6587"), truncateUtf8(s, 5));
    EXPECT_EQ(s, truncateUtf8(s, 8));
    EXPECT_EQ("", truncateUtf8(s, 0));
}

}  // namespace
}  // namespace qm::platform

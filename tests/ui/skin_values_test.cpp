#include <gtest/gtest.h>

#include "ui/core/skin_values.h"

namespace qm::ui {
namespace {

TEST(SkinValues, Colors) {
    std::uint32_t c = 0;
    ASSERT_TRUE(ParseColor(L"#FF0089BE", c));
    EXPECT_EQ(0xFF0089BEu, c);
    ASSERT_TRUE(ParseColor(L"#80ffd0de", c));
    EXPECT_EQ(0x80FFD0DEu, c);
    ASSERT_TRUE(ParseColor(L"#316D1E", c));  // six digits: opaque
    EXPECT_EQ(0xFF316D1Eu, c);
    ASSERT_TRUE(ParseColor(L" #00000000 ", c));
    EXPECT_EQ(0u, c);
    c = 7;
    for (const wchar_t* bad : {L"", L"#", L"FF0089BE", L"#FF0089B", L"#FF0089BE0", L"#GG0089BE", L"#FF 089BE",
                               L"#12345", L"0xFF0089BE", L"# FF0089BE"})
        EXPECT_FALSE(ParseColor(bad, c)) << bad;
    EXPECT_EQ(7u, c);  // untouched on failure
}

TEST(SkinValues, RectsSizesBoolsAndNumbers) {
    UiRect r;
    ASSERT_TRUE(ParseRect(L"0,0,0,70", r));
    EXPECT_EQ((UiRect{0, 0, 0, 70}), r);
    ASSERT_TRUE(ParseRect(L" 28, 0 ,50,24 ", r));
    EXPECT_EQ((UiRect{28, 0, 50, 24}), r);
    ASSERT_TRUE(ParseRect(L"-4,-2147483648,2147483647,+3", r));
    EXPECT_EQ((UiRect{-4, -2147483647 - 1, 2147483647, 3}), r);
    for (const wchar_t* bad : {L"", L"1,2,3", L"1,2,3,4,5", L"1,2,,4", L"a,b,c,d", L"1 2,3,4,5", L"1,2,3,2147483648",
                               L"1,2,3,4,", L",1,2,3", L"1.5,2,3,4"})
        EXPECT_FALSE(ParseRect(bad, r)) << bad;
    EXPECT_EQ((UiRect{-4, -2147483647 - 1, 2147483647, 3}), r);  // untouched on failure

    int cx = 0, cy = 0;
    ASSERT_TRUE(ParseSize(L"400,160", cx, cy));
    EXPECT_EQ(400, cx);
    EXPECT_EQ(160, cy);
    EXPECT_FALSE(ParseSize(L"400", cx, cy));
    EXPECT_FALSE(ParseSize(L"400,160,1", cx, cy));

    bool b = false;
    ASSERT_TRUE(ParseBool(L"true", b));
    EXPECT_TRUE(b);
    ASSERT_TRUE(ParseBool(L"FALSE", b));
    EXPECT_FALSE(b);
    EXPECT_FALSE(ParseBool(L"yes", b));
    EXPECT_FALSE(ParseBool(L"1", b));
    EXPECT_FALSE(ParseBool(L"truex", b));
}

TEST(SkinValues, ImageAttributesInTheSkinSyntax) {
    ImageAttributes a;
    std::wstring error;
    ASSERT_TRUE(ParseImageAttributes(L"file='banner_bg.png' corner='0,0,0,70'", a, &error)) << error;
    EXPECT_EQ(L"banner_bg.png", a.file);
    EXPECT_EQ((UiRect{0, 0, 0, 70}), a.corner);
    EXPECT_FALSE(a.hasSource);
    EXPECT_FALSE(a.hasDest);

    ASSERT_TRUE(ParseImageAttributes(L"file='drive.png' dest='28,0,50,24'", a, &error)) << error;
    EXPECT_EQ(L"drive.png", a.file);
    EXPECT_TRUE(a.hasDest);
    EXPECT_EQ((UiRect{28, 0, 50, 24}), a.dest);
    EXPECT_EQ((UiRect{}), a.corner);  // nothing carried over from the previous call

    ASSERT_TRUE(ParseImageAttributes(
        L"  file=\"MessageBox/error.png\"   source='0,0,36,36' mask='#FFFF00FF' fade = '128' hole='true' "
        L"xtiled='true' ytiled='false'  ",
        a, &error))
        << error;
    EXPECT_EQ(L"MessageBox/error.png", a.file);
    EXPECT_TRUE(a.hasSource);
    EXPECT_EQ((UiRect{0, 0, 36, 36}), a.source);
    EXPECT_TRUE(a.hasMask);
    EXPECT_EQ(0xFFFF00FFu, a.mask);
    EXPECT_EQ(128, a.fade);
    EXPECT_TRUE(a.hole);
    EXPECT_TRUE(a.xtiled);
    EXPECT_FALSE(a.ytiled);

    ASSERT_TRUE(ParseImageAttributes(L"banner_bg.png", a, &error));
    EXPECT_EQ(L"banner_bg.png", a.file);
    EXPECT_EQ(255, a.fade);
    ASSERT_TRUE(ParseImageAttributes(L" my image.png ", a));  // a bare name may hold spaces
    EXPECT_EQ(L"my image.png", a.file);
}

TEST(SkinValues, MalformedImageAttributesAreRefusedWithAReason) {
    for (const wchar_t* bad : {
             L"",
             L"   ",
             L"file=banner.png",                      // unquoted
             L"file='banner.png",                     // unterminated
             L"file='a.png'corner='0,0,0,0'",         // no space between pairs
             L"file='a.png' corner",                  // key without value
             L"file='a.png' ='1'",                    // value without key
             L"file='a.png' colour='#FFFFFFFF'",      // unknown key
             L"file='a.png' file='b.png'",            // repeated key
             L"file=''",                              // empty file
             L"corner='0,0,0,70'",                    // no file at all
             L"file='a.png' corner='0,0,70'",         // short rect
             L"file='a.png' corner='-1,0,0,0'",       // negative margin
             L"file='a.png' source='x'",
             L"file='a.png' mask='#XYZ'",
             L"file='a.png' fade='256'",
             L"file='a.png' fade='-1'",
             L"file='a.png' hole='maybe'",
             L"file='a.png' xtiled='1'",
         }) {
        ImageAttributes a;
        a.file = L"stale";
        std::wstring error;
        EXPECT_FALSE(ParseImageAttributes(bad, a, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_TRUE(a.file.empty()) << bad;  // reset, never half-filled
    }
    ImageAttributes a;
    EXPECT_FALSE(ParseImageAttributes(L"file='a.png' bogus='1'", a));  // no error text wanted
}

}  // namespace
}  // namespace qm::ui

#include "celvo/text.h"

#include "test_support.h"

using namespace celvo;

TEST(Text, Utf8Utf16RoundTripOutsideTheBmp)
{
    struct Case { const char* utf8; std::u16string utf16; };
    const Case cases[] = {
        {"", u""},
        {"abc", u"abc"},
        {"\xC3\xA4\xC3\xB6", u"\u00E4\u00F6"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},                         // surrogate pair
        {"x\xF0\x90\x80\x80y\xF4\x8F\xBF\xBF", u"x\U00010000y\U0010FFFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8);
    }
    EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u);
}

TEST(Text, IllFormedInputIsSubstituted)
{
    EXPECT_EQ(utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(utf8ToUtf16("\xC3"), u"\uFFFD");               // truncated sequence
    std::u16string lone = u"a";
    lone.push_back(char16_t(0xD800));                       // lone high surrogate
    lone.push_back(u'b');
    EXPECT_EQ(utf16ToUtf8(lone), "a\xEF\xBF\xBD" "b");
}

TEST(Text, CaseInsensitiveCompareIgnoresProcessLocale)
{
    struct Case { std::u16string a, b; int expected; };
    const Case cases[] = {
        {u"Sheet1", u"SHEET1", 0},
        {u"\u00C4rger", u"\u00E4RGER", 0},        // non-ASCII pair
        {u"\u0416", u"\u0436", 0},                // Cyrillic Zhe
        {u"abc", u"abd", -1},
        {u"abd", u"ABC", 1},
        {u"ab", u"abc", -1},
        {u"", u"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(compareNoCase(c.a, c.b), c.expected) << utf16ToUtf8(c.a);
    EXPECT_TRUE(equalNoCase(u"Print_Area", u"PRINT_AREA"));
    EXPECT_FALSE(equalNoCase(u"a", u"ab"));
}

TEST(Text, LengthOfNullAndTerminatedText)
{
    EXPECT_EQ(u16len(nullptr), 0u);
    EXPECT_EQ(u16len(u"\U0001F600"), 2u);
    EXPECT_EQ(u16(nullptr).size(), 0u);
}

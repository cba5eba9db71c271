#include "celvo/text.h"

#include <unicode/ustring.h>

#include <cstdint>
#include <cwctype>

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

TEST(Text, LoneSurrogatesBecomeReplacementCharacters)
{
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case { std::u16string utf16; std::string utf8; };
    const Case cases[] = {
        {{char16_t(0xDC00)}, fffd},                                        // lone low
        {{u'a', char16_t(0xD83D)}, "a" + fffd},                            // high at the end
        {{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)}, fffd + "\xF0\x9F\x98\x80"},
        {{char16_t(0xDE00), char16_t(0xD83D)}, fffd + fffd},               // low before high
        {{char16_t(0xD800), u'x', char16_t(0xDFFF)}, fffd + "x" + fffd},
        {{char16_t(0xDBFF), char16_t(0xDFFF)}, "\xF4\x8F\xBF\xBF"},
        {{char16_t(0x7F), char16_t(0x80), char16_t(0x7FF), char16_t(0x800), char16_t(0xFFFF)},
         "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        {{u'a', char16_t(0), u'b'}, std::string("a\0b", 3)},                // NUL inside a view
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8);
        std::string appended = "prefix";
        appendUtf8(appended, c.utf16);
        EXPECT_EQ(appended, "prefix" + c.utf8);
    }
}

TEST(Text, Utf16ToUtf8AgreesWithIcuOnMixedUnits)
{
    // Texts built from units of every range, surrogates in every order.
    const std::u16string pairAtChunkEnd = std::u16string(127, u'a') + u"\U0001F600" + u"b";
    EXPECT_EQ(utf16ToUtf8(pairAtChunkEnd), std::string(127, 'a') + "\xF0\x9F\x98\x80" + "b");
    const char16_t units[] = {u'A', 0x00E9, 0x07FF, 0x0800, 0x20AC, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFD, 0xFFFF, 0};
    std::uint32_t seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::u16string text;
        seed = seed * 1103515245u + 12345u;
        // Now and then a text long enough to be converted in several chunks.
        const std::size_t length = round % 10 == 0 ? 120 + (seed >> 16) % 300 : (seed >> 16) % 12;
        for (std::size_t i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            text.push_back(units[(seed >> 16) % (sizeof units / sizeof units[0])]);
        }
        std::string expected(text.size() * 3, '\0');
        int32_t len = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strToUTF8WithSub(expected.data(), static_cast<int32_t>(expected.size()), &len, text.data(),
                           static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        expected.resize(static_cast<std::size_t>(len));
        ASSERT_EQ(utf16ToUtf8(text), expected) << "round " << round;
    }
}

TEST(Text, CaseInsensitiveCompareIgnoresProcessLocale)
{
    // Under a Turkish process locale the C library lowers I to dotless i;
    // the comparison must not follow it.
    CELVO_SWITCH_LOCALE(turkish, LC_ALL, "tr_TR.UTF-8");
    ASSERT_EQ(std::towlower(L'I'), static_cast<std::wint_t>(0x0131)) << "the process locale is Turkish";
    struct Case { std::u16string a, b; int expected; };
    const Case cases[] = {
        {u"Sheet1", u"SHEET1", 0},
        {u"PRINT_TITLES", u"print_titles", 0},    // I and i are one letter here
        {u"Print_Area", u"Pr\u0131nt_Area", -1},  // dotless i is a letter of its own
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

#include "celvo/numtext.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <limits>

#include "test_support.h"

using namespace celvo;

TEST(NumText, ParseIntLikeTheRuntime)
{
    struct Case { std::u16string text; int expected; };
    const Case cases[] = {
        {u"42", 42}, {u"  -17xyz", -17}, {u"+8", 8}, {u"", 0}, {u"abc", 0},
        {u"2147483647", 2147483647}, {u"2147483648", 2147483647},
        {u"-2147483648", -2147483647 - 1}, {u"-99999999999999999999", -2147483647 - 1},
        {u"\t\n12", 12},
    };
    for (const auto& c : cases) EXPECT_EQ(parseInt(c.text), c.expected) << utf16ToUtf8(c.text);
}

TEST(NumText, ParseDoubleTakesTheLongestNumberPrefix)
{
    struct Case { std::u16string text; double expected; std::size_t consumed; };
    const Case cases[] = {
        {u"1.5", 1.5, 3}, {u" -0.25x", -0.25, 6}, {u"1e3", 1000.0, 3}, {u"1E+2", 100.0, 4},
        {u"2e", 2.0, 1}, {u"2e-", 2.0, 1}, {u".5", 0.5, 2}, {u"5.", 5.0, 2}, {u".", 0.0, 0},
        {u"abc", 0.0, 0}, {u"1e400", HUGE_VAL, 5}, {u"1e-400", 0.0, 6},
        {u"0.1", 0.1, 3}, {u"12,5", 12.0, 2},
    };
    for (const auto& c : cases) {
        std::size_t used = 99;
        EXPECT_EQ(parseDouble(c.text, &used), c.expected) << utf16ToUtf8(c.text);
        EXPECT_EQ(used, c.consumed) << utf16ToUtf8(c.text);
    }
    std::size_t used = 0;
    EXPECT_TRUE(std::isinf(parseDouble(u"-inf", &used)));
    EXPECT_EQ(used, 4u);
    EXPECT_TRUE(std::isnan(parseDouble(u"nan", &used)));
}

TEST(NumText, FormattingIsLocaleIndependent)
{
    // A process locale with a decimal comma must not change number text.
    CELVO_SWITCH_LOCALE(german, LC_NUMERIC, "de_DE.UTF-8");
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the process locale writes a decimal comma";
    EXPECT_EQ(formatG15(1.5), u"1.5");
    EXPECT_EQ(formatG15(-1234.25), u"-1234.25");
    EXPECT_EQ(parseDouble(u"1.5"), 1.5);
    std::size_t used = 0;
    EXPECT_EQ(parseDouble(u"2,5", &used), 2.0);
    EXPECT_EQ(used, 1u) << "a comma ends the number";
}

// The forms as the C library makes them (in the "C" locale): G15 is
// printf's %.15g; the shortest form has the fewest significant digits that
// read back to the same double, laid out as %.17g lays out a number
// (exponent below -4 or from 17 on).
std::string cG(double v, int precision)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", precision, v);
    return buf;
}

int cExponent(double v, int digits)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
    return std::atoi(std::strchr(buf, 'e') + 1);
}

std::string cShortest(double v)
{
    int digits = 1;
    while (digits < 17 && std::strtod(cG(v, digits).c_str(), nullptr) != v) ++digits;
    const int exponent = cExponent(v, digits);
    if (exponent >= digits && exponent < 17) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.0f", v);
        return buf;
    }
    return cG(v, digits);
}

TEST(NumText, FormsAgreeWithTheCLibrary)
{
    std::vector<double> values = {0.1, 1.0 / 3.0, 1e16, 1e17, 2.5e16, 123456789012345678.0, 5e-324, -0.0, 1e-5,
                                   0.0001, 65535, 1e21, 4.35, 1e-300, 1.7976931348623157e308};
    std::uint64_t bits = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 20000; ++i) {
        bits ^= bits << 13;
        bits ^= bits >> 7;
        bits ^= bits << 17;
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) values.push_back(v);
        values.push_back(static_cast<double>(static_cast<std::int64_t>(bits >> 20)) / 1000.0);
    }
    // Numbers of a few decimals, laid out without the general conversion:
    // near the bounds of that layout, below one and negative, and those of
    // sums that only come near such a decimal.
    for (const double scale : {1.0, 10.0, 100.0, 1000.0, 10000.0}) {
        for (const std::int64_t m : {std::int64_t{1}, std::int64_t{5}, std::int64_t{28609}, std::int64_t{99999},
                                     std::int64_t{100001}, std::int64_t{999999999999999},
                                     std::int64_t{1000000000000000}, std::int64_t{1000000000000001},
                                     std::int64_t{9007199254740993}}) {
            values.push_back(static_cast<double>(m) / scale);
            values.push_back(-static_cast<double>(m) / scale);
        }
    }
    for (int r = 0; r < 2000; ++r) {
        values.push_back(r * 1.5 + r % 20);
        values.push_back(r * 0.1 + 0.2);
        values.push_back(r / 3.0);
    }
    for (const double v : values) {
        EXPECT_EQ(utf16ToUtf8(formatG15(v)), cG(v, 15)) << cG(v, 17);
        EXPECT_EQ(utf16ToUtf8(formatShortest(v)), cShortest(v)) << cG(v, 17);
    }
}

TEST(NumText, G15AndShortestForms)
{
    struct Case { double v; std::u16string g15; std::u16string shortest; };
    const Case cases[] = {
        {0.1, u"0.1", u"0.1"},
        {1.0 / 3.0, u"0.333333333333333", u"0.3333333333333333"},
        {1e20, u"1e+20", u"1e+20"},
        {1e300, u"1e+300", u"1e+300"},
        {-0.0, u"-0", u"-0"},
        {123456789012345678.0, u"1.23456789012346e+17", u"1.2345678901234568e+17"},
        {0.0001, u"0.0001", u"0.0001"},
        {0.00001, u"1e-05", u"1e-05"},
        {5e-324, u"4.94065645841247e-324", u"5e-324"},
        {1000.0, u"1000", u"1000"},
        {-65536.0, u"-65536", u"-65536"},
        {1e16, u"1e+16", u"10000000000000000"},
        {1e17, u"1e+17", u"1e+17"},
        {1e23, u"1e+23", u"1e+23"},
        {1.5e-7, u"1.5e-07", u"1.5e-07"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatG15(c.v), c.g15);
        EXPECT_EQ(formatShortest(c.v), c.shortest);
        EXPECT_EQ(parseDouble(formatShortest(c.v)), c.v);
    }
    EXPECT_EQ(formatShortest(std::numeric_limits<double>::infinity()), u"inf");
    EXPECT_EQ(formatInt(-2147483648LL), u"-2147483648");
}

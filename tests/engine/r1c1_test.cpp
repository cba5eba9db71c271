#include "celvo/r1c1.h"

#include <vector>

#include "celvo/xlerror.h"
#include "test_support.h"

using namespace celvo;

TEST(R1C1Text, Tokens)
{
    struct Case { const char16_t* text; std::vector<std::u16string> tokens; };
    const Case cases[] = {
        {u"SUM(R[-1]C2:R1C3)", {u"SUM", u"(", u"R[-1]C2", u":", u"R1C3", u")"}},
        {u"A1+$B$2", {u"A1", u"+", u"$B$2"}},
        {u"r[2]c[-3]*2", {u"r[2]c[-3]", u"*", u"2"}},
        {u"(-$A1)", {u"(-", u"$A1", u")"}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        std::u16string rest = c.text;
        std::vector<std::u16string> tokens;
        for (std::u16string t = nextFormulaToken(rest); !t.empty(); t = nextFormulaToken(rest)) tokens.push_back(t);
        EXPECT_EQ(tokens, c.tokens) << utf16ToUtf8(c.text);
        EXPECT_TRUE(rest.empty());
    }
}

// The cell of the formula is C5 (row 4, column 2) throughout.
TEST(R1C1Text, R1C1TokenToA1)
{
    struct Case { const char16_t* token; bool xls; const char16_t* a1; };
    const Case cases[] = {
        {u"RC", true, u"C5"}, {u"R[-1]C[1]", true, u"D4"}, {u"R1C1", true, u"$A$1"},
        {u"R2C[0]", true, u"C$2"}, {u"R[-5]C", true, u"C65536"}, {u"R[-5]C", false, u"C1048576"},
        {u"RC[-3]", true, u"IV5"}, {u"RC[-3]", false, u"XFD5"}, {u"r[1]c", true, u"C6"},
        {u"R1", true, u"R1"}, {u"ROUND", true, u"ROUND"}, {u"R[1", true, u"R[1"},
        {u"R1C1X", true, u"R1C1X"}, {u"A1", true, u"A1"}, {u"", true, u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(r1c1RefToA1(c.token, 4, 2, c.xls), c.a1) << utf16ToUtf8(c.token) << " " << c.xls;
}

TEST(R1C1Text, R1C1OutsideTheSheetIsRefused)
{
    for (const char16_t* token : {u"R0C1", u"R99999999C1"}) {
        try {
            r1c1RefToA1(token, 4, 2, true);
            ADD_FAILURE() << utf16ToUtf8(token);
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), "row must be in range 0-1048575");
        }
    }
    EXPECT_THROW(r1c1RefToA1(u"R1C0", 4, 2, true), xlerror);
}

TEST(R1C1Text, A1TokenToR1C1)
{
    struct Case { const char16_t* token; const char16_t* r1c1; };
    const Case cases[] = {
        {u"C5", u"RC"}, {u"D4", u"R[-1]C[1]"}, {u"$A$1", u"R1C1"}, {u"C$2", u"R2C"}, {u"$A5", u"RC1"},
        {u"c5", u"RC"}, {u"LOG10", u"R[5]C[8506]"},  // a token alone is taken for what it looks like
        {u"SUM", u"SUM"}, {u"LOG", u"LOG"}, {u"ABCDE1", u"ABCDE1"}, {u"A0", u"A0"}, {u"A1B", u"A1B"},
        {u"A123456789", u"A123456789"}, {u"1", u"1"}, {u"", u""},
    };
    for (const Case& c : cases) EXPECT_EQ(a1RefToR1C1(c.token, 4, 2), c.r1c1) << utf16ToUtf8(c.token);
}

TEST(R1C1Text, Formulas)
{
    struct Case { const char16_t* a1; const char16_t* r1c1; };
    // Both directions, at C5.
    const Case cases[] = {
        {u"", u""},
        {u"A1+$B$2*C$5", u"R[-4]C[-2]+R2C2*R5C"},
        {u"SUM(C1:C4)", u"SUM(R[-4]C:R[-1]C)"},
        {u"LOG10(C4)", u"LOG10(R[-1]C)"},          // function names stay
        {u"\"A1\"&C5", u"\"A1\"&RC"},             // string literals stay
        {u"'R1C1 data'!A1", u"'R1C1 data'!R[-4]C[-2]"},  // quoted sheet names stay
        {u"AB1!C5", u"AB1!RC"},                    // a sheet name followed by "!" stays
        {u"Sheet1:Sheet3!$A$1", u"Sheet1:Sheet3!R1C1"},
        {u"\"say \"\"R1C1\"\"\"&A1", u"\"say \"\"R1C1\"\"\"&R[-4]C[-2]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formulaA1ToR1C1(c.a1, 4, 2), c.r1c1) << utf16ToUtf8(c.a1);
        EXPECT_EQ(formulaR1C1ToA1(c.r1c1, 4, 2, true), c.a1) << utf16ToUtf8(c.r1c1);
    }
}

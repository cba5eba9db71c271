#include "formula/formula.h"

#include "celvo/bytes.h"
#include "celvo/xlerror.h"
#include "formula/ptg.h"
#include "formula_fake_context.h"
#include "formula_roundtrip_util.h"
#include "test_support.h"

using namespace celvo;
using celvo::test::FakeFormulaContext;
using celvo::test::hexText;

using celvo::test::numbersAsIntegers;

// Text -> tokens -> text -> tokens gives the same tokens, and the printed text
// is the expected one.
TEST(FormulaRoundTrip, A1Texts)
{
    struct Case { const char16_t* text; const char16_t* printed; };
    const Case cases[] = {
        {u"=1+2*3-4/5", u"1+2*3-4/5"},
        {u"=(1+2)*3", u"(1+2)*3"},
        {u"=-2^2", u"-2^2"},
        {u"=2^3^2", u"2^3^2"},
        {u"=-A1%+(+B1)", u"-A1%+(+B1)"},
        {u"=A1&B1=C1", u"A1&B1=C1"},
        {u"=A1&(B1=C1)", u"A1&(B1=C1)"},
        {u"=\"a\"&\"b\"<>\"ab\"", u"\"a\"&\"b\"<>\"ab\""},
        {u"=A1<=B1", u"A1<=B1"},
        {u"=SUM(A1:B3,C1;2)", u"SUM(A1:B3;C1;2)"},
        {u"=IF(A1>0,\"yes\",\"no\")", u"IF(A1>0;\"yes\";\"no\")"},
        {u"=ROUND(PI(),2)", u"ROUND(PI();2)"},
        {u"=TODAY()-1", u"TODAY()-1"},
        {u"=NOW()", u"NOW()"},
        {u"=OFFSET(A1,1,1)", u"OFFSET(A1;1;1)"},
        {u"=LOG10(100)+ATAN2(1,1)+DAYS360(A1,B1)", u"LOG10(100)+ATAN2(1;1)+DAYS360(A1;B1)"},
        {u"=SUMX2PY2(A1:A3,B1:B3)", u"SUMX2PY2(A1:A3;B1:B3)"},
        {u"=vlookup(a1,$B$1:$C$10,2,false)", u"VLOOKUP(A1;$B$1:$C$10;2;FALSE)"},
        {u"=Sheet2!A1+Sheet3!$B$2", u"Sheet2!A1+Sheet3!$B$2"},
        {u"=SUM(Sheet1:Sheet3!A1)", u"SUM(Sheet1:Sheet3!A1)"},
        {u"=SUM(Sheet2!A1:B2)", u"SUM(Sheet2!A1:B2)"},
        {u"='My Sheet'!A1*2", u"'My Sheet'!A1*2"},
        {u"='Year''s Data'!C3", u"'Year''s Data'!C3"},
        {u"='2019'!A1", u"'2019'!A1"},
        {u"=\"say \"\"hi\"\"\"", u"\"say \"\"hi\"\"\""},
        {u"=\"it's\"&\"\"", u"\"it's\"&\"\""},
        {u"=Tax*Rate", u"Tax*Rate"},
        {u"=SUM(tax)", u"SUM(Tax)"},
        {u"=0.1+1E+20+1.5E-7+65536", u"0.1+1e+20+1.5e-07+65536"},
        {u"=1/3", u"1/3"},
        {u"=TRUE()=TRUE", u"TRUE()=TRUE"},
        {u"=A1%", u"A1%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.text));
        try {
            FakeFormulaContext book = FakeFormulaContext::sample();
            std::vector<std::uint8_t> tokens = compileCellFormula(c.text, book, 0, 0);
            std::u16string printed = printCellFormula(tokens.data(), tokens.size(), book, 0, 0);
            EXPECT_EQ(printed, c.printed);
            EXPECT_EQ(hexText(compileCellFormula(printed, book, 0, 0)), hexText(tokens));
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

// In R1C1 mode the text is read and printed relative to the cell (C5 here).
TEST(FormulaRoundTrip, R1C1Texts)
{
    struct Case { const char16_t* text; const char16_t* printed; std::string tokens; };
    const Case cases[] = {
        {u"=R[-1]C+RC[-1]", u"R[-1]C+RC[-1]", "44 03 00 02 C0 44 04 00 01 C0 03"},
        {u"=SUM(R1C1:R[-1]C)", u"SUM(R1C1:R[-1]C)", "25 00 00 03 00 00 00 02 C0 42 01 04 00"},
        {u"=R1C[1]&\"R1C1\"", u"R1C[1]&\"R1C1\"", "44 00 00 03 40 17 04 01 52 00 31 00 43 00 31 00 08"},
        {u"=Sheet2!RC*2", u"Sheet2!RC*2", "5A 00 00 04 00 02 C0 1E 02 00 05"},
        {u"=LOG10(R[-4]C[-2])", u"LOG10(R[-4]C[-2])", "44 00 00 00 C0 42 01 17 00"},
        {u"=r[-5]c", u"R[65531]C", "44 FF FF 02 C0"},  // wraps to the last row
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.text));
        try {
            FakeFormulaContext book = FakeFormulaContext::sample();
            book.r1c1 = true;
            std::vector<std::uint8_t> tokens = compileCellFormula(c.text, book, 4, 2);
            EXPECT_EQ(hexText(tokens), c.tokens);
            std::u16string printed = printCellFormula(tokens.data(), tokens.size(), book, 4, 2);
            EXPECT_EQ(printed, c.printed);
            EXPECT_EQ(hexText(compileCellFormula(printed, book, 4, 2)), hexText(tokens));
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST(FormulaRoundTrip, SharedFormulaPrintedInR1C1)
{
    FakeFormulaContext book = FakeFormulaContext::sample();
    book.r1c1 = true;
    std::vector<std::uint8_t> tokens = celvo::test::hexBytes("2C FF FF 00 C0 1E 01 00 03");
    // One row up from whichever cell prints it.
    EXPECT_EQ(printCellFormula(tokens.data(), tokens.size(), book, 4, 2, true), u"R[-1]C+1");
    EXPECT_EQ(printCellFormula(tokens.data(), tokens.size(), book, 9, 7, true), u"R[-1]C+1");
}

// Every text the compiler accepts prints, and the printed text compiles to the
// same tokens (a whole number written with an exponent may come back as the
// integer token of the same value); everything else is refused with a
// message.
TEST(FormulaRoundTrip, ArbitraryTexts)
{
    const char16_t* pieces[] = {u"A1", u"$B$2", u"C3:D4", u"1", u"2.5", u"1E+3", u"\"x\"", u"\"\"\"\"",
                                u"SUM(", u"IF(", u"ABS(", u"PI()", u"TRUE", u"Sheet2!", u"'My Sheet'!",
                                u"Tax", u"(", u")", u",", u";", u"+", u"-", u"*", u"/", u"^", u"&",
                                u"=", u"<>", u"<", u">=", u"%", u" ", u"!", u"'", u"\"", u"$", u":"};
    std::uint32_t seed = 99;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int round = 0; round < 20000; ++round) {
        std::u16string text;
        const std::uint32_t count = 1 + next(8);
        for (std::uint32_t i = 0; i < count; ++i) text += pieces[next(sizeof pieces / sizeof pieces[0])];
        FakeFormulaContext book = FakeFormulaContext::sample();
        std::vector<std::uint8_t> tokens;
        try {
            tokens = compileCellFormula(text, book, 0, 0);
        } catch (const xlerror&) {
            continue;
        }
        try {
            std::u16string printed = printCellFormula(tokens.data(), tokens.size(), book, 0, 0);
            EXPECT_EQ(hexText(compileCellFormula(printed, book, 0, 0)), hexText(numbersAsIntegers(tokens)))
                << utf16ToUtf8(text) << " printed as " << utf16ToUtf8(printed);
        } catch (const xlerror& e) {
            ADD_FAILURE() << utf16ToUtf8(text) << ": " << e.what();
        }
    }
}

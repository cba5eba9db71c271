#include "formula/compiler.h"

#include "celvo/xlerror.h"
#include "formula_fake_context.h"
#include "test_support.h"

using namespace celvo;
using celvo::test::doubleHex;
using celvo::test::FakeFormulaContext;
using celvo::test::hexText;

namespace {

std::string compileHex(const std::u16string& text)
{
    FakeFormulaContext book = FakeFormulaContext::sample();
    return hexText(MakeFormula(book).compile(text));
}

}  // namespace

TEST(FormulaCompiler, TokenBytes)
{
    struct Case { const char16_t* text; std::string tokens; };
    const Case cases[] = {
        // Signs bind tighter than "^", and "^" is left-associative.
        {u"=-2^2", "1E 02 00 13 1E 02 00 07"},
        {u"=2^3^2", "1E 02 00 1E 03 00 07 1E 02 00 07"},
        {u"=1+2*3", "1E 01 00 1E 02 00 1E 03 00 05 03"},
        {u"=1-2-3", "1E 01 00 1E 02 00 04 1E 03 00 04"},
        {u"=(1+2)*3", "1E 01 00 1E 02 00 03 15 1E 03 00 05"},
        {u"=+A1", "44 00 00 00 C0 12"},
        {u"=-A1%", "44 00 00 00 C0 14 13"},
        {u"=A1%*2", "44 00 00 00 C0 14 1E 02 00 05"},
        {u"=1*-2", "1E 01 00 1E 02 00 13 05"},
        // "&" binds tighter than the comparisons, which share one level.
        {u"=A1&B1=C1", "44 00 00 00 C0 44 00 00 01 C0 08 44 00 00 02 C0 0B"},
        {u"=A1=B1<C1", "44 00 00 00 C0 44 00 00 01 C0 0B 44 00 00 02 C0 09"},
        {u"=1<2=TRUE", "1E 01 00 1E 02 00 09 1D 01 0B"},
        {u"=1+2&3", "1E 01 00 1E 02 00 03 1E 03 00 08"},
        {u"=A1<>B1", "44 00 00 00 C0 44 00 00 01 C0 0E"},
        {u"=A1<=B1", "44 00 00 00 C0 44 00 00 01 C0 0A"},
        {u"=A1>=B1", "44 00 00 00 C0 44 00 00 01 C0 0C"},
        {u"=A1>B1", "44 00 00 00 C0 44 00 00 01 C0 0D"},
        // Functions: every argument of SUM is a reference; ABS takes a value.
        {u"=SUM(A1,B1)", "24 00 00 00 C0 24 00 00 01 C0 42 02 04 00"},
        {u"=SUM(A1;B1)", "24 00 00 00 C0 24 00 00 01 C0 42 02 04 00"},
        {u"=sum(a1)", "24 00 00 00 C0 42 01 04 00"},
        {u"=SUM(A1+B1)", "24 00 00 00 C0 24 00 00 01 C0 03 42 01 04 00"},
        {u"=SUM(ABS(A1))", "44 00 00 00 C0 42 01 18 00 42 01 04 00"},
        {u"=ABS(A1)", "44 00 00 00 C0 42 01 18 00"},
        {u"=ROW(A1)", "24 00 00 00 C0 42 01 08 00"},
        {u"=ROW(A1:B2)", "25 00 00 01 00 00 C0 01 C0 42 01 08 00"},
        {u"=IF(A1>0,\"y\",B1)", "44 00 00 00 C0 1E 00 00 0D 17 01 01 79 00 24 00 00 01 C0 42 03 01 00"},
        {u"=OFFSET(A1,1,1)", "24 00 00 00 C0 1E 01 00 1E 01 00 22 03 4E 00"},
        {u"=TODAY()", "19 01 00 00 41 DD 00"},
        {u"=NOW()", "42 00 4A 00"},
        {u"=PI()", "42 00 13 00"},
        {u"=TODAY()-1", "19 01 00 00 41 DD 00 1E 01 00 04"},
        {u"=LOG10(100)", "1E 64 00 42 01 17 00"},
        {u"=DAYS360(A1,B1)", "44 00 00 00 C0 44 00 00 01 C0 42 02 DC 00"},
        {u"=ATAN2(1,2)", "1E 01 00 1E 02 00 42 02 61 00"},
        {u"=SUMXMY2(A1:A2,B1:B2)", "25 00 00 01 00 00 C0 00 C0 25 00 00 01 00 01 C0 01 C0 42 02 2F 01"},
        {u"=MMULT(A1:B2,C1:D2)", "25 00 00 01 00 00 C0 01 C0 25 00 00 01 00 02 C0 03 C0 42 02 A5 00"},
        {u"=DSUM(A1:C9,2,E1:E2)", "25 00 00 08 00 00 C0 02 C0 1E 02 00 25 00 00 01 00 04 C0 04 C0 42 03 29 00"},
        {u"=SUM(A1:A3)=6", "25 00 00 02 00 00 C0 00 C0 42 01 04 00 1E 06 00 0B"},
        {u"=(A1)=B1", "44 00 00 00 C0 15 44 00 00 01 C0 0B"},
        // TRUE and FALSE are literals unless called.
        {u"=A1=TRUE", "44 00 00 00 C0 1D 01 0B"},
        {u"=TRUE", "1D 01"},
        {u"=false", "1D 00"},
        {u"=TRUE()", "42 00 22 00"},
        // Numbers.
        {u"=65535", "1E FF FF"},
        {u"=00012", "1E 0C 00"},
        {u"=65536", "1F " + doubleHex(65536.0)},
        {u"=0.5", "1F " + doubleHex(0.5)},
        {u"=.5", "1F " + doubleHex(0.5)},
        {u"=1.5E3", "1F " + doubleHex(1500.0)},
        {u"=2e-3", "1F " + doubleHex(0.002)},
        {u"=1E+2-1", "1F " + doubleHex(100.0) + " 1E 01 00 04"},
        // References.
        {u"=$A$1", "44 00 00 00 00"},
        {u"=A$1", "44 00 00 00 40"},
        {u"=$A1", "44 00 00 00 80"},
        {u"=iv65536", "44 FF FF FF C0"},
        {u"=A1:$B$2", "25 00 00 01 00 00 C0 01 00"},
        {u"=Sheet2!A1", "5A 00 00 00 00 00 C0"},
        {u"=sheet2!A1", "5A 00 00 00 00 00 C0"},
        {u"=SUM(Sheet2!A1)", "3A 00 00 00 00 00 C0 42 01 04 00"},
        {u"=Sheet2!A1:B2", "5B 00 00 00 00 01 00 00 C0 01 C0"},
        {u"='My Sheet'!B2", "5A 00 00 01 00 01 C0"},
        {u"='Year''s Data'!B2", "5A 00 00 01 00 01 C0"},
        {u"=Sheet1:Sheet3!A1", "5A 00 00 00 00 00 C0"},
        {u"=Sheet2!A1+Sheet3!A1+Sheet2!B1", "5A 00 00 00 00 00 C0 5A 01 00 00 00 00 C0 03 5A 00 00 00 00 01 C0 03"},
        // "#REF!" names the sheets of a range that were deleted, as the
        // printer shows them.
        {u"=#REF!A1", "5A 00 00 00 00 00 C0"},
        {u"=SUM(#ref!A1:B2)", "5B 00 00 00 00 01 00 00 C0 01 C0 42 01 04 00"},
        // Defined names, numbered from 1, with the reference class in
        // reference-taking arguments.
        {u"=Tax*2", "43 02 00 00 00 1E 02 00 05"},
        {u"=SUM(tax,RATE)", "23 02 00 00 00 23 01 00 00 00 42 02 04 00"},
        // Strings: a doubled quote is one quote character.
        {u"=\"it's\"", "17 04 01 69 00 74 00 27 00 73 00"},
        {u"=\"a\"\"b\"", "17 03 01 61 00 22 00 62 00"},
        {u"=\"\"", "17 00 01"},
        {u"=\"\"\"\"", "17 01 01 22 00"},
        {u"=\"a b\"&\" \"", "17 03 01 61 00 20 00 62 00 17 01 01 20 00 08"},
        {u"=\"x;y(,)\"", "17 06 01 78 00 3B 00 79 00 28 00 2C 00 29 00"},
        // Spaces outside quotes and the leading "=" are optional.
        {u" = 1 + 2 ", "1E 01 00 1E 02 00 03"},
        {u"1+2", "1E 01 00 1E 02 00 03"},
        {u"= SUM ( A1 , B1 )", "24 00 00 00 C0 24 00 00 01 C0 42 02 04 00"},
    };
    for (const Case& c : cases) {
        try {
            EXPECT_EQ(compileHex(c.text), c.tokens) << utf16ToUtf8(c.text);
        } catch (const std::exception& e) {
            ADD_FAILURE() << utf16ToUtf8(c.text) << ": " << e.what();
        }
    }
}

TEST(FormulaCompiler, RefusedTexts)
{
    struct Case { std::u16string text; const char* message; };
    const Case cases[] = {
        {u"", "error in formula"},
        {u"=", "error in formula"},
        {u"=1+", "error in formula"},
        {u"=1,2", "error in formula"},
        // A space ends an operand: a text is exactly one expression.
        {u"=1 2", "error in formula"},
        {u"=SUM(A 1,B 2)", "error in formula"},
        {u"=\"a\" \"b\"", "error in formula"},
        {u"=A1 B1", "error in formula"},
        {u"=Tax Rate", "error in formula"},
        {u"=1< =2", "error in formula"},
        {u"=1;2", "error in formula"},
        {u"=(1", "error in formula"},
        {u"=1)", "error in formula"},
        {u"=()", "error in formula"},
        {u"=*1", "error in formula"},
        {u"=SUM(1,,2)", "error in formula"},
        {u"=SUM(,1)", "error in formula"},
        {u"=SUM(1,)", "error in formula"},
        {u"=SUM(1))", "error in formula"},
        {u"=(1,2)", "error in formula"},
        {u"=1(2)", "error in formula"},
        {u"=PI", "error: function parentheses not found"},
        {u"=SUM(1", "error: function parentheses not found"},
        {u"=SUM(1+*2", "error: function parentheses not found"},
        {u"=SUM((1)", "error: function parentheses not found"},
        {u"=SUM+1", "error: function name without open parenthesis"},
        {u"=A0", "Row is out of range"},
        {u"=A65537", "Row is out of range"},
        {u"=A99999999999999999999", "Row is out of range"},
        {u"=IW1", "Column is out of range"},
        {u"=XFD1", "Column is out of range"},
        {u"=AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA1", "Column is out of range"},
        {u"=A1:IW2", "Column is out of range"},
        {u"=FOO", "incorrect token in formula"},
        {u"=FOO(1)", "incorrect token in formula"},
        {u"=#N/A", "incorrect token in formula"},
        {u"=1.2.3", "incorrect token in formula"},
        {u"=.", "incorrect token in formula"},
        {u"=1E999", "incorrect token in formula"},
        {u"=1E", "incorrect token in formula"},
        {u"=\"abc", "incorrect token in formula"},
        {u"=\"a\"b\"", "incorrect token in formula"},
        {u"=\"a\"1", "incorrect token in formula"},
        {u"=A1R", "incorrect token in formula"},
        {u"=A1:B", "incorrect token in formula"},
        {u"=Sheet2!", "incorrect token in formula"},
        {u"=!A1", "incorrect token in formula"},
        {u"=Nowhere!A1", "sheet is not found"},
        {u"=Sheet1:Nowhere!A1", "sheet is not found"},
        {u"=\"" + std::u16string(256, u'x') + u"\"", "string is too long"},
        {u"=ABS(1,2)", "incorrect number of function parameters"},
        {u"=ROUND(1)", "incorrect number of function parameters"},
        {u"=TODAY(1)", "incorrect number of function parameters"},
        {u"=DSUM(A1:C9,2)", "incorrect number of function parameters"},
    };
    for (const Case& c : cases) {
        FakeFormulaContext book = FakeFormulaContext::sample();
        try {
            std::vector<std::uint8_t> tokens = MakeFormula(book).compile(c.text);
            ADD_FAILURE() << utf16ToUtf8(c.text) << " compiled to " << hexText(tokens);
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), c.message) << utf16ToUtf8(c.text);
        }
    }
}

TEST(FormulaCompiler, ArgumentLimits)
{
    auto sumOf = [](int count) {
        std::u16string text = u"=SUM(";
        for (int i = 0; i < count; ++i) text += i ? u",1" : u"1";
        return text + u")";
    };
    FakeFormulaContext book = FakeFormulaContext::sample();
    std::vector<std::uint8_t> tokens = MakeFormula(book).compile(sumOf(255));
    EXPECT_EQ(tokens[tokens.size() - 3], 255);
    EXPECT_THROW(MakeFormula(book).compile(sumOf(256)), xlerror);

    std::u16string longest = u"=\"" + std::u16string(255, u'x') + u"\"";
    EXPECT_EQ(MakeFormula(book).compile(longest).size(), 3u + 2 * 255);
}

TEST(FormulaCompiler, DeepNesting)
{
    auto nested = [](const std::u16string& open, int depth, const std::u16string& close) {
        std::u16string text = u"=";
        for (int i = 0; i < depth; ++i) text += open;
        text += u"1";
        for (int i = 0; i < depth; ++i) text += close;
        return text;
    };
    FakeFormulaContext book = FakeFormulaContext::sample();
    // Deep enough for any formula people write ...
    EXPECT_NO_THROW(MakeFormula(book).compile(nested(u"(", 100, u")")));
    EXPECT_NO_THROW(MakeFormula(book).compile(nested(u"ABS(", 100, u")")));
    EXPECT_NO_THROW(MakeFormula(book).compile(nested(u"-", 100, u"")));
    // ... and refused, not a crash, far beyond that.
    for (const char16_t* openText : {u"(", u"ABS(", u"-"}) {
        const std::u16string open = openText;
        const std::u16string close = open == u"-" ? u"" : u")";
        try {
            MakeFormula(book).compile(nested(open, 100000, close));
            ADD_FAILURE() << utf16ToUtf8(open);
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), "error in formula") << utf16ToUtf8(open);
        }
    }
}

TEST(FormulaCompiler, RefusedTextLeavesTheBookAsItWas)
{
    FakeFormulaContext book = FakeFormulaContext::sample();
    EXPECT_THROW(MakeFormula(book).compile(u"=Sheet2!A1+Sheet3!A1+FOO"), xlerror);
    EXPECT_THROW(MakeFormula(book).compile(u"=Sheet2!A1+"), xlerror);
    // Tokens longer than the room given are refused with the message given.
    try {
        MakeFormula(book).compile(u"=Sheet2!A1+1", 10, "Formula record is too long");
        ADD_FAILURE() << "tokens longer than the room compiled";
    } catch (const xlerror& e) {
        EXPECT_STREQ(e.what(), "Formula record is too long");
    }
    EXPECT_TRUE(book.xti.empty());
    EXPECT_EQ(MakeFormula(book).compile(u"=Sheet2!A1+1", 11).size(), 11u);
}

TEST(FormulaCompiler, IsReference)
{
    struct Case { const char16_t* text; bool isRef; int row, col; bool rowRel, colRel; };
    const Case cases[] = {
        {u"A1", true, 0, 0, true, true}, {u"$B$7", true, 6, 1, false, false}, {u"iv65536", true, 65535, 255, true, true},
        {u"B$7", true, 6, 1, false, true}, {u"SUM", false, 0, 0, true, true}, {u"1", false, 0, 0, true, true},
        {u"A1B", false, 0, 0, true, true}, {u"$$A1", false, 0, 0, true, true}, {u"A$$1", false, 0, 0, true, true},
        {u"", false, 0, 0, true, true},
    };
    for (const Case& c : cases) {
        MakeFormula::Reference r;
        EXPECT_EQ(MakeFormula::isReference(c.text, &r), c.isRef) << utf16ToUtf8(c.text);
        if (!c.isRef) continue;
        EXPECT_EQ(r.row, c.row);
        EXPECT_EQ(r.col, c.col);
        EXPECT_EQ(r.rowRelative, c.rowRel);
        EXPECT_EQ(r.colRelative, c.colRel);
    }
}

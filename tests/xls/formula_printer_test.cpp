#include "formula/printer.h"

#include <cstdint>

#include "celvo/xlerror.h"
#include "formula_fake_context.h"
#include "test_support.h"

using namespace celvo;
using celvo::test::doubleHex;
using celvo::test::FakeFormulaContext;
using celvo::test::hexBytes;

namespace {

FakeFormulaContext makeBook()
{
    FakeFormulaContext book = FakeFormulaContext::sample();
    // EXTERNSHEET: 0 all three plain sheets, 1 Sheet2, 2 My Sheet, 3 a
    // deleted sheet, 4 My Sheet to Year's Data, 5 past the sheets, 6 A1, 7 x-y.
    book.xti = {{0, 2}, {1, 1}, {3, 3}, {-1, -1}, {3, 4}, {2, 9}, {6, 6}, {7, 7}};
    return book;
}

std::u16string print(const std::string& hex, int baseRow = 0, int baseCol = 0)
{
    FakeFormulaContext book = makeBook();
    std::vector<std::uint8_t> bytes = hexBytes(hex);
    return printFormula(bytes.data(), bytes.size(), book, baseRow, baseCol);
}

}  // namespace

TEST(FormulaPrinter, Texts)
{
    struct Case { std::string tokens; const char16_t* text; };
    const Case cases[] = {
        {"1E 01 00 1E 02 00 03 15 1E 03 00 05", u"(1+2)*3"},
        {"1E 01 00 1E 02 00 03 1E 03 00 05", u"1+2*3"},  // no parentheses but the stored ones
        {"1E 01 00 1E 02 00 1E 03 00 05 03", u"1+2*3"},
        {"44 00 00 00 C0 19 10 00 00", u"SUM(A1)"},
        {"44 00 00 00 C0 44 00 00 01 C0 42 02 04 00", u"SUM(A1;B1)"},
        {"1E 01 00 19 02 04 00 1E 02 00 19 40 00 01 03", u"1+2"},  // IF and space attributes leave no trace
        {"19 01 00 00 41 DD 00", u"TODAY()"},
        {"1E 01 00 19 04 02 00 08 00 0C 00 10 00 1E 02 00 19 08 07 00 1E 03 00 19 08 03 00 42 03 64 00",
         u"CHOOSE(1;2;3)"},  // choose and goto attributes as the spreadsheet application writes them
        {"42 00 13 00", u"PI()"},
        {"1E 02 00 41 18 00", u"ABS(2)"},  // a fixed count comes from the table
        {"25 00 00 01 00 00 C0 01 C0 25 00 00 01 00 02 C0 03 C0 41 A5 00", u"MMULT(A1:B2;C1:D2)"},
        {"1E 01 00 1E 02 00 42 02 2F 01", u"SUMXMY2(1;2)"},
        {"1E 01 00 42 01 CA 00", u"?(1)"},  // a number the table does not hold
        {"1E 01 00 42 01 04 80", u"?(1)"},
        {"1E 05 00 13", u"-5"}, {"1E 05 00 12", u"+5"}, {"1E 05 00 14", u"5%"},
        {"1E 02 00 13 1E 02 00 07", u"-2^2"},
        {"44 00 00 00 C0 44 00 00 01 C0 08 44 00 00 02 C0 0B", u"A1&B1=C1"},
        {"1D 01", u"TRUE"}, {"1D 00", u"FALSE"}, {"1E 39 30", u"12345"},
        // Numbers in their shortest round-trip form.
        {"1F " + doubleHex(0.1), u"0.1"},
        {"1F " + doubleHex(1.0 / 3.0), u"0.3333333333333333"},
        {"1F " + doubleHex(1234567.0), u"1234567"},
        {"1F " + doubleHex(3.14159265), u"3.14159265"},
        {"1F " + doubleHex(1e20), u"1e+20"},
        {"1F " + doubleHex(1.5e-7), u"1.5e-07"},
        // Strings: inner quotes are doubled.
        {"17 03 01 61 00 22 00 62 00", u"\"a\"\"b\""},
        {"17 02 00 68 69", u"\"hi\""},
        {"17 00 00", u"\"\""},
        // References and areas.
        {"44 00 00 00 00", u"$A$1"}, {"24 06 00 01 40", u"B$7"}, {"64 06 00 01 80", u"$B7"},
        {"44 FF FF FF C0", u"IV65536"},
        {"25 00 00 01 00 00 C0 01 00", u"A1:$B$2"},
        // 3-D references through the EXTERNSHEET entries.
        {"5A 00 00 00 00 00 C0", u"Sheet1:Sheet3!A1"},
        {"3A 01 00 01 00 01 C0", u"Sheet2!B2"},
        {"5A 02 00 00 00 00 C0", u"'My Sheet'!A1"},
        {"5A 04 00 00 00 00 C0", u"'My Sheet:Year''s Data'!A1"},
        {"5A 06 00 00 00 00 C0", u"'A1'!A1"},
        {"5A 07 00 00 00 00 C0", u"'x-y'!A1"},
        {"5A 03 00 00 00 00 C0", u"#REF!A1"},
        {"5A 05 00 00 00 00 C0", u"#REF!A1"},
        {"5A 09 00 00 00 00 C0", u"#REF!A1"},
        {"5B 01 00 00 00 01 00 00 C0 01 C0", u"Sheet2!A1:B2"},
        // A range of deleted sheets keeps its cells, so that the text compiles back.
        {"5B 09 00 00 00 01 00 00 00 01 C0", u"#REF!$A$1:B2"},
        // Defined names are numbered from 1, in every class.
        {"43 01 00 00 00", u"Rate"}, {"23 02 00 00 00", u"Tax"}, {"63 02 00 00 00", u"Tax"},
        {"43 03 00 00 00", u"?"}, {"43 00 00 00 00", u"?"},
        // Tokens shown by marker texts.
        {"1C 07", u"ERR"}, {"2A 00 00 00 00", u"#REF!"}, {"4A 00 00 00 00", u"ERR"},
        {"16", u"MISS"},
        // Reference operators, and Mem tokens that only announce the
        // subexpression after them.
        {"25 00 00 01 00 00 C0 01 C0 25 01 00 02 00 01 C0 02 C0 0F", u"A1:B2 B2:C3"},
        {"24 00 00 00 C0 24 00 00 01 C0 10 15", u"(A1,B1)"},
        {"29 0B 00 23 01 00 00 00 23 02 00 00 00 11 19 10 00 00", u"SUM(Rate:Tax)"},
        {"26 00 00 00 00 09 00 25 00 00 01 00 00 C0 01 C0", u"A1:B2"},
        {"48 00 00 00 00 05 00 24 00 00 00 C0", u"A1"},
        {"49 15 00 18 0A 00 00 0C 80 25 01 00 03 00 0C 00 0C 00 23 01 00 00 00 0F", u"? Rate"},
        {"01 00 00 00 00", u"?"}, {"39 00 00 01 00 00 00", u"?"},
    };
    for (const Case& c : cases) {
        try {
            EXPECT_EQ(print(c.tokens), c.text) << c.tokens;
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.tokens << ": " << e.what();
        }
    }
}

TEST(FormulaPrinter, SharedFormulaAtItsCell)
{
    struct Case { std::string tokens; int row, col; const char16_t* text; };
    const Case cases[] = {
        {"2C 01 00 00 C0", 4, 2, u"C6"},      // one row down, same column
        {"2C FF FF FF C0", 4, 2, u"B4"},      // one up and one left
        {"4C 00 00 00 00", 4, 2, u"$A$1"},    // absolute parts stay
        {"2C 00 00 00 80", 4, 2, u"$A5"},
        {"2D 00 00 01 00 00 C0 01 C0", 4, 2, u"C5:D6"},
        {"44 00 00 00 C0", 4, 2, u"A1"},      // a plain reference holds its own cell
        {"2C 01 00 00 C0", 65535, 255, u"IV1"},  // wraps within the sheet
    };
    for (const Case& c : cases) EXPECT_EQ(print(c.tokens, c.row, c.col), c.text) << c.tokens;
}

TEST(FormulaPrinter, RefusedTokens)
{
    struct Case { std::string tokens; const char* message; };
    const Case cases[] = {
        {"", "can't build infix formula string"},
        {"1E 01 00 1E 02 00", "can't build infix formula string"},
        {"19 01 00 00", "can't build infix formula string"},
        {"00", "can't recognize formula block: unknown ptg"},
        {"1E 01 00 2E", "can't recognize formula block: unknown ptg"},
        {"18 04 00 00 00 00 00", "unknown Ptg 0x18"},
        {"19 03 00 00", "unknown Ptg 0x19"},
        {"1E 01", "GetFormula move1 error"},
        {"17 05 00 61", "GetFormula move1 error"},
        {"19 04 02 00 00 00", "GetFormula move1 error"},
        {"3A 00 00", "GetFormula move1 error"},
        {"13", "toInfix error: incorrect unary minus expression"},
        {"12", "toInfix error: incorrect unary plus expression"},
        {"14", "toInfix error: incorrect percent expression"},
        {"1E 01 00 03", "toInfix error: expected two operands for binary operator"},
        {"15", "toInfix error: incorrect brackets"},
        {"1E 01 00 42 02 04 00", "toInfix error: incorrect function expression"},
        {"19 10 00 00", "toInfix error: incorrect function expression"},
    };
    for (const Case& c : cases) {
        try {
            std::u16string text = print(c.tokens);
            ADD_FAILURE() << c.tokens << " printed " << utf16ToUtf8(text);
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), c.message) << c.tokens;
        }
    }
}

// Hostile token streams: every outcome is text or the printer's message.
TEST(FormulaPrinter, ArbitraryBytesNeverBreakIt)
{
    FakeFormulaContext book = makeBook();
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(seed >> 16);
    };
    const std::uint8_t likely[] = {0x03, 0x05, 0x13, 0x15, 0x17, 0x19, 0x1E, 0x1F, 0x22, 0x23, 0x24,
                                   0x25, 0x2C, 0x3A, 0x3B, 0x41, 0x42, 0x43, 0x44, 0x5A, 0x5B};
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> bytes(next() % 24);
        for (std::uint8_t& b : bytes) b = next() % 3 ? next() : likely[next() % sizeof likely];
        try {
            printFormula(bytes.data(), bytes.size(), book, next(), next());
        } catch (const xlerror&) {
        }
    }
}

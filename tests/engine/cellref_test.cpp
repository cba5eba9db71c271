#include "celvo/cellref.h"

#include <cstring>

#include "celvo/xlerror.h"
#include "test_support.h"

using namespace celvo;

TEST(CellRef, ColumnLetters)
{
    struct Case { int col; const char16_t* letters; };
    const Case cases[] = {{0, u"A"}, {25, u"Z"}, {26, u"AA"}, {27, u"AB"}, {255, u"IV"}, {701, u"ZZ"},
                          {702, u"AAA"}, {16383, u"XFD"}, {-1, u""}};
    for (const Case& c : cases) {
        std::u16string out = u"x";
        columnLetters(out, c.col);
        EXPECT_EQ(out, std::u16string(u"x") + c.letters) << c.col;
    }
}

TEST(CellRef, RowColToText)
{
    struct Case { int row, col; bool rowRel, colRel; const char16_t* text; };
    const Case cases[] = {
        {0, 0, true, true, u"A1"},
        {6, 1, false, false, u"$B$7"},
        {9, 27, true, false, u"$AB10"},
        {6, 1, false, true, u"B$7"},
        {1048575, 16383, true, true, u"XFD1048576"},
    };
    for (const Case& c : cases) EXPECT_EQ(rowColToCellRef(c.row, c.col, c.rowRel, c.colRel), c.text);

    struct Bad { int row, col; const char* message; };
    const Bad bad[] = {
        {1048576, 0, "row must be in range 0-1048575"}, {-1, 0, "row must be in range 0-1048575"},
        {0, 16384, "col must be in range 0-16383"}, {0, -1, "col must be in range 0-16383"},
    };
    for (const Bad& b : bad) {
        try {
            rowColToCellRef(b.row, b.col, true, true);
            ADD_FAILURE() << b.row << "," << b.col;
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), b.message);
        }
    }
}

TEST(CellRef, TextToRowCol)
{
    struct Case { const char16_t* text; int row, col; bool rowRel, colRel; };
    const Case cases[] = {
        {u"$B$7", 6, 1, false, false},
        {u"AA12", 11, 26, true, true},
        {u"B$7", 6, 1, false, true},
        {u"$B7", 6, 1, true, false},
        {u"aa12", 11, 26, true, true},  // lower case reads as upper case
        {u"xfd1048576", 1048575, 16383, true, true},
        {u"A10", 9, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.text));
        int row = -7, col = -7;
        bool rowRel = false, colRel = true;
        cellRefToRowCol(c.text, &row, &col, &rowRel, &colRel);
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(col, c.col);
        EXPECT_EQ(rowRel, c.rowRel);
        EXPECT_EQ(colRel, c.colRel);
    }
}

TEST(CellRef, TextToRowColEdges)
{
    // Null out-pointers are neither computed nor written.
    int row = -7;
    cellRefToRowCol(u"C3", &row, nullptr, nullptr, nullptr);
    EXPECT_EQ(row, 2);
    int col = -7;
    cellRefToRowCol(u"C3", nullptr, &col, nullptr, nullptr);
    EXPECT_EQ(col, 2);

    // No digit 1-9: column -1, row from the whole text.
    cellRefToRowCol(u"ABC", &row, &col, nullptr, nullptr);
    EXPECT_EQ(col, -1);
    EXPECT_EQ(row, -1);

    // A long letter run does not wrap around into a small column, and long
    // digit runs do not overflow.
    cellRefToRowCol(u"ZZZZZZZZZZZZZZZZZZZZZZZZ99999999999999999999", &row, &col, nullptr, nullptr);
    EXPECT_GT(col, 16383);
    EXPECT_GT(row, 1048575);
}

TEST(CellRef, NumberText)
{
    EXPECT_EQ(intToWstr(-42), u"-42");
    EXPECT_EQ(doubleToWstr(0.1), u"0.1");
    EXPECT_EQ(doubleToWstr(1.0 / 3.0), u"0.333333333333333");
    EXPECT_EQ(wstrToInt(u" 12abc"), 12);
    EXPECT_EQ(wstrToInt(u"x"), 0);
    EXPECT_EQ(wstrToDouble(u"2.5e1xyz"), 25.0);
}

TEST(CellRef, NarrowA1Text)
{
    struct Case { std::uint32_t row, col; const char* text; };
    const Case cases[] = {{0, 0, "A1"}, {6, 1, "B7"}, {0, 25, "Z1"}, {0, 26, "AA1"}, {99, 701, "ZZ100"},
                          {0, 702, "AAA1"}, {1048575, 16383, "XFD1048576"}};
    for (const Case& c : cases) {
        char buf[kCellRefA1Max];
        std::size_t n = formatCellRefA1(buf, c.row, c.col);
        EXPECT_EQ(std::string(buf, n), c.text);
        std::uint32_t row = 7, col = 7;
        ASSERT_TRUE(parseCellRefA1(c.text, std::strlen(c.text), row, col)) << c.text;
        EXPECT_EQ(c.row, row);
        EXPECT_EQ(c.col, col);
    }
    char buf[kCellRefA1Max];
    EXPECT_EQ(0u, formatCellRefA1(buf, 1048576, 0));
    EXPECT_EQ(0u, formatCellRefA1(buf, 0, 16384));
}

TEST(CellRef, NarrowA1TextRefused)
{
    // Nothing outside the sheet or malformed is read, and nothing wraps
    // around into another cell.
    for (const char* text : {"", "A", "1", "A0", "XFE1", "A1048577", "AAAA1", "ABCDEFGHIJKLMN", "A1B", "$A$1", "A-1",
                             "A 1", "A+1", "A12345678", "ZZZZZZZZZZZZZZZZZZZZZZZZ99"}) {
        std::uint32_t row = 5, col = 5;
        EXPECT_FALSE(parseCellRefA1(text, std::strlen(text), row, col)) << text;
        EXPECT_EQ(5u, row);
        EXPECT_EQ(5u, col);
    }
    std::uint32_t row = 0, col = 0;
    EXPECT_TRUE(parseCellRefA1("xfd01", 5, row, col));
    EXPECT_EQ(0u, row);
    EXPECT_EQ(16383u, col);
}

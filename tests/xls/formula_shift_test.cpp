#include "formula/shift.h"

#include "formula/compiler.h"
#include "formula/printer.h"
#include "formula/ptg.h"
#include "formula_fake_context.h"
#include "test_support.h"

using namespace celvo;
using celvo::test::FakeFormulaContext;
using celvo::test::hexBytes;
using celvo::test::hexText;

namespace {

GridEdit rowsInserted(int first, int count, int sheet = 0) { return {false, true, first, count, sheet}; }
GridEdit rowsRemoved(int first, int count, int sheet = 0) { return {false, false, first, count, sheet}; }
GridEdit colsInserted(int first, int count, int sheet = 0) { return {true, true, first, count, sheet}; }
GridEdit colsRemoved(int first, int count, int sheet = 0) { return {true, false, first, count, sheet}; }

std::string describe(const GridEdit& e)
{
    return std::string(e.insert ? "insert " : "remove ") + (e.columns ? "columns " : "rows ") +
           std::to_string(e.first) + "+" + std::to_string(e.count) + " on sheet " + std::to_string(e.sheet);
}

}  // namespace

TEST(GridEdit, MapsIndexesAndSpans)
{
    struct Case { GridEdit edit; int a, b; bool kept; int na, nb; };
    const Case cases[] = {
        // Insertions: below the block nothing moves, at or after it moves down.
        {rowsInserted(5, 2), 0, 4, true, 0, 4},
        {rowsInserted(5, 2), 5, 5, true, 7, 7},
        {rowsInserted(5, 2), 3, 8, true, 3, 10},      // spans the insertion point: grows
        {rowsInserted(5, 2), 65534, 65535, false, 0, 0},  // pushed wholly off the sheet
        {rowsInserted(5, 2), 65530, 65535, true, 65532, 65535},  // cut at the last row
        {rowsInserted(5, 2), 0, 65535, true, 0, 65535},  // whole column stays whole
        {colsInserted(0, 1), 255, 255, false, 0, 0},
        {colsInserted(0, 1), 0, 254, true, 1, 255},
        // Removals: the block goes, what follows comes up.
        {rowsRemoved(3, 4), 0, 2, true, 0, 2},
        {rowsRemoved(3, 4), 3, 6, false, 0, 0},       // wholly inside the block
        {rowsRemoved(3, 4), 2, 8, true, 2, 4},        // spans the block: shrinks
        {rowsRemoved(3, 4), 5, 9, true, 3, 5},        // starts inside the block
        {rowsRemoved(3, 4), 1, 4, true, 1, 2},        // ends inside the block
        {rowsRemoved(3, 4), 20, 22, true, 16, 18},
        {rowsRemoved(0, 10), 0, 65535, true, 0, 65535},
        {colsRemoved(255, 1), 200, 255, true, 200, 254},
    };
    for (const Case& c : cases) {
        int a = c.a, b = c.b;
        const bool kept = c.edit.mapSpan(a, b);
        EXPECT_EQ(kept, c.kept) << describe(c.edit) << " span " << c.a << ".." << c.b;
        if (kept && c.kept) {
            EXPECT_EQ(a, c.na) << describe(c.edit) << " span " << c.a << ".." << c.b;
            EXPECT_EQ(b, c.nb) << describe(c.edit) << " span " << c.a << ".." << c.b;
        }
    }

    struct One { GridEdit edit; int index, moved; };
    const One ones[] = {
        {rowsInserted(10, 2), 9, 9}, {rowsInserted(10, 2), 10, 12}, {rowsInserted(10, 2), 65533, 65535},
        {rowsInserted(10, 2), 65534, -1}, {rowsRemoved(10, 2), 10, -1}, {rowsRemoved(10, 2), 11, -1},
        {rowsRemoved(10, 2), 12, 10}, {colsInserted(0, 1), 255, -1}, {colsRemoved(0, 1), 0, -1},
    };
    for (const One& o : ones) EXPECT_EQ(o.edit.map(o.index), o.moved) << describe(o.edit) << " index " << o.index;
}

// Formulas compiled on Sheet1 (home 0), shifted, printed back.
TEST(FormulaShift, CellFormulas)
{
    struct Case { const char16_t* text; GridEdit edit; const char16_t* shifted; };
    const Case cases[] = {
        {u"A1+B10", rowsInserted(2, 3), u"A1+B13"},
        {u"$A$5", rowsInserted(4, 1), u"$A$6"},          // absolute references move too
        {u"SUM(A3:A8)", rowsInserted(5, 2), u"SUM(A3:A10)"},
        {u"SUM(A1:A65536)", rowsInserted(5, 2), u"SUM(A1:A65536)"},
        {u"SUM(A3:A8)", rowsRemoved(2, 2), u"SUM(A3:A6)"},
        {u"SUM(A3:A8)", rowsRemoved(7, 5), u"SUM(A3:A7)"},
        {u"C5*2", colsInserted(1, 2), u"E5*2"},
        {u"C5*2", colsInserted(3, 2), u"C5*2"},           // left of the block
        {u"SUM(B1:D1)", colsRemoved(2, 1), u"SUM(B1:C1)"},
        {u"Sheet1!A5", rowsInserted(0, 1), u"Sheet1!A6"},  // 3-D reference to the edited sheet
        {u"Sheet2!A5", rowsInserted(0, 1), u"Sheet2!A5"},  // another sheet
        {u"Sheet2!A5+A5", rowsInserted(0, 1, 1), u"Sheet2!A6+A5"},  // edit on Sheet2, formula on Sheet1
        {u"SUM(Sheet1:Sheet2!A5)", rowsInserted(0, 1), u"SUM(Sheet1:Sheet2!A5)"},  // several sheets: left alone
        {u"IF(A1>0,B7,C9)", rowsInserted(6, 1), u"IF(A1>0;B8;C10)"},
    };
    for (const Case& c : cases) {
        FakeFormulaContext book;
        std::vector<std::uint8_t> tokens = MakeFormula(book).compile(c.text);
        const std::vector<std::uint8_t> before = tokens;
        const bool changed = shiftReferences(tokens, c.edit, 0, book);
        EXPECT_EQ(changed, tokens != before) << utf16ToUtf8(c.text);
        EXPECT_EQ(tokens.size(), before.size()) << utf16ToUtf8(c.text);
        EXPECT_EQ(utf16ToUtf8(printFormula(tokens.data(), tokens.size(), book)), utf16ToUtf8(c.shifted))
            << utf16ToUtf8(c.text) << " after " << describe(c.edit);
    }
}

// References to removed cells or cells pushed off the sheet become #REF!
// tokens of the same class and size; 3-D ones keep their EXTERNSHEET index.
TEST(FormulaShift, LostReferencesBecomeErrors)
{
    struct Case { const char* tokens; GridEdit edit; const char* shifted; };
    const Case cases[] = {
        {"24 05 00 00 C0", rowsRemoved(5, 1), "2A 00 00 00 00"},                   // PtgRef
        {"44 05 00 00 C0", rowsRemoved(4, 3), "4A 00 00 00 00"},                   // value class kept
        {"24 FF FF 00 C0", rowsInserted(0, 1), "2A 00 00 00 00"},                  // pushed off
        {"24 00 00 FF 00", colsInserted(3, 1), "2A 00 00 00 00"},
        {"25 02 00 03 00 00 C0 01 C0", rowsRemoved(1, 4), "2B 00 00 00 00 00 00 00 00"},
        {"25 02 00 03 00 00 C0 01 C0", rowsRemoved(0, 2), "25 00 00 01 00 00 C0 01 C0"},
        {"3A 00 00 07 00 02 00", rowsRemoved(7, 1), "3C 00 00 00 00 00 00"},       // PtgRef3d
        {"5B 00 00 00 00 0F 00 FE 00 FF 00", colsInserted(0, 10), "5D 00 00 00 00 00 00 00 00 00 00"},
        {"3B 00 00 00 00 0F 00 FE 00 FF 00", colsInserted(250, 1), "3B 00 00 00 00 0F 00 FF 00 FF 00"},
        // A reference already in error stays as it is.
        {"2A 00 00 00 00", rowsRemoved(0, 1), "2A 00 00 00 00"},
        // Relative flags of the column words are kept when columns move.
        {"24 01 00 02 C0", colsInserted(0, 3), "24 01 00 05 C0"},
    };
    for (const Case& c : cases) {
        FakeFormulaContext book;
        book.xti = {{0, 0}};
        std::vector<std::uint8_t> tokens = hexBytes(c.tokens);
        shiftReferences(tokens, c.edit, 0, book);
        EXPECT_EQ(hexText(tokens), c.shifted) << c.tokens << " after " << describe(c.edit);
    }
}

TEST(FormulaShift, NamesAndStreamsNotWalked)
{
    FakeFormulaContext book;
    book.xti = {{0, 0}};
    struct Case { const char* tokens; TokenOwner owner; int home; const char* shifted; };
    const Case cases[] = {
        // A name: absolute 3-D references move, relative ones stay.
        {"3B 00 00 04 00 09 00 00 00 03 00", TokenOwner::Name, -1, "3B 00 00 06 00 0B 00 00 00 03 00"},
        {"3A 00 00 04 00 00 80", TokenOwner::Name, -1, "3A 00 00 04 00 00 80"},
        // Plain references of a formula with no sheet stay.
        {"24 05 00 00 00", TokenOwner::Name, -1, "24 05 00 00 00"},
        // Unknown or cut tokens: the stream is left as it was.
        {"24 05 00 00 00 FF", TokenOwner::Cell, 0, "24 05 00 00 00 FF"},
        {"24 05 00 00 00 25 01", TokenOwner::Cell, 0, "24 05 00 00 00 25 01"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> tokens = hexBytes(c.tokens);
        shiftReferences(tokens, rowsInserted(2, 2), c.home, book, c.owner);
        EXPECT_EQ(hexText(tokens), c.shifted) << c.tokens;
    }
}

TEST(FormulaShift, SharedTokensResolveAndComeBack)
{
    struct Case { const char* shared; std::uint16_t row, col; const char* resolved; };
    const Case cases[] = {
        // PtgRefN one row up, same column, read at (5, 2): PtgRef C5.
        {"2C FF FF 00 C0", 5, 2, "24 04 00 02 C0"},
        // PtgRefN one column left, absolute row 0.
        {"4C 00 00 FF 40", 3, 3, "44 00 00 02 40"},
        // PtgAreaN rows +0..+2 absolute columns A..B.
        {"2D 00 00 02 00 00 80 01 80", 10, 7, "25 0A 00 0C 00 00 80 01 80"},
        // A 3-D reference with relative parts in a shared formula.
        {"3A 00 00 01 00 00 C0", 4, 1, "3A 00 00 05 00 01 C0"},
        // Other tokens are kept; plain references hold positions already.
        {"1E 01 00 2C 00 00 00 C0 03", 1, 1, "1E 01 00 24 01 00 01 C0 03"},
        {"24 01 00 01 C0", 5, 5, "24 01 00 01 C0"},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> shared = hexBytes(c.shared);
        const std::vector<std::uint8_t> resolved = resolveSharedTokens(shared, c.row, c.col);
        EXPECT_EQ(hexText(resolved), c.resolved) << c.shared;
        EXPECT_EQ(hexText(relativeSharedTokens(resolved, shared, c.row, c.col)), hexText(shared)) << c.shared;
    }
    // Resolved, shifted and written back at the moved cell: the same relative
    // tokens when the cell and its target moved together.
    FakeFormulaContext book;
    const std::vector<std::uint8_t> shared = hexBytes("2C FF FF 00 C0");
    std::vector<std::uint8_t> resolved = resolveSharedTokens(shared, 5, 2);
    ASSERT_TRUE(shiftReferences(resolved, rowsInserted(0, 3), 0, book));
    EXPECT_EQ(hexText(relativeSharedTokens(resolved, shared, 8, 2)), "2C FF FF 00 C0");
    // An error token stays an error when written back.
    resolved = resolveSharedTokens(shared, 5, 2);
    ASSERT_TRUE(shiftReferences(resolved, rowsRemoved(4, 1), 0, book));
    EXPECT_EQ(hexText(relativeSharedTokens(resolved, shared, 4, 2)), "2A 00 00 00 00");
}

TEST(FormulaShift, NameIndexes)
{
    struct Case { const char* tokens; std::uint32_t erased; bool refers; const char* renumbered; };
    const Case cases[] = {
        {"23 01 00 00 00", 1, true, "23 01 00 00 00"},
        {"23 03 00 00 00 43 02 00 00 00 03", 2, true, "23 02 00 00 00 43 02 00 00 00 03"},
        {"23 01 00 00 00", 2, false, "23 01 00 00 00"},
        {"1E 05 00", 1, false, "1E 05 00"},
        {"23 05 00", 1, false, "23 05 00"},  // cut: not walked, not changed
        // PtgNameX through an entry of the book itself (0) names the book's
        // names as PtgName does; through one of another book (1, unknown to
        // the book's entries) it names that book's and is left alone.
        {"39 00 00 03 00 00 00 23 04 00 00 00 0F", 2, false, "39 00 00 02 00 00 00 23 03 00 00 00 0F"},
        {"59 00 00 02 00 00 00", 2, true, "59 00 00 02 00 00 00"},
        {"39 01 00 03 00 00 00", 2, false, "39 01 00 03 00 00 00"},
        {"39 01 00 02 00 00 00", 2, false, "39 01 00 02 00 00 00"},
    };
    FakeFormulaContext book = FakeFormulaContext::sample();
    book.xti = {{0, 0}};
    for (const Case& c : cases) {
        std::vector<std::uint8_t> tokens = hexBytes(c.tokens);
        EXPECT_EQ(refersToName(tokens, c.erased, book), c.refers) << c.tokens;
        renumberNamesAfterErase(tokens, c.erased, book);
        EXPECT_EQ(hexText(tokens), c.renumbered) << c.tokens;
    }
}

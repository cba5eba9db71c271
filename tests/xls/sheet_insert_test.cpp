// Inserting and removing rows and columns: cells, comments, merged ranges,
// row and column settings, formulas of every sheet and the book's names.
#include "test_support.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "book.h"
#include "book_formula.h"
#include "book_test_util.h"
#include "formula/compiler.h"
#include "formula/printer.h"
#include "sheet.h"
#include "sheet_test_util.h"

namespace celvo {
namespace {

using namespace test;

enum class Op { InsertRows, InsertColumns, RemoveRows, RemoveColumns };

bool apply(ISheetT& s, Op op, int first, int last)
{
    switch (op) {
    case Op::InsertRows: return s.insertRows(first, last);
    case Op::InsertColumns: return s.insertColumns(first, last);
    case Op::RemoveRows: return s.removeRows(first, last);
    case Op::RemoveColumns: return s.removeColumns(first, last);
    }
    return false;
}

const char* opName(Op op)
{
    switch (op) {
    case Op::InsertRows: return "insertRows";
    case Op::InsertColumns: return "insertColumns";
    case Op::RemoveRows: return "removeRows";
    case Op::RemoveColumns: return "removeColumns";
    }
    return "";
}

std::string call(Op op, int first, int last)
{
    return std::string(opName(op)) + "(" + std::to_string(first) + ", " + std::to_string(last) + ")";
}

// FORMULA with a cached 0 and the given tokens.
Bytes formulaRecord(std::uint16_t row, std::uint16_t col, const Bytes& tokens)
{
    return rec(0x0006, cat(u16s({row, col, 15}), f64le(0), u16s({0}), u32le(0),
                           u16s({static_cast<std::uint16_t>(tokens.size())}), tokens));
}

Bytes expTokens(std::uint16_t row, std::uint16_t col) { return cat(Bytes{0x01}, u16s({row, col})); }

// The cells of the written sheet that hold formulas: position and tokens.
struct WrittenFormula {
    std::uint16_t row, col;
    Bytes tokens;
    bool operator==(const WrittenFormula& o) const { return row == o.row && col == o.col && tokens == o.tokens; }
};

std::vector<WrittenFormula> writtenFormulas(SheetImplT& s)
{
    std::vector<WrittenFormula> out;
    for (const auto& r : written(s))
        if (r.id == 0x0006)
            out.push_back({getU16(r.data.data()), getU16(r.data.data() + 2), Bytes(r.data.begin() + 22, r.data.end())});
    return out;
}

std::string text(BookImplT& book, const Bytes& tokens, int row = 0, int col = 0)
{
    BookFormulaContext context(book);
    try {
        return utf16ToUtf8(printFormula(tokens.data(), tokens.size(), context, row, col));
    } catch (const std::exception& e) {
        return std::string("error: ") + e.what();
    }
}

Bytes compile(BookImplT& book, const char16_t* formula)
{
    BookFormulaContext context(book);
    return MakeFormula(context).compile(formula);
}

// ---- arguments ------------------------------------------------------------------

TEST(SheetInsert, RefusedArgumentsChangeNothing)
{
    struct Case { Op op; int first, last; const char* message; };
    const Case cases[] = {
        {Op::InsertRows, 5, 4, "rowLast must be greater than or equal to rowFirst"},
        {Op::RemoveRows, 5, 4, "rowLast must be greater than or equal to rowFirst"},
        {Op::InsertColumns, 3, 2, "colLast must be greater than or equal to colFirst"},
        {Op::RemoveColumns, 3, 2, "colLast must be greater than or equal to colFirst"},
        {Op::InsertRows, -1, 0, "row must be in range 0-65535"},
        {Op::RemoveRows, 65535, 65536, "row must be in range 0-65535"},
        {Op::InsertColumns, 0, 256, "col must be in range 0-255"},
        {Op::RemoveColumns, -2, 3, "col must be in range 0-255"},
    };
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        ASSERT_TRUE(s->writeNumber(7, 7, 1.5, nullptr));
        EXPECT_FALSE(apply(*s, c.op, c.first, c.last)) << call(c.op, c.first, c.last);
        EXPECT_STREQ(book->errorMessage(), c.message) << call(c.op, c.first, c.last);
        EXPECT_EQ(s->readNumber(7, 7, nullptr), 1.5);
    }
}

// The book's message after a successful edit: removeRows says "ok", the
// others leave it as it was.
TEST(SheetInsert, MessageAfterSuccess)
{
    const Op ops[] = {Op::InsertRows, Op::InsertColumns, Op::RemoveRows, Op::RemoveColumns};
    for (Op op : ops) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        EXPECT_EQ(book->sheet(5), nullptr);
        EXPECT_TRUE(apply(*s, op, 1, 2)) << opName(op);
        EXPECT_STREQ(book->errorMessage(), op == Op::RemoveRows ? "ok" : "index is out of range") << opName(op);
    }
}

// ---- cells ------------------------------------------------------------------------

TEST(SheetInsert, CellsMoveWithTheirRowsAndColumns)
{
    struct At { int row, col; };
    struct Case { Op op; int first, last; std::vector<At> before; std::vector<At> after; };  // -1: gone
    const Case cases[] = {
        {Op::InsertRows, 10, 11, {{10, 0}, {9, 3}, {65535, 0}, {65533, 255}}, {{12, 0}, {9, 3}, {-1, -1}, {65535, 255}}},
        {Op::InsertColumns, 0, 0, {{0, 255}, {3, 0}, {3, 254}}, {{-1, -1}, {3, 1}, {3, 255}}},
        {Op::InsertColumns, 5, 7, {{0, 4}, {0, 5}}, {{0, 4}, {0, 8}}},
        {Op::RemoveRows, 10, 11, {{10, 0}, {11, 1}, {12, 2}, {65535, 3}, {9, 4}}, {{-1, -1}, {-1, -1}, {10, 2}, {65533, 3}, {9, 4}}},
        {Op::RemoveColumns, 0, 1, {{0, 0}, {0, 1}, {0, 2}, {5, 255}}, {{-1, -1}, {-1, -1}, {0, 0}, {5, 253}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(call(c.op, c.first, c.last));
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        for (std::size_t i = 0; i < c.before.size(); ++i)
            ASSERT_TRUE(s->writeNumber(c.before[i].row, c.before[i].col, double(i + 1), nullptr));
        ASSERT_TRUE(apply(*s, c.op, c.first, c.last));
        // Every value where it went, and the record's own position with it.
        std::vector<std::pair<int, int>> expected, found;
        for (std::size_t i = 0; i < c.after.size(); ++i) {
            if (c.after[i].row < 0) continue;
            EXPECT_EQ(s->readNumber(c.after[i].row, c.after[i].col, nullptr), double(i + 1));
            expected.emplace_back(c.after[i].row, c.after[i].col);
        }
        for (const auto& r : written(*s))
            if (r.id == 0x027E || r.id == 0x0203) found.emplace_back(getU16(r.data.data()), getU16(r.data.data() + 2));
        std::sort(expected.begin(), expected.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, expected);
    }
}

TEST(SheetInsert, EveryKindOfCellMoves)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    // A LABEL read from a file, a boolean, a blank, a string and a formula.
    readInto(*s, cat(rec(0x0204, cat(u16s({2, 0, 15, 2}), Bytes{0, 'h', 'i'})),
                     rec(0x0205, cat(u16s({2, 1, 15}), Bytes{1, 0})), rec(0x0201, u16s({2, 2, 15})),
                     formulaRecord(2, 4, Bytes{0x1E, 0x07, 0x00})));
    ASSERT_TRUE(s->writeString(2, 3, u"text", nullptr));
    ASSERT_TRUE(s->insertRows(0, 2));
    EXPECT_EQ(std::u16string(s->readString(5, 0, nullptr)), u"hi");
    EXPECT_TRUE(s->readBool(5, 1, nullptr));
    EXPECT_EQ(s->cellType(5, 2), CELLTYPE_BLANK);
    EXPECT_EQ(std::u16string(s->readString(5, 3, nullptr)), u"text");
    EXPECT_TRUE(s->isFormula(5, 4));
    for (int c = 0; c < 5; ++c) EXPECT_EQ(s->cellType(2, c), CELLTYPE_EMPTY) << c;
    EXPECT_EQ(s->lastRow(), 6);
    ASSERT_TRUE(s->removeRows(0, 4));
    EXPECT_EQ(s->firstRow(), 0);
    EXPECT_EQ(s->lastRow(), 1);
    ASSERT_TRUE(s->removeRows(0, 0));
    EXPECT_EQ(s->lastRow(), 0);  // an empty sheet
}

// ---- comments ---------------------------------------------------------------------

Bytes noteRecord(std::uint16_t row, std::uint16_t col, std::uint16_t id)
{
    return rec(0x001C, cat(u16s({row, col, 0, id, 1}), Bytes{0, 'A', 0}));
}

TEST(SheetInsert, CommentsMoveOrGo)
{
    struct At { std::uint16_t row, col; };
    struct Case { Op op; int first, last; std::vector<At> after; };
    // Comments at (10, 0), (12, 1), (3, 255).
    const Case cases[] = {
        {Op::RemoveRows, 10, 11, {{10, 1}, {3, 255}}},
        {Op::InsertRows, 10, 11, {{12, 0}, {14, 1}, {3, 255}}},
        {Op::InsertRows, 11, 65535, {{10, 0}, {3, 255}}},
        {Op::InsertColumns, 1, 1, {{10, 0}, {12, 2}}},
        {Op::RemoveColumns, 0, 0, {{12, 0}, {3, 254}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(call(c.op, c.first, c.last));
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        readInto(*s, cat(noteRecord(10, 0, 1), noteRecord(12, 1, 2), noteRecord(3, 255, 3)));
        ASSERT_TRUE(apply(*s, c.op, c.first, c.last));
        std::vector<std::pair<int, int>> found, expected;
        for (const auto& r : written(*s))
            if (r.id == 0x001C) found.emplace_back(getU16(r.data.data()), getU16(r.data.data() + 2));
        for (const At& a : c.after) expected.emplace_back(a.row, a.col);
        EXPECT_EQ(found, expected);
    }
}

// ---- merged ranges ------------------------------------------------------------------

using Range = std::array<std::uint16_t, 4>;  // rows first..last, columns first..last

std::vector<Range> writtenMerges(SheetImplT& s)
{
    std::vector<Range> out;
    for (const auto& r : written(s)) {
        if (r.id != 0x00E5) continue;
        const std::size_t n = getU16(r.data.data());
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t* p = r.data.data() + 2 + 8 * i;
            out.push_back({getU16(p), getU16(p + 2), getU16(p + 4), getU16(p + 6)});
        }
    }
    return out;
}

Bytes mergeRecord(const std::vector<Range>& ranges)
{
    Bytes data = u16s({static_cast<std::uint16_t>(ranges.size())});
    for (const Range& r : ranges) data = cat(data, u16s({r[0], r[1], r[2], r[3]}));
    return rec(0x00E5, data);
}

TEST(SheetInsert, MergedRanges)
{
    struct Case { Op op; int first, last; std::vector<Range> before, after; };
    const Case cases[] = {
        // An insertion inside a range splits it; ranges below move.
        {Op::InsertRows, 2, 3, {{1, 5, 0, 1}, {6, 8, 0, 1}}, {{1, 1, 0, 1}, {8, 10, 0, 1}, {4, 7, 0, 1}}},
        {Op::InsertColumns, 1, 1, {{0, 1, 0, 3}}, {{0, 1, 0, 0}, {0, 1, 2, 4}}},
        // A piece of one cell is no merge.
        {Op::InsertColumns, 1, 1, {{0, 0, 0, 3}}, {{0, 0, 2, 4}}},
        // Pushed off the sheet: dropped, or cut at the last row or column.
        {Op::InsertRows, 0, 9, {{65530, 65535, 0, 1}, {65520, 65530, 2, 3}}, {{65530, 65535, 2, 3}}},
        {Op::InsertColumns, 0, 9, {{0, 1, 250, 255}, {2, 3, 240, 250}}, {{2, 3, 250, 255}}},
        // Removals narrow, move or drop.
        {Op::RemoveRows, 3, 6, {{2, 8, 0, 0}, {20, 22, 0, 0}, {3, 4, 1, 1}, {5, 9, 2, 2}}, {{2, 4, 0, 0}, {16, 18, 0, 0}, {3, 5, 2, 2}}},
        {Op::RemoveRows, 2, 2, {{2, 2, 0, 3}}, {}},
        {Op::RemoveColumns, 1, 2, {{0, 0, 0, 3}, {1, 1, 1, 2}, {2, 2, 2, 5}}, {{0, 0, 0, 1}, {2, 2, 1, 3}}},
        // What would shrink to one cell is no merge any more.
        {Op::RemoveRows, 1, 1, {{0, 1, 0, 0}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(call(c.op, c.first, c.last));
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        readInto(*s, mergeRecord(c.before));
        ASSERT_TRUE(apply(*s, c.op, c.first, c.last));
        EXPECT_EQ(writtenMerges(*s), c.after);
    }
}

// ---- rows and columns -----------------------------------------------------------------

TEST(SheetInsert, RowHeightsAndColumnWidthsTravel)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    ASSERT_TRUE(s->setRow(4, 30.0, nullptr, false));
    ASSERT_TRUE(s->setRow(6, 15.0, nullptr, true));
    ASSERT_TRUE(s->setRow(65535, 20.0, nullptr, false));
    ASSERT_TRUE(s->setColumn(2, 2, 20.0, nullptr, false));
    ASSERT_TRUE(s->setColumn(3, 3, 5.0, nullptr, true));
    ASSERT_TRUE(s->setColumn(255, 255, 30.0, nullptr, false));

    ASSERT_TRUE(s->insertRows(5, 6));
    EXPECT_EQ(s->rowHeight(4), 30.0);
    EXPECT_EQ(s->rowHeight(5), 12.75);
    EXPECT_FALSE(s->isRowHidden(5));
    EXPECT_EQ(s->rowHeight(6), 12.75);
    EXPECT_TRUE(s->isRowHidden(8));
    EXPECT_FALSE(s->isRowHidden(6));
    EXPECT_EQ(s->rowHeight(65535), 12.75);  // the last row went off the sheet

    ASSERT_TRUE(s->removeRows(0, 3));
    EXPECT_EQ(s->rowHeight(0), 30.0);
    EXPECT_TRUE(s->isRowHidden(4));

    ASSERT_TRUE(s->insertColumns(0, 0));
    EXPECT_EQ(s->columnWidth(0), 8.43);
    EXPECT_FALSE(s->isColumnHidden(0));
    EXPECT_EQ(s->columnWidth(3), 20.0);
    EXPECT_TRUE(s->isColumnHidden(4));
    EXPECT_EQ(s->columnWidth(255), 8.43);

    ASSERT_TRUE(s->removeColumns(3, 3));
    EXPECT_TRUE(s->isColumnHidden(3));
    EXPECT_EQ(s->columnWidth(4), 8.43);
}

// ---- formulas -----------------------------------------------------------------------

TEST(SheetInsert, FormulasOfEverySheetFollowTheirCells)
{
    struct Case { Op op; int first, last; const char* own; const char* other; };
    // Sheet1!C3 holds A5+SUM(B2:B9)+Sheet2!A1; Sheet2!A1 holds Sheet1!A5*2+A5.
    const Case cases[] = {
        {Op::InsertRows, 0, 1, "A7+SUM(B4:B11)+Sheet2!A1", "Sheet1!A7*2+A5"},
        {Op::InsertRows, 4, 4, "A6+SUM(B2:B10)+Sheet2!A1", "Sheet1!A6*2+A5"},
        {Op::RemoveRows, 4, 4, "ERR+SUM(B2:B8)+Sheet2!A1", "ERR*2+A5"},
        {Op::RemoveRows, 0, 0, "A4+SUM(B1:B8)+Sheet2!A1", "Sheet1!A4*2+A5"},
        {Op::InsertColumns, 0, 0, "B5+SUM(C2:C9)+Sheet2!A1", "Sheet1!B5*2+A5"},
        {Op::RemoveColumns, 1, 1, "A5+SUM(ERR)+Sheet2!A1", "Sheet1!A5*2+A5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(call(c.op, c.first, c.last));
        BookHolder book;
        SheetImplT* one = addSheet(*book.book, u"Sheet1");
        SheetImplT* two = addSheet(*book.book, u"Sheet2");
        readInto(*one, formulaRecord(2, 2, compile(*book.book, u"A5+SUM(B2:B9)+Sheet2!A1")));
        readInto(*two, formulaRecord(0, 0, compile(*book.book, u"Sheet1!A5*2+A5")));
        ASSERT_TRUE(apply(*one, c.op, c.first, c.last));
        const auto own = writtenFormulas(*one);
        const auto other = writtenFormulas(*two);
        ASSERT_EQ(other.size(), 1u);
        EXPECT_EQ(text(*book.book, other[0].tokens), c.other);
        if (own.empty()) continue;
        EXPECT_EQ(text(*book.book, own[0].tokens), c.own);
    }
}

// Rows 1..3 of column B share "the row's A cell times 2": PtgRefN (same
// row, one column left), the integer 2, multiply.
Bytes sharedColumn()
{
    const Bytes tokens{0x2C, 0x00, 0x00, 0xFF, 0xC0, 0x1E, 0x02, 0x00, 0x05};
    return cat(formulaRecord(1, 1, expTokens(1, 1)),
               rec(0x04BC, cat(u16s({1, 3}), Bytes{1, 1, 0, 3}, u16s({static_cast<std::uint16_t>(tokens.size())}), tokens)),
               formulaRecord(2, 1, expTokens(1, 1)), formulaRecord(3, 1, expTokens(1, 1)));
}

TEST(SheetInsert, SharedFormulasStayWholeOrBecomeOwnFormulas)
{
    struct Case {
        Op op;
        int first, last;
        bool shared;                    // a SHRFMLA is still written
        std::vector<std::string> texts;  // each cell's formula, in row order
        std::vector<int> rows;
    };
    const Case cases[] = {
        // Above the group: it moves whole.
        {Op::InsertRows, 0, 1, true, {"A4*2", "A5*2", "A6*2"}, {3, 4, 5}},
        // Through the group: each cell keeps its meaning on its own.
        {Op::InsertRows, 2, 2, false, {"A2*2", "A4*2", "A5*2"}, {1, 3, 4}},
        // The first cell goes: the others keep theirs.
        {Op::RemoveRows, 1, 1, false, {"A2*2", "A3*2"}, {1, 2}},
        // Removing the referenced column: #REF! everywhere, still shared.
        {Op::RemoveColumns, 0, 0, true, {"#REF!*2", "#REF!*2", "#REF!*2"}, {1, 2, 3}},
        // Below it: nothing changes.
        {Op::RemoveRows, 10, 20, true, {"A2*2", "A3*2", "A4*2"}, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(call(c.op, c.first, c.last));
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        readInto(*s, sharedColumn());
        ASSERT_TRUE(apply(*s, c.op, c.first, c.last));
        EXPECT_EQ(writes(*s, 0x04BC), c.shared);
        std::vector<std::string> texts;
        std::vector<int> rows;
        for (const auto& f : writtenFormulas(*s)) {
            rows.push_back(f.row);
            std::uint16_t ar = 0, ac = 0;
            // A member is printed from the shared tokens at its own cell.
            if (f.tokens.size() == 5 && f.tokens[0] == 0x01) {
                ar = getU16(f.tokens.data() + 1);
                ac = getU16(f.tokens.data() + 3);
                Bytes sharedTokens;
                const auto records = written(*s);
                for (std::size_t i = 0; i + 1 < records.size(); ++i)
                    if (records[i].id == 0x0006 && getU16(records[i].data.data()) == ar &&
                        getU16(records[i].data.data() + 2) == ac && records[i + 1].id == 0x04BC)
                        sharedTokens.assign(records[i + 1].data.begin() + 10, records[i + 1].data.end());
                texts.push_back(text(*book.book, sharedTokens, f.row, f.col));
            } else {
                texts.push_back(text(*book.book, f.tokens));
            }
        }
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(texts, c.texts);
    }
}

TEST(SheetInsert, ArrayFormulasMoveWholeOrRefuseTheEdit)
{
    // {=A1:A2*2} over C2:C3, anchored at C2.
    const Bytes tokens{0x25, 0, 0, 1, 0, 0, 0, 0, 0, 0x1E, 2, 0, 0x05};
    auto build = [&](SheetImplT& s) {
        readInto(s, cat(formulaRecord(1, 2, expTokens(1, 2)),
                        rec(0x0221, cat(u16s({1, 2}), Bytes{2, 2}, u16s({0}), u32le(0),
                                        u16s({static_cast<std::uint16_t>(tokens.size())}), tokens)),
                        formulaRecord(2, 2, expTokens(1, 2))));
    };
    struct Case { Op op; int first, last; const char* message; std::vector<int> rows; Range range; const char* formula; };
    const Case cases[] = {
        {Op::InsertRows, 2, 2, "can't change part of an array formula", {1, 2}, {1, 2, 2, 2}, "$A$1:$A$2*2"},
        {Op::RemoveRows, 2, 5, "can't change part of an array formula", {1, 2}, {1, 2, 2, 2}, "$A$1:$A$2*2"},
        {Op::InsertRows, 0, 0, "ok", {2, 3}, {2, 3, 2, 2}, "$A$2:$A$3*2"},
        {Op::InsertColumns, 2, 2, "index is out of range", {1, 2}, {1, 2, 3, 3}, "$A$1:$A$2*2"},
        {Op::RemoveColumns, 0, 0, "index is out of range", {1, 2}, {1, 2, 1, 1}, "ERR*2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(call(c.op, c.first, c.last));
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        build(*s);
        EXPECT_EQ(book->sheet(9), nullptr);  // a known message before the edit
        const bool done = apply(*s, c.op, c.first, c.last);
        EXPECT_EQ(done, std::string(c.message) != "can't change part of an array formula");
        if (!done) {
            EXPECT_STREQ(book->errorMessage(), c.message);
        }
        std::vector<int> rows;
        std::vector<Bytes> memberTokens;
        Range range{};
        Bytes arrayTokens;
        for (const auto& r : written(*s)) {
            if (r.id == 0x0006) {
                rows.push_back(getU16(r.data.data()));
                memberTokens.emplace_back(r.data.begin() + 22, r.data.end());
            }
            if (r.id == 0x0221) {
                range = {getU16(r.data.data()), getU16(r.data.data() + 2), r.data[4], r.data[5]};
                arrayTokens.assign(r.data.begin() + 14, r.data.end());
            }
        }
        // Every cell points at the array's first cell.
        for (const Bytes& t : memberTokens) EXPECT_EQ(t, expTokens(range[0], range[2]));
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(range, c.range);
        EXPECT_EQ(text(*book.book, arrayTokens), c.formula);
    }
}

// ---- defined names ----------------------------------------------------------------

std::string boundsOf(ISheetT& s, const char16_t* name)
{
    int r0 = -1, r1 = -1, c0 = -1, c1 = -1;
    if (!s.getNamedRange(name, &r0, &r1, &c0, &c1)) return "none";
    return std::to_string(r0) + ".." + std::to_string(r1) + " x " + std::to_string(c0) + ".." + std::to_string(c1);
}

TEST(SheetInsert, DefinedNamesFollowTheirSheet)
{
    struct Case { Op op; int first, last; const char* area; const char* cell; const char* otherSheet; };
    // Area: rows 4..9, columns 1..2 of Sheet1; Cell: row 7, column 3 of
    // Sheet1; Other: rows 4..9 of Sheet2.
    const Case cases[] = {
        {Op::InsertRows, 2, 3, "6..11 x 1..2", "9..9 x 3..3", "4..9 x 0..0"},
        {Op::InsertRows, 5, 6, "4..11 x 1..2", "9..9 x 3..3", "4..9 x 0..0"},
        {Op::InsertRows, 8, 9, "4..11 x 1..2", "7..7 x 3..3", "4..9 x 0..0"},
        {Op::RemoveRows, 0, 4, "0..4 x 1..2", "2..2 x 3..3", "4..9 x 0..0"},
        {Op::RemoveRows, 7, 7, "4..8 x 1..2", "none", "4..9 x 0..0"},
        {Op::RemoveRows, 0, 20, "none", "none", "4..9 x 0..0"},
        {Op::InsertColumns, 0, 1, "4..9 x 3..4", "7..7 x 5..5", "4..9 x 0..0"},
        {Op::RemoveColumns, 2, 3, "4..9 x 1..1", "none", "4..9 x 0..0"},
        // Cut at the last row, or pushed off.
        {Op::InsertRows, 0, 65530, "65535..65535 x 1..2", "none", "4..9 x 0..0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(call(c.op, c.first, c.last));
        BookHolder book;
        SheetImplT* one = addSheet(*book.book, u"Sheet1");
        SheetImplT* two = addSheet(*book.book, u"Sheet2");
        ASSERT_TRUE(one->setNamedRange(u"Area", 4, 9, 1, 2));
        ASSERT_TRUE(two->setNamedRange(u"Other", 4, 9, 0, 0));
        BookFormulaContext context(*book.book);
        Lbl& cell = book->names().emplace_back();
        cell.pool = &book->pool();
        cell.text.assign(u"Cell", book->pool());
        cell.formula = cat(Bytes{0x3A}, u16s({context.externSheetIndex(0, 0), 7, 3}));
        ASSERT_TRUE(apply(*one, c.op, c.first, c.last));
        EXPECT_EQ(boundsOf(*one, u"Area"), c.area);
        EXPECT_EQ(boundsOf(*one, u"Cell"), c.cell);
        EXPECT_EQ(boundsOf(*two, u"Other"), c.otherSheet);
    }
}

TEST(SheetNames, MessagesOfTheInterface)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    EXPECT_FALSE(s->setNamedRange(u"my range", 0, 1, 0, 1));
    EXPECT_STREQ(book->errorMessage(), "space symbol isn't allowed");
    EXPECT_FALSE(s->setNamedRange(nullptr, 0, 1, 0, 1));
    EXPECT_STREQ(book->errorMessage(), "name is empty");
    EXPECT_EQ(s->namedRangeCount(), 0);
    EXPECT_TRUE(book->names().empty());

    ASSERT_TRUE(s->setNamedRange(u"Data", 0, 9, 0, 3));
    EXPECT_STREQ(book->errorMessage(), "ok");
    int r0 = -1, r1 = -1, c0 = -1, c1 = -1;
    EXPECT_TRUE(s->getNamedRange(u"DATA", &r0, &r1, &c0, &c1));
    EXPECT_EQ(std::vector<int>({r0, r1, c0, c1}), std::vector<int>({0, 9, 0, 3}));
    EXPECT_TRUE(s->getNamedRange(u"Data", nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(s->getNamedRange(u"Missing", &r0, &r1, &c0, &c1));
    EXPECT_STREQ(book->errorMessage(), "named range is not found");

    // The print area counts as a named range, shown by its one character.
    EXPECT_EQ(book->sheet(3), nullptr);
    s->setPrintArea(1, 2, 3, 4);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(book->sheet(3), nullptr);
    s->setPrintArea(1, 5, 3, 4);  // rewritten: the message stays
    EXPECT_STREQ(book->errorMessage(), "index is out of range");
    EXPECT_EQ(s->namedRangeCount(), 2);
    const char16_t* second = s->namedRange(1, &r0, &r1, &c0, &c1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(std::u16string(second), u"\x06");
    EXPECT_EQ(std::vector<int>({r0, r1, c0, c1}), std::vector<int>({1, 5, 3, 4}));
    EXPECT_EQ(s->namedRange(2, &r0, &r1, &c0, &c1), nullptr);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");

    s->setPrintRepeatRows(0, 70000);
    EXPECT_STREQ(book->errorMessage(), "row must be in range 0-65535");
    s->clearPrintRepeats();
    EXPECT_STREQ(book->errorMessage(), "ok");
    s->clearPrintArea();
    s->clearPrintArea();
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(s->namedRangeCount(), 1);

    EXPECT_TRUE(s->deleteNamedRange(u"data"));
    EXPECT_FALSE(s->deleteNamedRange(u"Data"));
    EXPECT_STREQ(book->errorMessage(), "name not found");
}

// ---- independent readers ----------------------------------------------------------

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

std::string tempDir(const char* what)
{
    const std::string dir = test::processTempDir() + "" + what + "_" + std::to_string(getpid());
    EXPECT_EQ(system(("rm -rf " + dir + " && mkdir -p " + dir).c_str()), 0);
    return dir;
}

bool saveTo(BookImplT& book, const std::string& path)
{
    const std::u16string wide(path.begin(), path.end());
    return book.save(wide.c_str());
}

// A two-sheet book with values, merges, row and column settings and names.
void buildLayoutBook(BookImplT& book)
{
    auto* one = static_cast<SheetImplT*>(book.addSheet(u"Data", nullptr));
    auto* two = static_cast<SheetImplT*>(book.addSheet(u"Other", nullptr));
    for (int r = 0; r < 12; ++r) ASSERT_TRUE(one->writeNumber(r, 0, r, nullptr));
    ASSERT_TRUE(one->writeString(5, 3, u"five", nullptr));
    ASSERT_TRUE(two->writeNumber(0, 0, 99, nullptr));
    ASSERT_TRUE(one->setMerge(1, 5, 1, 2));
    ASSERT_TRUE(one->setMerge(8, 9, 0, 1));
    ASSERT_TRUE(one->setRow(6, 30, nullptr, false));
    ASSERT_TRUE(one->setRow(7, 12.75, nullptr, true));
    ASSERT_TRUE(one->setColumn(3, 3, 20, nullptr, false));
    ASSERT_TRUE(one->setNamedRange(u"Block", 4, 9, 0, 3));
    one->setPrintArea(0, 11, 0, 4);
    one->setPrintRepeatRows(0, 1);
    one->setPrintRepeatColumns(0, 0);
    ASSERT_TRUE(two->setNamedRange(u"Elsewhere", 0, 3, 0, 0));
}

TEST(SheetInsert, XlrdReadsTheEditedLayout)
{
    struct Case { std::function<bool(ISheetT&)> edit; const char* name; std::vector<std::string> expect; };
    const Case cases[] = {
        {[](ISheetT& s) { return s.insertRows(2, 3); }, "insertRows(2, 3)",
         {"cell Data!0,0: 0.0", "cell Data!1,0: 1.0", "cell Data!4,0: 2.0", "cell Data!13,0: 11.0",
          "cell Data!7,3: 'five'", "merged Data: rows 1-1 cols 1-2", "merged Data: rows 4-7 cols 1-2",
          "merged Data: rows 10-11 cols 0-1", "row Data!8: height 600 hidden 0", "row Data!9: height 255 hidden 1",
          "name Block scope 0: sheets 0-0 rows 6-11 cols 0-3", "name Print_Area scope 0: sheets 0-0 rows 0-13 cols 0-4",
          "name Print_Titles scope 0: sheets 0-0 rows 0-1 cols 0-255; sheets 0-0 rows 0-65535 cols 0-0",
          "name Elsewhere scope 1: sheets 1-1 rows 0-3 cols 0-0"}},
        {[](ISheetT& s) { return s.removeRows(0, 4); }, "removeRows(0, 4)",
         {"cell Data!0,0: 5.0", "cell Data!6,0: 11.0", "cell Data!0,3: 'five'", "merged Data: rows 3-4 cols 0-1",
          "row Data!1: height 600 hidden 0", "row Data!2: height 255 hidden 1",
          "name Block scope 0: sheets 0-0 rows 0-4 cols 0-3", "name Print_Area scope 0: sheets 0-0 rows 0-6 cols 0-4",
          "name Print_Titles scope 0: not a reference", "name Elsewhere scope 1: sheets 1-1 rows 0-3 cols 0-0"}},
        {[](ISheetT& s) { return s.insertColumns(0, 1); }, "insertColumns(0, 1)",
         {"cell Data!0,2: 0.0", "cell Data!5,5: 'five'", "merged Data: rows 1-5 cols 3-4",
          "merged Data: rows 8-9 cols 2-3", "col Data!5: width", "name Block scope 0: sheets 0-0 rows 4-9 cols 2-5",
          "name Print_Area scope 0: sheets 0-0 rows 0-11 cols 2-6",
          "name Print_Titles scope 0: sheets 0-0 rows 0-1 cols 0-255; sheets 0-0 rows 0-65535 cols 2-2"}},
    };
    CELVO_REQUIRE_PYTHON_MODULE("xlrd", "xlrd");
    const std::string dir = tempDir("insert_xlrd");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BookHolder book;
        buildLayoutBook(*book.book);
        ASSERT_TRUE(c.edit(*book->sheet(0))) << book->errorMessage();
        const std::string path = dir + "/book.xls";
        ASSERT_TRUE(saveTo(*book.book, path)) << book->errorMessage();
        std::string out;
        CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLS_TEST_DIR "/xlrd_names.py", path), out);
        for (const std::string& line : c.expect) EXPECT_NE(out.find(line), std::string::npos) << line << "\nin:\n" << out;
    }
    system(("rm -rf " + dir).c_str());
}

// LibreOffice keeps the print area and the repeated rows and columns.
TEST(SheetInsert, LibreOfficeShowsThePrintRanges)
{
    CELVO_REQUIRE_LIBREOFFICE();
    const std::string dir = tempDir("insert_print");
    BookHolder book;
    buildLayoutBook(*book.book);
    ASSERT_TRUE(book->sheet(0)->insertRows(0, 1));
    ASSERT_TRUE(book->sheet(0)->insertColumns(0, 0));
    ASSERT_TRUE(saveTo(*book.book, dir + "/book.xls")) << book->errorMessage();
    std::string out;
    CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLS_TEST_DIR "/lo_defined_names.py", dir + "/book.xls " + dir), out);
    const char* expected[] = {
        "0 _xlnm.Print_Area Data!$B$3:$F$14",
        "0 _xlnm.Print_Titles Data!$B:$B,Data!$3:$4",
        "0 Block Data!$B$7:$E$12",
    };
    for (const char* line : expected) EXPECT_NE(out.find(line), std::string::npos) << line << "\nin:\n" << out;
    if (!HasFailure()) system(("rm -rf " + dir).c_str());
}

// A real workbook with shared formulas, merged ranges and names: after two
// rows are inserted at the top of every sheet, LibreOffice computes the
// same values, two rows lower.
// Texts that formulas make of their own cells' addresses ($AV$3) move with
// the cells; they are shown as "(address)" so that the other values compare.
std::string withoutAddresses(const std::string& line)
{
    std::string out;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t j = i;
        if (line[j] == '$') {
            ++j;
            const std::size_t letters = j;
            while (j < line.size() && line[j] >= 'A' && line[j] <= 'Z') ++j;
            if (j > letters && j - letters <= 3 && j < line.size() && line[j] == '$') {
                const std::size_t digits = ++j;
                while (j < line.size() && line[j] >= '0' && line[j] <= '9') ++j;
                if (j > digits) {
                    out += "(address)";
                    i = j;
                    continue;
                }
            }
        }
        out += line[i++];
    }
    return out;
}

std::map<std::string, std::vector<std::string>> csvSheets(const std::string& dir, const std::string& stem)
{
    std::map<std::string, std::vector<std::string>> sheets;
    const std::string cmd = "cd " + dir + " && HOME=" + dir + " soffice -env:UserInstallation=file://" + dir +
                            "/profile --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' --outdir " +
                            dir + "/" + stem + " " + dir + "/" + stem + ".xls >/dev/null 2>&1";
    const test::OutsideRun converted = test::runOutside(cmd);
    EXPECT_EQ(converted.status, 0) << converted.output;
    if (converted.status != 0) return sheets;
    const std::string list = run("ls " + dir + "/" + stem);
    std::istringstream names(list);
    for (std::string file; std::getline(names, file);) {
        std::ifstream in(dir + "/" + stem + "/" + file);
        std::vector<std::string>& lines = sheets[file.substr(stem.size())];
        for (std::string line; std::getline(in, line);) {
            while (!line.empty() && (line.back() == ',' || line.back() == '\r')) line.pop_back();
            lines.push_back(withoutAddresses(line));
        }
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
    }
    return sheets;
}

TEST(SheetInsert, CorpusFormulasKeepTheirMeaning)
{
    CELVO_REQUIRE_CORPUS();
    CELVO_REQUIRE_LIBREOFFICE();
    const std::string file = test::corpusDir() + "/xls/poi__StringContinueRecords.xls";
    const std::string dir = tempDir("insert_corpus");
    for (const bool edit : {false, true}) {
        BookHolder book;
        const std::u16string wide(file.begin(), file.end());
        ASSERT_TRUE(book->load(wide.c_str())) << book->errorMessage();
        for (int i = 0; edit && i < book->sheetCount(); ++i)
            ASSERT_TRUE(book->sheet(i)->insertRows(0, 1)) << book->errorMessage();
        ASSERT_TRUE(saveTo(*book.book, dir + (edit ? "/edited.xls" : "/plain.xls"))) << book->errorMessage();
    }
    const auto plain = csvSheets(dir, "plain");
    const auto edited = csvSheets(dir, "edited");
    ASSERT_FALSE(plain.empty());
    ASSERT_EQ(plain.size(), edited.size());
    for (const auto& [sheet, lines] : plain) {
        SCOPED_TRACE(sheet);
        const auto found = edited.find(sheet);
        ASSERT_NE(found, edited.end());
        std::vector<std::string> expected{"", ""};
        expected.insert(expected.end(), lines.begin(), lines.end());
        if (lines.empty()) expected.clear();
        ASSERT_EQ(found->second.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(found->second[i], expected[i]) << "line " << i;
    }
    if (!HasFailure()) system(("rm -rf " + dir).c_str());
}
}  // namespace
}  // namespace celvo

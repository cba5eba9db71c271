// Merged ranges, clearing blocks of cells and copying cells, with the
// comments, merges and shared and array formulas they touch.
#include "test_support.h"

#include <string>
#include <vector>

#include "sheet_test_util.h"

namespace celvo {
namespace {

using namespace test;

std::vector<Bytes> recordsWith(SheetImplT& sheet, std::uint16_t id)
{
    std::vector<Bytes> out;
    for (const auto& r : written(sheet))
        if (r.id == id) out.push_back(r.data);
    return out;
}

// The merged ranges as the sheet writes them: one entry per MERGECELLS
// record, each the list of its ranges.
std::vector<std::vector<CellRange16>> mergesWritten(SheetImplT& sheet)
{
    std::vector<std::vector<CellRange16>> out;
    for (const Bytes& d : recordsWith(sheet, 0x00E5)) {
        std::vector<CellRange16> ranges;
        for (std::size_t i = 0; i < getU16(d.data()); ++i) {
            const std::uint8_t* p = d.data() + 2 + 8 * i;
            ranges.push_back({getU16(p), getU16(p + 2), getU16(p + 4), getU16(p + 6)});
        }
        out.push_back(ranges);
    }
    return out;
}

std::uint16_t xfAt(SheetImplT& s, BookImplT& book, int row, int col)
{
    IFormatT* f = s.cellFormat(row, col);
    for (int i = 0; i < book.formatCount(); ++i)
        if (book.format(i) == f) return static_cast<std::uint16_t>(i);
    return 0xFFFF;
}

// ---- merged ranges ------------------------------------------------------------------

TEST(SheetMerges, MergingFillsTheRangeWithBlanks)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    ASSERT_TRUE(s->setMerge(0, 2, 1, 3));
    EXPECT_STREQ(book->errorMessage(), "ok");
    for (int r = 0; r <= 2; ++r) {
        for (int c = 1; c <= 3; ++c) {
            EXPECT_EQ(s->cellType(r, c), CELLTYPE_BLANK);
            EXPECT_EQ(xfAt(*s, *book.book, r, c), 15);
        }
    }
    EXPECT_EQ(s->firstColumn(), 1);
    EXPECT_EQ(s->lastRow(), 3);
    EXPECT_EQ(s->lastColumn(), 4);
    const std::vector<std::vector<CellRange16>> expected{{{0, 2, 1, 3}}};
    EXPECT_EQ(mergesWritten(*s), expected);
}

TEST(SheetMerges, FillersTakeTheFormatOfTheCornerCell)
{
    struct Case {
        const char* corner;
        bool cornerFormatted;  // the fillers take the corner's format
    };
    const Case cases[] = {{"number", true}, {"string", true}, {"blank", true}, {"bool", false}, {"formula", false}};
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        IFormatT* f = book->addFormat(nullptr);
        const auto xf = static_cast<std::uint16_t>(book->formatCount() - 1);
        const std::string kind = c.corner;
        if (kind == "number") s->writeNumber(1, 1, 4, f);
        if (kind == "string") s->writeString(1, 1, u"x", f);
        if (kind == "blank") s->writeBlank(1, 1, f);
        if (kind == "bool") s->writeBool(1, 1, true, f);
        if (kind == "formula") {
            const Bytes number{0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
            readInto(*s, rec(0x0006, cat(u16s({1, 1, xf}), number, u16s({0}), u32le(0), u16s({3}), Bytes{0x1E, 1, 0})));
        }
        s->writeNumber(3, 3, 9, nullptr);  // a value inside the range stays as it is
        ASSERT_TRUE(s->setMerge(1, 3, 1, 3)) << kind;
        EXPECT_EQ(xfAt(*s, *book.book, 2, 2), c.cornerFormatted ? xf : 15) << kind;
        EXPECT_EQ(xfAt(*s, *book.book, 1, 1), xf) << kind;
        EXPECT_EQ(s->readNumber(3, 3, nullptr), 9) << kind;
    }
}

TEST(SheetMerges, RefusedRanges)
{
    struct Case {
        int rowFirst, rowLast, colFirst, colLast;
        const char* message;
    };
    const Case cases[] = {
        {0, 0, 0, 256, "col must be in range 0-255"},
        {0, 0, -1, 0, "col must be in range 0-255"},
        {0, 65536, 0, 0, "row must be in range 0-65535"},
        {-1, 0, 0, 0, "row must be in range 0-65535"},
        {3, 1, 0, 0, "rowLast must be greater than or equal to rowFirst"},
        {0, 0, 3, 1, "colLast must be greater than or equal to colFirst"},
        // Ranges that cross B2:C3.
        {2, 3, 2, 3, "merged range overlaps another merged range"},
        {0, 5, 0, 5, "merged range overlaps another merged range"},
        {2, 2, 2, 2, "merged range overlaps another merged range"},
        {0, 1, 2, 4, "merged range overlaps another merged range"},
    };
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        ASSERT_TRUE(s->setMerge(1, 2, 1, 2));
        EXPECT_FALSE(s->setMerge(c.rowFirst, c.rowLast, c.colFirst, c.colLast));
        EXPECT_STREQ(book->errorMessage(), c.message);
        const std::vector<std::vector<CellRange16>> expected{{{1, 2, 1, 2}}};
        EXPECT_EQ(mergesWritten(*s), expected);
        EXPECT_EQ(s->cellType(3, 3), CELLTYPE_EMPTY) << "no filler for a refused range";
    }
}

TEST(SheetMerges, NeighboursAndTheSameRangeAgain)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    ASSERT_TRUE(s->setMerge(1, 2, 1, 2));
    ASSERT_TRUE(s->setMerge(1, 2, 1, 2)) << "the same range is merged already";
    ASSERT_TRUE(s->setMerge(3, 4, 1, 2));
    ASSERT_TRUE(s->setMerge(1, 2, 3, 3));
    const std::vector<std::vector<CellRange16>> expected{{{1, 2, 1, 2}, {3, 4, 1, 2}, {1, 2, 3, 3}}};
    EXPECT_EQ(mergesWritten(*s), expected);
}

TEST(SheetMerges, A1027thRangeStartsANewRecord)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    for (int i = 0; i < 1027; ++i) ASSERT_TRUE(s->setMerge(i, i, 0, 1)) << i;
    const auto merges = mergesWritten(*s);
    ASSERT_EQ(merges.size(), 2u);
    EXPECT_EQ(merges[0].size(), 1026u);
    EXPECT_EQ(merges[1].size(), 1u);
}

TEST(SheetMerges, FindAndRemove)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    EXPECT_FALSE(s->deleteMerge(1, 1)) << "a sheet without merges";
    ASSERT_TRUE(s->setMerge(1, 2, 1, 2));
    int rf = -1, rl = -1, cf = -1, cl = -1;
    EXPECT_TRUE(s->getMerge(2, 2, &rf, &rl, &cf, &cl));
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ((std::vector<int>{rf, rl, cf, cl}), (std::vector<int>{1, 2, 1, 2}));
    EXPECT_TRUE(s->getMerge(1, 1, nullptr, nullptr, nullptr, nullptr));

    rf = rl = cf = cl = -1;
    EXPECT_FALSE(s->getMerge(3, 3, &rf, &rl, &cf, &cl));
    EXPECT_STREQ(book->errorMessage(), "this cell isn't in merging block");
    EXPECT_EQ(rf, -1) << "outputs are not written";
    EXPECT_FALSE(s->getMerge(65536, 0, &rf, &rl, &cf, &cl));
    EXPECT_STREQ(book->errorMessage(), "row must be in range 0-65535");

    EXPECT_TRUE(s->deleteMerge(2, 1));
    EXPECT_STREQ(book->errorMessage(), "row must be in range 0-65535") << "the message is left as it was";
    EXPECT_FALSE(s->deleteMerge(2, 1));
    EXPECT_EQ(s->cellType(2, 2), CELLTYPE_BLANK) << "the fillers stay";
    EXPECT_FALSE(s->deleteMerge(0, 300));
    EXPECT_STREQ(book->errorMessage(), "col must be in range 0-255");
}

TEST(SheetMerges, RemovingFindsEveryRangeReadFromAFile)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    // Two equal ranges, as some files have them.
    readInto(*s, rec(0x00E5, u16s({2, 1, 2, 1, 2, 1, 2, 1, 2})));
    EXPECT_TRUE(s->deleteMerge(1, 1));
    EXPECT_FALSE(s->getMerge(1, 1, nullptr, nullptr, nullptr, nullptr));
}

// ---- clearing -------------------------------------------------------------------------

TEST(SheetClear, MergedRangesThatMeetTheBlockGoWithTheirFillers)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    s->writeNumber(1, 1, 5, nullptr);
    ASSERT_TRUE(s->setMerge(1, 3, 1, 3));       // B2:D4
    ASSERT_TRUE(s->setMerge(0, 0, 0, 255));     // the whole first row
    ASSERT_TRUE(s->setMerge(10, 11, 10, 11));   // away from the block
    ASSERT_TRUE(s->clearCells(2, 2, 2, 2));
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(s->readNumber(1, 1, nullptr), 5) << "a value in the range outside the block stays";
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c)
            if (r != 1 || c != 1) {
                EXPECT_EQ(s->cellType(r, c), CELLTYPE_EMPTY) << r << "," << c;
            }
    const std::vector<std::vector<CellRange16>> expected{{{0, 0, 0, 255}, {10, 11, 10, 11}}};
    EXPECT_EQ(mergesWritten(*s), expected);

    ASSERT_TRUE(s->clearCells(0, 65535, 0, 255));
    EXPECT_EQ(mergesWritten(*s), (std::vector<std::vector<CellRange16>>{{{0, 0, 0, 255}}}))
        << "the whole first row is never unmerged here";
}

TEST(SheetClear, BoundsAreCheckedThenClipped)
{
    struct Case {
        int r0, r1, c0, c1;
        bool ok;
        const char* message;
    };
    const Case cases[] = {
        {5, 2, 0, 0, false, "rowLast must be greater than or equal to rowFirst"},
        {0, 0, 5, 2, false, "colLast must be greater than or equal to colFirst"},
        {5, 2, 5, 2, false, "rowLast must be greater than or equal to rowFirst"},
        {-10, 70000, 3, 300, true, "ok"},
    };
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        s->writeNumber(0, 2, 1, nullptr);
        s->writeNumber(0, 3, 1, nullptr);
        s->writeNumber(65535, 255, 1, nullptr);
        EXPECT_EQ(s->clearCells(c.r0, c.r1, c.c0, c.c1), c.ok);
        EXPECT_STREQ(book->errorMessage(), c.message);
        EXPECT_EQ(s->cellType(0, 2), CELLTYPE_NUMBER);
        EXPECT_EQ(s->cellType(0, 3), c.ok ? CELLTYPE_EMPTY : CELLTYPE_NUMBER);
        EXPECT_EQ(s->cellType(65535, 255), c.ok ? CELLTYPE_EMPTY : CELLTYPE_NUMBER);
    }
}

// A NOTE record: the comment of a cell, object id, author "A".
Bytes note(std::uint16_t row, std::uint16_t col, std::uint16_t objId)
{
    return rec(0x001C, cat(u16s({row, col, 0, objId, 1}), Bytes{0, 'A', 0}));
}

TEST(SheetClear, CommentsOfClearedCellsGo)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    readInto(*s, cat(note(1, 1, 1), note(2, 2, 2), note(5, 5, 3)));
    ASSERT_TRUE(s->clearCells(0, 2, 2, 4));
    const auto notes = recordsWith(*s, 0x001C);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(getU16(notes[0].data() + 6), 1);
    EXPECT_EQ(getU16(notes[1].data() + 6), 3);
}

// ---- shared and array formulas --------------------------------------------------------

struct Written {
    std::vector<std::uint16_t> rows;  // of each FORMULA record, in order
    std::vector<Bytes> tokens;
    std::vector<std::uint16_t> sharedAfter;  // row of the FORMULA before each SHRFMLA
    std::vector<std::uint16_t> arrayAfter;   // and before each ARRAY
};

Written formulasWritten(SheetImplT& s)
{
    Written w;
    for (const auto& r : written(s)) {
        if (r.id == 0x0006) {
            w.rows.push_back(getU16(r.data.data()));
            w.tokens.emplace_back(r.data.begin() + 22, r.data.end());
        } else if (r.id == 0x04BC) {
            w.sharedAfter.push_back(w.rows.back());
        } else if (r.id == 0x0221) {
            w.arrayAfter.push_back(w.rows.back());
        }
    }
    return w;
}

TEST(SheetClear, FormulaGroupsStayWhole)
{
    struct Case {
        const char* name;
        Bytes cells;
        int r0, r1;  // rows of column 0 cleared
        std::vector<std::uint16_t> rows;
        std::vector<Bytes> tokens;
        std::vector<std::uint16_t> sharedAfter, arrayAfter;
    };
    const Bytes nine{0x1E, 9, 0};
    const Case cases[] = {
        {"shared, anchor cleared", sharedBlock(), 0, 0, {1, 2}, {expOf(1, 0), expOf(1, 0)}, {1}, {}},
        {"shared, member cleared", sharedBlock(), 1, 1, {0, 2}, {expOf(0, 0), expOf(0, 0)}, {0}, {}},
        {"shared, anchor and member cleared", sharedBlock(), 0, 1, {2}, {expOf(2, 0)}, {2}, {}},
        {"shared, all cleared", sharedBlock(), 0, 2, {}, {}, {}, {}},
        {"array, member cleared", arrayBlock(), 1, 1, {0}, {nine}, {}, {}},
        {"array, anchor cleared", arrayBlock(), 0, 0, {1}, {nine}, {}, {}},
        {"array, all cleared", arrayBlock(), 0, 1, {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        readInto(*s, c.cells);
        ASSERT_TRUE(s->clearCells(c.r0, c.r1, 0, 0)) << c.name << ": " << book->errorMessage();
        const Written w = formulasWritten(*s);
        EXPECT_EQ(w.rows, c.rows) << c.name;
        EXPECT_EQ(w.tokens, c.tokens) << c.name;
        EXPECT_EQ(w.sharedAfter, c.sharedAfter) << c.name;
        EXPECT_EQ(w.arrayAfter, c.arrayAfter) << c.name;
    }
}

TEST(SheetClear, WholeArrayInsideTheBlockKeepsNothingBehind)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    readInto(*s, cat(arrayBlock(), formulaRecord(5, 0, Bytes{0x1E, 2, 0})));
    ASSERT_TRUE(s->clearCells(0, 1, 0, 3));
    const Written w = formulasWritten(*s);
    EXPECT_EQ(w.rows, std::vector<std::uint16_t>{5});
    EXPECT_TRUE(w.arrayAfter.empty());
}

TEST(SheetClear, WritingOverACellOfAnArrayFormulaBreaksTheArray)
{
    for (const char* kind : {"number", "string", "bool", "blank"}) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        readInto(*s, arrayBlock());
        const std::string k = kind;
        bool ok = false;
        if (k == "number") ok = s->writeNumber(1, 0, 5, nullptr);
        if (k == "string") ok = s->writeString(1, 0, u"x", nullptr);
        if (k == "bool") ok = s->writeBool(1, 0, true, nullptr);
        if (k == "blank") ok = s->writeBlank(1, 0, nullptr);
        ASSERT_TRUE(ok) << kind << ": " << book->errorMessage();
        const Written w = formulasWritten(*s);
        EXPECT_EQ(w.rows, std::vector<std::uint16_t>{0}) << kind;
        EXPECT_EQ(w.tokens, (std::vector<Bytes>{Bytes{0x1E, 9, 0}})) << kind;
        EXPECT_TRUE(w.arrayAfter.empty()) << kind;
    }
}

// ---- copying --------------------------------------------------------------------------

TEST(SheetCopy, ValuesAndFormatsOfEveryKind)
{
    enum Dest { Empty, SameKind, OtherKind };
    struct Case {
        const char* kind;
        Dest dest;
    };
    std::vector<Case> cases;
    for (const char* kind : {"rk", "number", "string", "bool", "blank"})
        for (Dest d : {Empty, SameKind, OtherKind}) cases.push_back({kind, d});
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        IFormatT* f = book->addFormat(nullptr);
        const auto xf = static_cast<std::uint16_t>(book->formatCount() - 1);
        const std::string kind = c.kind;
        auto write = [&](int row, int col, const std::string& k, IFormatT* format) {
            if (k == "rk") s->writeNumber(row, col, 1.5, format);
            if (k == "number") s->writeNumber(row, col, 0.1, format);
            if (k == "string") s->writeString(row, col, u"text", format);
            if (k == "bool") s->writeBool(row, col, true, format);
            if (k == "blank") s->writeBlank(row, col, format);
        };
        write(0, 0, kind, f);
        if (c.dest == SameKind) write(4, 4, kind, nullptr);
        if (c.dest == OtherKind) write(4, 4, kind == "string" ? "number" : "string", nullptr);
        ASSERT_TRUE(s->copyCell(0, 0, 4, 4)) << kind << c.dest << ": " << book->errorMessage();
        EXPECT_STREQ(book->errorMessage(), "ok");
        EXPECT_EQ(s->cellType(4, 4), s->cellType(0, 0)) << kind << c.dest;
        EXPECT_EQ(xfAt(*s, *book.book, 4, 4), xf) << kind << c.dest;
        if (kind == "rk" || kind == "number") {
            EXPECT_EQ(s->readNumber(4, 4, nullptr), kind == "rk" ? 1.5 : 0.1);
        } else if (kind == "string") {
            EXPECT_EQ(std::u16string(s->readString(4, 4, nullptr)), u"text");
        } else if (kind == "bool") {
            EXPECT_TRUE(s->readBool(4, 4, nullptr));
        }
        EXPECT_EQ(s->lastRow(), 5);
        EXPECT_EQ(s->lastColumn(), 5);
        std::size_t cellRecords = 0;
        for (const auto& r : written(*s))
            if (r.id == 0x027E || r.id == 0x0203 || r.id == 0x00FD || r.id == 0x0205 || r.id == 0x0201) ++cellRecords;
        EXPECT_EQ(cellRecords, 2u) << "the destination's old value is not written";
    }
}

TEST(SheetCopy, StringsNameTheSameSharedString)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    s->writeString(0, 0, u"one", nullptr);
    s->writeNumber(1, 0, 3, nullptr);
    ASSERT_TRUE(s->copyCell(0, 0, 1, 0));
    const auto labels = recordsWith(*s, 0x00FD);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(getU32(labels[0].data() + 6), getU32(labels[1].data() + 6));
    ASSERT_TRUE(s->writeString(1, 0, u"two", nullptr));
    EXPECT_EQ(std::u16string(s->readString(0, 0, nullptr)), u"one") << "changing the copy leaves the source";
}

TEST(SheetCopy, Refusals)
{
    struct Case {
        int rs, cs, rd, cd;
        const char* message;
    };
    const Case cases[] = {
        {3, 3, 0, 0, "empty cell"},
        {0, 0, 0, 256, "col must be in range 0-255"},
        {0, 0, 65536, 0, "row must be in range 0-65535"},
        {-1, 0, 0, 0, "row must be in range 0-65535"},
        {1, 1, 2, 2, "unknown type of cell"},  // a LABEL cell
    };
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        readInto(*s, rec(0x0204, cat(u16s({1, 1, 15, 1}), Bytes{0, 'L'})));
        s->writeNumber(0, 0, 1, nullptr);
        EXPECT_FALSE(s->copyCell(c.rs, c.cs, c.rd, c.cd));
        EXPECT_STREQ(book->errorMessage(), c.message);
        EXPECT_EQ(s->cellType(2, 2), CELLTYPE_EMPTY);
    }
}

TEST(SheetCopy, FormulasKeepTheirTokens)
{
    struct Case {
        const char* name;
        Bytes cells;
        int rowSrc, colSrc, rowDst, colDst;
        Bytes tokens;  // of the destination
    };
    const Bytes refA1{0x24, 0, 0, 0, 0xC0};
    const Case cases[] = {
        // A plain formula: its references are not moved.
        {"plain", formulaRecord(0, 1, refA1), 0, 1, 1, 1, refA1},
        // A member of a shared formula gets the formula it stands for.
        {"shared member", sharedBlock(), 2, 0, 7, 3, Bytes{0x24, 1, 0, 1, 0xC0}},
        {"shared anchor", sharedBlock(), 0, 0, 7, 3, Bytes{0x24, 0xFF, 0xFF, 1, 0xC0}},
        {"array member", arrayBlock(), 1, 0, 7, 3, Bytes{0x1E, 9, 0}},
    };
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        readInto(*s, c.cells);
        s->writeNumber(c.rowDst, c.colDst, 2, nullptr);
        ASSERT_TRUE(s->copyCell(c.rowSrc, c.colSrc, c.rowDst, c.colDst)) << c.name << ": " << book->errorMessage();
        EXPECT_TRUE(s->isFormula(c.rowDst, c.colDst));
        EXPECT_EQ(s->readNumber(c.rowDst, c.colDst, nullptr), 1) << "the cached result comes along";
        bool found = false;
        for (const auto& r : written(*s)) {
            if (r.id != 0x0006 || getU16(r.data.data()) != c.rowDst) continue;
            found = true;
            EXPECT_EQ(getU16(r.data.data() + 2), c.colDst) << c.name;
            EXPECT_EQ(getU16(r.data.data() + 14) & 0x0008, 0) << c.name << ": not marked as shared";
            EXPECT_EQ(Bytes(r.data.begin() + 22, r.data.end()), c.tokens) << c.name;
        }
        EXPECT_TRUE(found) << c.name;
        EXPECT_EQ(formulasWritten(*s).sharedAfter.size(), std::string(c.name).rfind("shared", 0) == 0 ? 1u : 0u)
            << c.name << ": the group keeps one shared formula";
    }
}

TEST(SheetCopy, OntoACellOfAGroup)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    readInto(*s, sharedBlock());
    s->writeNumber(9, 9, 3, nullptr);
    ASSERT_TRUE(s->copyCell(9, 9, 0, 0)) << "onto the anchor of the shared formula";
    const Written w = formulasWritten(*s);
    EXPECT_EQ(w.rows, (std::vector<std::uint16_t>{1, 2}));
    EXPECT_EQ(w.tokens, (std::vector<Bytes>{expOf(1, 0), expOf(1, 0)}));
    EXPECT_EQ(w.sharedAfter, std::vector<std::uint16_t>{1});

    BookHolder other;
    SheetImplT* a = addSheet(*other.book);
    readInto(*a, arrayBlock());
    a->writeNumber(9, 9, 3, nullptr);
    ASSERT_TRUE(a->copyCell(9, 9, 1, 0)) << "onto a cell of an array formula";
    const Written wa = formulasWritten(*a);
    EXPECT_EQ(wa.rows, std::vector<std::uint16_t>{0});
    EXPECT_EQ(wa.tokens, (std::vector<Bytes>{Bytes{0x1E, 9, 0}}));
    EXPECT_TRUE(wa.arrayAfter.empty());
}

}  // namespace
}  // namespace celvo

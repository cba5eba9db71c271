#include "test_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "book.h"
#include "book_test_util.h"
#include "sheet.h"
#include "sheet_test_util.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

using test::Bytes;
using test::cat;
using test::rec;

using test::BookHolder;
using namespace test;

// ---- the new sheet ---------------------------------------------------------------

TEST(SheetNew, WritesTheDefaultRecordsInOrder)
{
    BookHolder book;
    SheetImplT* sheet = addSheet(*book.book);
    const auto records = written(*sheet);
    const std::vector<std::uint16_t> expected{
        0x0809, 0x020B, 0x000D, 0x000C, 0x000F, 0x0011, 0x0010, 0x005F, 0x002A, 0x002B, 0x0082, 0x0080,
        0x0225, 0x0081, 0x0014, 0x0015, 0x0083, 0x0084, 0x00A1, 0x0055, 0x0200, 0x023E, 0x00EF, 0x000A};
    EXPECT_EQ(idsOf(records), expected);

    struct Value {
        std::uint16_t id;
        Bytes data;
    };
    const Value values[] = {
        {0x000D, u16s({1})},      {0x000C, u16s({100})},   {0x000F, u16s({1})},
        {0x0011, u16s({0})},      {0x0010, f64le(0.001)},  {0x005F, u16s({1})},
        {0x0082, u16s({1})},      {0x0225, u16s({0, 255})}, {0x0081, u16s({0x04C1})},
        {0x0055, u16s({8})},      {0x0200, Bytes(14, 0)},
    };
    for (const auto& v : values) {
        SCOPED_TRACE(v.id);
        const Record* r = find(records, v.id);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->data, v.data);
    }
    // The first sheet of a book is the selected one, and the one shown.
    const Record* window2 = find(records, 0x023E);
    ASSERT_NE(window2, nullptr);
    EXPECT_EQ(getU16(window2->data.data()), 0x06B6);
    EXPECT_EQ(window2->data.size(), 18u);
}

TEST(SheetNew, PropertiesOfANewSheet)
{
    BookHolder book;
    SheetImplT* sheet = addSheet(*book.book);
    EXPECT_TRUE(sheet->displayGridlines());
    EXPECT_FALSE(sheet->printGridlines());
    EXPECT_FALSE(sheet->printHeadings());
    EXPECT_EQ(sheet->zoom(), 100);
    EXPECT_EQ(sheet->printZoom(), 100);
    EXPECT_EQ(sheet->paper(), 0);
    EXPECT_FALSE(sheet->landscape());
    EXPECT_DOUBLE_EQ(sheet->marginLeft(), 0.75);
    EXPECT_DOUBLE_EQ(sheet->marginRight(), 0.75);
    EXPECT_DOUBLE_EQ(sheet->marginTop(), 1.0);
    EXPECT_DOUBLE_EQ(sheet->marginBottom(), 1.0);
    EXPECT_DOUBLE_EQ(sheet->headerMargin(), 0.5);
    EXPECT_FALSE(sheet->isProtected());
    EXPECT_EQ(sheet->hidden(), 0);
    for (auto bound : {sheet->firstRow(), sheet->lastRow(), sheet->firstColumn(), sheet->lastColumn()})
        EXPECT_EQ(bound, 0);
}

// ---- cells -------------------------------------------------------------------

TEST(SheetCells, ValuesReadBackWithTheirTypes)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    IFormatT* fmt = book->addFormat(nullptr);
    ASSERT_TRUE(s->writeString(0, 0, u"text \U0001D538", nullptr));
    ASSERT_TRUE(s->writeNumber(1, 0, 1.5, nullptr));
    ASSERT_TRUE(s->writeNumber(1, 1, 0.1, fmt));
    ASSERT_TRUE(s->writeNumber(1, 2, -0.0, nullptr));
    ASSERT_TRUE(s->writeBool(2, 0, true, nullptr));
    ASSERT_TRUE(s->writeBlank(3, 0, fmt));
    EXPECT_STREQ(book->errorMessage(), "ok");

    struct Case {
        int row, col, type;
    };
    const Case types[] = {{0, 0, CELLTYPE_STRING}, {1, 0, CELLTYPE_NUMBER}, {1, 1, CELLTYPE_NUMBER},
                          {2, 0, CELLTYPE_BOOLEAN}, {3, 0, CELLTYPE_BLANK},  {4, 0, CELLTYPE_EMPTY},
                          {70000, 0, CELLTYPE_EMPTY}, {0, -1, CELLTYPE_EMPTY}};
    for (const Case& c : types) EXPECT_EQ(s->cellType(c.row, c.col), c.type) << c.row << "," << c.col;

    IFormatT* got = fmt;
    EXPECT_EQ(std::u16string(s->readString(0, 0, &got)), u"text \U0001D538");
    EXPECT_EQ(got, book->format(15));
    EXPECT_EQ(s->readNumber(1, 0, nullptr), 1.5);
    EXPECT_EQ(s->readNumber(1, 1, &got), 0.1);
    EXPECT_EQ(got, fmt);
    EXPECT_TRUE(std::signbit(s->readNumber(1, 2, nullptr)));
    EXPECT_TRUE(s->readBool(2, 0, nullptr));
    EXPECT_TRUE(s->readBlank(3, 0, &got));
    EXPECT_EQ(got, fmt);
    EXPECT_EQ(s->cellFormat(3, 0), fmt);
    EXPECT_EQ(s->readError(2, 0), 255);
    EXPECT_EQ(s->firstRow(), 0);
    EXPECT_EQ(s->lastRow(), 4);
    EXPECT_EQ(s->lastColumn(), 3);
}

TEST(SheetCells, FailuresAndTheirMessages)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    s->writeNumber(0, 0, 1, nullptr);
    s->writeBlank(0, 1, nullptr);
    BookHolder other;
    IFormatT* foreign = other->addFormat(nullptr);
    struct Case {
        const char* what;
        std::function<bool()> call;  // true when the operation reported success
        const char* message;
    };
    const Case cases[] = {
        {"row past the sheet", [&] { return s->writeNumber(65536, 0, 1, nullptr); }, "row must be in range 0-65535"},
        {"negative row", [&] { return s->writeString(-1, 0, u"x", nullptr); }, "row must be in range 0-65535"},
        {"column past the sheet", [&] { return s->writeBool(0, 256, true, nullptr); }, "col must be in range 0-255"},
        {"infinity", [&] { return s->writeNumber(5, 0, INFINITY, nullptr); }, "number is not finite"},
        {"not a number", [&] { return s->writeNumber(5, 0, NAN, nullptr); }, "number is not finite"},
        {"long string", [&] { return s->writeString(5, 0, std::u16string(32768, u'x').c_str(), nullptr); },
         "string is too long"},
        {"foreign format", [&] { return s->writeBlank(5, 0, foreign); }, "specified format not found"},
        {"string from a number", [&] { return s->readString(0, 0, nullptr) != nullptr; },
         "this cell doesn't contain a string"},
        {"number from a blank", [&] { s->readNumber(0, 1, nullptr); return false; },
         "this cell doesn't contain a number"},
        {"bool from a number", [&] { s->readBool(0, 0, nullptr); return false; }, "this cell doesn't contain a bool"},
        {"blank without out-parameter", [&] { return s->readBlank(0, 1, nullptr); }, "format mustn't be NULL"},
        {"blank from a number", [&] { IFormatT* f; return s->readBlank(0, 0, &f); },
         "this cell doesn't contain a blank"},
        {"format of an empty cell", [&] { return s->cellFormat(9, 9) != nullptr; }, "empty cell"},
        {"set a foreign format", [&] { s->setCellFormat(0, 0, foreign); return false; },
         "specified format is not found"},
        {"set a null format", [&] { s->setCellFormat(0, 0, nullptr); return false; },
         "specified format is not found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(c.call());
        EXPECT_STREQ(book->errorMessage(), c.message);
    }
    EXPECT_EQ(s->cellType(5, 0), CELLTYPE_EMPTY) << "refused writes change nothing";
    EXPECT_EQ(s->readError(0, 0), 255);
    EXPECT_STREQ(book->errorMessage(), "ok");
}

TEST(SheetCells, NumbersChooseRkOrNumberRecords)
{
    struct Case {
        double value;
        std::uint16_t record;
    };
    const Case cases[] = {{1.5, 0x027E}, {0.1, 0x0203}, {1e300, 0x0203}, {-0.0, 0x027E},
                          {2.0, 0x027E}, {-123456789.25, 0x0203}, {1099511627776.0, 0x027E}};
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) s->writeNumber(i, 0, cases[i].value, nullptr);
    const auto records = written(*s);
    int row = 0;
    for (const auto& r : records) {
        if (r.id != 0x027E && r.id != 0x0203) continue;
        ASSERT_LT(row, static_cast<int>(std::size(cases)));
        EXPECT_EQ(r.id, cases[row].record) << cases[row].value;
        EXPECT_EQ(getU16(r.data.data()), row);
        ++row;
    }
    EXPECT_EQ(row, static_cast<int>(std::size(cases)));
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        const double back = s->readNumber(i, 0, nullptr);
        EXPECT_EQ(back, cases[i].value);
        EXPECT_EQ(std::signbit(back), std::signbit(cases[i].value));
    }
}

TEST(SheetCells, OverwritingAStringKeepsOnlyTheNewValueInTheFile)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    s->writeString(0, 0, u"old", nullptr);
    s->writeNumber(0, 0, 2.5, nullptr);
    const auto records = written(*s);
    EXPECT_EQ(find(records, 0x00FD), nullptr);
    ASSERT_NE(find(records, 0x027E), nullptr);
    EXPECT_EQ(s->cellType(0, 0), CELLTYPE_NUMBER);
}

TEST(SheetCells, StringsShareTheTableUntilOneChanges)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    SheetImplT* s2 = addSheet(*book.book, u"Two");
    SST& sst = book->sst();
    s->writeString(0, 0, u"alone", nullptr);
    const std::size_t entries = sst.size();
    // Used by this cell only: the entry is replaced in place.
    s->writeString(0, 0, u"replaced", nullptr);
    EXPECT_EQ(sst.size(), entries);
    EXPECT_EQ(std::u16string(s->readString(0, 0, nullptr)), u"replaced");

    // Shared with a cell of another sheet: a new entry, the other cell keeps its text.
    s2->writeString(3, 3, u"replaced", nullptr);
    s->writeString(0, 0, u"changed", nullptr);
    EXPECT_EQ(sst.size(), entries + 1);
    EXPECT_EQ(std::u16string(s2->readString(3, 3, nullptr)), u"replaced");
    EXPECT_EQ(std::u16string(s->readString(0, 0, nullptr)), u"changed");
}

TEST(SheetCells, SetCellFormatOnAnEmptyCellMakesABlank)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    IFormatT* fmt = book->addFormat(nullptr);
    s->setCellFormat(2, 2, fmt);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(s->cellType(2, 2), CELLTYPE_BLANK);
    EXPECT_EQ(s->cellFormat(2, 2), fmt);
    s->writeNumber(2, 2, 3, nullptr);
    EXPECT_EQ(s->cellFormat(2, 2), fmt) << "a write without a format keeps the cell's format";
}

TEST(SheetCells, DatesFollowTheNumberFormat)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    struct Case {
        int numFormat;
        const char16_t* custom;  // text of a custom format, or null
        bool date;
    };
    const Case cases[] = {
        {0, nullptr, false},  {14, nullptr, true},  {22, nullptr, true}, {37, nullptr, false},
        {45, nullptr, true},  {49, nullptr, false}, {-1, u"yyyy-mm-dd", true}, {-1, u"[Red]0.00", false},
        {-1, u"0 \"days\"", true}, {-1, u"0.00%", false},
    };
    int row = 0;
    for (const Case& c : cases) {
        IFormatT* f = book->addFormat(nullptr);
        const int id = c.custom ? book->addCustomNumFormat(c.custom) : c.numFormat;
        f->setNumFormat(id);
        s->writeNumber(row, 0, 45000, f);
        EXPECT_EQ(s->isDate(row, 0), c.date) << row;
        ++row;
    }
    s->writeString(row, 0, u"x", nullptr);
    EXPECT_FALSE(s->isDate(row, 0));
}

TEST(SheetCells, ClearCellsEmptiesTheBlockAndRecomputesTheRange)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    s->writeNumber(1, 1, 1, nullptr);
    s->writeNumber(65535, 255, 1, nullptr);
    EXPECT_EQ(s->lastRow(), 65536);
    EXPECT_TRUE(s->clearCells(60000, 70000, 200, 300));
    EXPECT_EQ(s->cellType(65535, 255), CELLTYPE_EMPTY);
    EXPECT_EQ(s->firstRow(), 1);
    EXPECT_EQ(s->lastRow(), 2);
    EXPECT_EQ(s->lastColumn(), 2);
    EXPECT_FALSE(s->clearCells(5, 4, 0, 0));
    EXPECT_STREQ(book->errorMessage(), "rowLast must be greater than or equal to rowFirst");
    EXPECT_FALSE(s->clearCells(0, 0, 5, 4));
    EXPECT_STREQ(book->errorMessage(), "colLast must be greater than or equal to colFirst");
    s->clearCells(0, 65535, 0, 255);
    for (auto bound : {s->firstRow(), s->lastRow(), s->firstColumn(), s->lastColumn()}) EXPECT_EQ(bound, 0);
}

// ---- reading substreams ---------------------------------------------------------

TEST(SheetRead, CellRecordsAndRunsFillTheGrid)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    readInto(*s, cat(rec(0x027E, cat(u16s({0, 0, 15}), u32le(10))),  // RK integer 2
                     rec(0x027E, cat(u16s({0, 1, 15}), u32le(11))),  // RK 2 / 100
                     rec(0x00BD, cat(u16s({4, 2}), u16s({15}), u32le(6), u16s({16}), u32le(10), u16s({17}),
                                     u32le(14), u16s({4}))),         // MULRK (4,2)..(4,4)
                     rec(0x00BE, u16s({5, 0, 15, 15, 1})),           // MULBLANK (5,0)..(5,1)
                     rec(0x0205, cat(u16s({6, 0, 15}), Bytes{0x07, 0x01})),  // BOOLERR error #DIV/0!
                     rec(0x0203, cat(u16s({7, 0, 15}), f64le(0.25)))));
    struct Case {
        int row, col, type;
        double number;
    };
    const Case cases[] = {{0, 0, CELLTYPE_NUMBER, 2},    {0, 1, CELLTYPE_NUMBER, 0.02},  {4, 2, CELLTYPE_NUMBER, 1},
                          {4, 3, CELLTYPE_NUMBER, 2},    {4, 4, CELLTYPE_NUMBER, 3},     {5, 0, CELLTYPE_BLANK, 0},
                          {5, 1, CELLTYPE_BLANK, 0},     {6, 0, CELLTYPE_BOOLEAN, 0},    {7, 0, CELLTYPE_NUMBER, 0.25}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.col));
        EXPECT_EQ(s->cellType(c.row, c.col), c.type);
        if (c.type == CELLTYPE_NUMBER) {
            EXPECT_DOUBLE_EQ(s->readNumber(c.row, c.col, nullptr), c.number);
        }
    }
    EXPECT_EQ(s->cellFormat(4, 4), book->format(17));
    EXPECT_EQ(s->readError(6, 0), 255) << "a constant error reads as a boolean cell";
    // MULRK and MULBLANK come back as one record per cell.
    const auto ids = idsOf(written(*s));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0x00BD), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0x027E), 5);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0x0201), 2);
}

TEST(SheetRead, FormulaWithItsCachedString)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    const Bytes cached{0x00, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    const Bytes errorResult{0x02, 0, 0x07, 0, 0, 0, 0xFF, 0xFF};
    const Bytes tokens{0x1E, 0x01, 0x00};  // the integer 1
    readInto(*s, cat(rec(0x0006, cat(u16s({0, 0, 15}), cached, u16s({0}), u32le(0), u16s({3}), tokens)),
                     rec(0x0207, cat(u16s({2}), Bytes{0, 'h', 'i'})),
                     rec(0x0006, cat(u16s({1, 0, 15}), errorResult, u16s({0}), u32le(0), u16s({3}), tokens))));
    EXPECT_TRUE(s->isFormula(0, 0));
    EXPECT_EQ(s->cellType(0, 0), CELLTYPE_STRING);
    EXPECT_EQ(std::u16string(s->readString(0, 0, nullptr)), u"hi");
    EXPECT_EQ(s->cellType(1, 0), CELLTYPE_ERROR);
    EXPECT_EQ(s->readError(1, 0), 7);
    const auto records = written(*s);
    const auto ids = idsOf(records);
    auto formula = std::find(ids.begin(), ids.end(), 0x0006);
    ASSERT_NE(formula, ids.end());
    EXPECT_EQ(*(formula + 1), 0x0207) << "the cached string follows its formula";
}

TEST(SheetCells, OverwritingTheFirstCellOfASharedFormulaHandsItOver)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    const Bytes number = f64le(1);
    auto formula = [&](std::uint16_t row) {
        return rec(0x0006, cat(u16s({row, 0, 15}), number, u16s({0}), u32le(0), u16s({5}), Bytes{0x01, 0, 0, 0, 0}));
    };
    const Bytes shared = rec(0x04BC, cat(u16s({0, 2}), Bytes{0, 0, 0, 3}, u16s({3}), Bytes{0x1E, 0x07, 0x00}));
    readInto(*s, cat(formula(0), shared, formula(1), formula(2)));
    ASSERT_TRUE(s->writeNumber(0, 0, 0.5, nullptr));
    EXPECT_FALSE(s->isFormula(0, 0));
    EXPECT_TRUE(s->isFormula(1, 0));

    const auto records = written(*s);
    std::vector<Bytes> tokens;  // the token bytes of each FORMULA, in row order
    std::vector<std::uint16_t> sharedAfterRow;
    std::uint16_t lastFormulaRow = 0xFFFF;
    for (const auto& r : records) {
        if (r.id == 0x0006) {
            lastFormulaRow = getU16(r.data.data());
            tokens.emplace_back(r.data.begin() + 22, r.data.end());
        } else if (r.id == 0x04BC) {
            sharedAfterRow.push_back(lastFormulaRow);
        }
    }
    const std::vector<Bytes> expected{Bytes{0x01, 1, 0, 0, 0}, Bytes{0x01, 1, 0, 0, 0}};
    EXPECT_EQ(tokens, expected) << "the remaining cells point at the new first cell";
    EXPECT_EQ(sharedAfterRow, std::vector<std::uint16_t>{1}) << "the shared formula moves to the new first cell";
}

TEST(SheetRead, UnmodelledRecordsComeBackInOrderBeforeEof)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    const Bytes condFmt = rec(0x01B0, Bytes(12, 0x11));
    const Bytes cf = rec(0x01B1, Bytes(6, 0x22));
    const Bytes hlink = rec(0x01B8, Bytes(8, 0x33));
    readInto(*s, cat(condFmt, rec(0x0203, cat(u16s({0, 0, 15}), f64le(1))), cf, hlink));
    const auto records = written(*s);
    const auto ids = idsOf(records);
    ASSERT_GE(ids.size(), 5u);
    const std::vector<std::uint16_t> tail(ids.end() - 5, ids.end());
    EXPECT_EQ(tail, (std::vector<std::uint16_t>{0x00EF, 0x01B0, 0x01B1, 0x01B8, 0x000A}));
    EXPECT_EQ(records[records.size() - 4].data, Bytes(12, 0x11));
}

TEST(SheetRead, ChartSheetsAndEmbeddedChartsPassThrough)
{
    BookHolder book;
    SheetImplT* chart = addSheet(*book.book, u"Chart");
    const Bytes chartBof = rec(0x0809, cat(u16s({0x0600, 0x0020, 0x18D3, 0x07CD}), u32le(1), u32le(6)));
    const Bytes body = cat(rec(0x1001, u16s({1})), rec(0x0203, cat(u16s({0, 0, 15}), f64le(1))), rec(0x1033, {}));
    BiffInput in(cat(chartBof, body, kEof));
    chart->read(in);
    BiffOutput out;
    chart->write(out);
    EXPECT_EQ(out.bytes(), cat(chartBof, body, kEof)) << "a chart sheet is written back record for record";
    EXPECT_EQ(chart->cellType(0, 0), CELLTYPE_EMPTY);

    SheetImplT* s = addSheet(*book.book);
    // A drawing of two shapes in two MSODRAWING records: a chart after the
    // first one's OBJ, a text after the second.
    auto oa = [](unsigned verInst, unsigned type, const Bytes& content) {
        return cat(u16s({static_cast<std::uint16_t>(verInst), static_cast<std::uint16_t>(type)}),
                   u32le(static_cast<std::uint32_t>(content.size())), content);
    };
    const Bytes patriarch = oa(0xF, 0xF004, cat(oa(1, 0xF009, Bytes(16, 0)), oa(2, 0xF00A, cat(u32le(0x400), u32le(5)))));
    const Bytes shape1 = oa(0xF, 0xF004, cat(oa(0x52, 0xF00A, cat(u32le(0x401), u32le(0xA00))), oa(0, 0xF011, {})));
    const Bytes shape2 = oa(0xF, 0xF004, cat(oa(0xCA2, 0xF00A, cat(u32le(0x402), u32le(0xA00))), oa(0, 0xF011, {}),
                                            oa(0, 0xF00D, {})));
    const Bytes dg = oa(0xF, 0xF002, cat(oa(0x10, 0xF008, cat(u32le(3), u32le(0x402))),
                                         oa(0xF, 0xF003, cat(patriarch, shape1, shape2))));
    const Bytes block1(dg.begin(), dg.end() - static_cast<std::ptrdiff_t>(shape2.size()));
    const Bytes obj = rec(0x005D, cat(u16s({0x15, 0x12, 5, 1, 0x6011}), Bytes(12, 0), Bytes(4, 0)));
    const Bytes drawing = cat(rec(0x00EC, block1), obj, chartBof, rec(0x1001, u16s({1})), kEof, rec(0x00EC, shape2),
                              rec(0x01B6, cat(u16s({0x212, 0, 0, 0, 0, 2, 16, 0}), u16s({0}))),
                              rec(0x003C, Bytes{0, 'h', 'i'}), rec(0x003C, cat(u16s({0, 5}), u32le(0), u16s({2, 0}), u32le(0))));
    readInto(*s, cat(drawing, rec(0x0203, cat(u16s({0, 0, 15}), f64le(1)))));
    EXPECT_EQ(s->cellType(0, 0), CELLTYPE_NUMBER);
    BiffOutput written2;
    s->write(written2);
    const auto& bytes = written2.bytes();
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), drawing.begin(), drawing.end()), bytes.end())
        << "the drawing with its embedded chart is written back unchanged";
}

TEST(SheetRead, MalformedSubstreamsAreRefused)
{
    struct Case {
        const char* what;
        Bytes body;
        const char* message;
    };
    const Case cases[] = {
        {"second BOF", kWorksheetBof, "read error: unexpected BOF record"},
        {"cell past the last column", rec(0x0203, cat(u16s({0, 256, 15}), f64le(1))), "col must be in range 0-255"},
        {"MULRK past the last column",
         rec(0x00BD, cat(u16s({0, 255}), u16s({15}), u32le(6), u16s({15}), u32le(6), u16s({256}))),
         "col must be in range 0-255"},
        {"MULBLANK past the last column", rec(0x00BE, u16s({0, 254, 15, 15, 15, 256})), "col must be in range 0-255"},
        {"short NUMBER", rec(0x0203, u16s({0, 0, 15})), "Number size is incorrect"},
        {"short LABELSST", rec(0x00FD, u16s({0, 0, 15})), "LabelSst size is incorrect"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        try {
            readInto(*s, c.body);
            ADD_FAILURE() << "no error";
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(SheetRead, RecordOfIdZeroIsKept)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    readInto(*s, cat(rec(0x0000, u16s({0, 1, 0, 1})), rec(0x0203, cat(u16s({0, 0, 15}), f64le(1)))));
    ASSERT_EQ(s->rawRecords().size(), 1u);
    const auto records = written(*s);
    const Record* old = find(records, 0x0000);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->data, u16s({0, 1, 0, 1}));
}

TEST(SheetRead, StreamEndingBeforeEofIsRefused)
{
    // A cut stream would otherwise load as a shorter sheet.
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    BiffInput in(cat(kWorksheetBof, rec(0x0203, cat(u16s({3, 3, 15}), f64le(9)))));
    try {
        s->read(in);
        ADD_FAILURE() << "a sheet without its EOF record was read";
    } catch (const xlerror& e) {
        EXPECT_STREQ(e.what(), "read error: the workbook stream ends inside a sheet (no EOF record)");
    }
}

// ---- writing substreams ----------------------------------------------------------

TEST(SheetWrite, UsedRangeCountsMergedRanges)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    readInto(*s, rec(0x00E5, u16s({1, 1, 2, 1, 2})));  // B2:C3
    const auto records = written(*s);
    const Record* dims = find(records, 0x0200);
    ASSERT_NE(dims, nullptr);
    EXPECT_EQ(dims->data, cat(u32le(1), u32le(3), u16s({1, 3, 0})));

    // A range from a file that runs past the last column counts up to it.
    SheetImplT* wide = addSheet(*book.book, u"Wide");
    readInto(*wide, rec(0x00E5, u16s({1, 0, 0, 250, 65535})));
    EXPECT_EQ(wide->firstColumn(), 250);
    EXPECT_EQ(wide->lastColumn(), 256);
}

TEST(SheetWrite, ColumnsOfEqualSettingsShareOneRecord)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    readInto(*s, cat(rec(0x007D, u16s({2, 4, 3000, 15, 0, 0})), rec(0x007D, u16s({5, 5, 4000, 15, 0, 0})),
                     rec(0x007D, u16s({7, 7, 3000, 15, 0, 0}))));
    std::vector<Bytes> colinfos;
    for (const auto& r : written(*s))
        if (r.id == 0x007D) colinfos.push_back(r.data);
    const std::vector<Bytes> expected{u16s({2, 4, 3000, 15, 0, 0}), u16s({5, 5, 4000, 15, 0, 0}),
                                      u16s({7, 7, 3000, 15, 0, 0})};
    EXPECT_EQ(colinfos, expected) << "a gap between equal columns starts a new record";
}

TEST(SheetWrite, ZoomIsWrittenOnlyWhenNotOneHundred)
{
    struct Case {
        int set;
        int read;
        bool written;
    };
    const Case cases[] = {{100, 100, false}, {75, 75, true}, {5, 10, true}, {1000, 400, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        s->setZoom(c.set);
        EXPECT_EQ(s->zoom(), c.read);
        const auto records = written(*s);
        const Record* scl = find(records, 0x00A0);
        EXPECT_EQ(scl != nullptr, c.written);
        if (scl) {
            EXPECT_EQ(scl->data, u16s({static_cast<std::uint16_t>(c.read), 100}));
        }
    }
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    readInto(*s, rec(0x00A0, u16s({3, 4})));
    EXPECT_EQ(s->zoom(), 75);
}

// ---- properties ------------------------------------------------------------------

TEST(SheetProperties, NamesAreCutCheckedAndUnique)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    addSheet(*book.book, u"Other");
    struct Case {
        std::u16string name;
        std::u16string stored;
        const char* message;
    };
    const std::u16string thirtyOne(31, u'a');
    const Case cases[] = {
        {thirtyOne, thirtyOne, "ok"},
        {std::u16string(40, u'b'), std::u16string(31, u'b'), "warning: sheet's name is cut to 31 characters"},
        {std::u16string(30, u'c') + u"\U0001F600", std::u16string(30, u'c'),
         "warning: sheet's name is cut to 31 characters"},
        {u"OTHER", std::u16string(30, u'c'), "book already contains such sheet name"},
        {u"", std::u16string(30, u'c'), "sheet name can't be empty"},
    };
    for (const Case& c : cases) {
        s->setName(c.name.c_str());
        EXPECT_EQ(std::u16string(s->name()), c.stored);
        EXPECT_STREQ(book->errorMessage(), c.message);
    }
}

TEST(SheetProperties, AtLeastOneSheetStaysVisible)
{
    BookHolder book;
    SheetImplT* a = addSheet(*book.book, u"A");
    EXPECT_FALSE(a->setHidden(1));
    EXPECT_STREQ(book->errorMessage(), "a workbook must contain at least one visible worksheet");
    SheetImplT* b = addSheet(*book.book, u"B");
    EXPECT_TRUE(a->setHidden(2));
    EXPECT_EQ(a->hidden(), 2);
    EXPECT_FALSE(b->setHidden(1));
    EXPECT_FALSE(b->setHidden(3));
    EXPECT_STREQ(book->errorMessage(), "sheet state must be 0, 1 or 2");
    EXPECT_TRUE(a->setHidden(0));
    EXPECT_TRUE(b->setHidden(1));
    EXPECT_EQ(b->hidden(), 1);
}

TEST(SheetProperties, PrintSettings)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    s->setPrintFit(1, 2);
    int w = 0, h = 0;
    EXPECT_TRUE(s->getPrintFit(&w, &h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 2);
    s->setPrintZoom(80);
    EXPECT_FALSE(s->getPrintFit(nullptr, nullptr));
    EXPECT_EQ(s->printZoom(), 80);
    s->setPaper(9);
    EXPECT_EQ(s->paper(), 9);
    s->setLandscape(true);
    EXPECT_TRUE(s->landscape());
    s->setMarginLeft(0.75);
    EXPECT_TRUE(writes(*s, 0x0026)) << "a margin once set is written";
    EXPECT_TRUE(s->setHeader(u"&CTitle", 0.3));
    EXPECT_EQ(std::u16string(s->header()), u"&CTitle");
    EXPECT_DOUBLE_EQ(s->headerMargin(), 0.3);
    EXPECT_FALSE(s->setFooter(std::u16string(256, u'f').c_str(), 0.3));
    EXPECT_STREQ(book->errorMessage(), "string is too long");
    s->setProtected(false);
    EXPECT_FALSE(writes(*s, 0x0012)) << "unprotecting an unprotected sheet adds no PROTECT";
    s->setProtected(true);
    EXPECT_TRUE(s->isProtected());
    EXPECT_TRUE(writes(*s, 0x0012));
}

TEST(SheetProperties, CellReferenceText)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    EXPECT_EQ(std::u16string(s->rowColToCellReference(6, 1, false, false)), u"$B$7");
    EXPECT_EQ(std::u16string(s->rowColToCellReference(0, 26, true, true)), u"AA1");
    EXPECT_STREQ(book->errorMessage(), "ok");
    int row = -5, col = -5;
    bool rowRel = false, colRel = false;
    s->cellReferenceToRowCol(u"ab$12", &row, &col, &rowRel, &colRel);
    EXPECT_EQ(row, 11);
    EXPECT_EQ(col, 27);
    EXPECT_FALSE(rowRel);
    EXPECT_TRUE(colRel);
}

}  // namespace
}  // namespace celvo

// Rows, columns and the sheet's layout: widths and heights in the units of
// the interface and in their records, hidden rows and columns, page breaks,
// outline groups and frozen panes.
#include "test_support.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "sheet_test_util.h"

namespace celvo {
namespace {

using namespace test;

// The data of every record with this id that the sheet writes.
std::vector<Bytes> recordsWith(SheetImplT& sheet, std::uint16_t id)
{
    std::vector<Bytes> out;
    for (const auto& r : written(sheet))
        if (r.id == id) out.push_back(r.data);
    return out;
}

// ---- column widths -----------------------------------------------------------------

TEST(SheetColumns, WidthsRoundTripThroughTheirRecords)
{
    struct Case {
        double width;
        std::uint16_t stored;  // 1/256 of a character, as COLINFO holds it
        double readBack;
    };
    const Case cases[] = {
        {10.0, 2743, 10.0},
        {8.43, 2341, 8.43},
        {0.5, 219, 0.5},  // below one character: 12 pixels a character
        {0.0, 0, 0.0},
        {1.0, 439, 1.0},
        {255.0, 65463, 255.0},
    };
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        ASSERT_TRUE(s->setColumn(3, 3, c.width, nullptr, false)) << c.width;
        EXPECT_STREQ(book->errorMessage(), "ok");
        const auto colinfos = recordsWith(*s, 0x007D);
        ASSERT_EQ(colinfos.size(), 1u);
        EXPECT_EQ(colinfos[0], u16s({3, 3, c.stored, 0, 0, 0})) << c.width;
        EXPECT_DOUBLE_EQ(s->columnWidth(3), c.readBack) << c.width;
        EXPECT_DOUBLE_EQ(s->columnWidth(4), 8.43) << "a column without a record";
    }
}

TEST(SheetColumns, RefusedArgumentsChangeNothing)
{
    struct Case {
        int colFirst, colLast;
        double width;
        const char* message;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {256, 256, 10, "col must be in range 0-255"},
        {-1, 0, 10, "col must be in range 0-255"},
        {0, 256, 10, "col must be in range 0-255"},
        {5, 4, 10, "colLast must be greater than or equal to colFirst"},
        {0, 0, -1, "width must be in range 0-255"},
        {0, 0, 256, "width must be in range 0-255"},
        {0, 0, nan, "width must be in range 0-255"},
    };
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        EXPECT_FALSE(s->setColumn(c.colFirst, c.colLast, c.width, nullptr, false));
        EXPECT_STREQ(book->errorMessage(), c.message);
        EXPECT_TRUE(recordsWith(*s, 0x007D).empty());
    }
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    BookHolder other;
    EXPECT_FALSE(s->setColumn(0, 0, 10, other->format(0), false));
    EXPECT_STREQ(book->errorMessage(), "specified format not found");
}

TEST(SheetColumns, FormatAndRangeGoToEveryColumn)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    IFormatT* f = book->addFormat(nullptr);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(s->setColumn(2, 4, 10.0, f, false));
    ASSERT_TRUE(s->setColumn(4, 5, 20.0, nullptr, false));
    const std::uint16_t xf = static_cast<std::uint16_t>(book->formatCount() - 1);
    const std::vector<Bytes> expected{u16s({2, 3, 2743, xf, 0, 0}), u16s({4, 4, 5303, xf, 0, 0}),
                                      u16s({5, 5, 5303, 0, 0, 0})};
    EXPECT_EQ(recordsWith(*s, 0x007D), expected) << "a later width keeps a column's format";
}

TEST(SheetColumns, HiddenColumnsKeepTheirWidth)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    ASSERT_TRUE(s->setColumn(1, 1, 10.0, nullptr, false));
    ASSERT_TRUE(s->setColumnHidden(1, true));
    EXPECT_TRUE(s->isColumnHidden(1));
    EXPECT_DOUBLE_EQ(s->columnWidth(1), 0.0);
    EXPECT_EQ(s->columnPixels(1), 0);
    ASSERT_TRUE(s->setColumnHidden(1, false));
    EXPECT_FALSE(s->isColumnHidden(1));
    EXPECT_DOUBLE_EQ(s->columnWidth(1), 10.0) << "showing the column brings its width back";

    ASSERT_TRUE(s->setColumnHidden(7, true));
    EXPECT_TRUE(s->isColumnHidden(7));
    ASSERT_TRUE(s->setColumnHidden(7, false));
    EXPECT_DOUBLE_EQ(s->columnWidth(7), 8.43);

    for (int col : {-1, 256}) {
        EXPECT_FALSE(s->setColumnHidden(col, true));
        EXPECT_STREQ(book->errorMessage(), "col must be in range 0-255");
        EXPECT_FALSE(s->isColumnHidden(col));
    }
}

TEST(SheetColumns, PixelsFollowTheDigitWidthOfTheFirstFont)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    EXPECT_EQ(s->columnPixels(0), 64) << "eight times the default width without a record";
    ASSERT_TRUE(s->setColumn(0, 0, 10.0, nullptr, false));
    EXPECT_EQ(s->columnPixels(0), 2743 / (256 / 7));
}

// ---- row heights and hidden rows ----------------------------------------------------

TEST(SheetRows, HeightsAndTheirLimits)
{
    struct Case {
        double height;
        bool ok;
        std::uint16_t twips;
        const char* message;
    };
    const Case cases[] = {
        {409.6, true, 8192, "ok"},
        {15.0, true, 300, "ok"},
        {0.0, true, 0, "ok"},
        {12.34, true, 246, "ok"},
        {409.65, false, 0, "height is too big"},
        {3300.0, false, 0, "height is too big"},  // would wrap in 16 bits
        {-1.0, false, 0, "height must not be negative"},
        {std::numeric_limits<double>::quiet_NaN(), false, 0, "height must not be negative"},
        {std::numeric_limits<double>::infinity(), false, 0, "height is too big"},
    };
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        EXPECT_EQ(s->setRow(5, c.height, nullptr, false), c.ok) << c.height;
        EXPECT_STREQ(book->errorMessage(), c.message) << c.height;
        EXPECT_EQ(s->firstRow(), c.ok ? 5 : 0) << "setting a row takes it into the used range";
        EXPECT_EQ(s->lastRow(), c.ok ? 6 : 0);
        const auto rows = recordsWith(*s, 0x0208);
        if (!c.ok) {
            EXPECT_TRUE(rows.empty());
            EXPECT_DOUBLE_EQ(s->rowHeight(5), 12.75) << "the default height";
            continue;
        }
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0], u16s({5, 0, 0, c.twips, 0, 0, 0x0140, 0}));
        EXPECT_DOUBLE_EQ(s->rowHeight(5), c.twips / 20.0);
    }
}

TEST(SheetRows, SetRowChangesAnExistingRecordInPlace)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    IFormatT* f = book->addFormat(nullptr);
    ASSERT_TRUE(s->groupRows(2, 3, false));
    ASSERT_TRUE(s->setRow(2, 30.0, f, true));
    const auto xf = static_cast<std::uint16_t>(book->formatCount() - 1);
    const auto rows = recordsWith(*s, 0x0208);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], u16s({2, 0, 1, 600, 0, 0, 0x01E1, xf})) << "one record, still at outline level 1";
    EXPECT_TRUE(s->isRowHidden(2));
    EXPECT_FALSE(s->setRow(65536, 10, nullptr, false));
    EXPECT_STREQ(book->errorMessage(), "row must be in range 0-65535");
    BookHolder other;
    EXPECT_FALSE(s->setRow(1, 10, other->format(0), false));
    EXPECT_STREQ(book->errorMessage(), "specified format not found");
}

TEST(SheetRows, HidingRowsAddsOnlyTheRecordsItNeeds)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    ASSERT_TRUE(s->setRowHidden(4, false));
    EXPECT_TRUE(recordsWith(*s, 0x0208).empty()) << "showing a row without a record adds none";
    ASSERT_TRUE(s->setRowHidden(4, true));
    EXPECT_TRUE(s->isRowHidden(4));
    EXPECT_EQ(recordsWith(*s, 0x0208), std::vector<Bytes>{u16s({4, 0, 1, 255, 0, 0, 0x0120, 15})});
    ASSERT_TRUE(s->setRowHidden(4, false));
    EXPECT_FALSE(s->isRowHidden(4));
    EXPECT_EQ(recordsWith(*s, 0x0208).size(), 1u);
    EXPECT_FALSE(s->isRowHidden(70000));
    EXPECT_FALSE(s->setRowHidden(70000, true));
    EXPECT_STREQ(book->errorMessage(), "row must be in range 0-65535");
}

// ---- page breaks ----------------------------------------------------------------------

TEST(SheetPageBreaks, AddRemoveAndRefuse)
{
    struct Step {
        bool horizontal;
        int pos;
        bool pageBreak;
        bool ok;
        const char* message;
    };
    const Step steps[] = {
        {true, 10, true, true, "ok"},
        {true, 3, true, true, "ok"},
        {true, 10, true, false, "pagebreak already exists"},
        {true, 7, false, false, "pagebreak not found"},
        {true, 65536, true, false, "row must be in range 0-65535"},
        {true, -1, true, false, "row must be in range 0-65535"},
        {false, 4, true, true, "ok"},
        {false, 4, true, false, "pagebreak already exists"},
        {false, 256, true, false, "col must be in range 0-255"},
        {false, 4, false, true, "ok"},
        {false, 4, false, false, "pagebreak not found"},
        {false, 2, true, true, "ok"},
    };
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    for (const Step& st : steps) {
        const bool ok = st.horizontal ? s->setHorizontalPageBreak(st.pos, st.pageBreak)
                                      : s->setVerticalPageBreak(st.pos, st.pageBreak);
        EXPECT_EQ(ok, st.ok) << st.pos;
        EXPECT_STREQ(book->errorMessage(), st.message) << st.pos;
    }
    EXPECT_EQ(s->horizontalPageBreakCount(), 2);
    EXPECT_EQ(s->horizontalPageBreak(0), 10) << "breaks keep the order they were added in";
    EXPECT_EQ(s->horizontalPageBreak(1), 3);
    EXPECT_EQ(s->horizontalPageBreak(2), -1);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");
    EXPECT_EQ(s->verticalPageBreakCount(), 1);
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(s->verticalPageBreak(0), 2);
    EXPECT_EQ(s->verticalPageBreak(-1), -1);
    EXPECT_EQ(recordsWith(*s, 0x001B), std::vector<Bytes>{u16s({2, 3, 0, 255, 10, 0, 255})});
    EXPECT_EQ(recordsWith(*s, 0x001A), std::vector<Bytes>{u16s({1, 2, 0, 65535})});
}

TEST(SheetPageBreaks, OneDirectionHoldsAtMost1026)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    for (int i = 0; i < 1026; ++i) ASSERT_TRUE(s->setHorizontalPageBreak(i + 1, true));
    EXPECT_FALSE(s->setHorizontalPageBreak(2000, true));
    EXPECT_STREQ(book->errorMessage(), "number of pagebreaks is exceed limit");
    EXPECT_TRUE(s->setVerticalPageBreak(1, true)) << "the other direction has its own limit";
    EXPECT_EQ(s->horizontalPageBreakCount(), 1026);
}

// ---- outline groups -------------------------------------------------------------------

// Outline level of each row 0..n-1 (0 without a record) and the GUTS levels.
std::vector<int> rowLevels(SheetImplT& s, int n)
{
    std::vector<int> levels(static_cast<std::size_t>(n), 0);
    for (const auto& r : recordsWith(s, 0x0208)) {
        const int row = getU16(r.data());
        if (row < n) levels[static_cast<std::size_t>(row)] = getU16(r.data() + 12) & 7;
    }
    return levels;
}

std::uint16_t gutsRowLevels(SheetImplT& s) { return getU16(recordsWith(s, 0x0080).at(0).data() + 4); }
std::uint16_t gutsColLevels(SheetImplT& s) { return getU16(recordsWith(s, 0x0080).at(0).data() + 6); }

TEST(SheetGroups, RowGroupsNestAndRefuseOverlaps)
{
    struct Step {
        int first, last;
        bool collapsed;
        bool ok;
        const char* message;
        std::vector<int> levels;  // rows 0..7 after the step
        int guts;
    };
    const Step steps[] = {
        {2, 5, true, true, "ok", {0, 0, 1, 1, 1, 1, 0, 0}, 2},
        {3, 4, false, true, "ok", {0, 0, 1, 2, 2, 1, 0, 0}, 3},
        {1, 3, false, false, "detect overlap", {0, 0, 1, 2, 2, 1, 0, 0}, 3},
        {4, 3, false, false, "must be rowFirst <= rowLast", {0, 0, 1, 2, 2, 1, 0, 0}, 3},
        {6, 7, false, true, "ok", {0, 0, 1, 2, 2, 1, 1, 1}, 3},  // the gutter is not lowered
        {0, 65536, false, false, "row must be in range 0-65535", {0, 0, 1, 2, 2, 1, 1, 1}, 3},
    };
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    for (const Step& st : steps) {
        EXPECT_EQ(s->groupRows(st.first, st.last, st.collapsed), st.ok) << st.first << "-" << st.last;
        EXPECT_STREQ(book->errorMessage(), st.message);
        EXPECT_EQ(rowLevels(*s, 8), st.levels) << st.first << "-" << st.last;
        EXPECT_EQ(gutsRowLevels(*s), st.guts);
    }
    EXPECT_TRUE(s->isRowHidden(2)) << "collapsed when grouped";
    EXPECT_FALSE(s->isRowHidden(3)) << "shown again by the inner group";
}

TEST(SheetGroups, CollapsedGroupMarksTheRowBelow)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    ASSERT_TRUE(s->setRow(4, 20, nullptr, false));
    ASSERT_TRUE(s->groupRows(1, 3, true));
    EXPECT_EQ(getU16(recordsWith(*s, 0x0208).back().data() + 12) & 0x0010, 0x0010);
    ASSERT_TRUE(s->groupRows(1, 3, false)) << "a group at level 1 nests again";
    EXPECT_EQ(getU16(recordsWith(*s, 0x0208).back().data() + 12) & 0x0010, 0);
}

TEST(SheetGroups, OutlineLevelsStopAtSeven)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    for (int i = 0; i < 7; ++i) ASSERT_TRUE(s->groupRows(1, 2, false)) << i;
    EXPECT_FALSE(s->groupRows(1, 2, false));
    EXPECT_STREQ(book->errorMessage(), "outline level must be in range 0-7");
    EXPECT_EQ(rowLevels(*s, 3), (std::vector<int>{0, 7, 7}));
    for (int i = 0; i < 7; ++i) ASSERT_TRUE(s->groupColumns(1, 2, false)) << i;
    EXPECT_FALSE(s->groupColumns(1, 2, false));
    EXPECT_STREQ(book->errorMessage(), "outline level must be in range 0-7");
    EXPECT_EQ(gutsColLevels(*s), 8);
}

TEST(SheetGroups, ColumnGroups)
{
    BookHolder book;
    SheetImplT* s = addSheet(*book.book);
    ASSERT_TRUE(s->setColumn(3, 3, 10.0, nullptr, false));
    EXPECT_FALSE(s->setColumn(300, 300, 1, nullptr, false));
    ASSERT_TRUE(s->groupColumns(2, 4, true));
    EXPECT_STREQ(book->errorMessage(), "col must be in range 0-255") << "the message is left as it was";
    // Column 3 keeps its width; the others get the default one.
    const std::vector<Bytes> expected{u16s({2, 2, 2340, 0, 0x0101, 0}), u16s({3, 3, 2743, 0, 0x0101, 0}),
                                      u16s({4, 4, 2340, 0, 0x0101, 0})};
    EXPECT_EQ(recordsWith(*s, 0x007D), expected);
    EXPECT_EQ(gutsColLevels(*s), 2);
    EXPECT_TRUE(s->isColumnHidden(3));
    ASSERT_TRUE(s->groupColumns(3, 3, false));
    EXPECT_EQ(gutsColLevels(*s), 3);
    EXPECT_FALSE(s->isColumnHidden(3));
    EXPECT_FALSE(s->groupColumns(3, 2, false));
    EXPECT_STREQ(book->errorMessage(), "must be colFirst <= colLast");
    EXPECT_FALSE(s->groupColumns(0, 256, false));
    EXPECT_STREQ(book->errorMessage(), "col must be in range 0-255");
}

// Each side on its own, so that the two flags can't stand in for each
// other: WSBOOL keeps rows' summaries below in 0x0040 and columns' to the
// right in 0x0080.
TEST(SheetGroups, SummarySides)
{
    struct Case {
        bool below, right;
        std::uint16_t bits;
    };
    const Case cases[] = {{true, true, 0x00C0}, {true, false, 0x0040}, {false, true, 0x0080}, {false, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.below) + " " + std::to_string(c.right));
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        EXPECT_TRUE(s->groupSummaryBelow());
        EXPECT_TRUE(s->groupSummaryRight());
        s->setGroupSummaryBelow(c.below);
        s->setGroupSummaryRight(c.right);
        EXPECT_EQ(s->groupSummaryBelow(), c.below);
        EXPECT_EQ(s->groupSummaryRight(), c.right);
        EXPECT_EQ(getU16(recordsWith(*s, 0x0081).at(0).data()) & 0x00C0, c.bits);
    }
}

// ---- frozen panes ---------------------------------------------------------------------

TEST(SheetPanes, SplitFreezesAtTheCell)
{
    struct Case {
        int row, col;
        std::uint8_t activePane;
    };
    const Case cases[] = {{0, 2, 1}, {3, 0, 2}, {3, 2, 0}, {65535, 255, 0}};
    for (const Case& c : cases) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        EXPECT_FALSE(s->setRow(-1, 1, nullptr, false));
        s->split(c.row, c.col);
        EXPECT_STREQ(book->errorMessage(), "row must be in range 0-65535") << "the message is left as it was";
        const auto pane = recordsWith(*s, 0x0041);
        ASSERT_EQ(pane.size(), 1u);
        Bytes expected = u16s({static_cast<std::uint16_t>(c.col), static_cast<std::uint16_t>(c.row),
                               static_cast<std::uint16_t>(c.row), static_cast<std::uint16_t>(c.col)});
        expected.push_back(c.activePane);
        expected.push_back(0);
        EXPECT_EQ(pane[0], expected);
        EXPECT_EQ(getU16(recordsWith(*s, 0x023E).at(0).data()) & 0x0008, 0x0008);
    }
    struct Bad {
        int row, col;
        const char* message;
    };
    for (const Bad& b : {Bad{65536, 0, "row must be in range 0-65535"}, Bad{0, 256, "col must be in range 0-255"},
                         Bad{-1, 0, "row must be in range 0-65535"}}) {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        s->split(b.row, b.col);
        EXPECT_STREQ(book->errorMessage(), b.message);
        EXPECT_TRUE(recordsWith(*s, 0x0041).empty());
        EXPECT_EQ(getU16(recordsWith(*s, 0x023E).at(0).data()) & 0x0008, 0);
    }
}

// A split at the first cell freezes nothing: the pane, the frozen marks and
// the selections of the panes that went are taken away, whatever was frozen
// before.
TEST(SheetPanes, SplitAtTheFirstCellRemovesThePane)
{
    struct Case {
        int row, col;  // the freeze before
    };
    const Case cases[] = {{3, 2}, {4, 0}, {0, 5}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.col));
        BookHolder book;
        SheetImplT* s = addSheet(*book.book);
        s->split(c.row, c.col);
        s->split(0, 0);
        EXPECT_TRUE(recordsWith(*s, 0x0041).empty());
        EXPECT_EQ(getU16(recordsWith(*s, 0x023E).at(0).data()) & 0x0108, 0);
        for (const Bytes& sel : recordsWith(*s, 0x001D)) EXPECT_EQ(sel.at(0), 3) << "a selection of another pane";
        // Freezing again makes the pane and its mark anew.
        s->split(2, 2);
        EXPECT_EQ(recordsWith(*s, 0x0041).size(), 1u);
        EXPECT_EQ(getU16(recordsWith(*s, 0x023E).at(0).data()) & 0x0008, 0x0008);
    }
}

}  // namespace
}  // namespace celvo

// The layout set through the sheet interface, saved and read by an
// independent reader (xlrd) and by our own loader; formula groups after
// clearing and copying cells as LibreOffice reads them.
#include "test_support.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "sheet_test_util.h"

namespace celvo {
namespace {

using namespace test;

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

std::u16string widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// What xlrd reads from the saved file.
std::string xlrdLayout(const std::string& path)
{
    const CheckerRun r = runChecker(pythonScript(CELVO_XLS_TEST_DIR "/xlrd_layout.py", shellQuoted(path)));
    EXPECT_TRUE(checkerPassed(r));
    return r.body;
}

void setLayout(SheetImplT& s)
{
    ASSERT_TRUE(s.setColumn(0, 0, 10.0, nullptr, false));
    ASSERT_TRUE(s.setColumn(2, 3, 20.0, nullptr, true));
    ASSERT_TRUE(s.groupColumns(5, 6, false));
    ASSERT_TRUE(s.setRow(1, 30.0, nullptr, false));
    ASSERT_TRUE(s.setRowHidden(3, true));
    ASSERT_TRUE(s.groupRows(5, 7, true));
    ASSERT_TRUE(s.groupRows(6, 6, true));
    ASSERT_TRUE(s.setHorizontalPageBreak(20, true));
    ASSERT_TRUE(s.setHorizontalPageBreak(10, true));
    ASSERT_TRUE(s.setVerticalPageBreak(3, true));
    s.split(2, 1);
    ASSERT_TRUE(s.setMerge(10, 11, 0, 2));
    ASSERT_TRUE(s.setMerge(12, 12, 3, 4));
    ASSERT_TRUE(s.writeNumber(12, 3, 7, nullptr));
}

const char* const kExpectedLayout =
    "sheet Layout\n"
    "col 0: width 2743 hidden 0 level 0\n"
    "col 2: width 5303 hidden 1 level 0\n"
    "col 3: width 5303 hidden 1 level 0\n"
    "col 5: width 2340 hidden 0 level 1\n"
    "col 6: width 2340 hidden 0 level 1\n"
    "row 1: height 600 hidden 0 level 0\n"
    "row 3: height 255 hidden 1 level 0\n"
    "row 5: height 255 hidden 1 level 1\n"
    "row 6: height 255 hidden 1 level 2\n"
    "row 7: height 255 hidden 1 level 1\n"
    "horizontal breaks: 10 20\n"
    "vertical breaks: 3\n"
    "frozen: 1 at 2,1\n"
    "merged rows 10-11 cols 0-2\n"
    "merged rows 12-12 cols 3-4\n"
    "cell 10,0: 6\ncell 10,1: 6\ncell 10,2: 6\n"
    "cell 11,0: 6\ncell 11,1: 6\ncell 11,2: 6\n"
    "cell 12,3: 2\ncell 12,4: 6\n"
    "sheet Cleared\n"
    "horizontal breaks: \n"
    "vertical breaks: \n"
    "frozen: 0 at 0,0\n"
    "merged rows 0-1 cols 6-7\n"
    "cell 0,6: 6\ncell 0,7: 6\ncell 1,6: 6\ncell 1,7: 6\n";

class SheetLayoutFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = ::testing::TempDir() + "sheet_layout_" + std::to_string(getpid());
        ASSERT_EQ(run("mkdir -p '" + dir_ + "' && echo ok"), "ok\n");
    }
    void TearDown() override { run("rm -rf '" + dir_ + "'"); }
    std::string dir_;
};

TEST_F(SheetLayoutFile, IndependentReaderSeesWhatWasSet)
{
    const std::string path = dir_ + "/layout.xls";
    {
        BookHolder book;
        SheetImplT* s = addSheet(*book.book, u"Layout");
        setLayout(*s);
        SheetImplT* c = addSheet(*book.book, u"Cleared");
        c->writeNumber(2, 2, 1, nullptr);
        ASSERT_TRUE(c->setMerge(1, 3, 1, 3));
        ASSERT_TRUE(c->setMerge(4, 4, 0, 4));
        ASSERT_TRUE(c->setMerge(0, 1, 6, 7));
        ASSERT_TRUE(c->clearCells(0, 4, 0, 4));
        ASSERT_TRUE(book->save(widen(path).c_str())) << book->errorMessage();
    }
    EXPECT_EQ(xlrdLayout(path), kExpectedLayout);

    // Our own loader reads the same values back.
    BookHolder loaded;
    ASSERT_TRUE(loaded->load(widen(path).c_str())) << loaded->errorMessage();
    auto* s = static_cast<SheetImplT*>(loaded->sheet(0));
    ASSERT_NE(s, nullptr);
    EXPECT_DOUBLE_EQ(s->columnWidth(0), 10.0);
    EXPECT_DOUBLE_EQ(s->columnWidth(1), 8.43);
    EXPECT_TRUE(s->isColumnHidden(2));
    EXPECT_TRUE(s->isColumnHidden(3));
    EXPECT_FALSE(s->isColumnHidden(4));
    EXPECT_DOUBLE_EQ(s->rowHeight(1), 30.0);
    EXPECT_TRUE(s->isRowHidden(3));
    EXPECT_EQ(s->horizontalPageBreakCount(), 2);
    EXPECT_EQ(s->verticalPageBreak(0), 3);
    int rf = 0, rl = 0, cf = 0, cl = 0;
    ASSERT_TRUE(s->getMerge(11, 1, &rf, &rl, &cf, &cl));
    EXPECT_EQ((std::vector<int>{rf, rl, cf, cl}), (std::vector<int>{10, 11, 0, 2}));
    EXPECT_FALSE(s->setMerge(11, 12, 2, 3)) << "ranges read from the file still refuse crossings";

    // Saved again unchanged, the file reads the same.
    const std::string again = dir_ + "/again.xls";
    ASSERT_TRUE(loaded->save(widen(again).c_str())) << loaded->errorMessage();
    EXPECT_EQ(xlrdLayout(again), kExpectedLayout);
}

// Shared formula A1:A4 of B+1 over the numbers 10, 20, 30, 40 in column B.
Bytes sharedColumn()
{
    const Bytes tokens{0x2C, 0x00, 0x00, 0x01, 0xC0, 0x1E, 0x01, 0x00, 0x03};
    Bytes cells = cat(formulaRecord(0, 0, expOf(0, 0), 8),
                      rec(0x04BC, cat(u16s({0, 3}), Bytes{0, 0, 0, 4}, u16s({9}), tokens)));
    for (std::uint16_t r = 1; r < 4; ++r) cells = cat(cells, formulaRecord(r, 0, expOf(0, 0), 8));
    for (std::uint16_t r = 0; r < 4; ++r) cells = cat(cells, rec(0x0203, cat(u16s({r, 1, 15}), f64le(10.0 * (r + 1)))));
    return cells;
}

TEST_F(SheetLayoutFile, LibreOfficeReadsFormulaGroupsAfterEdits)
{
    CELVO_REQUIRE_LIBREOFFICE();
    const std::string path = dir_ + "/groups.xls";
    {
        BookHolder book;
        SheetImplT* anchor = addSheet(*book.book, u"Anchor");
        readInto(*anchor, sharedColumn());
        ASSERT_TRUE(anchor->clearCells(0, 0, 0, 0));
        SheetImplT* member = addSheet(*book.book, u"Member");
        readInto(*member, sharedColumn());
        ASSERT_TRUE(member->copyCell(2, 0, 5, 3));
        ASSERT_TRUE(member->copyCell(0, 0, 6, 3));
        ASSERT_TRUE(member->clearCells(1, 1, 0, 0));
        SheetImplT* array = addSheet(*book.book, u"Array");
        // A1:A2 hold {=B1*2}.
        const Bytes tokens{0x24, 0, 0, 1, 0xC0, 0x1E, 2, 0, 0x05};
        readInto(*array, cat(formulaRecord(0, 0, expOf(0, 0)),
                             rec(0x0221, cat(u16s({0, 1}), Bytes{0, 0}, u16s({0}), u32le(0), u16s({9}), tokens)),
                             formulaRecord(1, 0, expOf(0, 0))));
        ASSERT_TRUE(array->copyCell(1, 0, 4, 4));
        ASSERT_TRUE(array->clearCells(1, 1, 0, 0));
        ASSERT_TRUE(book->save(widen(path).c_str())) << book->errorMessage();
    }
    const OutsideRun converted =
        runOutside("cd '" + dir_ + "' && HOME='" + dir_ + "' soffice -env:UserInstallation=file://" + dir_ +
                   "/lo --headless --convert-to xlsx --outdir '" + dir_ + "' groups.xls");
    ASSERT_EQ(converted.status, 0) << converted.output;
    std::string formulas;
    CELVO_ASSERT_CHECKER(pythonScript(CELVO_XLS_TEST_DIR "/lo_formulas.py", "'" + dir_ + "/groups.xlsx'"), formulas);
    EXPECT_EQ(formulas,
              "Anchor A2 B2+1\nAnchor A3 B3+1\nAnchor A4 B4+1\n"
              "Member A1 B1+1\nMember A3 B3+1\nMember A4 B4+1\nMember D6 B3+1\nMember D7 B1+1\n"
              "Array A1 B1*2\nArray E5 B1*2\n")
        << converted.output;
}

}  // namespace
}  // namespace celvo

// Rows, columns, outline groups and merged ranges of a .xlsx sheet: the
// records the operations leave in the worksheet, the values they answer,
// the refusals, the functions that move records for inserted and removed
// rows and columns, and what openpyxl and LibreOffice read of a saved book.
#include "test_support.h"

#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "book.h"
#include "sheet.h"

namespace celvo {
namespace {

using namespace celvo::test;

struct Book {
    XMLBookImplT* book = new XMLBookImplT();
    XMLSheetImplT* sheet = static_cast<XMLSheetImplT*>(book->addSheet(u"Layout", nullptr));
    ~Book() { book->release(); }
    std::string message() const { return book->errorMessage(); }
};

std::string num(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.12g", v);
    return buf;
}

// The column records, list by list: "min-max:attributes", lists apart by "|".
std::string cols(const XMLSheetImplT& s)
{
    std::string out;
    const auto& lists = s.root().cols;
    for (std::size_t l = 0; l < lists.size(); ++l) {
        if (l) out += " | ";
        const sheet::c_CT_Cols& list = *lists.at(l);
        for (std::size_t i = 0; i < list.col.size(); ++i) {
            const sheet::c_CT_Col& c = *list.col.at(i);
            if (i) out += " ";
            out += std::to_string(c.min.value) + "-" + std::to_string(c.max.value) + ":";
            std::string a;
            if (c.width.present) a += ",w" + num(c.width.value);
            if (c.customWidth.present) a += ",cw";
            if (c.style.present) a += ",s" + std::to_string(c.style.value);
            if (c.hidden.present) a += c.hidden.value ? ",h" : ",nh";
            if (c.outlineLevel.present) a += ",l" + std::to_string(c.outlineLevel.value);
            if (c.collapsed.present) a += ",c";
            out += a.empty() ? "-" : a.substr(1);
        }
    }
    return out;
}

// The row records with attributes, by 0-based index: "index:attributes".
std::string rows(XMLSheetImplT& s)
{
    std::string out;
    for (const sheet::c_CT_Row& r : s.sheetData().rows) {
        std::string a;
        if (r.ht.present) a += ",ht" + num(r.ht.value);
        if (r.customHeight.present) a += ",ch";
        if (r.s.present) a += ",s" + std::to_string(r.s.value);
        if (r.hidden.present) a += r.hidden.value ? ",h" : ",nh";
        if (r.outlineLevel.present) a += ",l" + std::to_string(r.outlineLevel.value);
        if (r.collapsed.present) a += ",c";
        if (!out.empty()) out += " ";
        out += std::to_string(r.r.value - 1) + ":" + (a.empty() ? "-" : a.substr(1));
    }
    return out;
}

// The merged ranges in order and their count: "A1:B2 C3:D4 #2", "none".
std::string merges(const XMLSheetImplT& s)
{
    const sheet::c_CT_MergeCells* m = s.root().mergeCells.peek();
    if (!m) return "none";
    std::string out;
    for (std::size_t i = 0; i < m->mergeCell.size(); ++i) out += utf16ToUtf8(m->mergeCell.at(i)->ref.value) + " ";
    return out + "#" + (m->count.present ? std::to_string(m->count.value) : "?");
}

void addCol(XMLSheetImplT& s, std::size_t list, unsigned min, unsigned max, double width, int level = -1)
{
    auto& lists = s.root().cols;
    sheet::c_CT_Col* c = lists.get(list)->col.append();
    c->set_min(min);
    c->set_max(max);
    c->set_width(width);
    if (level >= 0) c->set_outlineLevel(static_cast<unsigned char>(level));
}

void addMerge(XMLSheetImplT& s, const char16_t* ref)
{
    sheet::c_CT_MergeCells& m = *s.root().get_mergeCells();
    m.mergeCell.append()->set_ref(ref);
    m.set_count(static_cast<unsigned>(m.mergeCell.size()));
    s.forgetMerges();
}

// What an operation left: its result and the book's message.
std::string outcome(bool ok, const Book& b)
{
    return std::string(ok ? "true " : "false ") + b.message();
}

// A text put together in the order it is written (the operands of << are
// evaluated left to right), so that what an operation left is read after it
// ran: Out(b) << Result{op()} << " " << cols(s).
struct Result {
    bool ok;
};
struct Out {
    explicit Out(const Book& book) : b(book) {}
    Out& operator<<(const std::string& part)
    {
        text += part;
        return *this;
    }
    Out& operator<<(Result r) { return *this << outcome(r.ok, b); }
    operator std::string() const { return text; }
    const Book& b;
    std::string text;
};

struct Case {
    const char* what;
    std::function<std::string(Book&, XMLSheetImplT&)> run;
    std::string want;
};

// The cases of the operations on rows, columns and merged ranges, each on a
// new sheet; `run` gives what it saw as one text.
const std::vector<Case>& layoutCases()
{
    static const std::vector<Case> cases = {
        // Widths in characters stored as the digit width gives them.
        {"a width of 10 is stored for 7-pixel digits and read back",
         [](Book& b, XMLSheetImplT& s) {
             return Out(b) << Result{s.setColumn(2, 4, 10.0, nullptr, false)} << " " << cols(s) << " width "
                           << num(s.columnWidth(3)) << " beside " << num(s.columnWidth(5));
         },
         "true ok 3-5:w10.7109375,cw width 10 beside 8.43"},
        {"a width below one character",
         [](Book&, XMLSheetImplT& s) {
             s.setColumn(0, 0, 0.5, nullptr, false);
             return cols(s) + " width " + num(s.columnWidth(0));
         },
         "1-1:w0.85546875,cw width 0.5"},
        {"a width of nothing",
         [](Book&, XMLSheetImplT& s) {
             s.setColumn(1, 1, 0.0, nullptr, true);
             return cols(s) + " width " + num(s.columnWidth(1)) + " hidden " + std::to_string(s.isColumnHidden(1));
         },
         "2-2:w0,cw,h width 0 hidden 1"},
        {"widths measure in the default font's digits",
         [](Book& b, XMLSheetImplT& s) {
             b.book->setDefaultFont(u"Arial", 20);  // 15-pixel digits
             s.setColumn(0, 0, 10.0, nullptr, false);
             return cols(s) + " width " + num(s.columnWidth(0)) + " default " + num(s.columnWidth(1));
         },
         "1-1:w10.33203125,cw width 10 default 3.93"},
        {"a format given to columns",
         [](Book& b, XMLSheetImplT& s) {
             IFormatT* f = b.book->addFormat(nullptr);
             s.setColumn(0, 1, 9.0, f, false);
             return cols(s);
         },
         "1-2:w9.7109375,cw,s1"},
        {"a setting over part of a record cuts it in place",
         [](Book&, XMLSheetImplT& s) {
             addCol(s, 0, 1, 10, 5.0);
             s.setColumn(3, 5, 10.0, nullptr, false);
             return cols(s);
         },
         "1-3:w5 4-6:w10.7109375,cw 7-10:w5"},
        {"columns between records get records of the default width",
         [](Book&, XMLSheetImplT& s) {
             addCol(s, 0, 2, 2, 5.0);
             addCol(s, 0, 5, 5, 6.0);
             s.setColumn(0, 6, 10.0, nullptr, true);
             return cols(s);
         },
         "1-1:w10.7109375,cw,h 2-2:w10.7109375,cw,h 3-4:w10.7109375,cw,h "
         "5-5:w10.7109375,cw,h "
         "6-7:w10.7109375,cw,h"},
        {"records spread over lists and overlapping become one sorted list, the "
         "first record winning",
         [](Book&, XMLSheetImplT& s) {
             addCol(s, 0, 8, 9, 3.0);
             addCol(s, 0, 2, 5, 4.0);
             addCol(s, 1, 4, 12, 5.0);
             const std::string before = "hidden " + std::to_string(s.isColumnHidden(3)) + " width " +
                                        num(s.columnWidth(3)) + " " + num(s.columnWidth(5)) + " " +
                                        num(s.columnWidth(11));
             s.setColumnHidden(0, true);
             return before + " then " + cols(s) + " width " + num(s.columnWidth(3)) + " " + num(s.columnWidth(5)) +
                    " " + num(s.columnWidth(11));
         },
         "hidden 0 width 3.29 4.29 4.29 then 1-1:w9.140625,h 2-5:w4 6-7:w5 "
         "8-9:w3 10-12:w5 width 3.29 4.29 4.29"},
        {"a gap takes the sheet's default width, not the width of a digit",
         [](Book&, XMLSheetImplT& s) {
             s.root().get_sheetFormatPr()->set_defaultRowHeight(15);
             s.root().get_sheetFormatPr()->set_defaultColWidth(12.5);
             s.groupColumns(0, 0, false);
             return cols(s) + " width " + num(s.columnWidth(0)) + " " + num(s.columnWidth(1));
         },
         "1-1:w12.5,l1 width 11.71 11.71"},
        {"hiding a column keeps its width as stored, showing it again too",
         [](Book&, XMLSheetImplT& s) {
             addCol(s, 0, 1, 3, 10.5);
             s.setColumnHidden(1, true);
             const std::string hidden = cols(s);
             s.setColumnHidden(1, false);
             return hidden + " then " + cols(s) + " shown " + std::to_string(s.isColumnHidden(1));
         },
         "1-1:w10.5 2-2:w10.5,h 3-3:w10.5 then 1-1:w10.5 2-2:w10.5 3-3:w10.5 "
         "shown 0"},
        {"showing a column without a record adds none",
         [](Book& b, XMLSheetImplT& s) {
             return Out(b) << Result{s.setColumnHidden(4, false)} << " [" << cols(s) << "]";
         },
         "true ok []"},
        {"hidden as the first record holding the column says, the next list "
         "asked when it says nothing",
         [](Book&, XMLSheetImplT& s) {
             addCol(s, 0, 1, 2, 5.0);
             addCol(s, 1, 2, 3, 5.0);
             s.root().cols.at(1)->col.at(0)->set_hidden(true);
             return std::to_string(s.isColumnHidden(0)) + std::to_string(s.isColumnHidden(1)) +
                    std::to_string(s.isColumnHidden(2)) + std::to_string(s.isColumnHidden(3));
         },
         "0110"},

        // Rows.
        {"the height of a row without one",
         [](Book&, XMLSheetImplT& s) {
             const std::string plain = num(s.rowHeight(4));
             s.root().get_sheetFormatPr()->set_defaultRowHeight(18.75);
             return plain + " " + num(s.rowHeight(4));
         },
         "15 18.75"},
        {"a row's height, format and hidden flag",
         [](Book& b, XMLSheetImplT& s) {
             IFormatT* f = b.book->addFormat(nullptr);
             s.setRow(2, 30.5, f, true);
             const std::string first = rows(s) + " " + num(s.rowHeight(2)) + " " + std::to_string(s.isRowHidden(2));
             s.setRow(2, 12, nullptr, false);
             return first + " then " + rows(s) + " last " + std::to_string(s.lastRow());
         },
         "2:ht30.5,ch,s1,h 30.5 1 then 2:ht12,ch,s1 last 3"},
        {"hiding and showing rows",
         [](Book& b, XMLSheetImplT& s) {
             const std::string shown = Out(b) << Result{s.setRowHidden(7, false)} << " [" << rows(s) << "]";
             s.setRowHidden(7, true);
             const std::string hidden = rows(s) + " " + std::to_string(s.isRowHidden(7));
             s.setRowHidden(7, false);
             return shown + " " + hidden + " " + rows(s) + " " + std::to_string(s.isRowHidden(7));
         },
         "true ok [] 7:h 1 7:- 0"},

        // Outline groups of rows.
        {"a collapsed group of new rows, then one inside it",
         [](Book&, XMLSheetImplT& s) {
             s.groupRows(3, 5, true);
             const std::string first = rows(s);
             s.groupRows(3, 5, false);
             return first + " then " + rows(s);
         },
         "3:h,l1 4:h,l1 5:h,l1 6:c then 3:h,l2 4:h,l2 5:h,l2 6:c"},
        {"a group crossing another is refused and changes nothing",
         [](Book& b, XMLSheetImplT& s) {
             s.groupRows(3, 5, false);
             s.groupRows(3, 5, false);
             const std::string before = rows(s);
             const std::string refused = outcome(s.groupRows(2, 4, false), b);
             return refused + " " + std::to_string(before == rows(s));
         },
         "false detect overlap 1"},
        {"a row without a level takes the level of the row before it",
         [](Book&, XMLSheetImplT& s) {
             s.groupRows(3, 5, false);
             s.groupRows(3, 5, false);
             s.groupRows(4, 6, false);
             return rows(s);
         },
         "3:l2 4:l3 5:l3 6:l3"},
        {"a group over a leveled first row and rows without levels",
         [](Book&, XMLSheetImplT& s) {
             s.sheetData().rows.find_or_create(3)->set_outlineLevel(1);
             s.groupRows(3, 5, false);
             return rows(s);
         },
         "3:l2 4:l2 5:l2"},
        {"rows in the wrong order",
         [](Book& b, XMLSheetImplT& s) { return Out(b) << Result{s.groupRows(5, 3, false)} << " [" << rows(s) << "]"; },
         "false must be rowFirst <= rowLast []"},
        {"no level beyond seven",
         [](Book& b, XMLSheetImplT& s) {
             for (int i = 0; i < 7; ++i) s.groupRows(1, 1, false);
             return Out(b) << Result{s.groupRows(1, 1, false)} << " " << rows(s);
         },
         "false outline level must be in range 0-7 1:l7"},
        {"the deepest level is kept for the outline's gutter",
         [](Book&, XMLSheetImplT& s) {
             s.groupRows(1, 2, false);
             s.groupRows(1, 1, false);
             s.groupColumns(1, 1, false);
             const sheet::c_CT_SheetFormatPr& f = *s.root().sheetFormatPr.peek();
             return std::to_string(f.outlineLevelRow.value) + " " + std::to_string(f.outlineLevelCol.value) + " " +
                    num(f.defaultRowHeight.value);
         },
         "2 1 15"},
        {"the last row of the sheet grouped collapsed has no row after it",
         [](Book& b, XMLSheetImplT& s) {
             return Out(b) << Result{s.groupRows(1048575, 1048575, true)} << " " << rows(s);
         },
         "true ok 1048575:h,l1"},

        // Outline groups of columns.
        {"a collapsed group of columns without records",
         [](Book&, XMLSheetImplT& s) {
             s.groupColumns(0, 2, true);
             return cols(s);
         },
         "1-3:w9.140625,h,l1 4-4:w9.140625,c"},
        {"a group over part of a record and past it",
         [](Book&, XMLSheetImplT& s) {
             addCol(s, 0, 1, 4, 5.0);
             s.groupColumns(2, 5, false);
             return cols(s);
         },
         "1-2:w5 3-4:w5,l1 5-6:w9.140625,l1"},
        {"columns at different levels are refused before anything changes",
         [](Book& b, XMLSheetImplT& s) {
             addCol(s, 0, 1, 2, 5.0, 1);
             addCol(s, 0, 3, 4, 5.0);
             const std::string before = cols(s);
             return Out(b) << Result{s.groupColumns(0, 3, false)} << " " << std::to_string(before == cols(s));
         },
         "false detect overlap 1"},
        {"leveled columns beside columns without a record are refused",
         [](Book& b, XMLSheetImplT& s) {
             addCol(s, 0, 1, 2, 5.0, 1);
             return Out(b) << Result{s.groupColumns(0, 3, false)} << " " << cols(s);
         },
         "false detect overlap 1-2:w5,l1"},
        {"columns in the wrong order",
         [](Book& b, XMLSheetImplT& s) { return Out(b) << Result{s.groupColumns(3, 1, false)}; },
         "false must be colFirst <= colLast"},
        {"the summary sides",
         [](Book&, XMLSheetImplT& s) {
             std::string out = std::to_string(s.groupSummaryBelow()) + std::to_string(s.groupSummaryRight());
             s.setGroupSummaryBelow(false);
             out += std::to_string(s.groupSummaryBelow()) + std::to_string(s.groupSummaryRight());
             s.setGroupSummaryRight(false);
             s.setGroupSummaryBelow(true);
             return out + std::to_string(s.groupSummaryBelow()) + std::to_string(s.groupSummaryRight());
         },
         "110110"},

        // Positions, sizes and levels inside the sheet's limits.
        {"columns past the last",
         [](Book& b, XMLSheetImplT& s) { return Out(b) << Result{s.setColumn(16383, 16384, 5, nullptr, false)}; },
         "false col must be less than 16384"},
        {"negative columns",
         [](Book& b, XMLSheetImplT& s) {
             return Out(b) << Result{s.setColumn(-1, 2, 5, nullptr, false)} << " / "
                           << Result{s.setColumnHidden(-3, true)} << " / " << Result{s.groupColumns(-1, 0, false)}
                           << " [" << cols(s) << "]";
         },
         "false col must be in range 0-16383 / false col must be in range "
         "0-16383 / false col must be in range "
         "0-16383 []"},
        {"columns in the wrong order for a width",
         [](Book& b, XMLSheetImplT& s) { return Out(b) << Result{s.setColumn(4, 3, 5, nullptr, false)}; },
         "false colLast must be greater than or equal to colFirst"},
        {"widths outside 0-255 characters",
         [](Book& b, XMLSheetImplT& s) {
             return Out(b) << Result{s.setColumn(0, 0, -1, nullptr, false)} << " / "
                           << Result{s.setColumn(0, 0, 256, nullptr, false)} << " / "
                           << Result{s.setColumn(0, 0, std::nan(""), nullptr, false)} << " [" << cols(s) << "]";
         },
         "false width must be in range 0-255 / false width must be in range "
         "0-255 / false width must be in range "
         "0-255 []"},
        {"rows off the sheet",
         [](Book& b, XMLSheetImplT& s) {
             return Out(b) << Result{s.setRow(1048576, 10, nullptr, false)} << " / " << Result{s.setRowHidden(-1, true)}
                           << " / " << Result{s.groupRows(1048570, 1048576, false)} << " [" << rows(s) << "]";
         },
         "false row must be in range 0-1048575 / false row must be in range "
         "0-1048575 / false row must be in range "
         "0-1048575 []"},
        {"heights outside 0-409.6 points",
         [](Book& b, XMLSheetImplT& s) {
             return Out(b) << Result{s.setRow(0, -2, nullptr, false)} << " / "
                           << Result{s.setRow(0, 410, nullptr, false)} << " / "
                           << Result{s.setRow(0, 409.5, nullptr, false)};
         },
         "false height must not be negative / false height is too big / true ok"},
        {"a format of another book",
         [](Book& b, XMLSheetImplT& s) {
             Book other;
             IFormatT* foreign = other.book->addFormat(nullptr);
             return Out(b) << Result{s.setColumn(0, 0, 5, foreign, false)} << " / "
                           << Result{s.setRow(0, 5, foreign, false)} << " [" << cols(s) << "][" << rows(s) << "]";
         },
         "false unknown format / false unknown format [][]"},

        // Merged ranges.
        {"a range holding a cell of another is refused",
         [](Book& b, XMLSheetImplT& s) {
             s.setMerge(0, 1, 0, 1);
             return Out(b) << Result{s.setMerge(1, 2, 1, 2)} << " " << merges(s);
         },
         "false detect overlap A1:B2 #1"},
        {"a range crossing another without holding its corners is refused",
         [](Book& b, XMLSheetImplT& s) {
             s.setMerge(0, 2, 1, 1);
             return Out(b) << Result{s.setMerge(1, 1, 0, 2)} << " " << merges(s);
         },
         "false detect overlap B1:B3 #1"},
        {"a range inside another is refused",
         [](Book& b, XMLSheetImplT& s) {
             s.setMerge(0, 3, 0, 3);
             return Out(b) << Result{s.setMerge(1, 2, 1, 2)} << " " << merges(s);
         },
         "false detect overlap A1:D4 #1"},
        {"a range holding others whole takes their place",
         [](Book& b, XMLSheetImplT& s) {
             s.setMerge(0, 1, 0, 1);
             s.setMerge(2, 2, 2, 3);
             s.setMerge(5, 6, 5, 6);
             return Out(b) << Result{s.setMerge(0, 3, 0, 3)} << " " << merges(s);
         },
         "true ok F6:G7 A1:D4 #2"},
        {"the same range again",
         [](Book&, XMLSheetImplT& s) {
             s.setMerge(0, 1, 0, 1);
             s.setMerge(0, 1, 0, 1);
             return merges(s);
         },
         "A1:B2 #1"},
        {"a range beside another",
         [](Book& b, XMLSheetImplT& s) {
             s.setMerge(0, 1, 0, 1);
             return Out(b) << Result{s.setMerge(1, 1, 2, 2)} << " " << merges(s);
         },
         "true ok A1:B2 C2:C2 #2"},
        {"finding and removing ranges",
         [](Book& b, XMLSheetImplT& s) {
             s.setMerge(0, 1, 0, 1);
             s.setMerge(3, 4, 3, 4);
             int r1 = -1, r2 = -1, c1 = -1, c2 = -1;
             std::string out = outcome(s.getMerge(4, 3, &r1, &r2, &c1, &c2), b);
             out += " " + std::to_string(r1) + std::to_string(r2) + std::to_string(c1) + std::to_string(c2);
             out += " / " + outcome(s.getMerge(2, 2, &r1, &r2, &c1, &c2), b);
             out += " / " + outcome(s.deleteMerge(1, 1), b);
             out += " " + merges(s);
             out += " / " + outcome(s.deleteMerge(1, 1), b);
             out += " / " + outcome(s.deleteMerge(3, 3), b);
             out += " " + merges(s);
             return out;
         },
         "true ok 3434 / false this cell isn't in merging block / true ok D4:E5 "
         "#1 / false this cell isn't in "
         "merging block / true ok none"},
        {"ranges of a file: one that cannot be read is passed over, the first of "
         "overlapping ones found",
         [](Book& b, XMLSheetImplT& s) {
             addMerge(s, u"B2");
             addMerge(s, u"nonsense");
             addMerge(s, u"C3:A1");
             addMerge(s, u"B2:D4");
             int r1 = -1, r2 = -1, c1 = -1, c2 = -1;
             std::string out = outcome(s.getMerge(1, 1, &r1, &r2, &c1, &c2), b);
             out += " " + std::to_string(r1) + std::to_string(r2) + std::to_string(c1) + std::to_string(c2);
             s.getMerge(2, 2, &r1, &r2, &c1, &c2);
             out += " " + std::to_string(r1) + std::to_string(r2) + std::to_string(c1) + std::to_string(c2);
             s.getMerge(3, 3, &r1, &r2, &c1, &c2);
             return out + " " + std::to_string(r1) + std::to_string(r2) + std::to_string(c1) + std::to_string(c2);
         },
         "true ok 1111 0202 1313"},
        {"range positions inside the sheet",
         [](Book& b, XMLSheetImplT& s) {
             return Out(b) << Result{s.setMerge(0, 1, 16383, 16384)} << " / " << Result{s.setMerge(0, 1, -1, 1)}
                           << " / " << Result{s.setMerge(-1, 1, 0, 1)} << " / " << Result{s.setMerge(3, 2, 0, 1)}
                           << " / " << Result{s.setMerge(0, 1, 3, 2)} << " " << merges(s);
         },
         "false col must be less than 16384 / false col must be in range 0-16383 "
         "/ false row must be in range "
         "0-1048575 / false rowLast must be greater than or equal to rowFirst / "
         "false colLast must be greater than "
         "or equal to colFirst none"},
        {"the first cell's format spreads over the range",
         [](Book& b, XMLSheetImplT& s) {
             IFormatT* f = b.book->addFormat(nullptr);
             s.writeBlank(0, 0, f);
             s.writeNumber(1, 1, 7, nullptr);
             s.setMerge(0, 1, 0, 1);
             std::string out;
             for (int r = 0; r < 2; ++r)
                 for (int c = 0; c < 2; ++c)
                     out += std::to_string(s.cellType(r, c)) + ":" + std::to_string(s.findCell(r, c)->s()) + " ";
             return out + num(s.readNumber(1, 1, nullptr)) + " " + std::to_string(s.lastRow()) + " " +
                    std::to_string(s.lastColumn());
         },
         "4:1 4:1 4:1 1:1 7 2 2"},
        {"without a first cell the range's cells lose their formats",
         [](Book& b, XMLSheetImplT& s) {
             IFormatT* f = b.book->addFormat(nullptr);
             s.writeNumber(1, 1, 7, f);
             s.setMerge(0, 1, 0, 1);
             return std::to_string(s.findCell(1, 1)->has_s()) + " " + num(s.readNumber(1, 1, nullptr)) + " " +
                    std::to_string(s.findCell(0, 1) != nullptr) + " " + std::to_string(s.lastRow());
         },
         "0 7 0 2"},
        {"a range far larger than its cells styles only the cells there are",
         [](Book& b, XMLSheetImplT& s) {
             IFormatT* f = b.book->addFormat(nullptr);
             s.writeBlank(0, 0, f);
             s.writeNumber(500000, 300, 1, nullptr);
             s.setMerge(0, 1048575, 0, 16383);
             return std::to_string(s.sheetData().rows.size()) + " " + std::to_string(s.findCell(500000, 300)->s()) +
                    " " + merges(s);
         },
         "2 1 A1:XFD1048576 #1"},
    };
    return cases;
}

TEST(XlsxSheetLayout, OperationsOnRowsColumnsAndMerges)
{
    for (const Case& c : layoutCases()) {
        Book b;
        ASSERT_NE(b.sheet, nullptr);
        EXPECT_EQ(c.run(b, *b.sheet), c.want) << c.what;
    }
}

// Column records and merged ranges as rows and columns are inserted, removed
// and cleared.
TEST(XlsxSheetLayout, RecordsFollowInsertedAndRemovedRowsAndColumns)
{
    const std::vector<Case> cases = {
        {"inserted columns cut the record they cross and move those after",
         [](Book&, XMLSheetImplT& s) {
             addCol(s, 0, 1, 5, 4.0);
             addCol(s, 0, 7, 7, 6.0);
             s.shiftColumnRecords(2, 1);
             return cols(s);
         },
         "1-2:w4 4-6:w4 8-8:w6"},
        {"records pushed past the last column are cut off",
         [](Book&, XMLSheetImplT& s) {
             addCol(s, 0, 16380, 16384, 4.0);
             addCol(s, 0, 3, 3, 5.0);
             s.shiftColumnRecords(16381, 2);
             const std::string once = cols(s);
             s.shiftColumnRecords(0, 20000);
             return once + " then [" + cols(s) + "]";
         },
         "3-3:w5 16380-16381:w4 16384-16384:w4 then []"},
        {"removed columns take their records and shorten those crossing them",
         [](Book&, XMLSheetImplT& s) {
             addCol(s, 0, 2, 3, 4.0);
             addCol(s, 0, 5, 5, 6.0);
             addCol(s, 0, 6, 9, 7.0);
             s.removeColumnRecords(1, 2);
             const std::string once = cols(s);
             s.removeColumnRecords(0, 16383);
             return once + " then [" + cols(s) + "]";
         },
         "3-3:w6 4-7:w7 then []"},
        {"inserted rows cut a range they cross; a piece of one cell goes",
         [](Book&, XMLSheetImplT& s) {
             addMerge(s, u"A1:A5");
             addMerge(s, u"C1:C5");
             addMerge(s, u"E1:E2");
             addMerge(s, u"G4:H4");
             s.insertRows(1, 1);
             return merges(s);
         },
         "G5:H5 A3:A6 C3:C6 #3"},
        {"inserted rows move ranges after them",
         [](Book&, XMLSheetImplT& s) {
             addMerge(s, u"A1:A5");
             addMerge(s, u"C1:C5");
             addMerge(s, u"B7:C8");
             s.insertRows(2, 2);
             return merges(s);
         },
         "A1:A2 C1:C2 B8:C9 A4:A6 C4:C6 #5"},
        {"inserted columns, and ranges pushed past the edge",
         [](Book&, XMLSheetImplT& s) {
             addMerge(s, u"A1:D1");
             addMerge(s, u"XFC2:XFD3");
             addMerge(s, u"XFA4:XFB4");
             s.insertColumns(2, 3);
             return merges(s);
         },
         "A1:B1 XFC4:XFD4 E1:F1 #3"},
        {"removed rows shrink, move and take away ranges",
         [](Book&, XMLSheetImplT& s) {
             addMerge(s, u"A1:A6");
             addMerge(s, u"B3:B4");
             addMerge(s, u"C6:C7");
             addMerge(s, u"D3:E3");
             s.removeRows(2, 3);
             return merges(s);
         },
         "A1:A4 C4:C5 #2"},
        {"removed columns leaving one cell take the range away",
         [](Book&, XMLSheetImplT& s) {
             addMerge(s, u"A1:C1");
             addMerge(s, u"D2:F3");
             s.removeColumns(1, 1);
             const std::string once = merges(s);
             s.removeColumns(0, 16383);
             return once + " then " + merges(s);
         },
         "A1:B1 C2:E3 #2 then none"},
        {"cleared cells take away the ranges they meet",
         [](Book&, XMLSheetImplT& s) {
             addMerge(s, u"A1:B2");
             addMerge(s, u"D4:E5");
             s.clearCells(0, 0, 0, 0);
             const std::string once = merges(s);
             s.clearCells(0, 1048575, 0, 16383);
             return once + " then " + merges(s);
         },
         "D4:E5 #1 then none"},
        {"the index follows the edits",
         [](Book& b, XMLSheetImplT& s) {
             s.setMerge(0, 1, 0, 1);
             s.insertRows(0, 9);
             int r1 = -1;
             std::string out = outcome(s.getMerge(10, 0, &r1, nullptr, nullptr, nullptr), b);
             out += " " + std::to_string(r1);
             return out + " / " + outcome(s.getMerge(0, 0, &r1, nullptr, nullptr, nullptr), b);
         },
         "true ok 10 / false this cell isn't in merging block"},
    };
    for (const Case& c : cases) {
        Book b;
        EXPECT_EQ(c.run(b, *b.sheet), c.want) << c.what;
    }
}

// The index answers as reading every range in order would, over many ranges
// set, refused, replaced and removed at random.
TEST(XlsxSheetLayout, MergeIndexAnswersAsAScanWould)
{
    Book b;
    XMLSheetImplT& s = *b.sheet;
    std::mt19937 random(12345);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    struct Range {
        int r1, r2, c1, c2;
    };
    auto scan = [&](int row, int col, Range& found) {
        const sheet::c_CT_MergeCells* m = s.root().mergeCells.peek();
        for (std::size_t i = 0; m && i < m->mergeCell.size(); ++i) {
            std::uint32_t r1, c1, r2, c2;
            if (!readRangeRef(m->mergeCell.at(i)->ref.value, r1, c1, r2, c2)) continue;
            if (static_cast<int>(r1) <= row && row <= static_cast<int>(r2) && static_cast<int>(c1) <= col &&
                col <= static_cast<int>(c2)) {
                found = {static_cast<int>(r1), static_cast<int>(r2), static_cast<int>(c1), static_cast<int>(c2)};
                return true;
            }
        }
        return false;
    };
    for (int step = 0; step < 3000; ++step) {
        const int kind = pick(10);
        const int r = pick(400), c = pick(60);
        if (kind < 6) {
            // Mostly small ranges, now and then one over many tiles.
            const int h = kind == 0 ? pick(300) : pick(4), w = kind == 0 ? pick(40) : pick(4);
            s.setMerge(r, r + h, c, c + w);
        } else if (kind < 8) {
            s.deleteMerge(r, c);
        } else {
            Range want{}, got{};
            const bool inScan = scan(r, c, want);
            const bool inIndex = s.getMerge(r, c, &got.r1, &got.r2, &got.c1, &got.c2);
            ASSERT_EQ(inIndex, inScan) << "step " << step << " cell " << r << "," << c;
            if (inScan) {
                EXPECT_EQ(got.r1, want.r1);
                EXPECT_EQ(got.r2, want.r2);
                EXPECT_EQ(got.c1, want.c1);
                EXPECT_EQ(got.c2, want.c2);
            }
        }
    }
    // No two ranges share a cell.
    const sheet::c_CT_MergeCells* m = s.root().mergeCells.peek();
    ASSERT_NE(m, nullptr);
    std::vector<Range> all;
    for (std::size_t i = 0; i < m->mergeCell.size(); ++i) {
        std::uint32_t r1, c1, r2, c2;
        ASSERT_TRUE(readRangeRef(m->mergeCell.at(i)->ref.value, r1, c1, r2, c2));
        all.push_back({static_cast<int>(r1), static_cast<int>(r2), static_cast<int>(c1), static_cast<int>(c2)});
    }
    for (std::size_t i = 0; i < all.size(); ++i)
        for (std::size_t j = i + 1; j < all.size(); ++j)
            EXPECT_FALSE(all[i].r1 <= all[j].r2 && all[j].r1 <= all[i].r2 && all[i].c1 <= all[j].c2 &&
                         all[j].c1 <= all[i].c2)
                << i << " and " << j;
    EXPECT_EQ(m->count.value, m->mergeCell.size());
}

// A saved book as openpyxl reads it, and as openpyxl reads what LibreOffice
// makes of it.
TEST(XlsxSheetLayout, ReadBackByOpenpyxlAndLibreOffice)
{
    const std::string dir = processTempDir() + "xlsx_layout";
    ASSERT_EQ(runOutside("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").status, 0);
    const std::string path = dir + "/layout.xlsx";
    {
        Book b;
        XMLSheetImplT& s = *b.sheet;
        ASSERT_TRUE(s.writeNumber(0, 0, 1, nullptr));
        ASSERT_TRUE(s.setColumn(2, 4, 10.0, nullptr, false)) << b.message();
        ASSERT_TRUE(s.setColumnHidden(5, true)) << b.message();
        ASSERT_TRUE(s.groupColumns(7, 8, false)) << b.message();
        ASSERT_TRUE(s.groupColumns(8, 8, false)) << b.message();
        ASSERT_TRUE(s.setRow(1, 30, nullptr, false)) << b.message();
        ASSERT_TRUE(s.setRowHidden(2, true)) << b.message();
        ASSERT_TRUE(s.groupRows(4, 6, true)) << b.message();
        ASSERT_TRUE(s.groupRows(5, 5, true)) << b.message();
        ASSERT_TRUE(s.setMerge(0, 0, 0, 1)) << b.message();
        ASSERT_TRUE(s.setMerge(9, 10, 2, 3)) << b.message();
        s.setGroupSummaryBelow(false);
        ASSERT_TRUE(b.book->save(widenAscii(path).c_str())) << b.message();
    }
    std::string seen;
    CELVO_ASSERT_CHECKER(
        pythonScript(CELVO_XLSX_TEST_DIR "/openpyxl_layout.py", shellQuoted(path) + " " + shellQuoted(dir)), seen);
    std::printf("%s", seen.c_str());
    struct Fact {
        const char* line;
        std::vector<std::string> facts;
    };
    const std::vector<Fact> both = {
        {"col C:", {"hidden=0", "level=0"}},   {"col E:", {"hidden=0", "level=0"}}, {"col F:", {"hidden=1", "level=0"}},
        {"col G:", {"hidden=0", "level=0"}},   {"col H:", {"hidden=0", "level=1"}}, {"col I:", {"hidden=0", "level=2"}},
        {"row 2:", {"height=30", "hidden=0"}}, {"row 3:", {"hidden=1", "level=0"}}, {"row 4:", {"hidden=0", "level=0"}},
        {"row 5:", {"hidden=1", "level=1"}},   {"row 6:", {"hidden=1", "level=2"}}, {"row 7:", {"hidden=1", "level=1"}},
        {"merged:", {"A1:B1", "C10:D11"}},
    };
    for (const char* reader : {"openpyxl ", "libreoffice "}) {
        for (const Fact& f : both) {
            const std::string line = lineOf(seen, reader + std::string(f.line));
            ASSERT_FALSE(line.empty()) << reader << f.line << "\n" << seen;
            expectFacts(line, f.facts, reader + std::string(f.line));
        }
    }
    // The widths as stored, and the side of the summaries (which LibreOffice
    // does not keep).
    expectFacts(lineOf(seen, "openpyxl summary:"), {"below=0", "right=1"}, "summary");
    expectFacts(lineOf(seen, "openpyxl col C:"), {"width=10.7109"}, "width of C");
    expectFacts(lineOf(seen, "openpyxl col D:"), {"width=10.7109"}, "width of D");
    runOutside("rm -rf '" + dir + "'");
}

}  // namespace
}  // namespace celvo

// Rows and cells of the worksheet part: the packed cell, the row and cell
// stores, and reading and writing rows and cells (both by the scanner over
// a document in memory and through the reader alone, which must agree).
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ooxml/sml-sheet.h"
#include "ooxml/sml-sheet2.h"
#include "ooxml/sml-sheet3.h"
#include "sheet_test_util.h"
#include "test_support.h"

using namespace sheet_test;

namespace {

// The content of the document element as written.
std::string inner(const std::string& written)
{
    std::size_t open = written.find('>');
    std::size_t close = written.rfind("</");
    if (open == std::string::npos || close == std::string::npos || close < open) return written;
    return written.substr(open + 1, close - open - 1);
}

std::string sheet_data(const std::string& rows, const std::string& attributes = "")
{
    return doc("sheetData", rows, attributes);
}

// Reads rows both ways; both must give the same code, errors and writing.
struct both {
    outcome quick, slow;
    std::string written;  // by the quick reading (content of sheetData)
};

both read_rows(const std::string& rows, bool forgive = false)
{
    both b;
    sheet::c_CT_SheetData q, s;
    b.quick = read_doc(q, sheet_data(rows), "sheetData", true, forgive);
    b.slow = read_doc(s, sheet_data(rows), "sheetData", false, forgive);
    EXPECT_EQ(b.quick.code, b.slow.code);
    EXPECT_EQ(b.quick.codes, b.slow.codes);
    EXPECT_EQ(b.quick.items, b.slow.items);
    b.written = inner(write_doc(q, "sheetData"));
    EXPECT_EQ(b.written, inner(write_doc(s, "sheetData")));
    return b;
}

TEST(SheetCells, RowsAndCellsWrittenBack)
{
    struct Case {
        const char* what;
        std::string rows;
        std::string expected;  // empty: as read
    };
    const std::vector<Case> cases = {
        {"numbers and shared strings, attributes in schema order",
         "<row r=\"1\" spans=\"1:2\"><c r=\"A1\" t=\"s\" s=\"5\"><v>0</v></c><c r=\"B1\"><v>1.5</v></c></row>",
         "<row r=\"1\" spans=\"1:2\"><c r=\"A1\" s=\"5\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>1.5</v></c></row>"},
        {"spans of several items joined by one blank", "<row r=\"1\" spans=\"1:2  4:5\"><c r=\"A1\"/></row>",
         "<row r=\"1\" spans=\"1:2 4:5\"><c r=\"A1\"/></row>"},
        {"every row attribute",
         "<row r=\"2\" spans=\"1:1\" s=\"3\" customFormat=\"true\" ht=\"20.25\" hidden=\"true\" customHeight=\"true\" "
         "outlineLevel=\"7\" collapsed=\"false\" thickTop=\"true\" thickBot=\"false\" ph=\"true\"><c r=\"A2\"/></row>",
         ""},
        {"numbers kept as written",
         "<row r=\"1\"><c r=\"A1\"><v>1.0</v></c><c r=\"B1\"><v>1.2010000000000001</v></c>"
         "<c r=\"C1\"><v>3.0018240000000002E-2</v></c><c r=\"E1\"><v>0.30000000000000004</v></c>"
         "<c r=\"F1\"><v>-0</v></c><c r=\"G1\"><v>1e+20</v></c><c r=\"H1\"><v>0.0001</v></c><c r=\"I1\"><v>012</v></c>"
         "</row>",
         ""},
        {"white space at either end of a value kept and marked",
         "<row r=\"1\"><c r=\"A1\"><v> 5 </v></c><c r=\"B1\" t=\"str\"><f>A1</f><v xml:space=\"preserve\">x </v></c>"
         "<c r=\"C1\" t=\"str\"><v xml:space=\"default\">a b</v></c></row>",
         "<row r=\"1\"><c r=\"A1\"><v xml:space=\"preserve\"> 5 </v></c><c r=\"B1\" t=\"str\"><f>A1</f>"
         "<v xml:space=\"preserve\">x </v></c><c r=\"C1\" t=\"str\"><v>a b</v></c></row>"},
        {"booleans, errors, strings and dates (of a later edition)",
         "<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"e\"><v>#DIV/0!</v></c>"
         "<c r=\"C1\" t=\"str\"><v>a formula result longer than eight bytes</v></c>"
         "<c r=\"D1\" t=\"d\"><v>2020-01-31T12:00:00</v></c><c r=\"E1\" t=\"s\"><v>007</v></c></row>",
         ""},
        {"cells and rows without r take the next place",
         "<row><c><v>1</v></c><c><v>2</v></c><c r=\"E1\"><v>3</v></c><c><v>4</v></c></row><row><c/></row>"
         "<row r=\"9\"><c r=\"C9\"/></row><row><c/></row>",
         "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c><c r=\"E1\"><v>3</v></c><c r=\"F1\"><v>4</v></c>"
         "</row><row r=\"2\"><c r=\"A2\"/></row><row r=\"9\"><c r=\"C9\"/></row><row r=\"10\"><c r=\"A10\"/></row>"},
        {"a cell takes its row's index",
         "<row r=\"2\"><c r=\"B7\"><v>1</v></c><c r=\"c9\"><v>2</v></c></row>",
         "<row r=\"2\"><c r=\"B2\"><v>1</v></c><c r=\"C2\"><v>2</v></c></row>"},
        {"unsorted cells sorted, the later of two kept",
         "<row r=\"1\"><c r=\"C1\"><v>3</v></c><c r=\"A1\"><v>1</v></c><c r=\"C1\"><v>4</v></c></row>",
         "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"C1\"><v>4</v></c></row>"},
        {"unsorted rows sorted, two of one index made one",
         "<row r=\"5\" ht=\"20\" customHeight=\"1\"><c r=\"A5\"><v>1</v></c><c r=\"C5\"><v>9</v></c></row>"
         "<row r=\"2\"><c r=\"A2\"><v>2</v></c></row>"
         "<row r=\"5\" s=\"3\" customFormat=\"1\"><c r=\"B5\"><v>5</v></c><c r=\"C5\"><v>10</v></c></row>",
         "<row r=\"2\"><c r=\"A2\"><v>2</v></c></row><row r=\"5\" s=\"3\" customFormat=\"true\" ht=\"20\" "
         "customHeight=\"true\"><c r=\"A5\"><v>1</v></c><c r=\"B5\"><v>5</v></c><c r=\"C5\"><v>10</v></c></row>"},
        {"shared, array and data-table formulas with their attributes",
         "<row r=\"1\"><c r=\"A1\"><f t=\"shared\" ref=\"A1:A3\" si=\"0\">B1*2</f><v>4</v></c>"
         "<c r=\"B1\"><f t=\"shared\" si=\"0\"/><v>6</v></c>"
         "<c r=\"C1\"><f t=\"array\" ref=\"C1:C2\" aca=\"true\">{1,2;3,4}</f><v>1</v></c>"
         "<c r=\"D1\"><f t=\"dataTable\" ref=\"D1:E2\" dt2D=\"1\" dtr=\"0\" del1=\"true\" del2=\"false\" r1=\"F1\" "
         "r2=\"G1\" ca=\"1\" bx=\"0\"/></c><c r=\"E1\" t=\"str\"><f ca=\"true\">A1&amp;\"x\"&lt;&gt;B1</f>"
         "<v>a&amp;b</v></c></row>",
         "<row r=\"1\"><c r=\"A1\"><f t=\"shared\" ref=\"A1:A3\" si=\"0\">B1*2</f><v>4</v></c>"
         "<c r=\"B1\"><f t=\"shared\" si=\"0\"/><v>6</v></c>"
         "<c r=\"C1\"><f t=\"array\" aca=\"true\" ref=\"C1:C2\">{1,2;3,4}</f><v>1</v></c>"
         "<c r=\"D1\"><f t=\"dataTable\" ref=\"D1:E2\" dt2D=\"true\" dtr=\"false\" del1=\"true\" del2=\"false\" "
         "r1=\"F1\" r2=\"G1\" ca=\"true\" bx=\"false\"/></c><c r=\"E1\" t=\"str\"><f ca=\"true\">"
         "A1&amp;&quot;x&quot;&lt;>B1</f><v>a&amp;b</v></c></row>"},
        {"inline rich strings",
         "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>plain</t></is></c><c r=\"B1\" t=\"inlineStr\"><is><r><rPr>"
         "<b/><sz val=\"11\"/><color rgb=\"FFFF0000\"/><rFont val=\"Calibri\"/><b val=\"false\"/></rPr>"
         "<t xml:space=\"preserve\"> Hi </t></r><r><t>there</t></r><rPh sb=\"0\" eb=\"1\"><t>ha</t></rPh>"
         "<phoneticPr fontId=\"1\" type=\"Hiragana\"/></is></c></row>",
         ""},
        {"style, metadata and phonetic flag of a cell",
         "<row r=\"1\"><c r=\"A1\" s=\"2\"/><c r=\"B1\" cm=\"1\" vm=\"2\" ph=\"0\"><v>1</v></c></row>",
         "<row r=\"1\"><c r=\"A1\" s=\"2\"/><c r=\"B1\" cm=\"1\" vm=\"2\" ph=\"false\"><v>1</v></c></row>"},
        {"what other namespaces add to rows and cells is kept",
         "<row r=\"1\" xmlns:x14ac=\"urn:x14ac\" x14ac:dyDescent=\"0.25\"><c r=\"A1\" xmlns:q=\"urn:q\" q:a=\"1\"><v>1</v>"
         "<q:note>n</q:note><extLst><ext uri=\"{U}\"><q:e/></ext></extLst></c><extLst><ext uri=\"{R}\"><q:r "
         "xmlns:q=\"urn:q\"/></ext></extLst></row>",
         "<row xmlns:x14ac=\"urn:x14ac\" r=\"1\" x14ac:dyDescent=\"0.25\"><c xmlns:q=\"urn:q\" r=\"A1\" q:a=\"1\"><v>1</v>"
         "<q:note>n</q:note><extLst><ext uri=\"{U}\"><q:e/></ext></extLst></c><extLst><ext uri=\"{R}\"><q:r "
         "xmlns:q=\"urn:q\"/></ext></extLst></row>"},
        {"a comment among the cells",
         "<row r=\"1\"><c r=\"A1\"><v>1</v></c><!-- c --><c r=\"B1\"><v>2</v></c></row>",
         "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c></row>"},
        {"an empty row and empty values", "<row r=\"4\"/><row r=\"5\"><c r=\"A5\"><v></v></c></row>",
         "<row r=\"4\"/><row r=\"5\"><c r=\"A5\"><v></v></c></row>"},
        {"references in values", "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>&#x41;&#66;&quot;&apos;</v></c></row>",
         "<row r=\"1\"><c r=\"A1\" t=\"str\"><v>AB&quot;&apos;</v></c></row>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        both b = read_rows(c.rows);
        ASSERT_EQ(nimb::e_no_error, b.quick.code);
        EXPECT_EQ(c.expected.empty() ? c.rows : c.expected, b.written);
    }
}

TEST(SheetCells, ErrorsOfRowsAndCells)
{
    struct Case {
        const char* what;
        std::string rows;
        nimb::enimb_error code;
        const char* item;
    };
    const std::vector<Case> cases = {
        {"row zero", "<row r=\"0\"/>", nimb::e_value_below_minimum, "@r"},
        {"row past the sheet", "<row r=\"1048577\"/>", nimb::e_value_above_maximum, "@r"},
        {"last row of the sheet", "<row r=\"1048576\"><c r=\"XFD1048576\"/></row>", nimb::e_no_error, ""},
        {"a row after the last without r", "<row r=\"1048576\"/><row/>", nimb::e_value_above_maximum, "@r"},
        {"row not a number", "<row r=\"x\"/>", nimb::e_invalid_value_format, "@r"},
        {"outline level 256", "<row r=\"1\" outlineLevel=\"256\"/>", nimb::e_value_above_maximum, "@outlineLevel"},
        {"height not a number", "<row r=\"1\" ht=\"tall\"/>", nimb::e_invalid_value_format, "@ht"},
        {"cell in row zero", "<row r=\"1\"><c r=\"A0\"/></row>", nimb::e_invalid_value_format, "@r"},
        {"cell past the last column", "<row r=\"1\"><c r=\"XFE1\"/></row>", nimb::e_invalid_value_format, "@r"},
        {"cell of letters only", "<row r=\"1\"><c r=\"ABCDEFG\"/></row>", nimb::e_invalid_value_format, "@r"},
        {"cell after the last column without r", "<row r=\"1\"><c r=\"XFD1\"/><c/></row>",
         nimb::e_value_above_maximum, "@r"},
        {"cell type of no edition", "<row r=\"1\"><c r=\"A1\" t=\"x\"/></row>", nimb::e_not_an_enumeration, "@t"},
        {"style below zero", "<row r=\"1\"><c r=\"A1\" s=\"-1\"/></row>", nimb::e_value_below_minimum, "@s"},
        {"style past 32 bits", "<row r=\"1\"><c r=\"A1\" s=\"4294967296\"/></row>", nimb::e_value_above_maximum,
         "@s"},
        {"phonetic flag of a word", "<row r=\"1\"><c r=\"A1\" ph=\"yes\"/></row>", nimb::e_invalid_value_format,
         "@ph"},
        {"unknown attribute of a cell", "<row r=\"1\"><c r=\"A1\" z=\"1\"/></row>", nimb::e_unexpected_attribute,
         "z"},
        {"cell attributes without white space between", "<row r=\"1\"><c r=\"A1\"s=\"1\"><v>1</v></c></row>",
         nimb::e_not_well_formed, ""},
        {"row attributes without white space between", "<row r=\"1\"ht=\"15\"/>", nimb::e_not_well_formed, ""},
        {"formula type of no edition", "<row r=\"1\"><c r=\"A1\"><f t=\"twice\">1</f></c></row>",
         nimb::e_not_an_enumeration, "@t"},
        {"value before formula", "<row r=\"1\"><c r=\"A1\"><v>1</v><f>1</f></c></row>", nimb::e_bad_end_of_element,
         ""},
        {"empty run properties", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><r><rPr></rPr><t>a</t></r></is></c></row>",
         nimb::e_mandatory_element_missing, ""},
        {"font size without value", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><r><rPr><sz/></rPr><t>a</t></r></is></c></row>",
         nimb::e_required_attribute_missing, "CT_FontSize"},
        {"phonetic run without its bounds", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><rPh><t>a</t></rPh></is></c></row>",
         nimb::e_required_attribute_missing, "CT_PhoneticRun"},
        {"run without text", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><r><rPr><b/></rPr></r></is></c></row>",
         nimb::e_mandatory_element_missing, ""},
        {"underline of no kind", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><r><rPr><u val=\"wavy\"/></rPr><t>a</t></r></is></c></row>",
         nimb::e_not_an_enumeration, "@val"},
        {"space value of no kind", "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t xml:space=\"keep\">a</t></is></c></row>",
         nimb::e_not_an_enumeration, "@xml:space"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        both b = read_rows(c.rows);
        EXPECT_EQ(c.code, b.quick.code);
        if (c.code && *c.item) {
            ASSERT_FALSE(b.quick.items.empty());
            EXPECT_EQ(c.item, b.quick.items.front());
        }
    }
}

TEST(SheetCells, ForgivenReferencesMaskNothing)
{
    // A hook that goes on leaves out what has no place: nothing lands on
    // another cell or row.
    both b = read_rows("<row r=\"1\"><c r=\"A0\"><v>1</v></c><c r=\"B1\"><v>2</v></c><c r=\"XFE1\"><v>3</v></c></row>"
                       "<row r=\"0\"><c r=\"A1\"><v>4</v></c></row><row r=\"2\"><c r=\"A2\"><v>5</v></c></row>",
                       true);
    EXPECT_EQ(nimb::e_no_error, b.quick.code);
    EXPECT_EQ((std::vector<int>{nimb::e_invalid_value_format, nimb::e_invalid_value_format,
                                nimb::e_value_below_minimum}),
              b.quick.codes);
    EXPECT_EQ("<row r=\"1\"><c r=\"B1\"><v>2</v></c></row><row r=\"2\"><c r=\"A2\"><v>5</v></c></row>", b.written);
}

TEST(SheetCells, PackedCell)
{
    EXPECT_EQ(16u, sizeof(sheet::c_CT_Cell));
    sheet::c_CT_Cell c(3);
    EXPECT_EQ(3u, c.column());
    EXPECT_STREQ("n", c.get_t());
    EXPECT_FALSE(c.has_value());
    EXPECT_EQ(sheet::value_kind::none, c.kind());

    struct Number {
        double value;
        const char* text;
    };
    for (const Number& n : {Number{0.1, "0.1"}, Number{1e300, "1e+300"}, Number{-0.0, "-0"},
                            Number{1.0 / 3, "0.3333333333333333"}, Number{1000, "1000"}, Number{1e-5, "1e-05"},
                            Number{123456789012, "123456789012"}}) {
        ASSERT_TRUE(c.set_number(n.value));
        EXPECT_EQ(sheet::value_kind::number, c.kind());
        EXPECT_EQ(n.text, c.value_text());
        double back = 0;
        EXPECT_TRUE(c.value_as_number(back));
        EXPECT_EQ(std::signbit(n.value), std::signbit(back));
        EXPECT_EQ(n.value, back);
    }
    EXPECT_FALSE(c.set_number(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(c.set_number(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ("123456789012", c.value_text());  // unchanged

    c.set_index(42);
    EXPECT_EQ(sheet::value_kind::index, c.kind());
    EXPECT_EQ(42u, c.index());
    EXPECT_EQ("42", c.value_text());
    c.set_text(std::string("short"));
    EXPECT_FALSE(c.has_extra());
    EXPECT_EQ("short", c.value_text());
    c.set_text(std::u16string(u"longer than eight bytes \u00e9"));
    EXPECT_TRUE(c.has_extra());
    EXPECT_EQ(u"longer than eight bytes \u00e9", c.value_wtext());

    // A block of its own when needed; the value moves with it.
    sheet::c_CT_Cell d(0);
    d.set_number(2.5);
    d.set_s(7);
    d.set_type(sheet::cell_type_n);
    EXPECT_FALSE(d.has_extra());
    d.set_cm(1);
    EXPECT_TRUE(d.has_extra());
    EXPECT_EQ(2.5, d.number());
    EXPECT_EQ(1u, d.cm());
    d.get_f()->content.set(u"A1+1");
    sheet::c_CT_Cell copy = d;
    copy.get_f()->content.set(u"changed");
    EXPECT_EQ(u"A1+1", d.formula()->content.value);
    EXPECT_EQ(2.5, copy.number());
    EXPECT_EQ(7u, copy.s());
    sheet::c_CT_Cell moved = std::move(copy);
    EXPECT_EQ(u"changed", moved.formula()->content.value);
    d.erase_formula();
    EXPECT_EQ(nullptr, d.formula());
    d.reset();
    EXPECT_EQ(0u, d.column());
    EXPECT_FALSE(d.has_s());
    EXPECT_FALSE(d.has_value());
    EXPECT_FALSE(d.has_cm());
    EXPECT_FALSE(d.has_extra());

    // The type.
    d.set_t(u"inlineStr");
    EXPECT_EQ(sheet::cell_type_inline_str, d.type());
    EXPECT_STREQ("inlineStr", d.get_t());
    d.set_t(u"x");
    EXPECT_EQ(sheet::cell_type_absent, d.type());
    EXPECT_STREQ("n", d.get_t());
    d.set_ph(false);
    EXPECT_TRUE(d.has_ph());
    EXPECT_FALSE(d.ph());
    d.unset_ph();
    EXPECT_FALSE(d.has_ph());

    // A value read back as the part wrote it.
    struct AsRead {
        unsigned type;
        const char* text;
        sheet::value_kind kind;
    };
    for (const AsRead& a : {AsRead{sheet::cell_type_absent, "1.5", sheet::value_kind::number},
                            AsRead{sheet::cell_type_n, "0.30000000000000004", sheet::value_kind::number},
                            AsRead{sheet::cell_type_n, "1.2010000000000001", sheet::value_kind::number},
                            AsRead{sheet::cell_type_n, "1.0", sheet::value_kind::text},
                            AsRead{sheet::cell_type_n, "+1", sheet::value_kind::text},
                            AsRead{sheet::cell_type_s, "12", sheet::value_kind::index},
                            AsRead{sheet::cell_type_s, "012", sheet::value_kind::text},
                            AsRead{sheet::cell_type_s, "4294967296", sheet::value_kind::text},
                            AsRead{sheet::cell_type_b, "1", sheet::value_kind::index},
                            AsRead{sheet::cell_type_str, "12", sheet::value_kind::text},
                            AsRead{sheet::cell_type_d, "2020-01-01", sheet::value_kind::text},
                            AsRead{sheet::cell_type_n, "nan", sheet::value_kind::text},
                            AsRead{sheet::cell_type_n, "inf", sheet::value_kind::text}}) {
        sheet::c_CT_Cell e(0);
        e.set_type(a.type);
        e.set_value_as_read(a.text);
        EXPECT_EQ(a.kind, e.kind()) << a.text;
        EXPECT_EQ(a.text, e.value_text());
    }
}

// The rows of a store in order, as "index:columns".
std::string rows_of(const sheet::c_row_list& rows)
{
    std::string out;
    for (const auto& row : rows) {
        out += std::to_string(row.r.value - 1) + ":";
        for (const auto& cell : row.cells) out += std::to_string(cell.column()) + ",";
        out += " ";
    }
    return out;
}

TEST(SheetCells, StoresFindCreateEraseAndShift)
{
    sheet::c_CT_SheetData data;
    sheet::c_row_list& rows = data.rows;
    for (std::uint32_t r : {7u, 2u, 5u}) {
        bool created = false;
        sheet::c_CT_Row* row = rows.find_or_create(r, &created);
        ASSERT_NE(nullptr, row);
        EXPECT_TRUE(created);
        EXPECT_EQ(r + 1, row->r.value);
        EXPECT_TRUE(row->r.present);
        for (std::uint32_t c : {4u, 0u, 2u}) row->cells.find_or_create(c)->set_index(c);
    }
    EXPECT_EQ("2:0,2,4, 5:0,2,4, 7:0,2,4, ", rows_of(rows));
    bool created = true;
    EXPECT_EQ(rows.find(5), rows.find_or_create(5, &created));
    EXPECT_FALSE(created);
    EXPECT_EQ(nullptr, rows.find(3));
    EXPECT_EQ(nullptr, rows.find_or_create(sheet::max_row_index + 1));
    EXPECT_EQ(nullptr, rows.find(2)->cells.find_or_create(16384));
    EXPECT_EQ(2u, rows.first()->r.value - 1);
    EXPECT_EQ(7u, rows.last()->r.value - 1);
    EXPECT_EQ(5u, rows.lower_bound(3)->r.value - 1);
    EXPECT_EQ(2u, rows.find(5)->cells.lower_bound(1)->column());

    // Written in order, with their references.
    const std::string first = "<row r=\"3\"><c r=\"A3\"><v>0</v></c><c r=\"C3\"><v>2</v></c><c r=\"E3\"><v>4</v></c></row>";
    EXPECT_EQ(first, inner(write_doc(data, "sheetData")).substr(0, first.size()));

    EXPECT_TRUE(rows.find(5)->cells.erase(2));
    EXPECT_FALSE(rows.find(5)->cells.erase(2));
    EXPECT_EQ(1u, rows.find(7)->cells.erase_range(1, 3));
    EXPECT_EQ("2:0,2,4, 5:0,4, 7:0,4, ", rows_of(rows));

    // Moving rows and cells keeps them in order, and refuses what would
    // leave the sheet or land on another.
    EXPECT_TRUE(rows.shift(5, 10));
    EXPECT_EQ("2:0,2,4, 15:0,4, 17:0,4, ", rows_of(rows));
    EXPECT_EQ(16u, rows.find(15)->r.value);
    EXPECT_FALSE(rows.shift(15, -13));
    EXPECT_TRUE(rows.shift(15, -12));
    EXPECT_FALSE(rows.shift(0, 1048575));
    EXPECT_FALSE(rows.shift(2, -3));
    EXPECT_EQ("2:0,2,4, 3:0,4, 5:0,4, ", rows_of(rows));
    sheet::c_cell_list& cells = rows.find(2)->cells;
    EXPECT_TRUE(cells.shift(2, 3));
    EXPECT_EQ("2:0,5,7, ", rows_of(rows).substr(0, 9));
    EXPECT_FALSE(cells.shift(5, -5));
    EXPECT_FALSE(cells.shift(0, 16377));
    EXPECT_TRUE(cells.shift(0, 16376));
    EXPECT_EQ(16383u, cells.last()->column());

    EXPECT_EQ(2u, rows.erase_range(3, 100));
    EXPECT_TRUE(rows.erase(2));
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(nullptr, rows.first());

    // A copy of the sheet data is deep.
    rows.find_or_create(0)->cells.find_or_create(0)->set_text(std::string("a text of some length"));
    sheet::c_CT_SheetData copy = data;
    copy.rows.find(0)->cells.find(0)->set_index(1);
    EXPECT_EQ("a text of some length", data.rows.find(0)->cells.find(0)->value_text());
}

TEST(SheetCells, StoresAgreeWithAMapUnderRandomWork)
{
    std::mt19937 random(12345);
    sheet::c_row_list rows;
    std::map<std::uint32_t, std::map<std::uint32_t, std::uint32_t>> model;
    for (int i = 0; i < 60000; ++i) {
        std::uint32_t r = random() % 3000, c = random() % 700;
        int op = static_cast<int>(random() % 10);
        if (op < 7) {
            rows.find_or_create(r)->cells.find_or_create(c)->set_index(static_cast<std::uint32_t>(i));
            model[r][c] = static_cast<std::uint32_t>(i);
        } else if (op < 9) {
            if (sheet::c_CT_Row* row = rows.find(r)) {
                bool erased = row->cells.erase(c);
                EXPECT_EQ(model[r].erase(c) == 1, erased);
            }
        } else {
            std::uint32_t last = r + random() % 40;
            std::size_t n = 0;
            for (auto it = model.lower_bound(r); it != model.end() && it->first <= last;) {
                it = model.erase(it);
                ++n;
            }
            EXPECT_EQ(n, rows.erase_range(r, last));
        }
    }
    std::size_t count = 0;
    auto m = model.begin();
    for (const auto& row : rows) {
        ASSERT_NE(m, model.end());
        ASSERT_EQ(m->first + 1, row.r.value);
        auto mc = m->second.begin();
        for (const auto& cell : row.cells) {
            ASSERT_NE(mc, m->second.end());
            EXPECT_EQ(mc->first, cell.column());
            EXPECT_EQ(mc->second, cell.index());
            ++mc;
        }
        EXPECT_EQ(mc, m->second.end());
        ++m;
        ++count;
    }
    EXPECT_EQ(m, model.end());
    EXPECT_EQ(model.size(), count);
    EXPECT_EQ(count, rows.size());
}

// Finding row after row (where the store looks first) while rows come,
// go and move between the finds, across the chunks' bounds.
TEST(SheetCells, SweepsOfFindsAgreeWithAMapWhileTheStoreChanges)
{
    std::mt19937 random(777);
    sheet::c_row_list rows;
    std::map<std::uint32_t, std::uint32_t> model;
    auto put = [&](std::uint32_t r, std::uint32_t mark) {
        rows.find_or_create(r)->cells.find_or_create(0)->set_index(mark);
        model[r] = mark;
    };
    for (std::uint32_t r = 0; r < 5000; r += 2) put(r, r);
    std::uint32_t at = 0;
    for (int i = 0; i < 200000; ++i) {
        const sheet::c_CT_Row* row = rows.find(at);
        auto m = model.find(at);
        ASSERT_EQ(row != nullptr, m != model.end()) << "row " << at << " step " << i;
        if (row) {
            ASSERT_EQ(row->r.value, at + 1);
            ASSERT_EQ(row->cells.find(0)->index(), m->second);
        }
        switch (random() % 16) {
        case 0: put(at + 1, static_cast<std::uint32_t>(i)); break;
        case 1: if (at > 0) put(at - 1, static_cast<std::uint32_t>(i)); break;
        case 2: EXPECT_EQ(rows.erase(at + 1), model.erase(at + 1) == 1); break;
        case 3: EXPECT_EQ(rows.erase(at), model.erase(at) == 1); break;
        case 4: {
            const std::uint32_t last = at + random() % 600;
            std::size_t n = 0;
            for (auto it = model.lower_bound(at); it != model.end() && it->first <= last; it = model.erase(it)) ++n;
            EXPECT_EQ(rows.erase_range(at, last), n);
            break;
        }
        case 5: {
            const std::int64_t delta = static_cast<std::int64_t>(random() % 7) - 3;
            if (rows.shift(at, delta)) {
                std::map<std::uint32_t, std::uint32_t> moved;
                for (const auto& e : model)
                    moved[e.first >= at ? static_cast<std::uint32_t>(e.first + delta) : e.first] = e.second;
                model.swap(moved);
            }
            break;
        }
        default: break;
        }
        at = random() % 64 == 0 ? static_cast<std::uint32_t>(random() % 6000) : (at + 1) % 6000;
    }
    EXPECT_EQ(rows.size(), model.size());
}

TEST(SheetCells, RowsWrittenBottomUpStayInChunks)
{
    // Rows written from the bottom up: each goes to the front of the first
    // chunk, and full chunks split, so no insertion moves more than a chunk.
    sheet::c_row_list rows;
    const std::uint32_t n = 100000;
    for (std::uint32_t r = n; r-- > 0;) rows.find_or_create(r)->cells.find_or_create(r % 50)->set_number(r);
    EXPECT_EQ(n, rows.size());
    std::uint32_t expect = 0;
    for (const auto& row : rows) {
        ASSERT_EQ(expect + 1, row.r.value);
        ++expect;
    }
    for (const auto& chunk : rows.rows().chunks()) EXPECT_LE(chunk.size(), 512u);
    EXPECT_LT(rows.rows().chunks().size(), 2 * n / 256);
}

TEST(SheetCells, TextThatXmlCannotCarry)
{
    // Control characters in values and run texts are written in the
    // format's escape, tab and line ends as they are; a lone surrogate
    // becomes U+FFFD; white space at either end of a run keeps it.
    sheet::c_CT_SheetData data;
    sheet::c_CT_Row* row = data.rows.find_or_create(0);
    sheet::c_CT_Cell* a = row->cells.find_or_create(0);
    a->set_type(sheet::cell_type_str);
    a->set_text(std::u16string(u"a\u0001b\tc\nd"));
    sheet::c_CT_Cell* b = row->cells.find_or_create(1);
    b->set_type(sheet::cell_type_inline_str);
    sheet::c_CT_RElt* run = b->get_is()->r.append();
    run->get_t()->content.set(std::u16string(u" x\u0002") + char16_t(0xD800) + u"y ");
    run->get_rPr()->get_rFont(run->get_rPr()->append_inner_CT_RPrElt())->set_val(u"Tab\there");
    const std::string written = inner(write_doc(data, "sheetData"));
    EXPECT_EQ("<row r=\"1\"><c r=\"A1\" t=\"str\"><v>a_x0001_b c d</v></c><c r=\"B1\" t=\"inlineStr\"><is><r><rPr>"
              "<rFont val=\"Tab&#9;here\"/></rPr><t xml:space=\"preserve\"> x_x0002_\xEF\xBF\xBDy </t></r></is></c></row>",
              written);
}

}  // namespace

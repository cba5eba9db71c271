// Clearing, inserting, removing and copying cells of a .xlsx sheet: what
// each operation leaves of the cells, rows, merged ranges, column records,
// formulas and defined names.
#include "test_support.h"

#include <functional>
#include <string>
#include <vector>

#include "book.h"
#include "celvo/cellref.h"
#include "ooxml/sml-workbook.h"
#include "sheet.h"

namespace celvo {
namespace {

std::string u8(const u16string& s) { return utf16ToUtf8(s); }

const std::string kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";

// A book with the sheets "Data" and "Other".
struct Fixture {
    XMLBookImplT* book = new XMLBookImplT();
    XMLSheetImplT* sheet = nullptr;
    XMLSheetImplT* other = nullptr;
    std::unique_ptr<XMLSheetImplT> loaded;

    Fixture()
    {
        sheet = static_cast<XMLSheetImplT*>(book->addSheet(u"Data", nullptr));
        other = static_cast<XMLSheetImplT*>(book->addSheet(u"Other", nullptr));
    }
    ~Fixture() { book->release(); }
    std::string message() const { return book->errorMessage(); }

    // A sheet read from a worksheet document, bound to the book outside its list.
    XMLSheetImplT& load(const std::string& sheetData, const std::string& before = "", const std::string& after = "")
    {
        const std::string doc =
            "<worksheet " + kMain + ">" + before + "<sheetData>" + sheetData + "</sheetData>" + after + "</worksheet>";
        loaded = std::make_unique<XMLSheetImplT>(doc.data(), doc.size());
        loaded->bind(book, -1);
        return *loaded;
    }
    void merges(XMLSheetImplT& s, std::vector<const char16_t*> refs)
    {
        sheet::c_CT_MergeCells* m = s.root().mergeCells.get();
        for (const char16_t* ref : refs) m->mergeCell.append()->ref.set(ref);
        m->count.set(static_cast<unsigned>(refs.size()));
    }
    // One list of column records per entry, {min, max} each.
    void cols(XMLSheetImplT& s, std::vector<std::vector<std::pair<unsigned, unsigned>>> lists)
    {
        for (const auto& list : lists) {
            sheet::c_CT_Cols* cols = s.root().cols.append();
            for (const auto& [a, b] : list) {
                sheet::c_CT_Col* c = cols->col.append();
                c->min.set(a);
                c->max.set(b);
                c->width.set(12.5);
            }
        }
    }
    void name(const char16_t* name, const char16_t* formula)
    {
        workbook::c_CT_DefinedName* n = book->root().definedNames.get()->definedName.append();
        n->name.set(name);
        n->content.set(formula);
    }
    std::string names()
    {
        std::string out;
        if (const workbook::c_CT_DefinedNames* list = book->root().definedNames.peek())
            for (std::size_t i = 0; i < list->definedName.size(); ++i)
                out += (out.empty() ? "" : " ") + u8(list->definedName.at(i)->name.value) + "=" +
                       u8(list->definedName.at(i)->content.value);
        return out;
    }
};

// The sheet as text: its cells ("A8=2", a formula as "B1:=A1*2", with its
// group as "{shared 0 B1:B4}" and its style as "/s3"), rows with settings
// ("row 3 ht 30"), merged ranges with the list's count, column records per
// list, and the used range.
std::string picture(XMLSheetImplT& s)
{
    std::string out = "cells:";
    for (const sheet::c_CT_Row& row : s.sheetData().rows) {
        const std::uint32_t r = row.r.value - 1;
        for (const sheet::c_CT_Cell& cell : row.cells) {
            char ref[kCellRefA1Max];
            out += " " + std::string(ref, formatCellRefA1(ref, r, cell.column()));
            if (const sheet::c_CT_CellFormula* f = cell.formula()) {
                out += ":=" + u8(f->content.value);
                if (f->t.present) out += "{" + u8(f->t.value);
                if (f->si.present) out += " " + std::to_string(f->si.value);
                if (f->ref.present) out += " " + u8(f->ref.value);
                if (f->r1.present) out += " r1 " + u8(f->r1.value);
                if (f->t.present) out += "}";
            } else {
                out += "=" + cell.value_text();
            }
            if (cell.has_s()) out += "/s" + std::to_string(cell.s());
        }
        if (row.ht.present) out += " (row " + std::to_string(r + 1) + " ht " + std::to_string(static_cast<int>(row.ht.value)) + ")";
    }
    if (const sheet::c_CT_MergeCells* m = s.root().mergeCells.peek()) {
        out += "; merges:";
        for (std::size_t i = 0; i < m->mergeCell.size(); ++i) out += " " + u8(m->mergeCell.at(i)->ref.value);
        out += " (count " + (m->count.present ? std::to_string(m->count.value) : std::string("-")) + ")";
    }
    for (std::size_t l = 0; l < s.root().cols.size(); ++l) {
        const sheet::c_CT_Cols* cols = s.root().cols.at(l);
        out += "; cols:";
        for (std::size_t i = 0; i < cols->col.size(); ++i)
            out += " " + std::to_string(cols->col.at(i)->min.value) + "-" + std::to_string(cols->col.at(i)->max.value);
    }
    out += "; used " + std::to_string(s.firstRow()) + "-" + std::to_string(s.lastRow()) + " " +
           std::to_string(s.firstColumn()) + "-" + std::to_string(s.lastColumn());
    return out;
}

// The edge cases of the operations, each on a sheet of its own: the setup,
// the operation, its result and message, and the sheet it leaves.
TEST(XlsxSheetEdits, EdgeCases)
{
    using Setup = std::function<void(Fixture&, XMLSheetImplT&)>;
    using Edit = std::function<bool(XMLSheetImplT&)>;
    struct Case {
        const char* what;
        Setup setup;
        Edit edit;
        bool result;
        const char* message;
        const char* after;
    };
    auto numbers = [](std::vector<std::pair<int, int>> cells) {
        return [cells](Fixture&, XMLSheetImplT& s) {
            for (const auto& [r, c] : cells) s.writeNumber(r, c, r * 10 + c, nullptr);
        };
    };
    auto twoMerges = [](Fixture& f, XMLSheetImplT& s) {
        s.writeNumber(0, 0, 1, nullptr);
        s.writeNumber(3, 3, 2, nullptr);
        f.merges(s, {u"A1:B2", u"D4:E5"});
    };
    auto heightRow = [](Fixture&, XMLSheetImplT& s) {
        s.writeNumber(2, 0, 1, nullptr);
        s.writeNumber(2, 1, 2, nullptr);
        s.writeNumber(3, 1, 3, nullptr);
        s.sheetData().rows.find(2)->ht.set(30);
        s.sheetData().rows.find(3)->ht.set(40);
    };
    const std::vector<Case> cases = {
        {"the whole sheet cleared", numbers({{0, 0}, {5, 3}, {1048575, 16383}}),
         [](XMLSheetImplT& s) { return s.clearCells(0, 1048575, 0, 16383); }, true, "ok", "cells:; used 0-0 0-0"},
        {"a block far past the sheet is cut at its edges", numbers({{0, 0}, {5, 3}}),
         [](XMLSheetImplT& s) { return s.clearCells(-5, 2000000, 1, 20000); }, true, "ok",
         "cells: A1=0; used 0-1 0-1"},
        {"a row keeps its height when its last cell goes, and when a cell stays", heightRow,
         [](XMLSheetImplT& s) { return s.clearCells(2, 3, 1, 1); }, true, "ok",
         "cells: A3=1 (row 3 ht 30) (row 4 ht 40); used 2-4 0-1"},
        {"one cell of a merged range takes the range away", twoMerges,
         [](XMLSheetImplT& s) { return s.clearCells(0, 0, 0, 0); }, true, "ok",
         "cells: D4=2; merges: D4:E5 (count 1); used 3-5 3-5"},
        {"the last merged range cleared takes the list away", twoMerges,
         [](XMLSheetImplT& s) { return s.clearCells(0, 10, 0, 10); }, true, "ok", "cells:; used 0-0 0-0"},
        {"clearCells refuses rows in reverse", numbers({{0, 0}}),
         [](XMLSheetImplT& s) { return s.clearCells(3, 2, 0, 0); }, false,
         "rowLast must be greater than or equal to rowFirst", "cells: A1=0; used 0-1 0-1"},
        {"clearCells refuses columns in reverse", numbers({{0, 0}}),
         [](XMLSheetImplT& s) { return s.clearCells(0, 0, 3, 2); }, false,
         "colLast must be greater than or equal to colFirst", "cells: A1=0; used 0-1 0-1"},
        {"rows inserted move the cells below; formulas follow",
         [](Fixture&, XMLSheetImplT& s) {
             s.writeNumber(0, 0, 1, nullptr);
             s.writeNumber(5, 0, 2, nullptr);
             s.writeFormula(0, 2, u"A6*2", nullptr);
         },
         [](XMLSheetImplT& s) { return s.insertRows(2, 3); }, true, "ok", "cells: A1=1 C1:=A8*2 A8=2; used 0-8 0-3"},
        {"rows inserted inside a merged range cut it", [](Fixture& f, XMLSheetImplT& s) { f.merges(s, {u"A1:A5"}); },
         [](XMLSheetImplT& s) { return s.insertRows(2, 2); }, true, "ok",
         "cells:; merges: A1:A2 A4:A6 (count 2); used 0-6 0-1"},
        {"the cut parts go after the ranges", [](Fixture& f, XMLSheetImplT& s) { f.merges(s, {u"A1:A5", u"C1:C5"}); },
         [](XMLSheetImplT& s) { return s.insertRows(2, 2); }, true, "ok",
         "cells:; merges: A1:A2 C1:C2 A4:A6 C4:C6 (count 4); used 0-6 0-3"},
        {"insertRows refuses rows in reverse", numbers({{0, 0}}), [](XMLSheetImplT& s) { return s.insertRows(5, 4); },
         false, "rowLast must be greater than or equal to rowFirst", "cells: A1=0; used 0-1 0-1"},
        {"insertRows refuses rows off the sheet", numbers({{0, 0}}),
         [](XMLSheetImplT& s) { return s.insertRows(-1, 4); }, false, "row must be in range 0-1048575",
         "cells: A1=0; used 0-1 0-1"},
        {"rows pushed off the sheet go", numbers({{1048574, 0}, {1048575, 1}}),
         [](XMLSheetImplT& s) { return s.insertRows(0, 0); }, true, "ok", "cells: A1048576=10485740; used 1048575-1048576 0-1"},
        {"rows removed from a merged range narrow it; cells below move up",
         [](Fixture& f, XMLSheetImplT& s) {
             s.writeNumber(5, 0, 6, nullptr);
             f.merges(s, {u"A1:A6", u"B3:B4"});
         },
         [](XMLSheetImplT& s) { return s.removeRows(2, 3); }, true, "ok",
         "cells: A4=6; merges: A1:A4 (count 1); used 0-4 0-1"},
        {"ranges below the removed rows move up", [](Fixture& f, XMLSheetImplT& s) { f.merges(s, {u"A3:A4", u"A6:A7"}); },
         [](XMLSheetImplT& s) { return s.removeRows(2, 3); }, true, "ok",
         "cells:; merges: A4:A5 (count 1); used 3-5 0-1"},
        {"the last range removed takes the list away", [](Fixture& f, XMLSheetImplT& s) { f.merges(s, {u"A3:A4"}); },
         [](XMLSheetImplT& s) { return s.removeRows(2, 3); }, true, "ok", "cells:; used 0-0 0-0"},
        {"removeRows refuses rows in reverse", numbers({{0, 0}}), [](XMLSheetImplT& s) { return s.removeRows(3, 2); },
         false, "rowLast must be greater than or equal to rowFirst", "cells: A1=0; used 0-1 0-1"},
        {"columns inserted inside a column record cut it", [](Fixture& f, XMLSheetImplT& s) { f.cols(s, {{{1, 5}}}); },
         [](XMLSheetImplT& s) { return s.insertColumns(2, 2); }, true, "ok", "cells:; cols: 1-2 4-6; used 0-0 0-0"},
        {"columns inserted move cells and merged ranges right",
         [](Fixture& f, XMLSheetImplT& s) {
             s.writeNumber(0, 0, 1, nullptr);
             s.writeNumber(0, 3, 2, nullptr);
             f.merges(s, {u"C2:D3"});
         },
         [](XMLSheetImplT& s) { return s.insertColumns(1, 2); }, true, "ok",
         "cells: A1=1 F1=2; merges: E2:F3 (count 1); used 0-3 0-6"},
        {"insertColumns refuses columns in reverse", numbers({{0, 0}}),
         [](XMLSheetImplT& s) { return s.insertColumns(3, 2); }, false,
         "colLast must be greater than or equal to colFirst", "cells: A1=0; used 0-1 0-1"},
        {"columns removed narrow or take away column records, and empty lists go",
         [](Fixture& f, XMLSheetImplT& s) { f.cols(s, {{{2, 3}, {5, 5}}, {{2, 2}}}); },
         [](XMLSheetImplT& s) { return s.removeColumns(1, 2); }, true, "ok", "cells:; cols: 3-3; used 0-0 0-0"},
        {"a column removed takes its cells; a row left empty keeps its height",
         [](Fixture&, XMLSheetImplT& s) {
             s.writeNumber(0, 0, 1, nullptr);
             s.writeNumber(0, 1, 2, nullptr);
             s.writeNumber(2, 0, 3, nullptr);
             s.sheetData().rows.find(2)->ht.set(30);
         },
         [](XMLSheetImplT& s) { return s.removeColumns(0, 0); }, true, "ok", "cells: A1=2 (row 3 ht 30); used 0-3 0-1"},
        {"removeColumns refuses columns in reverse", numbers({{0, 0}}),
         [](XMLSheetImplT& s) { return s.removeColumns(3, 2); }, false,
         "colLast must be greater than or equal to colFirst", "cells: A1=0; used 0-1 0-1"},
        {"a copy of a number keeps its style",
         [](Fixture&, XMLSheetImplT& s) {
             s.writeNumber(0, 0, 1.5, nullptr);
             s.findCell(0, 0)->set_s(1);
         },
         [](XMLSheetImplT& s) { return s.copyCell(0, 0, 4, 2); }, true, "ok", "cells: A1=1.5/s1 C5=1.5/s1; used 0-5 0-3"},
        {"a copied formula keeps its text",
         [](Fixture&, XMLSheetImplT& s) { s.writeFormula(0, 0, u"B1+1", nullptr); },
         [](XMLSheetImplT& s) { return s.copyCell(0, 0, 2, 0); }, true, "ok", "cells: A1:=B1+1 A3:=B1+1; used 0-3 0-1"},
        {"a copy over a cell takes its place", numbers({{0, 0}, {1, 1}}),
         [](XMLSheetImplT& s) { return s.copyCell(1, 1, 0, 0); }, true, "ok", "cells: A1=11 B2=11; used 0-2 0-2"},
        {"a copy from a missing cell changes nothing", numbers({{0, 0}}),
         [](XMLSheetImplT& s) { return s.copyCell(3, 3, 0, 0); }, false, "empty cell", "cells: A1=0; used 0-1 0-1"},
        {"a copy onto itself changes nothing",
         [](Fixture&, XMLSheetImplT& s) {
             s.writeNumber(0, 0, 7, nullptr);
             s.findCell(0, 0)->set_s(2);
         },
         [](XMLSheetImplT& s) { return s.copyCell(0, 0, 0, 0); }, true, "ok", "cells: A1=7/s2; used 0-1 0-1"},
        {"a copy to a place off the sheet is refused", numbers({{0, 0}}),
         [](XMLSheetImplT& s) { return s.copyCell(0, 0, 0, 16384); }, false, "col must be in range 0-16383",
         "cells: A1=0; used 0-1 0-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        c.setup(f, *f.sheet);
        EXPECT_EQ(c.edit(*f.sheet), c.result);
        EXPECT_EQ(f.message(), c.message);
        EXPECT_EQ(picture(*f.sheet), c.after);
    }
}

// Formulas of every sheet and the book's defined names follow an edit of
// the "Data" sheet; those of other sheets' cells stay.
TEST(XlsxSheetEdits, FormulasAndNamesOfEverySheetFollow)
{
    struct Case {
        const char* what;
        std::function<bool(XMLSheetImplT&)> edit;
        const char* data;
        const char* other;
        const char* names;
    };
    const std::vector<Case> cases = {
        {"rows inserted", [](XMLSheetImplT& s) { return s.insertRows(1, 2); },
         "cells: A1:=SUM(A4:A6)+Other!A2 A4=1 A6=3; used 0-6 0-1",
         "cells: A1:=Data!A4+A2+'Data'!$A$6 A2=5; used 0-2 0-1",
         "Block=Data!$A$4:$A$6 Title=Data!$1:$1 Far=Other!$A$2"},
        {"rows removed", [](XMLSheetImplT& s) { return s.removeRows(1, 1); },
         "cells: A1:=SUM(A2:A3)+Other!A2 A3=3; used 0-3 0-1",
         "cells: A1:=#REF!+A2+'Data'!$A$3 A2=5; used 0-2 0-1", "Block=Data!$A$2:$A$3 Title=Data!$1:$1 Far=Other!$A$2"},
        {"a column inserted", [](XMLSheetImplT& s) { return s.insertColumns(0, 0); },
         "cells: B1:=SUM(B2:B4)+Other!A2 B2=1 B4=3; used 0-4 1-2",
         "cells: A1:=Data!B2+A2+'Data'!$B$4 A2=5; used 0-2 0-1", "Block=Data!$B$2:$B$4 Title=Data!$1:$1 Far=Other!$A$2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        f.sheet->writeFormula(0, 0, u"SUM(A2:A4)+Other!A2", nullptr);
        f.sheet->writeNumber(1, 0, 1, nullptr);
        f.sheet->writeNumber(3, 0, 3, nullptr);
        f.other->writeFormula(0, 0, u"Data!A2+A2+'Data'!$A$4", nullptr);
        f.other->writeNumber(1, 0, 5, nullptr);
        f.name(u"Block", u"Data!$A$2:$A$4");
        f.name(u"Title", u"Data!$1:$1");
        f.name(u"Far", u"Other!$A$2");
        ASSERT_TRUE(c.edit(*f.sheet)) << f.message();
        EXPECT_EQ(picture(*f.sheet), c.data);
        EXPECT_EQ(picture(*f.other), c.other);
        EXPECT_EQ(f.names(), c.names);
    }
}

// Shared and array formulas stay consistent: a group moves whole when its
// cells keep reading the same formulas, its cells get formulas of their own
// otherwise, and an edit that cuts through an array is refused.
TEST(XlsxSheetEdits, SharedAndArrayFormulasStayConsistent)
{
    const std::string shared =
        "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><f t=\"shared\" ref=\"B1:B3\" si=\"0\">A1*2</f></c></row>"
        "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"B2\"><f t=\"shared\" si=\"0\"/></c></row>"
        "<row r=\"3\"><c r=\"A3\"><v>3</v></c><c r=\"B3\"><f t=\"shared\" si=\"0\"/></c></row>";
    const std::string reach =
        "<row r=\"1\"><c r=\"B1\"><f t=\"shared\" ref=\"B1:B3\" si=\"4\">A3</f></c></row>"
        "<row r=\"2\"><c r=\"B2\"><f t=\"shared\" si=\"4\"/></c></row>"
        "<row r=\"3\"><c r=\"B3\"><f t=\"shared\" si=\"4\"/></c></row>";
    const std::string orphan = "<row r=\"2\"><c r=\"B2\"><f t=\"shared\" si=\"7\"/><v>3</v></c></row>";
    const std::string array =
        "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"C1\"><f t=\"array\" ref=\"C1:C2\">A1:A2*2</f><v>2</v></c></row>"
        "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"C2\"><v>4</v></c></row>";
    const std::string table =
        "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
        "<row r=\"2\"><c r=\"C2\"><f t=\"dataTable\" ref=\"C2:C3\" dt2D=\"0\" dtr=\"0\" r1=\"A1\"/><v>1</v></c></row>"
        "<row r=\"3\"><c r=\"C3\"><v>2</v></c></row>";
    struct Case {
        const char* what;
        const std::string& cells;
        std::function<bool(XMLSheetImplT&)> edit;
        bool result;
        const char* after;
    };
    const std::vector<Case> cases = {
        {"a row inserted inside a shared group: it moves whole and grows", shared,
         [](XMLSheetImplT& s) { return s.insertRows(1, 1); }, true,
         "cells: A1=1 B1:=A1*2{shared 0 B1:B4} A3=2 B3:={shared 0} A4=3 B4:={shared 0}; used 0-4 0-2"},
        {"a column inserted before the group moves it and its text", shared,
         [](XMLSheetImplT& s) { return s.insertColumns(0, 0); }, true,
         "cells: B1=1 C1:=B1*2{shared 0 C1:C3} B2=2 C2:={shared 0} B3=3 C3:={shared 0}; used 0-3 1-3"},
        {"the leading cell removed: the others get their own formulas", shared,
         [](XMLSheetImplT& s) { return s.removeRows(0, 0); }, true,
         "cells: A1=2 B1:=A1*2 A2=3 B2:=A2*2; used 0-2 0-2"},
        {"a member reading removed cells: every cell gets its own formula", reach,
         [](XMLSheetImplT& s) { return s.removeRows(3, 3); }, true,
         "cells: B1:=A3 B2:=#REF! B3:=A4; used 0-3 1-2"},
        {"rows inserted above an array move it whole", array, [](XMLSheetImplT& s) { return s.insertRows(0, 0); },
         true, "cells: A2=1 C2:=A2:A3*2{array C2:C3} A3=2 C3=4; used 1-3 0-3"},
        {"a row inserted inside an array is refused", array, [](XMLSheetImplT& s) { return s.insertRows(1, 1); },
         false, "cells: A1=1 C1:=A1:A2*2{array C1:C2} A2=2 C2=4; used 0-2 0-3"},
        {"a row removed from an array is refused", array, [](XMLSheetImplT& s) { return s.removeRows(1, 1); }, false,
         "cells: A1=1 C1:=A1:A2*2{array C1:C2} A2=2 C2=4; used 0-2 0-3"},
        {"clearing the leading cell hands the group on", shared,
         [](XMLSheetImplT& s) { return s.clearCells(0, 0, 1, 1); }, true,
         "cells: A1=1 A2=2 B2:=A2*2{shared 0 B1:B3} A3=3 B3:={shared 0}; used 0-3 0-2"},
        {"clearing part of an array gives the rest formulas of their own", array,
         [](XMLSheetImplT& s) { return s.clearCells(1, 1, 2, 2); }, true,
         "cells: A1=1 C1:=A1:A2*2 A2=2; used 0-2 0-3"},
        {"clearing the cell holding an array's formula gives the rest their own", array,
         [](XMLSheetImplT& s) { return s.clearCells(0, 0, 2, 2); }, true,
         "cells: A1=1 A2=2 C2:=A1:A2*2; used 0-2 0-3"},
        {"rows inserted above a data table move it and its input cell", table,
         [](XMLSheetImplT& s) { return s.insertRows(0, 0); }, true,
         "cells: A2=1 C3:={dataTable C3:C4 r1 A2} C4=2; used 1-4 0-3"},
        {"a row inserted inside a data table is refused", table, [](XMLSheetImplT& s) { return s.insertRows(2, 2); },
         false, "cells: A1=1 C2:={dataTable C2:C3 r1 A1} C3=2; used 0-3 0-3"},
        {"a copy onto a cell of an array gives the rest formulas of their own", array,
         [](XMLSheetImplT& s) { return s.copyCell(0, 0, 1, 2); }, true,
         "cells: A1=1 C1:=A1:A2*2 A2=2 C2=1; used 0-2 0-3"},
        {"a value written onto a cell of an array gives the rest formulas of their own", array,
         [](XMLSheetImplT& s) { return s.writeNumber(1, 2, 7, nullptr); }, true,
         "cells: A1=1 C1:=A1:A2*2 A2=2 C2=7; used 0-2 0-3"},
        {"a formula written onto the cell holding an array's formula gives the rest their own", array,
         [](XMLSheetImplT& s) { return s.writeFormula(0, 2, u"A1+1", nullptr); }, true,
         "cells: A1=1 C1:=A1+1 A2=2 C2:=A1:A2*2; used 0-2 0-3"},
        {"a value written onto a cell of an array stays when the rest is cleared", array,
         [](XMLSheetImplT& s) { return s.writeNumber(1, 2, 7, nullptr) && s.clearCells(0, 0, 2, 2); }, true,
         "cells: A1=1 A2=2 C2=7; used 0-2 0-3"},
        {"an array moved by an edit is found at its new place", array,
         [](XMLSheetImplT& s) { return s.clearCells(5, 5, 5, 5) && s.insertRows(0, 0) && s.clearCells(2, 2, 2, 2); },
         true, "cells: A2=1 C2:=A2:A3*2 A3=2; used 1-3 0-3"},
        {"a copied member of a group without its leading cell keeps only its value", orphan,
         [](XMLSheetImplT& s) { return s.copyCell(1, 1, 3, 1); }, true, "cells: B2:={shared 7} B4=3; used 1-4 1-2"},
        {"a copied member reads as a formula of its own", shared,
         [](XMLSheetImplT& s) { return s.copyCell(2, 1, 5, 1); }, true,
         "cells: A1=1 B1:=A1*2{shared 0 B1:B3} A2=2 B2:={shared 0} A3=3 B3:={shared 0} B6:=A3*2; used 0-6 0-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        XMLSheetImplT& s = f.load(c.cells);
        EXPECT_EQ(c.edit(s), c.result) << f.message();
        EXPECT_EQ(picture(s), c.after);
        // Every member reads the formula that its place gives it (a data
        // table has no text, nor has a member without its leading cell).
        for (const sheet::c_CT_Row& row : s.sheetData().rows)
            for (const sheet::c_CT_Cell& cell : row.cells) {
                if (!cell.formula() || cell.formula()->t.value == u"dataTable" || &c.cells == &orphan) continue;
                EXPECT_FALSE(s.storedFormulaText(row.r.value - 1, cell).empty()) << picture(s);
            }
    }
}

}  // namespace
}  // namespace celvo

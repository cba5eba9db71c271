// Inserting and removing rows and columns of a .xlsx sheet: the cells move
// with their rows (row heights, hidden flags and styles go with them), the
// column records and merged ranges follow, and the formulas of every sheet
// and the book's defined names keep pointing at the same cells (references
// to removed cells become #REF!). A shared formula stays one group when its
// cells keep reading the same formulas, and otherwise gives each of its
// cells the formula it reads; an edit that would cut through an array
// formula or a data table is refused. Everything is checked and computed
// before anything changes.
#include "sheet_insert.h"

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "book.h"
#include "celvo/cellref.h"
#include "celvo/formulatext.h"
#include "celvo/gridedit.h"
#include "sheet.h"
#include "sheet_merges.h"

namespace celvo {

const sheet::c_CT_CellFormula* sharedFormulaOf(const sheet::c_CT_Cell& cell)
{
    const sheet::c_CT_CellFormula* f = cell.formula();
    return f && f->t.present && f->t.value == u"shared" && f->si.present ? f : nullptr;
}

const sheet::c_CT_CellFormula* arrayFormulaOf(const sheet::c_CT_Cell& cell)
{
    const sheet::c_CT_CellFormula* f = cell.formula();
    return f && f->t.present && f->t.value == u"array" ? f : nullptr;
}

const sheet::c_CT_CellFormula* dataTableOf(const sheet::c_CT_Cell& cell)
{
    const sheet::c_CT_CellFormula* f = cell.formula();
    return f && f->t.present && f->t.value == u"dataTable" ? f : nullptr;
}

void ownFormula(sheet::c_CT_Cell& cell, u16string text)
{
    sheet::c_CT_CellFormula* f = cell.get_f();
    f->t.clear_value(u"normal");
    f->si.clear_value();
    f->ref.clear_value();
    f->content.set(std::move(text));
}

u16string blockRef(std::uint32_t r1, std::uint32_t c1, std::uint32_t r2, std::uint32_t c2)
{
    char text[2 * kCellRefA1Max + 1];
    std::size_t n = formatCellRefA1(text, r1, c1);
    if (r1 != r2 || c1 != c2) {
        text[n++] = ':';
        n += formatCellRefA1(text + n, r2, c2);
    }
    return u16string(text, text + n);
}

namespace {

struct Pos {
    std::int64_t row = -1;
    std::int64_t col = -1;
    bool valid() const noexcept { return row >= 0 && col >= 0; }
    bool operator==(const Pos& o) const noexcept { return row == o.row && col == o.col; }
};

class GridEditor {
public:
    GridEditor(XMLSheetImplT& sheet, const GridEdit& edit, u16view name) : sheet_(sheet), edit_(edit), name_(name) {}

    void plan();
    void commit();

private:
    struct Member {
        std::uint32_t row;
        sheet::c_CT_Cell* cell;
    };
    struct Group {
        Member lead{0, nullptr};
        std::vector<Member> members;
    };

    Pos moved(std::uint32_t row, std::uint32_t col) const
    {
        if (edit_.columns) return {row, edit_.map(static_cast<int>(col))};
        return {edit_.map(static_cast<int>(row)), col};
    }
    Pos movedOn(bool home, std::uint32_t row, std::uint32_t col) const
    {
        return home ? moved(row, col) : Pos{row, col};
    }

    void planSheet(XMLSheetImplT& s);
    void planText(sheet::c_CT_Cell* cell, const FormulaEditPlace& place);
    void planRanged(sheet::c_CT_Cell* cell, std::uint32_t row, const FormulaEditPlace& place, const char* refusal);
    void planShared(Group& g, bool home, const FormulaEditPlace& place);

    void moveCells();
    void moveColumnRecords();

    XMLSheetImplT& sheet_;
    GridEdit edit_;
    u16view name_;
    std::vector<std::function<void()>> commits_;
};

void GridEditor::planText(sheet::c_CT_Cell* cell, const FormulaEditPlace& place)
{
    u16string text = cell->formula()->content.value;
    if (!editFormulaReferences(text, edit_, place)) return;
    commits_.push_back([cell, text = std::move(text)]() mutable { cell->get_f()->content.set(std::move(text)); });
}

// An array formula or a data table: its range moves whole with its cells,
// or the edit is refused.
void GridEditor::planRanged(sheet::c_CT_Cell* cell, std::uint32_t row, const FormulaEditPlace& place,
                            const char* refusal)
{
    planText(cell, place);
    if (!place.homeEdited) return;
    const sheet::c_CT_CellFormula* f = cell->formula();
    std::uint32_t r1 = row, c1 = cell->column(), r2 = row, c2 = cell->column();
    if (f->ref.present && !readRangeRef(f->ref.value, r1, c1, r2, c2)) return;
    const int a = static_cast<int>(edit_.columns ? c1 : r1), b = static_cast<int>(edit_.columns ? c2 : r2);
    if (edit_.splits(a, b)) throw xlerror(refusal);
    if (edit_.removesAll(a, b)) return;
    const int delta = edit_.map(a) - a;
    if (delta == 0) return;
    if (edit_.columns) {
        c1 += static_cast<std::uint32_t>(delta);
        c2 += static_cast<std::uint32_t>(delta);
    } else {
        r1 += static_cast<std::uint32_t>(delta);
        r2 += static_cast<std::uint32_t>(delta);
    }
    u16string ref = blockRef(r1, c1, r2, c2);
    // The input cells of a data table follow their cells when they stay.
    u16string in1 = f->r1.value, in2 = f->r2.value;
    const FormulaEditPlace here{true, name_, false};
    for (u16string* input : {&in1, &in2})
        if (!input->empty()) {
            u16string text = *input;
            if (editFormulaReferences(text, edit_, here) && text != u"#REF!") *input = text;
        }
    commits_.push_back([cell, ref = std::move(ref), in1 = std::move(in1), in2 = std::move(in2)]() mutable {
        sheet::c_CT_CellFormula* g = cell->get_f();
        if (g->ref.present) g->ref.set(std::move(ref));
        if (g->r1.present) g->r1.set(std::move(in1));
        if (g->r2.present) g->r2.set(std::move(in2));
    });
}

void GridEditor::planShared(Group& g, bool home, const FormulaEditPlace& place)
{
    const u16string& leadText = g.lead.cell->formula()->content.value;
    const std::uint32_t leadCol = g.lead.cell->column();
    struct Own {
        sheet::c_CT_Cell* cell;
        Pos to;
        u16string text;  // read at the old place, references edited
    };
    std::vector<Own> owns;
    owns.reserve(g.members.size());
    bool whole = true, changed = false;
    for (const Member& m : g.members) {
        const Pos to = movedOn(home, m.row, m.cell->column());
        if (!to.valid()) {
            whole = false;
            changed = true;
            continue;
        }
        u16string text = m.cell == g.lead.cell
                             ? leadText
                             : shiftFormulaText(leadText, static_cast<int>(m.row) - static_cast<int>(g.lead.row),
                                                static_cast<int>(m.cell->column()) - static_cast<int>(leadCol));
        if (editFormulaReferences(text, edit_, place)) changed = true;
        if (!(to == Pos{m.row, m.cell->column()})) changed = true;
        owns.push_back({m.cell, to, std::move(text)});
    }
    if (!changed) return;
    const Own* lead = nullptr;
    for (const Own& o : owns)
        if (o.cell == g.lead.cell) lead = &o;
    if (!lead) whole = false;
    // The group stays one when each cell reads, from the lead's new text
    // at its new place, the formula it reads now.
    for (std::size_t i = 0; whole && i < owns.size(); ++i) {
        const Own& o = owns[i];
        if (&o == lead) continue;
        whole = shiftFormulaText(lead->text, static_cast<int>(o.to.row - lead->to.row),
                                 static_cast<int>(o.to.col - lead->to.col)) == o.text;
    }
    if (whole) {
        std::uint32_t r1 = sheet::max_row_index, c1 = sheet::c_CT_Cell::max_column, r2 = 0, c2 = 0;
        for (const Own& o : owns) {
            r1 = std::min(r1, static_cast<std::uint32_t>(o.to.row));
            r2 = std::max(r2, static_cast<std::uint32_t>(o.to.row));
            c1 = std::min(c1, static_cast<std::uint32_t>(o.to.col));
            c2 = std::max(c2, static_cast<std::uint32_t>(o.to.col));
        }
        sheet::c_CT_Cell* cell = lead->cell;
        commits_.push_back([cell, text = lead->text, ref = blockRef(r1, c1, r2, c2)]() mutable {
            sheet::c_CT_CellFormula* f = cell->get_f();
            f->content.set(std::move(text));
            if (f->ref.present) f->ref.set(std::move(ref));
        });
        return;
    }
    for (Own& o : owns) {
        sheet::c_CT_Cell* cell = o.cell;
        commits_.push_back([cell, text = std::move(o.text)]() mutable { ownFormula(*cell, std::move(text)); });
    }
}

void GridEditor::planSheet(XMLSheetImplT& s)
{
    const bool home = &s == &sheet_;
    const FormulaEditPlace place{home, name_, false};
    std::map<std::uint32_t, Group> groups;  // by si
    for (sheet::c_CT_Row& row : s.sheetData().rows) {
        const std::uint32_t r = row.r.value - 1;
        for (sheet::c_CT_Cell& cell : row.cells) {
            const sheet::c_CT_CellFormula* f = cell.formula();
            if (!f) continue;
            if (sharedFormulaOf(cell)) {
                Group& g = groups[f->si.value];
                g.members.push_back({r, &cell});
                if (!g.lead.cell && !f->content.value.empty()) g.lead = {r, &cell};
            } else if (arrayFormulaOf(cell)) {
                planRanged(&cell, r, place, "can't change part of an array formula");
            } else if (dataTableOf(cell)) {
                planRanged(&cell, r, place, "can't change part of a data table");
            } else {
                planText(&cell, place);
            }
        }
    }
    // Members of a group without a leading cell read no formula: they stay
    // as they are.
    for (auto& entry : groups)
        if (entry.second.lead.cell) planShared(entry.second, home, place);
}

void GridEditor::plan()
{
    XMLBookImplT* book = sheet_.book();
    bool seen = false;
    for (int i = 0; book && i < book->sheetEntryCount(); ++i) {
        XMLSheetImplT* s = book->sheetAt(i);
        if (!s) continue;
        seen = seen || s == &sheet_;
        planSheet(*s);
    }
    if (!seen) planSheet(sheet_);
    if (!book || name_.empty()) return;
    if (workbook::c_CT_DefinedNames* names = book->root().definedNames.peek()) {
        const FormulaEditPlace place{false, name_, true};
        for (std::size_t i = 0; i < names->definedName.size(); ++i) {
            workbook::c_CT_DefinedName* n = names->definedName.at(i);
            u16string text = n->content.value;
            if (!editFormulaReferences(text, edit_, place)) continue;
            commits_.push_back([n, text = std::move(text)]() mutable { n->content.set(std::move(text)); });
        }
    }
}

void GridEditor::moveCells()
{
    const auto limit = static_cast<std::uint32_t>(edit_.limit());
    const auto first = static_cast<std::uint32_t>(edit_.first);
    const auto count = static_cast<std::uint32_t>(edit_.count);
    // What an insertion pushes off the sheet goes first.
    const std::uint32_t pushedOff = std::max(first, limit - std::min(limit, count - 1));
    auto edit = [&](auto& list) {
        if (edit_.insert) {
            list.erase_range(pushedOff, limit);
            return list.shift(first, count);
        }
        const std::uint32_t last = static_cast<std::uint32_t>(edit_.last());
        list.erase_range(first, last);
        return list.shift(last + 1, -static_cast<std::int64_t>(count));
    };
    sheet::c_CT_SheetData& data = sheet_.sheetData();
    if (!edit_.columns) {
        if (!edit(data.rows)) throw xlerror("rows can't be moved");
        return;
    }
    for (sheet::c_CT_Row& row : data.rows) {
        if (row.cells.empty()) continue;
        if (row.cells.last()->column() < first) continue;
        if (!edit(row.cells)) throw xlerror("cells can't be moved");
        // The columns a row spans are a hint that no longer holds.
        row.spans.present = false;
        row.spans.items.clear();
    }
}

// The column records follow the edit, kept in order: those right of it
// move, a removal narrows those it meets (those it covers go), an insertion
// inside one cuts it in two (sheet_layout.cpp).
void GridEditor::moveColumnRecords()
{
    if (edit_.insert) sheet_.shiftColumnRecords(edit_.first, edit_.count);
    else sheet_.removeColumnRecords(edit_.first, edit_.last());
}

void GridEditor::commit()
{
    for (auto& c : commits_) c();
    moveCells();
    if (edit_.columns) moveColumnRecords();
    moveMerges(sheet_.root(), edit_);
}

bool editGrid(XMLSheetImplT& sheet, bool columns, bool insert, int first, int last)
{
    return sheet.guarded(false, [&] {
        if (last < first)
            throw xlerror(columns ? "colLast must be greater than or equal to colFirst"
                                  : "rowLast must be greater than or equal to rowFirst");
        if (columns && (first < 0 || last > static_cast<int>(sheet::c_CT_Cell::max_column)))
            throw xlerror("col must be in range 0-16383");
        if (!columns && (first < 0 || last > static_cast<int>(sheet::max_row_index)))
            throw xlerror("row must be in range 0-1048575");
        const GridEdit edit{columns, insert, first, last - first + 1, sheet.sheetNumber(), true};
        XMLBookImplT* book = sheet.book();
        u16string name;
        if (const workbook::c_CT_Sheet* entry = book->sheetEntry(sheet.sheetNumber())) name = entry->name.value;
        GridEditor editor(sheet, edit, name);
        editor.plan();
        editor.commit();
        for (int i = 0; i < book->sheetEntryCount(); ++i)
            if (XMLSheetImplT* s = book->sheetAt(i)) s->forgetSharedFormulas();
        sheet.forgetSharedFormulas();
        sheet.forgetArrays();
        sheet.markUsedRangeDirty();
        return true;
    });
}

}  // namespace

bool XMLSheetImplT::insertRows(int rowFirst, int rowLast) { return editGrid(*this, false, true, rowFirst, rowLast); }

bool XMLSheetImplT::insertColumns(int colFirst, int colLast) { return editGrid(*this, true, true, colFirst, colLast); }

bool XMLSheetImplT::removeRows(int rowFirst, int rowLast) { return editGrid(*this, false, false, rowFirst, rowLast); }

bool XMLSheetImplT::removeColumns(int colFirst, int colLast)
{
    return editGrid(*this, true, false, colFirst, colLast);
}

}  // namespace celvo

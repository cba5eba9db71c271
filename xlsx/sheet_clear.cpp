// Clearing blocks of cells of a .xlsx sheet and copying one cell onto
// another, with the merged ranges they touch, and shared and array formulas
// kept whole: a block edit never leaves cells of a group without the cell
// that holds the group's formula. Clearing visits the cells that exist, not
// every position of the block.
#include <algorithm>
#include <map>
#include <vector>

#include "book.h"
#include "celvo/cellrange.h"
#include "celvo/formulatext.h"
#include "sheet.h"
#include "sheet_insert.h"
#include "sheet_merges.h"

namespace celvo {

namespace {

struct Block {
    std::uint32_t r1, c1, r2, c2;
    bool holds(std::uint32_t row, std::uint32_t col) const { return r1 <= row && row <= r2 && c1 <= col && col <= c2; }
    bool contains(std::uint32_t a1, std::uint32_t b1, std::uint32_t a2, std::uint32_t b2) const
    {
        return r1 <= a1 && a2 <= r2 && c1 <= b1 && b2 <= c2;
    }
    bool meets(std::uint32_t a1, std::uint32_t b1, std::uint32_t a2, std::uint32_t b2) const
    {
        return a1 <= r2 && a2 >= r1 && b1 <= c2 && b2 >= c1;
    }
};

// A row keeps its place when it has settings of its own (height, hidden
// flag, style, outline level and the like) after its last cell goes.
bool hasSettings(const sheet::c_CT_Row& row)
{
    return row.s.present || row.customFormat.present || row.ht.present || row.hidden.present ||
           row.customHeight.present || row.outlineLevel.present || row.collapsed.present || row.thickTop.present ||
           row.thickBot.present || row.ph.present;
}

// The leading cell of a shared group that a clear takes away: its place,
// formula and the block of cells where the next member is looked for.
struct LostLead {
    std::uint32_t row, col;
    sheet::c_CT_CellFormula formula;
    Block range;
};

}  // namespace

void XMLSheetImplT::breakArraysCutBy(std::uint32_t r1, std::uint32_t c1, std::uint32_t r2, std::uint32_t c2)
{
    sheet::c_CT_SheetData& data = sheetData();
    if (!arraysBuilt_) {
        arrays_.clear();
        for (const sheet::c_CT_Row& row : data.rows)
            for (const sheet::c_CT_Cell& cell : row.cells) {
                const sheet::c_CT_CellFormula* f = arrayFormulaOf(cell);
                if (!f) continue;
                const std::uint32_t r = row.r.value - 1;
                ArrayBlock a{r, cell.column(), r, cell.column(), r, cell.column()};
                if (f->ref.present && !readRangeRef(f->ref.value, a.r1, a.c1, a.r2, a.c2)) continue;
                arrays_.push_back(a);
            }
        arraysBuilt_ = true;
    }
    const Block b{r1, c1, r2, c2};
    bool broken = false;
    for (const ArrayBlock& a : arrays_) {
        if (!b.meets(a.r1, a.c1, a.r2, a.c2) || b.contains(a.r1, a.c1, a.r2, a.c2)) continue;
        // An entry whose cell no longer holds that array is passed over.
        sheet::c_CT_Cell* holder = findCell(static_cast<int>(a.row), static_cast<int>(a.col));
        const sheet::c_CT_CellFormula* f = holder ? arrayFormulaOf(*holder) : nullptr;
        std::uint32_t fr1 = a.row, fc1 = a.col, fr2 = a.row, fc2 = a.col;
        if (!f || (f->ref.present && !readRangeRef(f->ref.value, fr1, fc1, fr2, fc2)) ||
            !(fr1 == a.r1 && fc1 == a.c1 && fr2 == a.r2 && fc2 == a.c2))
            continue;
        const u16string text = f->content.value;
        for (auto it = data.rows.lower_bound(a.r1); it != data.rows.end() && it->r.value - 1 <= a.r2; ++it)
            for (auto c = it->cells.lower_bound(a.c1); c != it->cells.end() && c->column() <= a.c2; ++c)
                if (!b.holds(it->r.value - 1, c->column()) && (!c->formula() || &*c == holder)) ownFormula(*c, text);
        broken = true;
    }
    if (broken) arraysBuilt_ = false;
}

bool XMLSheetImplT::clearCells(int rowFirst, int rowLast, int colFirst, int colLast)
{
    return guarded(false, [&] {
        if (rowLast < rowFirst) throw xlerror("rowLast must be greater than or equal to rowFirst");
        if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");
        // Only the cells of the block that lie on the sheet go.
        if (!clipBlockToSheet(rowFirst, rowLast, colFirst, colLast, static_cast<int>(sheet::max_row_index),
                              static_cast<int>(sheet::c_CT_Cell::max_column)))
            return true;
        const Block b{static_cast<std::uint32_t>(rowFirst), static_cast<std::uint32_t>(colFirst),
                      static_cast<std::uint32_t>(rowLast), static_cast<std::uint32_t>(colLast)};
        sheet::c_CT_SheetData& data = sheetData();

        // Arrays that the block cuts through leave their other cells with
        // formulas of their own; the leading cells of shared groups that go
        // hand their formula over to a member that stays.
        breakArraysCutBy(b.r1, b.c1, b.r2, b.c2);
        std::vector<LostLead> leads;
        for (auto it = data.rows.lower_bound(b.r1); it != data.rows.end() && it->r.value - 1 <= b.r2; ++it) {
            const std::uint32_t r = it->r.value - 1;
            for (auto c = it->cells.lower_bound(b.c1); c != it->cells.end() && c->column() <= b.c2; ++c) {
                const sheet::c_CT_CellFormula* f = sharedFormulaOf(*c);
                if (!f || f->content.value.empty()) continue;
                Block range{r, 0, sheet::max_row_index, sheet::c_CT_Cell::max_column};
                if (f->ref.present) readRangeRef(f->ref.value, range.r1, range.c1, range.r2, range.c2);
                leads.push_back({r, c->column(), *f, range});
            }
        }

        // The cells of the block go; a row left without cells goes unless it
        // has settings of its own.
        std::vector<std::uint32_t> emptied;
        for (auto it = data.rows.lower_bound(b.r1); it != data.rows.end() && it->r.value - 1 <= b.r2; ++it) {
            if (it->cells.erase_range(b.c1, b.c2) && it->cells.empty() && !hasSettings(*it))
                emptied.push_back(it->r.value - 1);
        }
        for (std::uint32_t r : emptied) data.rows.erase(r);

        for (const LostLead& lead : leads) {
            const std::uint32_t si = lead.formula.si.value;
            for (auto it = data.rows.lower_bound(lead.range.r1); it != data.rows.end(); ++it) {
                const std::uint32_t r = it->r.value - 1;
                if (r > lead.range.r2) break;
                sheet::c_CT_Cell* next = nullptr;
                for (auto c = it->cells.lower_bound(lead.range.c1); c != it->cells.end(); ++c) {
                    if (c->column() > lead.range.c2) break;
                    const sheet::c_CT_CellFormula* g = sharedFormulaOf(*c);
                    if (g && g->si.value == si && g->content.value.empty()) {
                        next = &*c;
                        break;
                    }
                }
                if (!next) continue;
                sheet::c_CT_CellFormula moved(lead.formula);
                moved.content.set(shiftFormulaText(lead.formula.content.value,
                                                   static_cast<int>(r) - static_cast<int>(lead.row),
                                                   static_cast<int>(next->column()) - static_cast<int>(lead.col)));
                *next->get_f() = std::move(moved);
                break;
            }
        }
        if (!leads.empty()) forgetSharedFormulas();

        removeMergesMeeting(root_, b.r1, b.c1, b.r2, b.c2);
        markUsedRangeDirty();
        return true;
    });
}

bool XMLSheetImplT::copyCell(int rowSrc, int colSrc, int rowDst, int colDst)
{
    return guarded(false, [&] {
        checkPosition(rowSrc, colSrc);
        checkPosition(rowDst, colDst);
        const sheet::c_CT_Cell* src = findCell(rowSrc, colSrc);
        if (!src) throw xlerror("empty cell");
        if (rowSrc == rowDst && colSrc == colDst) return true;

        // The source as a whole, read before the destination is made (which
        // may move the cells of its row); a formula of a group is copied as
        // the formula it reads, on its own.
        sheet::c_CT_Cell_Worker whole;
        if (!src->to_worker(static_cast<std::uint32_t>(rowSrc), whole)) throw xlerror("empty cell");
        const bool grouped = sharedFormulaOf(*src) || arrayFormulaOf(*src);
        const u16string text = grouped ? storedFormulaText(static_cast<std::uint32_t>(rowSrc), *src) : u16string();

        // An array the destination cuts through gives its other cells
        // formulas of their own.
        const auto r = static_cast<std::uint32_t>(rowDst), c = static_cast<std::uint32_t>(colDst);
        breakArraysCutBy(r, c, r, c);
        sheet::c_CT_Cell& dst = cellForWrite(rowDst, colDst, nullptr, true);
        dst.from_worker(whole);
        // A member of a group without its leading cell reads no formula:
        // the copy keeps only the value.
        if (grouped && text.empty()) dst.erase_formula();
        else if (grouped) ownFormula(dst, text);
        return true;
    });
}

}  // namespace celvo

// Formula cells of a .xlsx sheet: writing formula text into a cell, reading
// it back, and the shared formulas of a part (a group of cells whose first
// cell holds the text and the others only its id, si). A member reads as the
// text it would hold on its own; a write over the leading cell hands the
// text to the next member first, so the group stays whole.
#include <limits>

#include "book.h"
#include "celvo/cellref.h"
#include "celvo/formulatext.h"
#include "celvo/r1c1.h"
#include "sheet.h"

namespace celvo {

namespace {

// The formula of a cell that belongs to a shared group, or null.
const sheet::c_CT_CellFormula* sharedFormula(const sheet::c_CT_Cell& cell)
{
    const sheet::c_CT_CellFormula* f = cell.formula();
    return f && f->t.present && f->t.value == u"shared" && f->si.present ? f : nullptr;
}

// The text with the argument separators of one side: "," as the part stores
// them, ";" as the engine interface shows them. Strings, quoted sheet names
// and array constants (whose ";" separates rows) stay as they are.
u16string withSeparator(u16view text, char16_t separator)
{
    u16string out(text);
    int braces = 0;
    for (const FormulaToken& t : tokenizeFormula(text)) {
        if (t.kind == FormulaToken::ArrayOpen) ++braces;
        else if (t.kind == FormulaToken::ArrayClose && braces > 0) --braces;
        else if (t.kind == FormulaToken::Separator && braces == 0) out[t.begin] = separator;
    }
    return out;
}

}  // namespace

// ---- shared formulas --------------------------------------------------------------

void XMLSheetImplT::buildSharedIndex()
{
    sharedLeads_.clear();
    for (const sheet::c_CT_Row& row : sheetData().rows)
        for (const sheet::c_CT_Cell& cell : row.cells) {
            const sheet::c_CT_CellFormula* f = sharedFormula(cell);
            if (f && !f->content.value.empty())
                sharedLeads_.emplace(f->si.value, SharedLead{row.r.value - 1, cell.column()});
        }
    sharedIndexBuilt_ = true;
}

const XMLSheetImplT::SharedLead* XMLSheetImplT::sharedLead(std::uint32_t si)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!sharedIndexBuilt_ || attempt == 1) buildSharedIndex();
        auto found = sharedLeads_.find(si);
        if (found == sharedLeads_.end()) {
            if (attempt == 0 && sharedIndexBuilt_) continue;
            return nullptr;
        }
        // An index left behind by an edit is built again.
        const sheet::c_CT_Cell* cell = findCell(static_cast<int>(found->second.row), static_cast<int>(found->second.col));
        const sheet::c_CT_CellFormula* f = cell ? sharedFormula(*cell) : nullptr;
        if (f && f->si.value == si && !f->content.value.empty()) return &found->second;
    }
    return nullptr;
}

u16string XMLSheetImplT::storedFormulaText(std::uint32_t row, const sheet::c_CT_Cell& cell)
{
    const sheet::c_CT_CellFormula* f = cell.formula();
    if (!f) return u16string();
    if (!f->content.value.empty() || !sharedFormula(cell)) return f->content.value;
    const SharedLead* lead = sharedLead(f->si.value);
    if (!lead) return u16string();
    const sheet::c_CT_Cell* leader = findCell(static_cast<int>(lead->row), static_cast<int>(lead->col));
    return shiftFormulaText(leader->formula()->content.value, static_cast<int>(row) - static_cast<int>(lead->row),
                            static_cast<int>(cell.column()) - static_cast<int>(lead->col));
}

void XMLSheetImplT::releaseSharedFormula(std::uint32_t row, sheet::c_CT_Cell& cell)
{
    const sheet::c_CT_CellFormula* f = sharedFormula(cell);
    if (!f || f->content.value.empty()) return;
    const std::uint32_t si = f->si.value;
    const std::uint32_t col = cell.column();
    // The next member: first within the group's range when it has one, in
    // the order of rows, then anywhere after the leading cell.
    std::uint32_t r1 = row, c1 = 0, r2 = sheet::max_row_index, c2 = sheet::c_CT_Cell::max_column;
    const bool ranged = f->ref.present && readRangeRef(f->ref.value, r1, c1, r2, c2);
    if (!ranged) r1 = row;
    sheet::c_CT_Cell* next = nullptr;
    std::uint32_t nextRow = 0;
    sheet::c_CT_SheetData& data = sheetData();
    for (auto it = data.rows.lower_bound(r1); it != data.rows.end() && !next; ++it) {
        const std::uint32_t r = it->r.value - 1;
        if (r > r2) break;
        for (auto c = it->cells.lower_bound(c1); c != it->cells.end(); ++c) {
            if (c->column() > c2) break;
            if (r == row && c->column() == col) continue;
            const sheet::c_CT_CellFormula* g = sharedFormula(*c);
            if (g && g->si.value == si && g->content.value.empty()) {
                next = &*c;
                nextRow = r;
                break;
            }
        }
    }
    if (!next) {
        sharedLeads_.erase(si);
        return;
    }
    sheet::c_CT_CellFormula moved(*f);
    moved.content.value = shiftFormulaText(f->content.value, static_cast<int>(nextRow) - static_cast<int>(row),
                                           static_cast<int>(next->column()) - static_cast<int>(col));
    *next->get_f() = std::move(moved);
    if (sharedIndexBuilt_) sharedLeads_[si] = SharedLead{nextRow, next->column()};
}

// ---- reading and writing ------------------------------------------------------------

const char16_t* XMLSheetImplT::readFormula(int row, int col, IFormatT** format)
{
    return readCell(row, col, format, static_cast<const char16_t*>(nullptr),
                    [&](std::uint32_t r, const sheet::c_CT_Cell& cell) -> const char16_t* {
        if (!cell.formula()) throw xlerror("this cell doesn't contain a formula");
        u16string text = storedFormulaText(r, cell);
        if (book_->refR1C1Mode()) text = formulaA1ToR1C1(text, row, col);
        return keepText(withSeparator(text, u';'));
    });
}

bool XMLSheetImplT::writeFormula(int row, int col, const char16_t* expr, IFormatT* format)
{
    return guarded(false, [&] {
        u16view given = u16(expr);
        if (!given.empty() && given.front() == u'=') given.remove_prefix(1);
        checkPosition(row, col);
        u16string text = withSeparator(given, u',');
        if (book_->refR1C1Mode()) text = formulaR1C1ToA1(text, row, col, false);
        // Text that the applications could not read is refused; the text
        // the user wrote is kept as it is otherwise.
        if (!isWellFormedFormula(text)) throw xlerror("error in formula");
        sheet::c_CT_Cell& cell = cellForWrite(row, col, format, true);
        sheet::c_CT_CellFormula* f = cell.get_f();
        f->content.value = std::move(text);
        return true;
    });
}

}  // namespace celvo

// Formula cells: writing formula text into a cell and reading it back. A
// cell that gets a formula of its own leaves its shared or array formula the
// way every cell write does (sheet.cpp, sheet_clear.cpp).
#include "book.h"
#include "book_formula.h"
#include "formula/formula.h"
#include "formula/ptg.h"
#include "sheet.h"

namespace celvo {

namespace {

// A cell of a data table: its single PtgTbl token names the table's first cell.
bool inDataTable(const Formula& f) { return f.tokens.size() == 5 && f.tokens[0] == ptg::kTbl; }

}  // namespace

FormulaBlock* SheetImplT::formulaBlockAt(std::uint32_t row, std::uint32_t col)
{
    if (row >= kMaxCellRows || col >= kMaxCellCols) return nullptr;
    const std::uint32_t s = cells_.at(row, col);
    if (!slotPresent(s) || slotKind(s) != CellKind::Formula || slotPosition(s) >= formulaCells_.size())
        return nullptr;
    return &formulaCells_[slotPosition(s)];
}

u16string SheetImplT::formulaTextOf(const FormulaBlock& cell, int row, int col)
{
    BookFormulaContext context(*book_);
    std::vector<std::uint8_t> tokens, extra;
    try {
        // A member of a shared or array formula reads as the formula it would
        // hold on its own.
        groupTokens(cell, tokens, extra);
    } catch (const xlerror&) {
        return u"?";  // its first cell holds no shared or array formula
    }
    return printCellFormula(tokens.data(), tokens.size(), context, row, col);
}

const char16_t* SheetImplT::readFormula(int row, int col, IFormatT** format)
{
    if (format) *format = nullptr;
    return guarded<const char16_t*>(nullptr, [&]() -> const char16_t* {
        checkPosition(row, col);
        const FormulaBlock* cell = formulaBlockAt(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col));
        if (!cell) throw xlerror("cell doesn't contain a formula");
        formulaText_ = formulaTextOf(*cell, row, col);
        if (format) *format = formatAt(cell->formula.xf);
        return formulaText_.c_str();
    });
}

bool SheetImplT::writeFormula(int row, int col, const char16_t* expr, IFormatT* format)
{
    return guarded(false, [&] {
        checkHoldsCells();
        checkPosition(row, col);
        const std::uint32_t s = slotAt(row, col);
        const std::uint16_t xf = xfForWrite(s, format, "specified format not found");
        const auto r = static_cast<std::uint16_t>(row), c = static_cast<std::uint16_t>(col);
        FormulaBlock* existing = formulaBlockAt(r, c);
        // A data table is computed as a whole: none of its cells takes a formula.
        if (existing && inDataTable(existing->formula)) throw xlerror("can't change a cell of a data table");

        // Compiled aside: a text the compiler refuses, or whose tokens would
        // not fit the cell's record, leaves the cell as it was.
        FormulaBlock fresh;
        const std::size_t room = kMaxRecordData - fresh.formula.body().size();
        BookFormulaContext context(*book_);
        std::vector<std::uint8_t> tokens =
            compileCellFormula(u16(expr), context, row, col, room, fresh.formula.tooLongMessage().c_str());

        fresh.formula.row = r;
        fresh.formula.col = c;
        fresh.formula.xf = xf;
        fresh.formula.tokens = std::move(tokens);
        if (existing) {
            // The other cells of its array formula keep the formula as their
            // own; a shared formula goes to the next of its cells.
            handOverSharedFormula(s);
            existing = formulaBlockAt(r, c);
            // The cell keeps its place in the list and a record in front of
            // it; its attached records and cached text go.
            fresh.prefix = std::move(existing->prefix);
            fresh.biff5 = existing->biff5;
            *existing = std::move(fresh);
        } else {
            formulaCells_.push_back(std::move(fresh));
            placeCell(r, c, CellKind::Formula, formulaCells_.size() - 1);
        }
        dimensions_.include(r, c);
        return true;
    });
}

}  // namespace celvo

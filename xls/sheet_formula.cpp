// Formula cells: writing formula text into a cell and reading it back, with
// shared, array and table formulas kept consistent when one of their cells
// gets a formula of its own.
#include <functional>
#include <utility>

#include "book.h"
#include "book_formula.h"
#include "formula/formula.h"
#include "formula/ptg.h"
#include "formula/r1c1.h"
#include "formula/relative_tokens.h"
#include "sheet.h"

namespace celvo {

namespace {

// The formula of an ARRAY record: the range (u16 first row, u16 last row,
// u8 first column, u8 last column), u16 flags, 4 reserved bytes, u16 token
// size, the tokens, then the operand bytes of the tokens.
struct ArrayFormula {
    std::uint16_t firstRow = 0, lastRow = 0;
    std::uint8_t firstCol = 0, lastCol = 0;
    std::vector<std::uint8_t> tokens;
    std::vector<std::uint8_t> extra;
};

bool readArrayFormula(const RawRecord& record, ArrayFormula& out)
{
    if (record.id != FormulaBlock::kArrayId) return false;
    const auto& d = record.data;
    if (d.size() < 14) return false;
    out.firstRow = getU16(d.data());
    out.lastRow = getU16(d.data() + 2);
    out.firstCol = d[4];
    out.lastCol = d[5];
    const std::size_t cce = getU16(d.data() + 12);
    if (cce > d.size() - 14) return false;
    out.tokens.assign(d.begin() + 14, d.begin() + 14 + static_cast<std::ptrdiff_t>(cce));
    out.extra.assign(d.begin() + 14 + static_cast<std::ptrdiff_t>(cce), d.end());
    return true;
}

// The cell that a shared, array or table formula member names (PtgExp or
// PtgTbl with the first cell of the group).
bool groupTarget(const Formula& f, std::uint16_t& row, std::uint16_t& col)
{
    if (f.tokens.size() != 5 || (f.tokens[0] != ptg::kExp && f.tokens[0] != ptg::kTbl)) return false;
    row = getU16(f.tokens.data() + 1);
    col = getU16(f.tokens.data() + 3);
    return true;
}

}  // namespace

FormulaBlock* SheetImplT::formulaBlockAt(std::uint32_t row, std::uint32_t col)
{
    if (row >= kMaxCellRows || col >= kMaxCellCols) return nullptr;
    const std::uint32_t s = cells_.at(row, col);
    if (!slotPresent(s) || slotKind(s) != CellKind::Formula || slotPosition(s) >= formulaCells_.size())
        return nullptr;
    return &formulaCells_[slotPosition(s)];
}

FormulaBlock* SheetImplT::groupAnchorOf(const FormulaBlock& cell)
{
    std::uint16_t r = 0, c = 0;
    if (!groupTarget(cell.formula, r, c)) return nullptr;
    return formulaBlockAt(r, c);
}

u16string SheetImplT::formulaTextOf(const FormulaBlock& cell, int row, int col)
{
    BookFormulaContext context(*book_);
    std::uint16_t r = 0, c = 0;
    if (!groupTarget(cell.formula, r, c))
        return printCellFormula(cell.formula.tokens.data(), cell.formula.tokens.size(), context, row, col);
    const FormulaBlock* anchor = groupAnchorOf(cell);
    if (!anchor || cell.formula.tokens[0] != ptg::kExp) return u"?";
    if (anchor->shared)
        return printCellFormula(anchor->shrFmla.tokens.data(), anchor->shrFmla.tokens.size(), context, row, col,
                                true);
    ArrayFormula array;
    if (!readArrayFormula(anchor->following, array)) return u"?";
    // Every cell of an array formula shows the formula of its first cell.
    const u16string text =
        printFormula(array.tokens.data(), array.tokens.size(), context, anchor->row(), anchor->col());
    return context.refR1C1() ? formulaA1ToR1C1(text, row, col) : text;
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

std::function<void()> SheetImplT::leaveFormulaGroup(FormulaBlock& cell)
{
    FormulaBlock* anchor = groupAnchorOf(cell);
    if (!anchor) return [] {};
    if (anchor->following.id == FormulaBlock::kTableId) throw xlerror("can't change a cell of a data table");

    // Gathered first, so that tokens that can't be read refuse the write
    // before anything changed.
    std::vector<std::pair<FormulaBlock*, std::vector<std::uint8_t>>> ownFormulas;
    std::vector<std::uint8_t> extra;
    auto eachMember = [&](std::uint32_t firstRow, std::uint32_t lastRow, std::uint32_t firstCol,
                          std::uint32_t lastCol, auto&& body) {
        for (std::uint32_t r = firstRow; r <= lastRow && r < kMaxCellRows; ++r) {
            for (std::uint32_t c = firstCol; c <= lastCol && c < kMaxCellCols; ++c) {
                FormulaBlock* member = formulaBlockAt(r, c);
                if (member && member != &cell && groupAnchorOf(*member) == anchor) body(*member);
            }
        }
    };
    ArrayFormula array;
    if (anchor->shared) {
        // A member leaves the shared formula alone; its first cell hands every
        // other member a formula of its own.
        if (anchor != &cell) return [] {};
        const ShrFmla& shared = anchor->shrFmla;
        extra = shared.extra;
        eachMember(shared.firstRow, shared.lastRow, shared.firstCol, shared.lastCol, [&](FormulaBlock& member) {
            ownFormulas.emplace_back(&member, resolveRelativeTokens(shared.tokens.data(), shared.tokens.size(),
                                                                    member.row(), member.col()));
        });
    } else if (readArrayFormula(anchor->following, array)) {
        // An array formula is taken apart: each of its other cells keeps the
        // formula as one of its own.
        extra = array.extra;
        const std::vector<std::uint8_t> own =
            resolveRelativeTokens(array.tokens.data(), array.tokens.size(), anchor->row(), anchor->col());
        eachMember(array.firstRow, array.lastRow, array.firstCol, array.lastCol,
                   [&](FormulaBlock& member) { ownFormulas.emplace_back(&member, own); });
        if (anchor != &cell) ownFormulas.emplace_back(anchor, own);
    } else if (anchor->following.id == FormulaBlock::kArrayId) {
        throw xlerror("error in record Array");
    } else {
        return [] {};
    }

    return [anchor, ownFormulas = std::move(ownFormulas), extra = std::move(extra)]() mutable {
        for (auto& [member, tokens] : ownFormulas) {
            member->formula.tokens = std::move(tokens);
            member->formula.extra = extra;
        }
        anchor->shared = false;
        anchor->shrFmla = ShrFmla();
        anchor->following = RawRecord();
        anchor->followingContinues.clear();
    };
}

bool SheetImplT::writeFormula(int row, int col, const char16_t* expr, IFormatT* format)
{
    return guarded(false, [&] {
        checkPosition(row, col);
        const std::uint32_t s = slotAt(row, col);
        const std::uint16_t xf = xfForWrite(s, format, "specified format not found");
        const auto r = static_cast<std::uint16_t>(row), c = static_cast<std::uint16_t>(col);
        FormulaBlock* existing = formulaBlockAt(r, c);
        // What the cell's shared or array formula needs when the cell leaves it.
        std::function<void()> leaveGroup = existing ? leaveFormulaGroup(*existing) : std::function<void()>();

        // Compiled aside: a text the compiler refuses leaves the cell as it was.
        BookFormulaContext context(*book_);
        std::vector<std::uint8_t> tokens = compileCellFormula(u16(expr), context, row, col);

        FormulaBlock fresh;
        fresh.formula.row = r;
        fresh.formula.col = c;
        fresh.formula.xf = xf;
        fresh.formula.tokens = std::move(tokens);
        if (existing) {
            leaveGroup();
            // The cell keeps its place in the list and a record in front of it.
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

// Clearing blocks of cells and copying one cell onto another, with the
// comments and merged ranges they touch, and shared and array formulas kept
// whole: a block edit never leaves a formula that points at an anchor that
// is gone.
#include <algorithm>

#include "book.h"
#include "celvo/cellrange.h"
#include "formula/ptg.h"
#include "formula/shift.h"
#include "sheet.h"

namespace celvo {

namespace {

// ARRAY record: the range (u16 first row, u16 last row, u8 first column, u8
// last column), u16 options, u32 unused, u16 token size, the tokens, then
// the extra operand bytes.
constexpr std::size_t kArrayTokensAt = 14;
// FORMULA option of a cell that stands for a shared formula.
constexpr std::uint16_t kSharedFormulaOption = 0x0008;

struct Block {
    int r0, r1, c0, c1;
    bool holds(int row, int col) const { return r0 <= row && row <= r1 && c0 <= col && col <= c1; }
    bool contains(const CellRange16& r) const
    {
        return r0 <= r.firstRow && r.lastRow <= r1 && c0 <= r.firstCol && r.lastCol <= c1;
    }
    bool meets(const CellRange16& r) const
    {
        return r.firstRow <= r1 && r.lastRow >= r0 && r.firstCol <= c1 && r.lastCol >= c0;
    }
};

}  // namespace

// ---- formula groups ------------------------------------------------------------

bool SheetImplT::isArrayAnchor(const FormulaBlock& block)
{
    return block.following.id == FormulaBlock::kArrayId && block.following.data.size() >= 6;
}

CellRange16 SheetImplT::arrayRange(const FormulaBlock& block)
{
    const auto& d = block.following.data;
    CellRange16 r;
    r.firstRow = getU16(d.data());
    r.lastRow = getU16(d.data() + 2);
    r.firstCol = d[4];
    r.lastCol = d[5];
    return r;
}

void SheetImplT::ownFormula(FormulaBlock& block, std::vector<std::uint8_t> tokens, std::vector<std::uint8_t> extra)
{
    block.formula.tokens = std::move(tokens);
    block.formula.extra = std::move(extra);
    block.formula.options = static_cast<std::uint16_t>(block.formula.options & ~kSharedFormulaOption);
    block.shared = false;
    block.following = RawRecord();
    block.followingContinues.clear();
}

void SheetImplT::groupTokens(const FormulaBlock& block, std::vector<std::uint8_t>& tokens,
                             std::vector<std::uint8_t>& extra) const
{
    std::uint16_t r = 0, c = 0;
    if (!expTarget(block.formula, r, c)) {
        tokens = block.formula.tokens;
        extra = block.formula.extra;
        return;
    }
    const std::uint32_t s = cells_.at(r, c);
    if (!slotPresent(s) || slotKind(s) != CellKind::Formula) throw xlerror("shared formula not found");
    const FormulaBlock& anchor = formulaCells_.at(slotPosition(s));
    if (anchor.shared) {
        tokens = resolveSharedTokens(anchor.shrFmla.tokens, block.row(), block.col());
        extra = anchor.shrFmla.extra;
        return;
    }
    if (!isArrayAnchor(anchor)) throw xlerror("shared formula not found");
    const auto& d = anchor.following.data;
    if (d.size() < kArrayTokensAt) throw xlerror("Array size is incorrect");
    const std::size_t cce = getU16(d.data() + kArrayTokensAt - 2);
    if (d.size() - kArrayTokensAt < cce) throw xlerror("Array size is incorrect");
    const auto tokensEnd = d.begin() + static_cast<std::ptrdiff_t>(kArrayTokensAt + cce);
    tokens = resolveSharedTokens(std::vector<std::uint8_t>(d.begin() + kArrayTokensAt, tokensEnd), anchor.row(),
                                 anchor.col());
    extra.assign(tokensEnd, d.end());
    for (const RawRecord& more : anchor.followingContinues) extra.insert(extra.end(), more.data.begin(), more.data.end());
}

void SheetImplT::breakArray(std::uint32_t anchorSlot)
{
    const FormulaBlock& anchor = formulaCells_.at(slotPosition(anchorSlot));
    const CellRange16 range = arrayRange(anchor);
    const std::uint16_t ar = anchor.row(), ac = anchor.col();
    // Every token list first, so that a failure changes nothing.
    struct Own {
        std::size_t position;
        std::vector<std::uint8_t> tokens, extra;
    };
    std::vector<Own> owns;
    for (std::uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
        for (std::uint32_t c = range.firstCol; c <= range.lastCol && c < kMaxCellCols; ++c) {
            const std::uint32_t s = cells_.at(r, c);
            if (!slotPresent(s) || slotKind(s) != CellKind::Formula) continue;
            const FormulaBlock& member = formulaCells_.at(slotPosition(s));
            std::uint16_t tr = 0, tc = 0;
            if (!expTarget(member.formula, tr, tc) || tr != ar || tc != ac) continue;
            Own own{slotPosition(s), {}, {}};
            groupTokens(member, own.tokens, own.extra);
            owns.push_back(std::move(own));
        }
    }
    for (Own& own : owns) ownFormula(formulaCells_.at(own.position), std::move(own.tokens), std::move(own.extra));
}

void SheetImplT::breakArrayOf(std::uint32_t slot)
{
    if (!slotPresent(slot) || slotKind(slot) != CellKind::Formula) return;
    std::uint16_t r = 0, c = 0;
    if (!expTarget(formulaCells_.at(slotPosition(slot)).formula, r, c)) return;
    const std::uint32_t a = cells_.at(r, c);
    if (slotPresent(a) && slotKind(a) == CellKind::Formula && isArrayAnchor(formulaCells_.at(slotPosition(a))))
        breakArray(a);
}

// ---- comments --------------------------------------------------------------------

void SheetImplT::removeComments(int rowFirst, int rowLast, int colFirst, int colLast)
{
    const Block b{rowFirst, rowLast, colFirst, colLast};
    // The comment's shape, OBJ and TXO go with its NOTE.
    for (const Note& n : notes_)
        if (b.holds(n.row, n.col) && !n.biff5) drawing_.removeComment(n.objId);
    notes_.erase(std::remove_if(notes_.begin(), notes_.end(), [&](const Note& n) { return b.holds(n.row, n.col); }),
                 notes_.end());
}

// ---- clearing --------------------------------------------------------------------

bool SheetImplT::clearCells(int rowFirst, int rowLast, int colFirst, int colLast)
{
    return guarded(false, [&] {
        checkHoldsCells();
        if (rowLast < rowFirst) throw xlerror("rowLast must be greater than or equal to rowFirst");
        if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");
        // Only the cells of the block that lie on the sheet go.
        if (!clipBlockToSheet(rowFirst, rowLast, colFirst, colLast, static_cast<int>(kMaxCellRows) - 1,
                              static_cast<int>(kMaxCellCols) - 1))
            return true;
        const Block b{rowFirst, rowLast, colFirst, colLast};

        // Array formulas that the block cuts through leave their other cells
        // with formulas of their own; the anchors of shared formulas that go
        // hand their formula over to a member that stays.
        std::vector<std::uint32_t> anchors;
        for (int r = b.r0; r <= b.r1; ++r) {
            if (!cells_.rowExists(static_cast<std::uint32_t>(r))) continue;
            for (int c = b.c0; c <= b.c1; ++c) {
                const std::uint32_t s = cells_.get(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
                if (!slotPresent(s) || slotKind(s) != CellKind::Formula) continue;
                const FormulaBlock& f = formulaCells_.at(slotPosition(s));
                std::uint16_t tr = 0, tc = 0;
                if (!expTarget(f.formula, tr, tc)) continue;
                const std::uint32_t a = cells_.at(tr, tc);
                if (!slotPresent(a) || slotKind(a) != CellKind::Formula) continue;
                const FormulaBlock& anchor = formulaCells_.at(slotPosition(a));
                if (isArrayAnchor(anchor) && !b.contains(arrayRange(anchor)))
                    breakArray(a);
                else if (f.shared && tr == f.row() && tc == f.col())
                    anchors.push_back(s);
            }
        }

        for (int r = b.r0; r <= b.r1; ++r) {
            if (!cells_.rowExists(static_cast<std::uint32_t>(r))) continue;
            for (int c = b.c0; c <= b.c1; ++c) cells_.erase(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c));
        }
        for (std::uint32_t s : anchors) handOverSharedFormula(s);
        removeComments(b.r0, b.r1, b.c0, b.c1);

        // Merged ranges that meet the block go, with the blank fillers of the
        // whole range. A range over the whole first row stays.
        for (MergeCells& m : mergeCells_) {
            std::vector<CellRange16> kept;
            for (const CellRange16& range : m.ranges) {
                const bool exempt = range.firstRow == 0 && range.lastRow == 0 && range.firstCol == 0 &&
                                    range.lastCol == 255;
                if (!b.meets(range) || exempt) {
                    kept.push_back(range);
                    continue;
                }
                for (std::uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                    if (!cells_.rowExists(r)) continue;
                    for (std::uint32_t c = range.firstCol; c <= range.lastCol && c < kMaxCellCols; ++c) {
                        const std::uint32_t s = cells_.at(r, c);
                        if (slotPresent(s) && slotKind(s) == CellKind::Blank) cells_.erase(r, c);
                    }
                }
            }
            m.ranges.swap(kept);
        }
        usedRangeDirty_ = true;
        return true;
    });
}

// ---- copying ---------------------------------------------------------------------

template <class Rec>
void SheetImplT::copyRecord(std::vector<Rec>& list, std::uint32_t src, std::uint32_t dst, CellKind kind,
                            std::uint16_t row, std::uint16_t col)
{
    Rec copy = list.at(slotPosition(src));
    if (slotPresent(dst) && slotKind(dst) == kind) {
        Rec& target = list.at(slotPosition(dst));
        copy.row = target.row;
        copy.col = target.col;
        target = copy;
        return;
    }
    copy.row = row;
    copy.col = col;
    list.push_back(copy);
    placeCell(row, col, kind, list.size() - 1);
}

bool SheetImplT::copyCell(int rowSrc, int colSrc, int rowDst, int colDst)
{
    return guarded(false, [&] {
        checkHoldsCells();
        checkPosition(rowSrc, colSrc);
        checkPosition(rowDst, colDst);
        const std::uint32_t src = slotAt(rowSrc, colSrc);
        if (!slotPresent(src)) throw xlerror("empty cell");
        if (rowSrc == rowDst && colSrc == colDst) return true;
        const auto r = static_cast<std::uint16_t>(rowDst), c = static_cast<std::uint16_t>(colDst);
        const CellKind kind = slotKind(src);

        // A formula of a group is copied as a formula of its own.
        FormulaBlock formula;
        if (kind == CellKind::Formula) {
            formula = formulaCells_.at(slotPosition(src));
            std::uint16_t tr = 0, tc = 0;
            if (expTarget(formula.formula, tr, tc)) {
                std::vector<std::uint8_t> tokens, extra;
                groupTokens(formula, tokens, extra);
                ownFormula(formula, std::move(tokens), std::move(extra));
            }
        } else if (kind == CellKind::Label || kind == CellKind::None) {
            throw xlerror("unknown type of cell");
        }

        // What stood at the destination leaves its group.
        const std::uint32_t dst = slotAt(rowDst, colDst);
        handOverSharedFormula(dst);

        switch (kind) {
        case CellKind::RK: copyRecord(rkCells_, src, dst, kind, r, c); break;
        case CellKind::Number: copyRecord(numberCells_, src, dst, kind, r, c); break;
        case CellKind::LabelSst: copyRecord(labelSstCells_, src, dst, kind, r, c); break;
        case CellKind::Blank: copyRecord(blankCells_, src, dst, kind, r, c); break;
        case CellKind::BoolErr: copyRecord(boolErrCells_, src, dst, kind, r, c); break;
        case CellKind::Formula:
            formula.formula.row = r;
            formula.formula.col = c;
            if (slotPresent(dst) && slotKind(dst) == CellKind::Formula) {
                formulaCells_.at(slotPosition(dst)) = std::move(formula);
            } else {
                formulaCells_.push_back(std::move(formula));
                placeCell(r, c, CellKind::Formula, formulaCells_.size() - 1);
            }
            break;
        default: throw xlerror("unknown type of cell");
        }
        dimensions_.include(r, c);
        return true;
    });
}

}  // namespace celvo

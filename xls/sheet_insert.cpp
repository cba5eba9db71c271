// Inserting and removing rows and columns: the cells move, and with them
// their comments, merged ranges, row heights and column widths; formulas of
// every sheet and the book's defined names keep pointing at the same cells
// (references to removed cells become #REF!). Shared, array and table
// formulas stay whole: a shared formula that the edit splits gives its cells
// formulas of their own, and an edit that would cut through an array or a
// data table is refused. Everything is checked and computed before anything
// changes.
#include <algorithm>
#include <functional>
#include <map>

#include "book.h"
#include "book_formula.h"
#include "celvo/bytes.h"
#include "formula/ptg.h"
#include "formula/shift.h"
#include "sheet.h"
#include "sheet_insert.h"

namespace celvo {

namespace {

// ARRAY: range (u16 rows, u8 columns), u16 options, u32 unused, u16 token
// size, the tokens. TABLE: range, u16 options, then the two input cells.
constexpr std::size_t kArrayTokensAt = 14;
constexpr std::size_t kTableInputsAt = 8;
constexpr std::size_t kTableSize = 16;
constexpr std::uint16_t kSharedFlag = 0x0008;  // FORMULA options: part of a shared formula

struct Pos {
    int row = -1;
    int col = -1;
    bool valid() const noexcept { return row >= 0 && col >= 0; }
    bool operator==(const Pos& o) const noexcept { return row == o.row && col == o.col; }
};

// The range of an ARRAY or TABLE record.
CellRange16 recordRange(const RawRecord& r)
{
    CellRange16 range;
    range.firstRow = getU16(r.data.data());
    range.lastRow = getU16(r.data.data() + 2);
    range.firstCol = r.data[4];
    range.lastCol = r.data[5];
    return range;
}

void putRecordRange(RawRecord& r, const CellRange16& range)
{
    putU16(r.data.data(), range.firstRow);
    putU16(r.data.data() + 2, range.lastRow);
    r.data[4] = static_cast<std::uint8_t>(range.firstCol);
    r.data[5] = static_cast<std::uint8_t>(range.lastCol);
}

bool isArray(const FormulaBlock& b)
{
    if (b.following.id != FormulaBlock::kArrayId || b.following.data.size() < kArrayTokensAt) return false;
    return b.following.data.size() - kArrayTokensAt >= getU16(b.following.data.data() + kArrayTokensAt - 2);
}

bool isTable(const FormulaBlock& b)
{
    return b.following.id == FormulaBlock::kTableId && b.following.data.size() >= kTableSize;
}

// The anchor a member of a group points at: PtgExp (shared and array
// formulas) or PtgTbl (data tables).
bool groupTarget(const Formula& f, std::uint8_t id, std::uint16_t& row, std::uint16_t& col)
{
    if (f.tokens.size() < 5 || f.tokens[0] != id) return false;
    row = getU16(f.tokens.data() + 1);
    col = getU16(f.tokens.data() + 3);
    return true;
}

}  // namespace

class GridEditor {
public:
    GridEditor(SheetImplT& sheet, const GridEdit& edit, FormulaContext& context)
        : sheet_(sheet), book_(*sheet.book()), edit_(edit), context_(context) {}

    // The interface operations: arguments checked, the book's message kept
    // on success unless the operation reports "ok".
    static bool run(SheetImplT& sheet, bool columns, bool insert, int first, int last, bool keepMessage);
    // Every token stream of the book's sheets: cell formulas, shared formulas
    // and array formulas.
    static void forEachTokenStream(BookImplT& book, const std::function<void(std::vector<std::uint8_t>&)>& f);

    void plan();
    void commit();

private:
    struct Cell {
        SheetImplT* sheet = nullptr;
        std::uint16_t row = 0, col = 0;
        FormulaBlock* block = nullptr;
    };

    Pos moved(std::uint16_t row, std::uint16_t col) const
    {
        if (edit_.columns) return {row, edit_.map(col)};
        return {edit_.map(row), col};
    }
    Pos movedOn(const SheetImplT& s, std::uint16_t row, std::uint16_t col) const
    {
        return &s == &sheet_ ? moved(row, col) : Pos{row, col};
    }

    void planSheet(SheetImplT& s, int home);
    // A group whose tokens cannot be read stays as it is when none of its
    // cells moves; otherwise the edit is refused with the reader's message.
    bool staysPut(const SheetImplT& s, const std::vector<Cell>& members) const;
    void planShared(SheetImplT& s, int home, FormulaBlock& anchor, std::vector<Cell>& members);
    void planSharedTokens(SheetImplT& s, int home, FormulaBlock& anchor, std::vector<Cell>& members);
    void planArray(SheetImplT& s, int home, FormulaBlock& anchor, std::vector<Cell>& members);
    void planArrayTokens(SheetImplT& s, int home, FormulaBlock& anchor, std::vector<Cell>& members);
    void planTable(SheetImplT& s, FormulaBlock& anchor, std::vector<Cell>& members);
    void refuseSplit(const CellRange16& range, const char* message) const;
    // Members point at the anchor's new place.
    void repoint(std::vector<Cell>& members, std::uint8_t id, Pos anchor);

    void moveCells();
    void moveNotes();
    void moveMerges();
    void moveRowsAndColumns();
    CellPos& positionOf(std::uint32_t slot);

    SheetImplT& sheet_;
    BookImplT& book_;
    GridEdit edit_;
    FormulaContext& context_;
    std::vector<std::function<void()>> commits_;
};

void GridEditor::refuseSplit(const CellRange16& range, const char* message) const
{
    const int a = edit_.columns ? range.firstCol : range.firstRow;
    const int b = edit_.columns ? range.lastCol : range.lastRow;
    if (edit_.splits(a, b)) throw xlerror(message);
}

void GridEditor::repoint(std::vector<Cell>& members, std::uint8_t id, Pos anchor)
{
    for (Cell& m : members) {
        FormulaBlock* block = m.block;
        commits_.push_back([block, id, anchor] {
            block->formula.tokens[0] = id;
            putU16(block->formula.tokens.data() + 1, static_cast<std::uint16_t>(anchor.row));
            putU16(block->formula.tokens.data() + 3, static_cast<std::uint16_t>(anchor.col));
        });
    }
}

bool GridEditor::staysPut(const SheetImplT& s, const std::vector<Cell>& members) const
{
    return std::all_of(members.begin(), members.end(),
                       [&](const Cell& m) { return movedOn(s, m.row, m.col) == Pos{m.row, m.col}; });
}

void GridEditor::planShared(SheetImplT& s, int home, FormulaBlock& anchor, std::vector<Cell>& members)
{
    try {
        planSharedTokens(s, home, anchor, members);
    } catch (const std::exception&) {
        // Tokens that cannot be read stay as they are where nothing moves.
        if (!staysPut(s, members)) throw;
    }
}

void GridEditor::planSharedTokens(SheetImplT& s, int home, FormulaBlock& anchor, std::vector<Cell>& members)
{
    const std::vector<std::uint8_t>& shared = anchor.shrFmla.tokens;
    struct Own {
        FormulaBlock* block;
        Pos to;
        std::vector<std::uint8_t> tokens;  // resolved and shifted
    };
    std::vector<Own> owns;
    bool keep = true;
    bool changed = false;
    std::vector<std::uint8_t> relative;
    int dRow = 0, dCol = 0;
    for (const Cell& m : members) {
        const Pos to = movedOn(s, m.row, m.col);
        if (!to.valid()) {
            keep = false;
            changed = true;
            continue;
        }
        std::vector<std::uint8_t> own = resolveSharedTokens(shared, m.row, m.col);
        shiftReferences(own, edit_, home, context_);
        std::vector<std::uint8_t> rel =
            relativeSharedTokens(own, shared, static_cast<std::uint16_t>(to.row), static_cast<std::uint16_t>(to.col));
        if (owns.empty()) {
            relative = rel;
            dRow = to.row - m.row;
            dCol = to.col - m.col;
        } else if (rel != relative || to.row - m.row != dRow || to.col - m.col != dCol) {
            keep = false;
        }
        if (rel != shared || !(to == Pos{m.row, m.col})) changed = true;
        owns.push_back({m.block, to, std::move(own)});
    }
    if (!changed) return;
    if (keep && !owns.empty()) {
        // The group moves whole: new tokens, its range and the anchor's
        // place in every member.
        CellRange16 range{0xFFFF, 0, 0xFFFF, 0};
        for (const Own& o : owns) {
            range.firstRow = std::min<std::uint16_t>(range.firstRow, static_cast<std::uint16_t>(o.to.row));
            range.lastRow = std::max<std::uint16_t>(range.lastRow, static_cast<std::uint16_t>(o.to.row));
            range.firstCol = std::min<std::uint16_t>(range.firstCol, static_cast<std::uint16_t>(o.to.col));
            range.lastCol = std::max<std::uint16_t>(range.lastCol, static_cast<std::uint16_t>(o.to.col));
        }
        FormulaBlock* a = &anchor;
        commits_.push_back([a, range, rel = std::move(relative)]() mutable {
            a->shrFmla.tokens = std::move(rel);
            a->shrFmla.firstRow = range.firstRow;
            a->shrFmla.lastRow = range.lastRow;
            a->shrFmla.firstCol = static_cast<std::uint8_t>(range.firstCol);
            a->shrFmla.lastCol = static_cast<std::uint8_t>(range.lastCol);
        });
        repoint(members, ptg::kExp, movedOn(s, anchor.row(), anchor.col()));
        return;
    }
    // Split, cut or not the same at every cell: each cell that stays gets
    // the formula it means on its own.
    const std::vector<std::uint8_t> extra = anchor.shrFmla.extra;
    for (Own& o : owns) {
        FormulaBlock* block = o.block;
        commits_.push_back([block, tokens = std::move(o.tokens), extra]() mutable {
            block->formula.tokens = std::move(tokens);
            block->formula.extra = extra;
            block->formula.options = static_cast<std::uint16_t>(block->formula.options & ~kSharedFlag);
            block->shared = false;
        });
    }
}

void GridEditor::planArray(SheetImplT& s, int home, FormulaBlock& anchor, std::vector<Cell>& members)
{
    try {
        planArrayTokens(s, home, anchor, members);
    } catch (const std::exception&) {
        if (!staysPut(s, members)) throw;
    }
}

void GridEditor::planArrayTokens(SheetImplT& s, int home, FormulaBlock& anchor, std::vector<Cell>& members)
{
    const CellRange16 range = recordRange(anchor.following);
    if (&s == &sheet_) {
        refuseSplit(range, "can't change part of an array formula");
        if (edit_.removesAll(edit_.columns ? range.firstCol : range.firstRow, edit_.columns ? range.lastCol : range.lastRow))
            return;
    }
    const auto& d = anchor.following.data;
    const std::size_t cce = getU16(d.data() + kArrayTokensAt - 2);
    const std::vector<std::uint8_t> tokens(d.begin() + kArrayTokensAt,
                                           d.begin() + static_cast<std::ptrdiff_t>(kArrayTokensAt + cce));
    const Pos to = movedOn(s, anchor.row(), anchor.col());
    std::vector<std::uint8_t> own = resolveSharedTokens(tokens, anchor.row(), anchor.col());
    shiftReferences(own, edit_, home, context_);
    std::vector<std::uint8_t> rel =
        relativeSharedTokens(own, tokens, static_cast<std::uint16_t>(to.row), static_cast<std::uint16_t>(to.col));
    const int dRow = to.row - anchor.row(), dCol = to.col - anchor.col();
    if (rel == tokens && dRow == 0 && dCol == 0) return;
    CellRange16 next = range;
    next.firstRow = static_cast<std::uint16_t>(range.firstRow + dRow);
    next.lastRow = static_cast<std::uint16_t>(range.lastRow + dRow);
    next.firstCol = static_cast<std::uint16_t>(range.firstCol + dCol);
    next.lastCol = static_cast<std::uint16_t>(range.lastCol + dCol);
    RawRecord* record = &anchor.following;
    commits_.push_back([record, next, rel = std::move(rel)] {
        std::copy(rel.begin(), rel.end(), record->data.begin() + kArrayTokensAt);
        putRecordRange(*record, next);
    });
    repoint(members, ptg::kExp, to);
}

void GridEditor::planTable(SheetImplT& s, FormulaBlock& anchor, std::vector<Cell>& members)
{
    if (&s != &sheet_) return;
    const CellRange16 range = recordRange(anchor.following);
    refuseSplit(range, "can't change part of a data table");
    if (edit_.removesAll(edit_.columns ? range.firstCol : range.firstRow, edit_.columns ? range.lastCol : range.lastRow))
        return;
    const Pos to = moved(anchor.row(), anchor.col());
    const int dRow = to.row - anchor.row(), dCol = to.col - anchor.col();
    // The input cells follow their cells when those stay.
    std::uint8_t inputs[8];
    std::copy(anchor.following.data.begin() + kTableInputsAt, anchor.following.data.begin() + kTableSize, inputs);
    for (int i = 0; i < 2; ++i) {
        std::uint8_t* p = inputs + 4 * i;
        const Pos in = moved(getU16(p), getU16(p + 2));
        if (!in.valid()) continue;
        putU16(p, static_cast<std::uint16_t>(in.row));
        putU16(p + 2, static_cast<std::uint16_t>(in.col));
    }
    CellRange16 next = range;
    next.firstRow = static_cast<std::uint16_t>(range.firstRow + dRow);
    next.lastRow = static_cast<std::uint16_t>(range.lastRow + dRow);
    next.firstCol = static_cast<std::uint16_t>(range.firstCol + dCol);
    next.lastCol = static_cast<std::uint16_t>(range.lastCol + dCol);
    RawRecord* record = &anchor.following;
    std::vector<std::uint8_t> in(inputs, inputs + 8);
    commits_.push_back([record, next, in] {
        std::copy(in.begin(), in.end(), record->data.begin() + kTableInputsAt);
        putRecordRange(*record, next);
    });
    repoint(members, ptg::kTbl, to);
}

void GridEditor::planSheet(SheetImplT& s, int home)
{
    // Formula cells by the group they belong to.
    std::vector<Cell> own;
    std::map<std::uint32_t, std::pair<Cell, std::vector<Cell>>> groups;  // by anchor: anchor, members
    auto groupOf = [&](std::uint16_t row, std::uint16_t col) -> std::vector<Cell>* {
        const std::uint32_t key = (std::uint32_t(row) << 8) | col;
        auto found = groups.find(key);
        if (found != groups.end()) return &found->second.second;
        const std::uint32_t slot = s.cells_.at(row, col);
        if (!slotPresent(slot) || slotKind(slot) != CellKind::Formula) return nullptr;
        auto& g = groups[key];
        g.first = Cell{&s, row, col, &s.formulaCells_.at(slotPosition(slot))};
        return &g.second;
    };
    std::vector<Cell> members;
    s.cells_.forEachCell([&](std::uint32_t r, std::uint32_t c, std::uint32_t slot) {
        if (slotKind(slot) != CellKind::Formula) return;
        FormulaBlock& block = s.formulaCells_.at(slotPosition(slot));
        const Cell cell{&s, static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(c), &block};
        std::uint16_t ar = 0, ac = 0;
        if (groupTarget(block.formula, ptg::kExp, ar, ac) || groupTarget(block.formula, ptg::kTbl, ar, ac))
            members.push_back(cell);
        else
            own.push_back(cell);
    });
    for (const Cell& m : members) {
        std::uint16_t ar = 0, ac = 0;
        if (!groupTarget(m.block->formula, ptg::kExp, ar, ac)) groupTarget(m.block->formula, ptg::kTbl, ar, ac);
        if (std::vector<Cell>* g = groupOf(ar, ac)) g->push_back(m);
    }
    for (const Cell& c : own) {
        std::vector<std::uint8_t> tokens = c.block->formula.tokens;
        if (!shiftReferences(tokens, edit_, home, context_)) continue;
        FormulaBlock* block = c.block;
        commits_.push_back([block, tokens = std::move(tokens)]() mutable { block->formula.tokens = std::move(tokens); });
    }
    for (auto& entry : groups) {
        auto& g = entry.second;
        FormulaBlock& anchor = *g.first.block;
        std::uint16_t ar = 0, ac = 0;
        const bool selfExp = groupTarget(anchor.formula, ptg::kExp, ar, ac) && ar == anchor.row() && ac == anchor.col();
        if (anchor.shared && selfExp)
            planShared(s, home, anchor, g.second);
        else if (isArray(anchor) && selfExp)
            planArray(s, home, anchor, g.second);
        else if (isTable(anchor))
            planTable(s, anchor, g.second);
        // Members of an anchor that is not there stay as they are.
    }
}

void GridEditor::plan()
{
    const auto& sheets = book_.sheets();
    for (std::size_t i = 0; i < sheets.size(); ++i) planSheet(*sheets[i], static_cast<int>(i));
    if (book_.sheetIndex(&sheet_) < 0) planSheet(sheet_, edit_.sheet);
    for (Lbl& name : book_.names()) {
        std::vector<std::uint8_t> tokens = name.formula;
        if (!shiftReferences(tokens, edit_, -1, context_, TokenOwner::Name)) continue;
        Lbl* n = &name;
        commits_.push_back([n, tokens = std::move(tokens)]() mutable { n->formula = std::move(tokens); });
    }
}

CellPos& GridEditor::positionOf(std::uint32_t slot)
{
    const std::size_t p = slotPosition(slot);
    switch (slotKind(slot)) {
    case CellKind::RK: return sheet_.rkCells_.at(p);
    case CellKind::Number: return sheet_.numberCells_.at(p);
    case CellKind::LabelSst: return sheet_.labelSstCells_.at(p);
    case CellKind::Blank: return sheet_.blankCells_.at(p);
    case CellKind::BoolErr: return sheet_.boolErrCells_.at(p);
    case CellKind::Formula: return sheet_.formulaCells_.at(p).formula;
    case CellKind::Label: return sheet_.labelCells_.at(p);
    default: throw xlerror("unknown type of cell");
    }
}

void GridEditor::moveCells()
{
    CellGrid next;
    sheet_.cells_.forEachCell([&](std::uint32_t r, std::uint32_t c, std::uint32_t slot) {
        const Pos to = moved(static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(c));
        if (!to.valid()) return;  // unlinked: never written again
        CellPos& pos = positionOf(slot);
        pos.row = static_cast<std::uint16_t>(to.row);
        pos.col = static_cast<std::uint16_t>(to.col);
        next.slot(static_cast<std::uint32_t>(to.row), static_cast<std::uint32_t>(to.col)) = slot;
    });
    sheet_.cells_ = next;
}

void GridEditor::moveNotes()
{
    auto& notes = sheet_.notes_;
    notes.erase(std::remove_if(notes.begin(), notes.end(),
                               [&](Note& n) {
                                   const Pos to = moved(n.row, n.col);
                                   if (!to.valid()) return true;
                                   n.row = static_cast<std::uint16_t>(to.row);
                                   n.col = static_cast<std::uint16_t>(to.col);
                                   return false;
                               }),
                notes.end());
}

void GridEditor::moveMerges()
{
    for (MergeCells& record : sheet_.mergeCells_) {
        std::vector<CellRange16> kept, pieces;  // pieces split off go last
        for (const CellRange16& range : record.ranges) {
            int a = edit_.columns ? range.firstCol : range.firstRow;
            int b = edit_.columns ? range.lastCol : range.lastRow;
            std::vector<std::pair<std::pair<int, int>, std::vector<CellRange16>*>> spans;
            if (edit_.insert && a < edit_.first && edit_.first <= b) {
                // An insertion inside the range splits it: the part above
                // stays, the part from the insertion on moves.
                spans.push_back({{a, edit_.first - 1}, &kept});
                int c = edit_.first, d = b;
                if (edit_.mapSpan(c, d)) spans.push_back({{c, d}, &pieces});
            } else if (edit_.mapSpan(a, b)) {
                spans.push_back({{a, b}, &kept});
            }
            for (const auto& [span, into] : spans) {
                CellRange16 next = range;
                if (edit_.columns) {
                    next.firstCol = static_cast<std::uint16_t>(span.first);
                    next.lastCol = static_cast<std::uint16_t>(span.second);
                } else {
                    next.firstRow = static_cast<std::uint16_t>(span.first);
                    next.lastRow = static_cast<std::uint16_t>(span.second);
                }
                // A single cell is no merge.
                if (next.firstRow == next.lastRow && next.firstCol == next.lastCol) continue;
                into->push_back(next);
            }
        }
        kept.insert(kept.end(), pieces.begin(), pieces.end());
        record.ranges.swap(kept);
    }
}

void GridEditor::moveRowsAndColumns()
{
    if (edit_.columns) {
        auto& cols = sheet_.colInfos_;
        cols.erase(std::remove_if(cols.begin(), cols.end(),
                                  [&](ColInfo& c) {
                                      const int to = edit_.map(c.firstCol);
                                      if (to < 0 || c.firstCol != c.lastCol) return to < 0;
                                      c.firstCol = c.lastCol = static_cast<std::uint16_t>(to);
                                      return false;
                                  }),
                   cols.end());
        return;
    }
    auto& rows = sheet_.rows_;
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](Row& r) {
                                  const int to = edit_.map(r.row);
                                  if (to < 0) return true;
                                  r.row = static_cast<std::uint16_t>(to);
                                  return false;
                              }),
               rows.end());
}

void GridEditor::commit()
{
    for (auto& c : commits_) c();
    moveCells();
    moveNotes();
    moveMerges();
    moveRowsAndColumns();
    sheet_.usedRangeDirty_ = true;
}

bool GridEditor::run(SheetImplT& sheet, bool columns, bool insert, int first, int last, bool keepMessage)
{
    if (!sheet.book()) return false;
    const std::string before = sheet.message();
    return sheet.guarded(false, [&] {
        sheet.checkHoldsCells();
        if (last < first)
            throw xlerror(columns ? "colLast must be greater than or equal to colFirst"
                                  : "rowLast must be greater than or equal to rowFirst");
        const int limit = columns ? 255 : 65535;
        if (first < 0 || last > limit)
            throw xlerror(columns ? "col must be in range 0-255" : "row must be in range 0-65535");
        GridEdit edit{columns, insert, first, last - first + 1, sheet.sheetIndex()};
        BookFormulaContext context(*sheet.book());
        GridEditor editor(sheet, edit, context);
        editor.plan();
        editor.commit();
        if (keepMessage) sheet.message() = before;
        return true;
    });
}

void GridEditor::forEachTokenStream(BookImplT& book, const std::function<void(std::vector<std::uint8_t>&)>& f)
{
    for (const auto& s : book.sheets()) {
        s->cells_.forEachCell([&](std::uint32_t, std::uint32_t, std::uint32_t slot) {
            if (slotKind(slot) != CellKind::Formula) return;
            FormulaBlock& block = s->formulaCells_.at(slotPosition(slot));
            f(block.formula.tokens);
            if (block.shared) f(block.shrFmla.tokens);
            if (isArray(block)) {
                auto& d = block.following.data;
                const auto begin = d.begin() + static_cast<std::ptrdiff_t>(kArrayTokensAt);
                std::vector<std::uint8_t> tokens(begin, begin + getU16(d.data() + kArrayTokensAt - 2));
                const std::size_t size = tokens.size();
                f(tokens);
                if (tokens.size() == size) std::copy(tokens.begin(), tokens.end(), begin);
            }
        });
    }
}

bool SheetImplT::insertRows(int rowFirst, int rowLast)
{
    return GridEditor::run(*this, false, true, rowFirst, rowLast, true);
}

bool SheetImplT::insertColumns(int colFirst, int colLast)
{
    return GridEditor::run(*this, true, true, colFirst, colLast, true);
}

bool SheetImplT::removeRows(int rowFirst, int rowLast)
{
    return GridEditor::run(*this, false, false, rowFirst, rowLast, false);
}

bool SheetImplT::removeColumns(int colFirst, int colLast)
{
    return GridEditor::run(*this, true, false, colFirst, colLast, true);
}

void forEachSheetTokenStream(BookImplT& book, const std::function<void(std::vector<std::uint8_t>&)>& f)
{
    GridEditor::forEachTokenStream(book, f);
}

}  // namespace celvo

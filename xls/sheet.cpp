// The sheet object and its cell operations: reading and writing values,
// cell types, formats and dates.
#include "sheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "book.h"
#include "celvo/numformat.h"

namespace celvo {

namespace {

constexpr std::uint8_t kPtgExp = 0x01;

std::uint16_t biffVersionOf(BookImplT& book) { return static_cast<std::uint16_t>(book.biffVersion()); }

}  // namespace

SheetImplT::SheetImplT(BookImplT& book, u16view name)
    : book_(&book), name_(name), pageSetup_(book.pool(), biffVersionOf(book) <= 0x0500)
{
    bof_.type = Bof::kWorksheet;
    const bool biff5 = biffVersionOf(book) <= 0x0500;
    dimensions_.biff5 = biff5;
    window2_.biff5 = biff5;
}

SheetImplT::SheetImplT(const SheetImplT& other) = default;

std::string& SheetImplT::message() const { return book_->message(); }

int SheetImplT::sheetIndex() const noexcept
{
    if (!book_) return 0;
    const int i = book_->sheetIndex(this);
    return i < 0 ? 0 : i;
}

void SheetImplT::setSelected(bool on) noexcept
{
    // The active sheet is the selected one and the one shown; readers take
    // a sheet marked shown for the book's active sheet.
    constexpr std::uint16_t kActive = Window2::kSelected | Window2::kPaged;
    if (on)
        window2_.options = static_cast<std::uint16_t>(window2_.options | kActive);
    else
        window2_.options = static_cast<std::uint16_t>(window2_.options & ~kActive);
}

// ---- positions, slots and formats ------------------------------------------

void SheetImplT::checkPosition(int row, int col)
{
    if (static_cast<unsigned>(row) >= kMaxCellRows) throw xlerror("row must be in range 0-65535");
    if (static_cast<unsigned>(col) >= kMaxCellCols) throw xlerror("col must be in range 0-255");
}

std::uint16_t SheetImplT::xfOf(std::uint32_t slot) const
{
    const std::size_t i = slotPosition(slot);
    switch (slotKind(slot)) {
    case CellKind::RK: return rkCells_.at(i).xf;
    case CellKind::Number: return numberCells_.at(i).xf;
    case CellKind::LabelSst: return labelSstCells_.at(i).xf;
    case CellKind::Blank: return blankCells_.at(i).xf;
    case CellKind::BoolErr: return boolErrCells_.at(i).xf;
    case CellKind::Formula: return formulaCells_.at(i).formula.xf;
    case CellKind::Label: return labelCells_.at(i).xf;
    case CellKind::None: break;
    }
    throw xlerror("unknown type of cell");
}

void SheetImplT::setXfOf(std::uint32_t slot, std::uint16_t xf)
{
    const std::size_t i = slotPosition(slot);
    switch (slotKind(slot)) {
    case CellKind::RK: rkCells_.at(i).xf = xf; return;
    case CellKind::Number: numberCells_.at(i).xf = xf; return;
    case CellKind::LabelSst: labelSstCells_.at(i).xf = xf; return;
    case CellKind::Blank: blankCells_.at(i).xf = xf; return;
    case CellKind::BoolErr: boolErrCells_.at(i).xf = xf; return;
    case CellKind::Formula: formulaCells_.at(i).formula.xf = xf; return;
    case CellKind::Label: labelCells_.at(i).xf = xf; return;
    case CellKind::None: break;
    }
    throw xlerror("unknown type of cell");
}

IFormatT* SheetImplT::formatAt(std::uint16_t xf) const
{
    auto& formats = book_->formats();
    return xf < formats.size() ? formats[xf].get() : nullptr;
}

int SheetImplT::formatIndex(const IFormatT* format) const
{
    if (!format) return -1;
    auto& formats = book_->formats();
    for (std::size_t i = formats.size(); i-- > 0;)
        if (static_cast<const IFormatT*>(formats[i].get()) == format) return static_cast<int>(i);
    return -1;
}

std::uint16_t SheetImplT::xfForWrite(std::uint32_t slot, IFormatT* format, const char* notFound) const
{
    if (format) {
        const int i = formatIndex(format);
        if (i < 0 || i > 0xFFFF) throw xlerror(notFound);
        return static_cast<std::uint16_t>(i);
    }
    if (slotPresent(slot) && slotKind(slot) != CellKind::None) return xfOf(slot);
    return kDefaultXf;
}

// ---- shared formulas ---------------------------------------------------------

bool SheetImplT::expTarget(const Formula& f, std::uint16_t& row, std::uint16_t& col)
{
    if (f.tokens.size() != 5 || f.tokens[0] != kPtgExp) return false;
    row = getU16(f.tokens.data() + 1);
    col = getU16(f.tokens.data() + 3);
    return true;
}

void SheetImplT::handOverSharedFormula(std::uint32_t slot)
{
    if (!slotPresent(slot) || slotKind(slot) != CellKind::Formula) return;
    // The other cells of an array formula keep their formula as their own.
    breakArrayOf(slot);
    FormulaBlock& anchor = formulaCells_.at(slotPosition(slot));
    std::uint16_t r = 0, c = 0;
    if (!anchor.shared || !expTarget(anchor.formula, r, c) || r != anchor.row() || c != anchor.col()) return;
    const ShrFmla& range = anchor.shrFmla;
    FormulaBlock* heir = nullptr;
    for (std::uint32_t row = range.firstRow; row <= range.lastRow; ++row) {
        for (std::uint32_t col = range.firstCol; col <= range.lastCol && col < kMaxCellCols; ++col) {
            if (row == anchor.row() && col == anchor.col()) continue;
            const std::uint32_t s = cells_.at(row, col);
            if (!slotPresent(s) || slotKind(s) != CellKind::Formula) continue;
            FormulaBlock& member = formulaCells_.at(slotPosition(s));
            std::uint16_t tr = 0, tc = 0;
            if (!expTarget(member.formula, tr, tc) || tr != anchor.row() || tc != anchor.col()) continue;
            if (!heir) {
                heir = &member;
                heir->shared = true;
                heir->shrFmla = anchor.shrFmla;
                anchor.shared = false;
            }
            putU16(member.formula.tokens.data() + 1, heir->row());
            putU16(member.formula.tokens.data() + 3, heir->col());
        }
    }
}

// ---- placing cells -----------------------------------------------------------

void SheetImplT::placeCell(std::uint16_t row, std::uint16_t col, CellKind kind, std::size_t position)
{
    const std::uint32_t word = makeSlot(kind, position);
    cells_.slot(row, col) = word;
}

const char16_t* SheetImplT::keepText(u16view text)
{
    textBuffer_.assign(text.data(), text.size());
    return textBuffer_.c_str();
}

// ---- cell types --------------------------------------------------------------

int SheetImplT::cellType(int row, int col)
{
    const std::uint32_t s = slotAt(row, col);
    if (!slotPresent(s)) {
        if (book_) book_->message() = "ok";
        return CELLTYPE_EMPTY;
    }
    switch (slotKind(s)) {
    case CellKind::RK:
    case CellKind::Number: return CELLTYPE_NUMBER;
    case CellKind::LabelSst:
    case CellKind::Label: return CELLTYPE_STRING;
    case CellKind::Blank: return CELLTYPE_BLANK;
    case CellKind::BoolErr: return CELLTYPE_BOOLEAN;
    case CellKind::Formula:
        if (slotPosition(s) < formulaCells_.size())
            return static_cast<int>(formulaCells_[slotPosition(s)].formula.resultKind());
        return CELLTYPE_EMPTY;
    case CellKind::None: break;
    }
    return CELLTYPE_EMPTY;
}

bool SheetImplT::isFormula(int row, int col)
{
    const std::uint32_t s = slotAt(row, col);
    return slotPresent(s) && slotKind(s) == CellKind::Formula;
}

IFormatT* SheetImplT::cellFormat(int row, int col)
{
    return guarded<IFormatT*>(nullptr, [&]() -> IFormatT* {
        checkPosition(row, col);
        const std::uint32_t s = slotAt(row, col);
        if (!slotPresent(s)) throw xlerror("empty cell");
        return formatAt(xfOf(s));
    });
}

void SheetImplT::setCellFormat(int row, int col, IFormatT* format)
{
    guardedVoid([&] {
        checkPosition(row, col);
        const int xf = formatIndex(format);
        if (xf < 0) throw xlerror("specified format is not found");
        const std::uint32_t s = slotAt(row, col);
        if (slotPresent(s) && slotKind(s) != CellKind::None) {
            setXfOf(s, static_cast<std::uint16_t>(xf));
            return;
        }
        if (!writeBlank(row, col, format)) throw xlerror(book_->message());
    });
}

// ---- reading values ----------------------------------------------------------

const Formula* SheetImplT::formulaWith(std::uint32_t slot, FormulaResult result) const
{
    if (!slotPresent(slot) || slotKind(slot) != CellKind::Formula) return nullptr;
    const Formula& f = formulaCells_.at(slotPosition(slot)).formula;
    return f.resultKind() == result ? &f : nullptr;
}

const char16_t* SheetImplT::readString(int row, int col, IFormatT** format)
{
    return readCell<const char16_t*>(row, col, format, nullptr, "this cell doesn't contain a string",
                                     [&](std::uint32_t s, const char16_t*& text, std::uint16_t& xf) {
        if (slotKind(s) == CellKind::LabelSst) {
            const LabelSst& cell = labelSstCells_.at(slotPosition(s));
            if (cell.sstIndex >= book_->sst().size()) throw xlerror("string index is out of range");
            // Texts in the book's pool end with a terminator.
            const RichString& entry = book_->sst().at(cell.sstIndex);
            text = entry.text ? entry.text : u"";
            xf = cell.xf;
            return true;
        }
        if (slotKind(s) == CellKind::Label) {
            const Label& cell = labelCells_.at(slotPosition(s));
            text = cell.text.text ? cell.text.text : u"";
            xf = cell.xf;
            return true;
        }
        if (!formulaWith(s, FormulaResult::String)) return false;
        // A member of a shared formula may leave its cached text to the first cell.
        const FormulaBlock& block = formulaCells_[slotPosition(s)];
        const FormulaBlock* source = &block;
        std::uint16_t r = 0, c = 0;
        if ((!block.hasString || block.string.text.empty()) && expTarget(block.formula, r, c)) {
            const std::uint32_t first = cells_.at(r, c);
            if (slotPresent(first) && slotKind(first) == CellKind::Formula)
                source = &formulaCells_.at(slotPosition(first));
        }
        text = keepText(source->hasString ? u16view(source->string.text) : u16view());
        xf = block.formula.xf;
        return true;
    });
}

double SheetImplT::readNumber(int row, int col, IFormatT** format)
{
    return readCell(row, col, format, 0.0, "this cell doesn't contain a number",
                    [&](std::uint32_t s, double& value, std::uint16_t& xf) {
        if (slotKind(s) == CellKind::RK) {
            const RK& cell = rkCells_.at(slotPosition(s));
            value = cell.value();
            xf = cell.xf;
        } else if (slotKind(s) == CellKind::Number) {
            const Number& cell = numberCells_.at(slotPosition(s));
            value = cell.value;
            xf = cell.xf;
        } else if (const Formula* f = formulaWith(s, FormulaResult::Number)) {
            value = f->cachedNumber();
            xf = f->xf;
        } else {
            return false;
        }
        return true;
    });
}

bool SheetImplT::readBool(int row, int col, IFormatT** format)
{
    return readCell(row, col, format, false, "this cell doesn't contain a bool",
                    [&](std::uint32_t s, bool& value, std::uint16_t& xf) {
        if (slotKind(s) == CellKind::BoolErr) {
            const BoolErr& cell = boolErrCells_.at(slotPosition(s));
            value = cell.value == 1;
            xf = cell.xf;
        } else if (const Formula* f = formulaWith(s, FormulaResult::Boolean)) {
            value = f->cachedValueByte() != 0;
            xf = f->xf;
        } else {
            return false;
        }
        return true;
    });
}

bool SheetImplT::readBlank(int row, int col, IFormatT** format)
{
    if (format) *format = nullptr;
    if (!format && book_) {
        // The format is what a blank cell gives back: without a place for it
        // the call fails, whatever the cell holds.
        return guarded(false, [&]() -> bool {
            checkPosition(row, col);
            throw xlerror("format mustn't be NULL");
        });
    }
    return readCell(row, col, format, false, "this cell doesn't contain a blank",
                    [&](std::uint32_t s, bool& value, std::uint16_t& xf) {
        if (slotKind(s) == CellKind::Blank) {
            xf = blankCells_.at(slotPosition(s)).xf;
        } else if (const Formula* f = formulaWith(s, FormulaResult::Blank)) {
            xf = f->xf;
        } else {
            return false;
        }
        value = true;
        return true;
    });
}

int SheetImplT::readError(int row, int col)
{
    return guarded<int>(ERRORCODE_FAILURE, [&]() -> int {
        checkPosition(row, col);
        const Formula* f = formulaWith(slotAt(row, col), FormulaResult::Error);
        return f ? static_cast<int>(f->cachedValueByte()) : static_cast<int>(ERRORCODE_FAILURE);
    });
}

// ---- dates -------------------------------------------------------------------

bool SheetImplT::isDate(int row, int col)
{
    if (!book_) return false;
    if (cellType(row, col) != CELLTYPE_NUMBER) return false;
    IFormatT* format = nullptr;
    readNumber(row, col, &format);
    if (!format) return false;
    const int id = format->numFormat();
    if (id < 0) return false;
    if (const int builtIn = builtInNumFormatIsDate(id); builtIn >= 0) return builtIn == 1;
    for (const Format& f : book_->numFormats())
        if (f.ifmt == id) return f.text.text && numFormatTextIsDate(f.text.view());
    return false;
}

// ---- writing values ----------------------------------------------------------

bool SheetImplT::writeNumber(int row, int col, double value, IFormatT* format)
{
    return guarded(false, [&] {
        checkPosition(row, col);
        if (!std::isfinite(value)) throw xlerror("number is not finite");
        const std::uint32_t s = slotAt(row, col);
        const std::uint16_t xf = xfForWrite(s, format, "specified format not found");
        const auto r = static_cast<std::uint16_t>(row), c = static_cast<std::uint16_t>(col);
        std::uint32_t rk = 0;
        if (doubleToRk(value, rk)) {
            if (slotPresent(s) && slotKind(s) == CellKind::RK) {
                RK& cell = rkCells_.at(slotPosition(s));
                cell.rk = rk;
                if (format) cell.xf = xf;
            } else {
                handOverSharedFormula(s);
                RK cell;
                cell.row = r;
                cell.col = c;
                cell.xf = xf;
                cell.rk = rk;
                rkCells_.push_back(cell);
                placeCell(r, c, CellKind::RK, rkCells_.size() - 1);
            }
        } else if (slotPresent(s) && slotKind(s) == CellKind::Number) {
            Number& cell = numberCells_.at(slotPosition(s));
            cell.value = value;
            if (format) cell.xf = xf;
        } else {
            handOverSharedFormula(s);
            Number cell;
            cell.row = r;
            cell.col = c;
            cell.xf = xf;
            cell.value = value;
            numberCells_.push_back(cell);
            placeCell(r, c, CellKind::Number, numberCells_.size() - 1);
        }
        dimensions_.include(r, c);
        return true;
    });
}

bool SheetImplT::writeBool(int row, int col, bool value, IFormatT* format)
{
    return guarded(false, [&] {
        checkPosition(row, col);
        const std::uint32_t s = slotAt(row, col);
        const std::uint16_t xf = xfForWrite(s, format, "specified format not found");
        const auto r = static_cast<std::uint16_t>(row), c = static_cast<std::uint16_t>(col);
        if (slotPresent(s) && slotKind(s) == CellKind::BoolErr) {
            BoolErr& cell = boolErrCells_.at(slotPosition(s));
            cell.value = value ? 1 : 0;
            cell.isError = 0;
            if (format) cell.xf = xf;
        } else {
            handOverSharedFormula(s);
            BoolErr cell;
            cell.row = r;
            cell.col = c;
            cell.xf = xf;
            cell.value = value ? 1 : 0;
            cell.isError = 0;
            boolErrCells_.push_back(cell);
            placeCell(r, c, CellKind::BoolErr, boolErrCells_.size() - 1);
        }
        dimensions_.include(r, c);
        return true;
    });
}

bool SheetImplT::writeBlank(int row, int col, IFormatT* format)
{
    return guarded(false, [&] {
        checkPosition(row, col);
        const std::uint32_t s = slotAt(row, col);
        const std::uint16_t xf = xfForWrite(s, format, "specified format not found");
        const auto r = static_cast<std::uint16_t>(row), c = static_cast<std::uint16_t>(col);
        if (slotPresent(s) && slotKind(s) == CellKind::Blank) {
            if (format) blankCells_.at(slotPosition(s)).xf = xf;
        } else {
            handOverSharedFormula(s);
            Blank cell;
            cell.row = r;
            cell.col = c;
            cell.xf = xf;
            blankCells_.push_back(cell);
            placeCell(r, c, CellKind::Blank, blankCells_.size() - 1);
        }
        dimensions_.include(r, c);
        return true;
    });
}

bool SheetImplT::stringIndexUsedElsewhere(std::uint32_t index, const LabelSst* self) const
{
    for (const LabelSst& cell : labelSstCells_)
        if (&cell != self && cell.sstIndex == index) return true;
    const int count = book_->sheetCount();
    for (int i = 0; i < count; ++i) {
        const auto* other = static_cast<const SheetImplT*>(book_->sheet(i));
        if (!other || other == this) continue;
        for (const LabelSst& cell : other->labelSstCells_)
            if (cell.sstIndex == index) return true;
    }
    return false;
}

bool SheetImplT::writeString(int row, int col, const char16_t* value, IFormatT* format)
{
    return guarded(false, [&] {
        checkPosition(row, col);
        const u16view text = u16(value);
        if (text.size() > 32767) throw xlerror("string is too long");
        const std::uint32_t s = slotAt(row, col);
        const std::uint16_t xf = xfForWrite(s, format, "specified format not found");
        const auto r = static_cast<std::uint16_t>(row), c = static_cast<std::uint16_t>(col);
        SST& sst = book_->sst();
        if (slotPresent(s) && slotKind(s) == CellKind::LabelSst) {
            LabelSst& cell = labelSstCells_.at(slotPosition(s));
            if (cell.sstIndex < sst.size() && !stringIndexUsedElsewhere(cell.sstIndex, &cell))
                sst.replaceString(cell.sstIndex, text);
            else
                cell.sstIndex = sst.addString(text);
            if (format) cell.xf = xf;
        } else {
            handOverSharedFormula(s);
            LabelSst cell;
            cell.row = r;
            cell.col = c;
            cell.xf = xf;
            cell.sstIndex = sst.addString(text);
            labelSstCells_.push_back(cell);
            placeCell(r, c, CellKind::LabelSst, labelSstCells_.size() - 1);
        }
        dimensions_.include(r, c);
        return true;
    });
}

// ---- the used range ----------------------------------------------------------

void SheetImplT::recomputeUsedRange()
{
    Dimensions fresh;
    fresh.biff5 = dimensions_.biff5;
    fresh.reserved = dimensions_.reserved;
    cells_.forEachCell([&](std::uint32_t r, std::uint32_t c, std::uint32_t) {
        fresh.include(r, static_cast<std::uint16_t>(c));
    });
    for (const MergeCells& m : mergeCells_) {
        for (const CellRange16& range : m.ranges) {
            // Columns of a range read from a file may pass the sheet's last one.
            const std::uint16_t firstCol = std::min<std::uint16_t>(range.firstCol, kMaxCellCols - 1);
            const std::uint16_t colBound = static_cast<std::uint16_t>(std::min<std::uint32_t>(range.lastCol, kMaxCellCols - 1) + 1);
            if (fresh.firstRow == fresh.rowBound || range.firstRow < fresh.firstRow) fresh.firstRow = range.firstRow;
            if (static_cast<std::uint32_t>(range.lastRow) + 1 > fresh.rowBound) fresh.rowBound = range.lastRow + 1u;
            if (fresh.firstCol == fresh.colBound || firstCol < fresh.firstCol) fresh.firstCol = firstCol;
            if (colBound > fresh.colBound) fresh.colBound = colBound;
        }
    }
    dimensions_ = fresh;
    usedRangeDirty_ = false;
}

const Dimensions& SheetImplT::usedRange()
{
    if (usedRangeDirty_) recomputeUsedRange();
    return dimensions_;
}

int SheetImplT::firstRow() { return static_cast<int>(usedRange().firstRow); }
int SheetImplT::lastRow() { return static_cast<int>(usedRange().rowBound); }
int SheetImplT::firstColumn() { return usedRange().firstCol; }
int SheetImplT::lastColumn() { return usedRange().colBound; }

}  // namespace celvo

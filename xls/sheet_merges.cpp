// Merged ranges of a sheet: set, found and removed. Ranges never cross: a
// range that shares a cell with another one is refused.
#include <algorithm>
#include <string>

#include "book.h"
#include "sheet.h"

namespace celvo {

namespace {

bool holds(const CellRange16& r, int row, int col)
{
    return r.firstRow <= row && row <= r.lastRow && r.firstCol <= col && col <= r.lastCol;
}

bool meets(const CellRange16& a, const CellRange16& b)
{
    return a.firstRow <= b.lastRow && b.firstRow <= a.lastRow && a.firstCol <= b.lastCol && b.firstCol <= a.lastCol;
}

}  // namespace

bool SheetImplT::setMerge(int rowFirst, int rowLast, int colFirst, int colLast)
{
    return guarded(false, [&] {
        checkHoldsCells();
        if (static_cast<unsigned>(colFirst) >= kMaxCellCols || static_cast<unsigned>(colLast) >= kMaxCellCols)
            throw xlerror("col must be in range 0-255");
        if (static_cast<unsigned>(rowFirst) >= kMaxCellRows || static_cast<unsigned>(rowLast) >= kMaxCellRows)
            throw xlerror("row must be in range 0-65535");
        if (rowLast < rowFirst) throw xlerror("rowLast must be greater than or equal to rowFirst");
        if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");

        CellRange16 range;
        range.firstRow = static_cast<std::uint16_t>(rowFirst);
        range.lastRow = static_cast<std::uint16_t>(rowLast);
        range.firstCol = static_cast<std::uint16_t>(colFirst);
        range.lastCol = static_cast<std::uint16_t>(colLast);
        // The same range again is already merged; any other range that
        // shares a cell with one of the sheet's would make the file invalid.
        bool present = false;
        for (const MergeCells& m : mergeCells_) {
            for (const CellRange16& other : m.ranges) {
                if (other == range)
                    present = true;
                else if (meets(other, range))
                    throw xlerror("merged range overlaps another merged range");
            }
        }
        if (!present) {
            if (mergeCells_.empty() || mergeCells_.back().ranges.size() >= MergeCells::kMaxRangesPerRecord)
                mergeCells_.emplace_back();
            mergeCells_.back().ranges.push_back(range);
        }

        // The empty cells of the range become blanks with the corner's format.
        std::uint16_t xf = kDefaultXf;
        const std::uint32_t corner = slotAt(rowFirst, colFirst);
        if (slotPresent(corner)) {
            switch (slotKind(corner)) {
            case CellKind::RK:
            case CellKind::Number:
            case CellKind::LabelSst:
            case CellKind::Blank: xf = xfOf(corner); break;
            default: break;
            }
        }
        for (int r = rowFirst; r <= rowLast; ++r) {
            for (int c = colFirst; c <= colLast; ++c) {
                if (slotPresent(slotAt(r, c))) continue;
                Blank cell;
                cell.row = static_cast<std::uint16_t>(r);
                cell.col = static_cast<std::uint16_t>(c);
                cell.xf = xf;
                blankCells_.push_back(cell);
                placeCell(cell.row, cell.col, CellKind::Blank, blankCells_.size() - 1);
            }
        }
        dimensions_.include(range.firstRow, range.firstCol);
        dimensions_.include(range.lastRow, range.lastCol);
        return true;
    });
}

bool SheetImplT::getMerge(int row, int col, int* rowFirst, int* rowLast, int* colFirst, int* colLast)
{
    return guarded(false, [&] {
        checkPosition(row, col);
        for (const MergeCells& m : mergeCells_) {
            for (const CellRange16& r : m.ranges) {
                if (!holds(r, row, col)) continue;
                if (rowFirst) *rowFirst = r.firstRow;
                if (rowLast) *rowLast = r.lastRow;
                if (colFirst) *colFirst = r.firstCol;
                if (colLast) *colLast = r.lastCol;
                return true;
            }
        }
        throw xlerror("this cell isn't in merging block");
    });
}

bool SheetImplT::deleteMerge(int row, int col)
{
    const std::string before = book_ ? message() : std::string();
    bool erased = false;
    const bool ok = guarded(false, [&] {
        checkPosition(row, col);
        for (MergeCells& m : mergeCells_) {
            auto& ranges = m.ranges;
            const std::size_t n = ranges.size();
            ranges.erase(std::remove_if(ranges.begin(), ranges.end(),
                                        [&](const CellRange16& r) { return holds(r, row, col); }),
                         ranges.end());
            erased = erased || ranges.size() != n;
        }
        return true;
    });
    // Only a position off the sheet leaves its message; the others leave the
    // message as it was.
    if (ok) message() = before;
    return ok && erased;
}

}  // namespace celvo

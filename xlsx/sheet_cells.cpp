// The cell store of a .xlsx sheet: finding and creating rows and cells in the
// worksheet binding, the common first step of every cell write, and the used
// range.
#include <algorithm>

#include "book.h"
#include "sheet.h"

namespace celvo {

sheet::c_CT_Row* XMLSheetImplT::findRow(int row) const
{
    const sheet::c_CT_SheetData* data = root_.sheetData.peek();
    if (!data || row < 0) return nullptr;
    return data->rows.find(static_cast<std::uint32_t>(row));
}

sheet::c_CT_Cell* XMLSheetImplT::findCell(int row, int col) const
{
    if (col < 0) return nullptr;
    const sheet::c_CT_Row* r = findRow(row);
    return r ? r->cells.find(static_cast<std::uint32_t>(col)) : nullptr;
}

void XMLSheetImplT::checkPosition(int row, int col)
{
    // The column is checked first; a negative index fails as a huge one.
    if (static_cast<unsigned>(col) > sheet::c_CT_Cell::max_column) throw xlerror("col must be in range 0-16383");
    if (static_cast<unsigned>(row) > sheet::max_row_index) throw xlerror("row must be in range 0-1048575");
}

sheet::c_CT_Cell& XMLSheetImplT::cellForWrite(int row, int col, IFormatT* format, bool clearContents)
{
    checkPosition(row, col);
    // The style is found before anything changes, so that an unknown format
    // leaves the sheet as it was.
    const bool styled = format != nullptr;
    const std::uint32_t style = styled ? styleOfFormat(format) : 0;
    const auto r = static_cast<std::uint32_t>(row), c = static_cast<std::uint32_t>(col);
    sheet::c_CT_Row* rowObject = sheetData().rows.find_or_create(r);
    bool created = false;
    sheet::c_CT_Cell* cell = rowObject->cells.find_or_create(c, &created);
    if (!created && clearContents) {
        releaseSharedFormula(r, *cell);
        const bool hadStyle = cell->has_s() && cell->s() != 0;
        const std::uint32_t oldStyle = cell->s();
        cell->reset();
        if (hadStyle) cell->set_s(oldStyle);
    }
    if (styled) cell->set_s(style);
    widenUsedRange(row, col);
    return *cell;
}

// ---- the used range ---------------------------------------------------------------

void XMLSheetImplT::widenUsedRange(int row, int col) noexcept
{
    if (usedRangeDirty_) return;  // recomputed when next asked for
    UsedRange& u = usedRange_;
    if (u.rowFirst == u.rowEnd) {
        u.rowFirst = row;
        u.rowEnd = row + 1;
    } else {
        u.rowFirst = std::min(u.rowFirst, row);
        u.rowEnd = std::max(u.rowEnd, row + 1);
    }
    if (u.colFirst == u.colEnd) {
        u.colFirst = col;
        u.colEnd = col + 1;
    } else {
        u.colFirst = std::min(u.colFirst, col);
        u.colEnd = std::max(u.colEnd, col + 1);
    }
}

void XMLSheetImplT::updateUsedRange()
{
    UsedRange u;
    const sheet::c_CT_SheetData* data = root_.sheetData.peek();
    if (data && !data->rows.empty()) {
        u.rowFirst = static_cast<int>(data->rows.first()->r.value) - 1;
        u.rowEnd = static_cast<int>(data->rows.last()->r.value);
        bool anyCell = false;
        for (const sheet::c_CT_Row& row : data->rows) {
            if (row.cells.empty()) continue;
            const int first = static_cast<int>(row.cells.first()->column());
            const int last = static_cast<int>(row.cells.last()->column()) + 1;
            u.colFirst = anyCell ? std::min(u.colFirst, first) : first;
            u.colEnd = anyCell ? std::max(u.colEnd, last) : last;
            anyCell = true;
        }
    }
    usedRange_ = u;
    usedRangeDirty_ = false;
}

const XMLSheetImplT::UsedRange& XMLSheetImplT::usedRange()
{
    if (usedRangeDirty_) updateUsedRange();
    return usedRange_;
}

int XMLSheetImplT::firstRow()
{
    return guarded(0, [&] { return usedRange().rowFirst; });
}
int XMLSheetImplT::lastRow()
{
    return guarded(0, [&] { return usedRange().rowEnd; });
}
int XMLSheetImplT::firstColumn()
{
    return guarded(0, [&] { return usedRange().colFirst; });
}
int XMLSheetImplT::lastColumn()
{
    return guarded(0, [&] { return usedRange().colEnd; });
}

}  // namespace celvo

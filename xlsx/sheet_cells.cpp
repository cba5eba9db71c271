// The cell store of a .xlsx sheet: finding and creating rows and cells in the
// worksheet binding, the common first step of every cell write, and the used
// range.
#include <algorithm>

#include "celvo/cellref.h"

#include "book.h"
#include "sheet.h"

namespace celvo {

bool readRangeRef(u16view ref, std::uint32_t& r1, std::uint32_t& c1, std::uint32_t& r2, std::uint32_t& c2)
{
    const std::string text = utf16ToUtf8(ref);
    const std::size_t colon = text.find(':');
    const std::string first = text.substr(0, colon);
    const std::string last = colon == std::string::npos ? first : text.substr(colon + 1);
    if (!parseCellRefA1(first.data(), first.size(), r1, c1) || !parseCellRefA1(last.data(), last.size(), r2, c2))
        return false;
    if (r2 < r1) std::swap(r1, r2);
    if (c2 < c1) std::swap(c1, c2);
    return true;
}


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
    // A new content leaves the array formula the cell belonged to: its other
    // cells keep the formula as their own.
    if (clearContents) breakArraysCutBy(r, c, r, c);
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

void XMLSheetImplT::widenUsedRows(int row) noexcept
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
}

void XMLSheetImplT::widenUsedRange(int row, int col) noexcept
{
    if (usedRangeDirty_) return;  // recomputed when next asked for
    widenUsedRows(row);
    UsedRange& u = usedRange_;
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
    // Merged ranges count as used (a range that names no cells is left out).
    if (const sheet::c_CT_MergeCells* merges = root_.mergeCells.peek()) {
        for (std::size_t i = 0; i < merges->mergeCell.size(); ++i) {
            std::uint32_t r1, c1, r2, c2;
            if (!readRangeRef(merges->mergeCell.at(i)->ref.value, r1, c1, r2, c2)) continue;
            const bool noRows = u.rowFirst == u.rowEnd, noCols = u.colFirst == u.colEnd;
            u.rowFirst = noRows ? static_cast<int>(r1) : std::min(u.rowFirst, static_cast<int>(r1));
            u.rowEnd = noRows ? static_cast<int>(r2) + 1 : std::max(u.rowEnd, static_cast<int>(r2) + 1);
            u.colFirst = noCols ? static_cast<int>(c1) : std::min(u.colFirst, static_cast<int>(c1));
            u.colEnd = noCols ? static_cast<int>(c2) + 1 : std::max(u.colEnd, static_cast<int>(c2) + 1);
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

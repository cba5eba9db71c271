// Rectangular ranges of cells.
#pragma once

#include <cstdint>

namespace celvo {

struct CellRange {
    std::int32_t rowFirst = 0;
    std::int32_t rowEnd = 0;
    std::int32_t colFirst = 0;
    std::int32_t colEnd = 0;
};

inline void clearCellRange(CellRange& r) noexcept { r = CellRange{}; }

// Cuts the block rowFirst..rowLast, colFirst..colLast (every bound included)
// to the cells that lie on a sheet of rows 0..maxRow and columns
// 0..maxColumn. False, with the bounds left alone, when no cell of the block
// lies on the sheet: an empty block, or one wholly before or past the
// sheet's edges, is not moved onto the edge.
inline bool clipBlockToSheet(int& rowFirst, int& rowLast, int& colFirst, int& colLast, int maxRow,
                             int maxColumn) noexcept
{
    if (rowFirst > rowLast || colFirst > colLast) return false;
    if (rowLast < 0 || colLast < 0 || rowFirst > maxRow || colFirst > maxColumn) return false;
    if (rowFirst < 0) rowFirst = 0;
    if (colFirst < 0) colFirst = 0;
    if (rowLast > maxRow) rowLast = maxRow;
    if (colLast > maxColumn) colLast = maxColumn;
    return true;
}

// The block a defined name covers: first and last row, first and last
// column, all included.
struct NameBounds {
    int rowFirst = 0;
    int rowLast = 0;
    int colFirst = 0;
    int colLast = 0;
};

// Hands bounds out through the out-pointers of an interface call; a null
// pointer is left alone.
inline void storeNameBounds(const NameBounds& b, int* rowFirst, int* rowLast, int* colFirst, int* colLast) noexcept
{
    if (rowFirst) *rowFirst = b.rowFirst;
    if (rowLast) *rowLast = b.rowLast;
    if (colFirst) *colFirst = b.colFirst;
    if (colLast) *colLast = b.colLast;
}

}  // namespace celvo

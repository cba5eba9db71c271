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

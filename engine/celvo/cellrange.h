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

}  // namespace celvo

// A rectangular range of cells: first row, row end, first column, column end.
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

}  // namespace celvo

#include "cell_grid.h"

#include <algorithm>
#include <utility>

#include "celvo/xlerror.h"

namespace celvo {

std::uint32_t makeSlot(CellKind kind, std::size_t position)
{
    if (position > kMaxSlotPosition) throw xlerror("too many cells");
    return static_cast<std::uint32_t>(position << 4) | (static_cast<std::uint32_t>(kind) << 1) | 1u;
}

CellGrid::CellGrid() : rows_(kMaxCellRows) {}

CellGrid::CellGrid(const CellGrid& other) : rows_(kMaxCellRows)
{
    for (std::uint32_t r = 0; r < kMaxCellRows; ++r) {
        if (!other.rows_[r]) continue;
        rows_[r].reset(new std::uint32_t[kMaxCellCols]);
        std::copy(other.rows_[r].get(), other.rows_[r].get() + kMaxCellCols, rows_[r].get());
    }
    allocated_ = other.allocated_;
}

CellGrid& CellGrid::operator=(const CellGrid& other)
{
    if (this != &other) {
        CellGrid copy(other);
        rows_.swap(copy.rows_);
        std::swap(allocated_, copy.allocated_);
    }
    return *this;
}

std::uint32_t& CellGrid::slot(std::uint32_t row, std::uint32_t col)
{
    auto& cells = rows_[row];
    if (!cells) {
        cells.reset(new std::uint32_t[kMaxCellCols]());
        ++allocated_;
    }
    return cells[col];
}

void CellGrid::clear() noexcept
{
    for (auto& r : rows_) r.reset();
    allocated_ = 0;
}

}  // namespace celvo

#include "cell_grid.h"

#include <algorithm>
#include <utility>

#include "celvo/xlerror.h"

namespace celvo {

void tooManyCells() { throw xlerror("too many cells"); }

namespace {

// Slots a row needs to hold column col: a power of two from 16 up to 256.
std::uint32_t widthFor(std::uint32_t col) noexcept
{
    std::uint32_t width = 16;
    while (width <= col && width < kMaxCellCols) width *= 2;
    return width;
}

}  // namespace

CellGrid::CellGrid(const CellGrid& other)
    : rows_(other.rows_.size()), allocated_(other.allocated_), lastWidth_(other.lastWidth_)
{
    for (std::size_t r = 0; r < other.rows_.size(); ++r) {
        const Row& from = other.rows_[r];
        if (!from.width) continue;
        rows_[r].cells.reset(new std::uint32_t[from.width]);
        std::copy(from.cells.get(), from.cells.get() + from.width, rows_[r].cells.get());
        rows_[r].width = from.width;
    }
}

CellGrid& CellGrid::operator=(const CellGrid& other)
{
    if (this != &other) {
        CellGrid copy(other);
        *this = std::move(copy);
    }
    return *this;
}

std::uint32_t& CellGrid::grow(std::uint32_t row, std::uint32_t col)
{
    if (row >= kMaxCellRows || col >= kMaxCellCols) throw xlerror("cell position is off the sheet");
    if (row >= rows_.size()) rows_.resize(row + 1);  // grows geometrically
    Row& r = rows_[row];
    std::uint32_t width = widthFor(col);
    if (!r.width && lastWidth_ > width) width = lastWidth_;
    std::unique_ptr<std::uint32_t[]> cells(new std::uint32_t[width]());
    if (r.width) std::copy(r.cells.get(), r.cells.get() + r.width, cells.get());
    else ++allocated_;
    r.cells = std::move(cells);
    r.width = width;
    lastWidth_ = width;
    return r.cells[col];
}

void CellGrid::clear() noexcept
{
    rows_.clear();
    rows_.shrink_to_fit();
    allocated_ = 0;
    lastWidth_ = 0;
}

}  // namespace celvo

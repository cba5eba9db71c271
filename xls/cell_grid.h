// The cell index of a worksheet: one 32-bit slot per cell that names the
// cell's record by kind and by position in the list of its kind.
//
// Slot word: bit 0 set when a cell is present (a slot of 0 is an empty
// cell), bits 1-3 the kind, bits 4-31 the position of the record in the
// list of its kind. Rows are allocated whole (256 slots) the first time any
// of their slots is written; an absent row costs one pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace celvo {

// Kinds of cell record, as the slot word stores them.
enum class CellKind : std::uint8_t {
    None = 0,
    RK = 1,
    Number = 2,
    LabelSst = 3,
    Blank = 4,
    BoolErr = 5,
    Formula = 6,
    Label = 7,
};

constexpr std::uint32_t kMaxCellRows = 65536;
constexpr std::uint32_t kMaxCellCols = 256;
// Positions must fit in the 28 bits of the slot word.
constexpr std::size_t kMaxSlotPosition = (std::size_t(1) << 28) - 1;

// (position x 16) + (kind x 2) + 1. A position past kMaxSlotPosition throws
// "too many cells".
std::uint32_t makeSlot(CellKind kind, std::size_t position);

inline bool slotPresent(std::uint32_t slot) noexcept { return (slot & 1u) != 0; }
inline CellKind slotKind(std::uint32_t slot) noexcept
{
    return static_cast<CellKind>((slot >> 1) & 7u);
}
inline std::size_t slotPosition(std::uint32_t slot) noexcept { return slot >> 4; }

class CellGrid {
public:
    CellGrid();
    CellGrid(const CellGrid& other);
    CellGrid& operator=(const CellGrid& other);

    bool rowExists(std::uint32_t row) const noexcept { return row < kMaxCellRows && rows_[row] != nullptr; }
    // The slot of an existing row.
    std::uint32_t get(std::uint32_t row, std::uint32_t col) const noexcept { return rows_[row][col]; }
    // The slot, or 0 when the row is absent or the position is off the grid.
    std::uint32_t at(std::uint32_t row, std::uint32_t col) const noexcept
    {
        return rowExists(row) && col < kMaxCellCols ? rows_[row][col] : 0;
    }
    // A reference to the slot, allocating the row when it is missing. The
    // caller has checked the position.
    std::uint32_t& slot(std::uint32_t row, std::uint32_t col);
    // Frees every row.
    void clear() noexcept;
    // Number of rows with storage.
    std::size_t allocatedRows() const noexcept { return allocated_; }

    // Calls f(row, col, slot) for every present cell, row by row and within
    // a row column by column.
    template <class F>
    void forEachCell(F&& f) const
    {
        for (std::uint32_t r = 0; r < kMaxCellRows; ++r) {
            const std::uint32_t* cells = rows_[r].get();
            if (!cells) continue;
            for (std::uint32_t c = 0; c < kMaxCellCols; ++c)
                if (slotPresent(cells[c])) f(r, c, cells[c]);
        }
    }

private:
    std::vector<std::unique_ptr<std::uint32_t[]>> rows_;
    std::size_t allocated_ = 0;
};

}  // namespace celvo

// The cell index of a worksheet: one 32-bit slot per cell that names the
// cell's record by kind and by position in the list of its kind.
//
// Slot word: bit 0 set when a cell is present (a slot of 0 is an empty
// cell), bits 1-3 the kind, bits 4-31 the position of the record in the
// list of its kind. A row gets storage the first time one of its slots is
// written, as wide as its columns need (16, 32, 64, 128 or 256 slots) or as
// the row given storage before it (rows tend to be alike), and widens when
// a later column is written; the row table reaches only as far
// as the last row with storage. A sheet of 20 columns so costs 128 bytes a
// row instead of a full row of 256 slots.
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
[[noreturn]] void tooManyCells();
inline std::uint32_t makeSlot(CellKind kind, std::size_t position)
{
    if (position > kMaxSlotPosition) tooManyCells();
    return static_cast<std::uint32_t>(position << 4) | (static_cast<std::uint32_t>(kind) << 1) | 1u;
}

inline bool slotPresent(std::uint32_t slot) noexcept { return (slot & 1u) != 0; }
inline CellKind slotKind(std::uint32_t slot) noexcept
{
    return static_cast<CellKind>((slot >> 1) & 7u);
}
inline std::size_t slotPosition(std::uint32_t slot) noexcept { return slot >> 4; }

class CellGrid {
public:
    CellGrid() = default;
    CellGrid(const CellGrid& other);
    CellGrid& operator=(const CellGrid& other);
    CellGrid(CellGrid&&) noexcept = default;
    CellGrid& operator=(CellGrid&&) noexcept = default;

    bool rowExists(std::uint32_t row) const noexcept { return row < rows_.size() && rows_[row].width != 0; }
    // The slot, or 0 when the row is absent or the position is off the grid.
    std::uint32_t at(std::uint32_t row, std::uint32_t col) const noexcept
    {
        if (row >= rows_.size()) return 0;
        const Row& r = rows_[row];
        return col < r.width ? r.cells[col] : 0;
    }
    // The same as at(), for callers that have seen the row exist.
    std::uint32_t get(std::uint32_t row, std::uint32_t col) const noexcept { return at(row, col); }
    // A reference to the slot, giving the row storage (or widening it) when
    // the column lies past it. A position off the sheet throws. Widening moves
    // the row's slots, so a reference lasts until the next slot() of its row.
    std::uint32_t& slot(std::uint32_t row, std::uint32_t col)
    {
        if (row < rows_.size()) {
            Row& r = rows_[row];
            if (col < r.width) return r.cells[col];
        }
        return grow(row, col);
    }
    // Empties the slot; a slot past its row's storage is empty already, so
    // the row is never widened for it.
    void erase(std::uint32_t row, std::uint32_t col) noexcept
    {
        if (row < rows_.size() && col < rows_[row].width) rows_[row].cells[col] = 0;
    }
    // Frees every row.
    void clear() noexcept;
    // Number of rows with storage.
    std::size_t allocatedRows() const noexcept { return allocated_; }

    // Calls f(row, col, slot) for every present cell, row by row and within
    // a row column by column.
    template <class F>
    void forEachCell(F&& f) const
    {
        for (std::uint32_t r = 0; r < rows_.size(); ++r) {
            const Row& row = rows_[r];
            for (std::uint32_t c = 0; c < row.width; ++c)
                if (slotPresent(row.cells[c])) f(r, c, row.cells[c]);
        }
    }

private:
    struct Row {
        std::unique_ptr<std::uint32_t[]> cells;
        std::uint32_t width = 0;  // slots in cells; 0 for a row without storage
    };
    // Slow path of slot(): makes or widens the row.
    std::uint32_t& grow(std::uint32_t row, std::uint32_t col);

    std::vector<Row> rows_;
    std::size_t allocated_ = 0;
    std::uint32_t lastWidth_ = 0;  // width of the row that grew last
};

}  // namespace celvo

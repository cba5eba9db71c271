// Where a picture or a comment box sits on a sheet, in pixels: the cell of
// its top-left corner with an offset inside it, and the cell of its
// bottom-right corner with an offset, from its size and the sheet's column
// widths and row heights. Shared by both engines, which turn the pixels into
// their own units.
#pragma once

#include <cstdint>
#include <functional>

namespace celvo {

// Pixel sizes of one sheet, and the merged range holding a cell.
struct SheetPixels {
    std::function<std::uint32_t(int col)> columnPx;
    std::function<std::uint32_t(int row)> rowPx;
    // The merged range holding (row, col): false when there is none. May be
    // empty for a sheet without merged ranges.
    std::function<bool(int row, int col, int& rowFirst, int& rowLast, int& colFirst, int& colLast)> merge;
};

struct PixelAnchor {
    int rowFrom = 0, colFrom = 0, rowTo = 0, colTo = 0;
    // Pixels into the first and the last cell.
    std::int64_t offXFrom = 0, offYFrom = 0, offXTo = 0, offYTo = 0;
    // The offsets were larger than the first cell and were cut to it.
    bool offsetXClamped = false;
    bool offsetYClamped = false;
};

// The anchor of a shape of width x height pixels placed at (row, col) with
// the offsets into that cell, on a sheet whose last row and column are
// given. Size -1 means "to the end of the cell, or of the merged range
// holding it". Each corner is found by walking from the first cell over the
// columns (rows) one lookup a step, so a walk never passes the sheet's last
// column (row): a shape that would reach past it ends at that cell's end. A
// remainder equal to a cell's size moves to the next cell with offset 0.
// Throws xlerror for a cell off the sheet ("row must be in range 0-N", "col
// must be in range 0-N") and for sizes or offsets that are negative (other
// than the -1 marker).
PixelAnchor anchorInPixels(int row, int col, int width, int height, int offsetX, int offsetY, int lastRow,
                           int lastCol, const SheetPixels& pixels);

// The message of a placement: "ok", or the warning for the offsets that
// were clamped.
const char* anchorMessage(const PixelAnchor& anchor);

}  // namespace celvo

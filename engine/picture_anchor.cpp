#include "celvo/picture_anchor.h"

#include <string>

#include "celvo/xlerror.h"

namespace celvo {

namespace {

// Walks from `cell` over `rest` pixels: the cell where the extent ends and
// the pixels into it. Stops at `last`, with the offset cut to that cell's
// size.
void walk(int& cell, std::int64_t& rest, int last, const std::function<std::uint32_t(int)>& px)
{
    for (;;) {
        const std::int64_t size = px(cell);
        if (size > rest) return;
        if (cell >= last) {
            rest = size;
            return;
        }
        rest -= size;
        ++cell;
    }
}

}  // namespace

PixelAnchor anchorInPixels(int row, int col, int width, int height, int offsetX, int offsetY, int lastRow,
                           int lastCol, const SheetPixels& px)
{
    if (row < 0 || row > lastRow) throw xlerror("row must be in range 0-" + std::to_string(lastRow));
    if (col < 0 || col > lastCol) throw xlerror("col must be in range 0-" + std::to_string(lastCol));
    if (width < -1 || height < -1) throw xlerror("width and height must not be negative");
    if (offsetX < 0 || offsetY < 0) throw xlerror("offset_x and offset_y must not be negative");

    PixelAnchor a;
    a.colFrom = a.colTo = col;
    a.rowFrom = a.rowTo = row;
    if ((width == -1 || height == -1) && px.merge) {
        int r1, r2, c1, c2;
        if (px.merge(row, col, r1, r2, c1, c2) && r1 >= 0 && r1 <= r2 && r2 <= lastRow && c1 >= 0 && c1 <= c2 &&
            c2 <= lastCol) {
            if (height == -1) a.rowFrom = r1, a.rowTo = r2;
            if (width == -1) a.colFrom = c1, a.colTo = c2;
        }
    }
    const std::int64_t firstColPx = px.columnPx(a.colFrom), firstRowPx = px.rowPx(a.rowFrom);
    a.offXFrom = offsetX;
    a.offYFrom = offsetY;
    if (a.offYFrom > firstRowPx) {
        a.offYFrom = firstRowPx;
        a.offsetYClamped = true;
    }
    if (a.offXFrom > firstColPx) {
        a.offXFrom = firstColPx;
        a.offsetXClamped = true;
    }

    // Size -1: the shape ends where the cell (or merged range) ends, that is
    // at the start of the next column (or at the end of the last one).
    if (width == -1) {
        if (a.colTo < lastCol) ++a.colTo;
        else a.offXTo = px.columnPx(a.colTo);
    } else {
        a.offXTo = static_cast<std::int64_t>(width) + a.offXFrom;
        walk(a.colTo, a.offXTo, lastCol, px.columnPx);
    }
    if (height == -1) {
        if (a.rowTo < lastRow) ++a.rowTo;
        else a.offYTo = px.rowPx(a.rowTo);
    } else {
        a.offYTo = static_cast<std::int64_t>(height) + a.offYFrom;
        walk(a.rowTo, a.offYTo, lastRow, px.rowPx);
    }
    return a;
}

const char* anchorMessage(const PixelAnchor& a)
{
    if (a.offsetXClamped && a.offsetYClamped) return "warning: offset_x and offset_y exceed cell's size";
    if (a.offsetYClamped) return "warning: offset_y exceed cell's height";
    if (a.offsetXClamped) return "warning: offset_x exceed cell's width";
    return "ok";
}

}  // namespace celvo

#include "picture_anchor.h"

#include <algorithm>

#include "celvo/xlerror.h"

namespace celvo {

namespace {

constexpr int kLastRow = 65535;
constexpr int kLastCol = 255;
// The largest offsets inside a cell.
constexpr std::uint32_t kMaxDx = 1023;
constexpr std::uint32_t kMaxDy = 255;

// offset / cellSize in `units`, never past the cell's end; 0 in a cell of
// no pixels.
std::uint16_t fraction(std::int64_t offset, std::uint32_t cellSize, std::uint32_t units, std::uint32_t maxValue)
{
    if (cellSize == 0 || offset <= 0) return 0;
    double v = static_cast<double>(offset) / cellSize * units;
    return static_cast<std::uint16_t>(std::min<double>(v, maxValue));
}

// Walks from cell `first` over `extent` pixels: the cell where the extent
// ends and the pixels into it. Stops at `last`, with the offset cut to that
// cell's size.
void walk(int& cell, std::int64_t& rest, int last, const std::function<std::uint32_t(int)>& px)
{
    for (;;) {
        std::uint32_t size = px(cell);
        if (static_cast<std::int64_t>(size) > rest) return;
        if (cell == last) {
            rest = size;
            return;
        }
        rest -= size;
        ++cell;
    }
}

}  // namespace

std::uint32_t SheetAnchor::word(int i) const
{
    auto pack = [](std::uint16_t lo, std::uint16_t hi) { return static_cast<std::uint32_t>(lo) | (std::uint32_t(hi) << 16); };
    switch (i) {
    case 0: return pack(colL, dxL);
    case 1: return pack(rwT, dyT);
    case 2: return pack(colR, dxR);
    default: return pack(rwB, dyB);
    }
}

AnchorResult computeAnchor(int row, int col, int width, int height, int offsetX, int offsetY,
                           const SheetPixels& px)
{
    if (row < 0 || row > kLastRow) throw xlerror("row must be in range 0-65535");
    if (col < 0 || col > kLastCol) throw xlerror("col must be in range 0-255");
    if (width < -1 || height < -1) throw xlerror("width and height must not be negative");
    if (offsetX < 0 || offsetY < 0) throw xlerror("offset_x and offset_y must not be negative");

    AnchorResult r;
    int colL = col, colR = col, rwT = row, rwB = row;
    if ((width == -1 || height == -1) && px.merge) {
        int r1, r2, c1, c2;
        if (px.merge(row, col, r1, r2, c1, c2)) {
            if (height == -1) rwT = r1, rwB = r2;
            if (width == -1) colL = c1, colR = c2;
        }
    }
    std::int64_t offX = offsetX, offY = offsetY;
    const std::uint32_t firstColPx = px.columnPx(colL), firstRowPx = px.rowPx(rwT);
    if (offY > firstRowPx) {
        offY = firstRowPx;
        r.offsetYClamped = true;
    }
    if (offX > firstColPx) {
        offX = firstColPx;
        r.offsetXClamped = true;
    }

    SheetAnchor& a = r.anchor;
    a.dxL = fraction(offX, firstColPx, 1024, kMaxDx);
    a.dyT = fraction(offY, firstRowPx, 256, kMaxDy);

    // Width -1: the shape ends where the cell (or merged range) ends, that
    // is at the start of the next column (or at the end of the last one).
    if (width == -1) {
        if (colR < kLastCol) {
            ++colR;
            a.dxR = 0;
        } else {
            a.dxR = static_cast<std::uint16_t>(px.columnPx(colR) ? kMaxDx : 0);
        }
    } else {
        std::int64_t x = static_cast<std::int64_t>(width) + offX;
        walk(colR, x, kLastCol, px.columnPx);
        a.dxR = fraction(x, px.columnPx(colR), 1024, kMaxDx);
    }
    if (height == -1) {
        if (rwB < kLastRow) {
            ++rwB;
            a.dyB = 0;
        } else {
            a.dyB = static_cast<std::uint16_t>(px.rowPx(rwB) ? kMaxDy : 0);
        }
    } else {
        std::int64_t y = static_cast<std::int64_t>(height) + offY;
        walk(rwB, y, kLastRow, px.rowPx);
        a.dyB = fraction(y, px.rowPx(rwB), 256, kMaxDy);
    }
    a.colL = static_cast<std::uint16_t>(colL);
    a.rwT = static_cast<std::uint16_t>(rwT);
    a.colR = static_cast<std::uint16_t>(colR);
    a.rwB = static_cast<std::uint16_t>(rwB);
    return r;
}

const char* anchorMessage(const AnchorResult& r)
{
    if (r.offsetXClamped && r.offsetYClamped) return "warning: offset_x and offset_y exceed cell's size";
    if (r.offsetYClamped) return "warning: offset_y exceed cell's height";
    if (r.offsetXClamped) return "warning: offset_x exceed cell's width";
    return "ok";
}

}  // namespace celvo

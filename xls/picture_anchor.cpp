#include "picture_anchor.h"

#include <algorithm>

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
    const PixelAnchor p = anchorInPixels(row, col, width, height, offsetX, offsetY, kLastRow, kLastCol, px);
    AnchorResult r;
    r.offsetXClamped = p.offsetXClamped;
    r.offsetYClamped = p.offsetYClamped;
    SheetAnchor& a = r.anchor;
    a.colL = static_cast<std::uint16_t>(p.colFrom);
    a.rwT = static_cast<std::uint16_t>(p.rowFrom);
    a.colR = static_cast<std::uint16_t>(p.colTo);
    a.rwB = static_cast<std::uint16_t>(p.rowTo);
    a.dxL = fraction(p.offXFrom, px.columnPx(p.colFrom), 1024, kMaxDx);
    a.dyT = fraction(p.offYFrom, px.rowPx(p.rowFrom), 256, kMaxDy);
    a.dxR = fraction(p.offXTo, px.columnPx(p.colTo), 1024, kMaxDx);
    a.dyB = fraction(p.offYTo, px.rowPx(p.rowTo), 256, kMaxDy);
    return r;
}

const char* anchorMessage(const AnchorResult& r)
{
    PixelAnchor p;
    p.offsetXClamped = r.offsetXClamped;
    p.offsetYClamped = r.offsetYClamped;
    return anchorMessage(p);
}

}  // namespace celvo

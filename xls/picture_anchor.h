// Where a picture or a comment box sits on a .xls sheet: the anchor in
// pixels of both engines (celvo/picture_anchor.h) in the units of a shape's
// client anchor.
#pragma once

#include <cstdint>

#include "celvo/picture_anchor.h"

namespace celvo {

// The client anchor of a sheet shape: offsets in 1/1024 of the column's
// width and 1/256 of the row's height.
struct SheetAnchor {
    std::uint16_t colL = 0, dxL = 0, rwT = 0, dyT = 0, colR = 0, dxR = 0, rwB = 0, dyB = 0;
    // The four packed words of the shape builders: (colL, dxL), (rwT, dyT),
    // (colR, dxR), (rwB, dyB), the low half first.
    std::uint32_t word(int i) const;
};

struct AnchorResult {
    SheetAnchor anchor;
    // The offsets were larger than the first cell and were cut to it.
    bool offsetXClamped = false;
    bool offsetYClamped = false;
};

// Size -1 means "to the end of the cell, or of the merged range holding
// it". Throws for a cell off the sheet and for sizes or offsets that are
// negative (other than the -1 marker). A shape that would reach past the
// last row or column ends at that row's or column's end; offsets inside a
// column or row of no pixels are 0.
AnchorResult computeAnchor(int row, int col, int width, int height, int offsetX, int offsetY,
                           const SheetPixels& pixels);

// The message of a placement whose offsets were clamped ("ok" otherwise).
const char* anchorMessage(const AnchorResult& r);

}  // namespace celvo

// A block of rows or columns inserted into, or removed from, one sheet, and
// where that puts every row (column) and span of rows (columns) of the sheet.
// Both engines move cells, merged ranges and formula references through it.
#pragma once

namespace celvo {

struct GridEdit {
    bool columns = false;  // rows when false
    bool insert = true;    // removal when false
    int first = 0;         // first row (column) of the block
    int count = 1;         // rows (columns) in the block, at least 1
    int sheet = 0;         // position of the edited sheet in the book
    bool large = false;    // a sheet of 1,048,576 rows and 16,384 columns (else 65,536 and 256)

    int last() const noexcept { return first + count - 1; }
    int limit() const noexcept
    {
        if (large) return columns ? 16383 : 1048575;
        return columns ? 255 : 65535;
    }
    // The new index of row (column) i: -1 when the edit removes it or
    // pushes it off the sheet.
    int map(int i) const noexcept;
    // The new bounds of the span a..b (a <= b): an inserted block inside the
    // span widens it, a removed block narrows it; a span pushed partly off
    // the sheet is cut at its edge and a span over the whole sheet stays
    // whole. False when nothing of the span is left.
    bool mapSpan(int& a, int& b) const noexcept;
    // Whether the edit cuts through the span a..b (a <= b), which a group
    // that must stay whole (an array formula, a data table) cannot follow:
    // an insertion inside it or one that pushes part of it off the sheet,
    // a removal of some of it but not all.
    bool splits(int a, int b) const noexcept;
    // Whether nothing of the span a..b is left after the edit.
    bool removesAll(int a, int b) const noexcept;
};

}  // namespace celvo

#include "sheet_records_cells.h"

#include <cstring>


namespace celvo {

double rkToDouble(std::uint32_t rk) noexcept
{
    double d;
    if (rk & 0x02) {
        d = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&d, &bits, sizeof d);
    }
    if (rk & 0x01) d /= 100.0;
    return d;
}

bool doubleToRk(double d, std::uint32_t& rk) noexcept
{
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    if ((bits & 0xFFFFFFFFu) != 0) return false;
    auto high = static_cast<std::uint32_t>(bits >> 32);
    if (high & 0x03) return false;
    rk = high;
    return true;
}


// ---- simple cells ---------------------------------------------------------

void Blank::readBody(RecordCursor& in)
{
    in.requireLength(6);
    readPos(in);
}
void Blank::writeBody(ByteWriter& out) const { writePos(out); }

void Number::readBody(RecordCursor& in)
{
    in.requireLength(14);
    readPos(in);
    value = in.f64();
}
void Number::writeBody(ByteWriter& out) const
{
    writePos(out);
    out.f64(value);
}

void RK::readBody(RecordCursor& in)
{
    in.requireLength(10);
    readPos(in);
    rk = in.u32();
}
void RK::writeBody(ByteWriter& out) const
{
    writePos(out);
    out.u32(rk);
}

void LabelSst::readBody(RecordCursor& in)
{
    in.requireLength(10);
    readPos(in);
    sstIndex = in.u32();
}
void LabelSst::writeBody(ByteWriter& out) const
{
    writePos(out);
    out.u32(sstIndex);
}

void BoolErr::readBody(RecordCursor& in)
{
    in.requireLength(8);
    readPos(in);
    value = in.u8();
    isError = in.u8();
}
void BoolErr::writeBody(ByteWriter& out) const
{
    writePos(out);
    out.u8(value);
    out.u8(isError);
}

// ---- runs -----------------------------------------------------------------

namespace {

// The columns firstCol .. firstCol + count - 1 of a run must lie on the sheet.
void checkRunColumns(std::uint16_t firstCol, std::size_t count)
{
    if (count != 0 && firstCol + count - 1 > 255) throw xlerror("col must be in range 0-255");
}

}  // namespace

void MulRk::readBody(RecordCursor& in)
{
    // Row, first column, the entries and the trailing last column: the entries
    // must fill the record exactly.
    if (in.remaining() < 6 || (in.remaining() - 6) % 6 != 0) in.fail();
    std::size_t n = (in.remaining() - 6) / 6;
    row = in.u16();
    firstCol = in.u16();
    entries.resize(n);
    for (auto& e : entries) {
        e.xf = in.u16();
        e.rk = in.u32();
    }
    lastCol = in.u16();
}

void MulRk::writeBody(ByteWriter& out) const
{
    out.u16(row);
    out.u16(firstCol);
    for (const auto& e : entries) {
        out.u16(e.xf);
        out.u32(e.rk);
    }
    out.u16(lastCol);
}

std::vector<RK> MulRk::cells() const
{
    checkRunColumns(firstCol, entries.size());
    std::vector<RK> out(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        out[i].row = row;
        out[i].col = static_cast<std::uint16_t>(firstCol + i);
        out[i].xf = entries[i].xf;
        out[i].rk = entries[i].rk;
    }
    return out;
}

void MulBlank::readBody(RecordCursor& in)
{
    if (in.remaining() < 6 || (in.remaining() - 6) % 2 != 0) in.fail();
    std::size_t n = (in.remaining() - 6) / 2;
    row = in.u16();
    firstCol = in.u16();
    xfs.resize(n);
    for (auto& x : xfs) x = in.u16();
    lastCol = in.u16();
}

void MulBlank::writeBody(ByteWriter& out) const
{
    out.u16(row);
    out.u16(firstCol);
    for (auto x : xfs) out.u16(x);
    out.u16(lastCol);
}

std::vector<Blank> MulBlank::cells() const
{
    checkRunColumns(firstCol, xfs.size());
    std::vector<Blank> out(xfs.size());
    for (std::size_t i = 0; i < xfs.size(); ++i) {
        out[i].row = row;
        out[i].col = static_cast<std::uint16_t>(firstCol + i);
        out[i].xf = xfs[i];
    }
    return out;
}

// ---- rows and the cell table ----------------------------------------------

void Row::readBody(RecordCursor& in)
{
    in.requireLength(16);
    row = in.u16();
    firstCol = in.u16();
    colBound = in.u16();
    height = in.u16();
    reserved1 = in.u16();
    reserved2 = in.u16();
    options = in.u16();
    xf = in.u16();
}

void Row::writeBody(ByteWriter& out) const
{
    for (auto v : {row, firstCol, colBound, height, reserved1, reserved2, options, xf}) out.u16(v);
}

void Dimensions::readBody(RecordCursor& in)
{
    // The reserved field at the end is optional.
    std::size_t base = biff5 ? 8 : 12;
    std::size_t len = in.remaining();
    if (len != base && len != base + 2) in.fail();
    if (biff5) {
        firstRow = in.u16();
        rowBound = in.u16();
    } else {
        firstRow = in.u32();
        rowBound = in.u32();
    }
    firstCol = in.u16();
    colBound = in.u16();
    reserved = in.atEnd() ? 0 : in.u16();
}

void Dimensions::writeBody(ByteWriter& out) const
{
    out.u32(firstRow);
    out.u32(rowBound);
    out.u16(firstCol);
    out.u16(colBound);
    out.u16(reserved);
}

void Dimensions::include(std::uint32_t row, std::uint16_t col)
{
    if (firstRow == rowBound) {
        firstRow = row;
        rowBound = row + 1;
    } else {
        if (row < firstRow) firstRow = row;
        if (row + 1 > rowBound) rowBound = row + 1;
    }
    if (firstCol == colBound) {
        firstCol = col;
        colBound = static_cast<std::uint16_t>(col + 1);
    } else {
        if (col < firstCol) firstCol = col;
        if (col + 1 > colBound) colBound = static_cast<std::uint16_t>(col + 1);
    }
}

void DBCell::readBody(RecordCursor& in)
{
    if (in.remaining() < 4 || in.remaining() % 2 != 0) in.fail();
    firstRowOffset = in.u32();
    cellOffsets.resize(in.remaining() / 2);
    for (auto& o : cellOffsets) o = in.u16();
}

void DBCell::writeBody(ByteWriter& out) const
{
    out.u32(firstRowOffset);
    for (auto o : cellOffsets) out.u16(o);
}

void Index::readBody(RecordCursor& in)
{
    requireAtLeast(in, biff5 ? 12 : 16);
    reserved = in.u32();
    if (biff5) {
        in.u16();
        in.u16();
    } else {
        firstRow = in.u32();
        rowBound = in.u32();
    }
    defColWidthPos = in.u32();
    // Whole 4-byte positions to the end of the record; a partial one is skipped.
    dbCellPos.resize(in.remaining() / 4);
    for (auto& p : dbCellPos) p = in.u32();
    in.skip(in.remaining());
}

void Index::writeBody(ByteWriter& out) const
{
    out.u32(reserved);
    out.u32(firstRow);
    out.u32(rowBound);
    out.u32(defColWidthPos);
    for (auto p : dbCellPos) out.u32(p);
}

}  // namespace celvo

#include "sheet_records_settings.h"

#include <algorithm>

namespace celvo {

void SheetU16Record::readBody(RecordCursor& in)
{
    in.requireLength(2);
    value = in.u16();
}

void SheetU16Record::readLeading(RecordCursor& in)
{
    requireAtLeast(in, 2);
    value = in.u16();
    in.skip(in.remaining());
}

void CalcDelta::readBody(RecordCursor& in)
{
    in.requireLength(8);
    value = in.f64();
}

void Guts::readBody(RecordCursor& in)
{
    in.requireLength(8);
    rowGutter = in.u16();
    colGutter = in.u16();
    rowLevels = in.u16();
    colLevels = in.u16();
}

void Guts::writeBody(ByteWriter& out) const
{
    for (auto v : {rowGutter, colGutter, rowLevels, colLevels}) out.u16(v);
}

void DefaultRowHeight::readBody(RecordCursor& in)
{
    in.requireLength(4);
    options = in.u16();
    height = in.u16();
}

void DefaultRowHeight::writeBody(ByteWriter& out) const
{
    out.u16(options);
    out.u16(height);
}

void Scl::readBody(RecordCursor& in)
{
    in.requireLength(4);
    numerator = in.u16();
    denominator = in.u16();
}

void Scl::writeBody(ByteWriter& out) const
{
    out.u16(numerator);
    out.u16(denominator);
}

int Scl::zoom() const noexcept
{
    if (denominator == 0) return 100;
    return numerator * 100 / denominator;
}

void Window2::readBody(RecordCursor& in)
{
    in.requireLength(biff5 ? 10 : 18);
    options = in.u16();
    topRow = in.u16();
    leftCol = in.u16();
    if (biff5) {
        in.u32();
        return;
    }
    gridColor = in.u16();
    reserved1 = in.u16();
    pageBreakZoom = in.u16();
    normalZoom = in.u16();
    reserved2 = in.u32();
}

void Window2::writeBody(ByteWriter& out) const
{
    for (auto v : {options, topRow, leftCol, gridColor, reserved1, pageBreakZoom, normalZoom}) out.u16(v);
    out.u32(reserved2);
}

void Pane::readBody(RecordCursor& in)
{
    // Some writers leave out the trailing reserved byte.
    requireAtLeast(in, 9);
    x = in.u16();
    y = in.u16();
    topRow = in.u16();
    leftCol = in.u16();
    activePane = in.u8();
    reserved = in.atEnd() ? 0 : in.u8();
    in.skip(in.remaining());
    present = true;
}

void Pane::writeBody(ByteWriter& out) const
{
    for (auto v : {x, y, topRow, leftCol}) out.u16(v);
    out.u8(activePane);
    out.u8(reserved);
}

void ColInfo::readBody(RecordCursor& in)
{
    // The reserved field is one byte in records of 11 bytes.
    requireAtLeast(in, 11);
    bool shortForm = in.remaining() == 11;
    firstCol = in.u16();
    lastCol = in.u16();
    width = in.u16();
    xf = in.u16();
    options = in.u16();
    reserved = shortForm ? in.u8() : in.u16();
    in.skip(in.remaining());
}

void ColInfo::writeBody(ByteWriter& out) const
{
    for (auto v : {firstCol, lastCol, width, xf, options, reserved}) out.u16(v);
}

std::vector<ColInfo> ColInfo::expand() const
{
    std::vector<ColInfo> out;
    if (firstCol > lastCol || firstCol > 255) return out;
    unsigned last = std::min<unsigned>(lastCol, 255);
    for (unsigned c = firstCol; c <= last; ++c) {
        ColInfo e = *this;
        e.firstCol = e.lastCol = static_cast<std::uint16_t>(c);
        out.push_back(e);
    }
    return out;
}

std::vector<ColInfo> collapseColumns(std::vector<ColInfo> columns)
{
    std::stable_sort(columns.begin(), columns.end(),
                     [](const ColInfo& a, const ColInfo& b) { return a.firstCol < b.firstCol; });
    std::vector<ColInfo> out;
    for (const ColInfo& c : columns) {
        if (!out.empty()) {
            ColInfo& run = out.back();
            if (c.firstCol <= run.lastCol) continue;  // a later entry for a column already taken
            if (c.firstCol == run.lastCol + 1 && c.width == run.width && c.xf == run.xf &&
                c.options == run.options) {
                run.lastCol = c.firstCol;
                continue;
            }
        }
        ColInfo run = c;
        run.lastCol = c.firstCol;
        out.push_back(run);
    }
    return out;
}

void Selection::readBody(RecordCursor& in)
{
    requireAtLeast(in, 9);
    pane = in.u8();
    activeRow = in.u16();
    activeCol = in.u16();
    activeRef = in.u16();
    std::uint16_t count = in.u16();
    if (in.remaining() != std::size_t(6) * count) in.fail();
    refs.resize(count);
    for (auto& r : refs) {
        r.firstRow = in.u16();
        r.lastRow = in.u16();
        r.firstCol = in.u8();
        r.lastCol = in.u8();
    }
}

void Selection::writeBody(ByteWriter& out) const
{
    out.u8(pane);
    out.u16(activeRow);
    out.u16(activeCol);
    out.u16(activeRef);
    out.u16(static_cast<std::uint16_t>(refs.size()));
    for (const auto& r : refs) {
        out.u16(r.firstRow);
        out.u16(r.lastRow);
        out.u8(r.firstCol);
        out.u8(r.lastCol);
    }
}

void PageBreaks::readBody(RecordCursor& in)
{
    requireAtLeast(in, 2);
    std::uint16_t count = in.u16();
    if (in.remaining() != std::size_t(6) * count) in.fail();
    entries.resize(count);
    for (auto& e : entries) {
        e.pos = in.u16();
        e.first = in.u16();
        e.last = in.u16();
    }
}

void PageBreaks::writeBody(ByteWriter& out) const
{
    std::vector<Entry> sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) {
        return a.pos != b.pos ? a.pos < b.pos : a.first < b.first;
    });
    out.u16(static_cast<std::uint16_t>(sorted.size()));
    for (const auto& e : sorted) {
        out.u16(e.pos);
        out.u16(e.first);
        out.u16(e.last);
    }
}

namespace {

void readRanges(RecordCursor& in, std::vector<CellRange16>& ranges, std::size_t count)
{
    ranges.resize(count);
    for (auto& r : ranges) {
        r.firstRow = in.u16();
        r.lastRow = in.u16();
        r.firstCol = in.u16();
        r.lastCol = in.u16();
    }
}

void writeRange(ByteWriter& out, const CellRange16& r)
{
    for (auto v : {r.firstRow, r.lastRow, r.firstCol, r.lastCol}) out.u16(v);
}

}  // namespace

void MergeCells::readBody(RecordCursor& in)
{
    requireAtLeast(in, 2);
    std::uint16_t count = in.u16();
    if (std::size_t(8) * count > in.remaining()) in.fail();
    readRanges(in, ranges, count);
    in.skip(in.remaining());
}

std::size_t MergeCells::recordCount() const noexcept
{
    if (ranges.empty()) return 1;
    return (ranges.size() + kMaxRangesPerRecord - 1) / kMaxRangesPerRecord;
}

void MergeCells::writePiece(ByteWriter& out, std::size_t record) const
{
    std::size_t begin = record * kMaxRangesPerRecord;
    std::size_t n = begin >= ranges.size() ? 0 : std::min(kMaxRangesPerRecord, ranges.size() - begin);
    out.u16(static_cast<std::uint16_t>(n));
    for (std::size_t i = 0; i < n; ++i) writeRange(out, ranges[begin + i]);
}

std::size_t MergeCells::write(BiffOutput& out) const
{
    std::size_t written = 0;
    for (std::size_t k = 0; k < recordCount(); ++k) {
        ByteWriter data;
        writePiece(data, k);
        written += out.writeRecord(kId, data.buffer());
    }
    return written;
}

void PhoneticInfo::readBody(RecordCursor& in)
{
    requireAtLeast(in, 6);
    fontIndex = in.u16();
    settings = in.u16();
    std::uint16_t count = in.u16();
    if (in.remaining() != std::size_t(8) * count) in.fail();
    readRanges(in, ranges, count);
}

void PhoneticInfo::writeBody(ByteWriter& out) const
{
    out.u16(fontIndex);
    out.u16(settings);
    out.u16(static_cast<std::uint16_t>(ranges.size()));
    for (const auto& r : ranges) writeRange(out, r);
}

}  // namespace celvo

// Calculation, display, window, outline, column, page-break, merge and
// phonetic records of a worksheet, with the values of a new sheet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sheet_records_base.h"

namespace celvo {

// A record of one 16-bit value (length 2).
class SheetU16Record : public SheetRecord {
public:
    std::uint16_t value;

    std::uint16_t recordId() const override { return id_; }
    const char* name() const override { return name_; }

protected:
    SheetU16Record(std::uint16_t id, const char* name, std::uint16_t initial) : value(initial), id_(id), name_(name) {}
    void readBody(RecordCursor& in) override;  // exactly 2 bytes
    void writeBody(ByteWriter& out) const override { out.u16(value); }
    // The value from a record of 2 bytes or more, skipping the rest.
    void readLeading(RecordCursor& in);

private:
    std::uint16_t id_;
    const char* name_;
};

class CalcMode : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x000D;
    CalcMode() : SheetU16Record(kId, "CalcMode", 1) {}
};
class CalcCount : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x000C;
    CalcCount() : SheetU16Record(kId, "CalcCount", 100) {}
};
class CalcRefMode : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x000F;
    CalcRefMode() : SheetU16Record(kId, "CalcRefMode", 1) {}
};
class CalcIter : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x0011;
    CalcIter() : SheetU16Record(kId, "CalcIter", 0) {}
};
class CalcSaveRecalc : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x005F;
    CalcSaveRecalc() : SheetU16Record(kId, "CalcSaveRecalc", 1) {}
};
class PrintRowCol : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x002A;
    PrintRowCol() : SheetU16Record(kId, "PrintRowCol", 0) {}
};
class PrintGrid : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x002B;
    PrintGrid() : SheetU16Record(kId, "PrintGrid", 0) {}
};
class GridSet : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x0082;
    GridSet() : SheetU16Record(kId, "GridSet", 1) {}
};
class WsBool : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x0081;
    WsBool() : SheetU16Record(kId, "WsBool", 0x04C1) {}
};
class DefColWidth : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x0055;
    DefColWidth() : SheetU16Record(kId, "DefColWidth", 8) {}
};
// Present only when read from a file (or set); written only when present.
class Uncalced : public SheetU16Record {
public:
    static constexpr std::uint16_t kId = 0x005E;
    bool present = false;
    Uncalced() : SheetU16Record(kId, "Uncalced", 0) {}

protected:
    void readBody(RecordCursor& in) override
    {
        SheetU16Record::readBody(in);
        present = true;
    }
};

class CalcDelta : public SheetRecordT<0x0010> {
public:
    const char* name() const override { return "CalcDelta"; }
    double value = 0.001;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override { out.f64(value); }
};

class Guts : public SheetRecordT<0x0080> {
public:
    const char* name() const override { return "Guts"; }
    std::uint16_t rowGutter = 0;
    std::uint16_t colGutter = 0;
    std::uint16_t rowLevels = 0;
    std::uint16_t colLevels = 0;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class DefaultRowHeight : public SheetRecordT<0x0225> {
public:
    const char* name() const override { return "DefaultRowHeight"; }
    std::uint16_t options = 0;
    std::uint16_t height = 255;  // twips

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// Window zoom as a fraction.
class Scl : public SheetRecordT<0x00A0> {
public:
    const char* name() const override { return "Scl"; }
    std::uint16_t numerator = 100;
    std::uint16_t denominator = 100;
    // Percent; a zero denominator counts as 100 %.
    int zoom() const noexcept;
    void setZoom(std::uint16_t percent) noexcept
    {
        numerator = percent;
        denominator = 100;
    }
    // SCL is written when the zoom is not 100 %, or as read when its
    // denominator is 0.
    bool needsWriting() const noexcept { return denominator == 0 || zoom() != 100; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class Window2 : public SheetRecordT<0x023E> {
public:
    const char* name() const override { return "Window2"; }
    static constexpr std::uint16_t kFrozen = 0x0008;
    static constexpr std::uint16_t kFrozenNoSplit = 0x0100;
    static constexpr std::uint16_t kSelected = 0x0200;
    // The sheet shown in the book's window: only the active sheet has it.
    static constexpr std::uint16_t kPaged = 0x0400;

    // Gridlines, headings, zeros, the automatic gridline colour and outline
    // symbols shown; the active sheet adds kSelected and kPaged.
    std::uint16_t options = 0x00B6;
    std::uint16_t topRow = 0;
    std::uint16_t leftCol = 0;
    std::uint16_t gridColor = 64;
    std::uint16_t reserved1 = 0;
    std::uint16_t pageBreakZoom = 0;
    std::uint16_t normalZoom = 0;
    std::uint32_t reserved2 = 0;

    // Read in the BIFF5 layout: options, top row, left column and a 32-bit
    // colour that is not kept. Always written in the BIFF8 form.
    bool biff5 = false;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class Pane : public SheetRecordT<0x0041> {
public:
    const char* name() const override { return "Pane"; }
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint16_t topRow = 0;
    std::uint16_t leftCol = 0;
    std::uint8_t activePane = 0;
    std::uint8_t reserved = 0;
    bool present = false;

protected:
    void readBody(RecordCursor& in) override;  // marks the pane present
    void writeBody(ByteWriter& out) const override;
};

class ColInfo : public SheetRecordT<0x007D> {
public:
    const char* name() const override { return "ColInfo"; }
    static constexpr std::uint16_t kHidden = 0x0001;
    std::uint16_t firstCol = 0;
    std::uint16_t lastCol = 0;
    std::uint16_t width = 0;  // 1/256 of a character
    std::uint16_t xf = 0;
    std::uint16_t options = 0;
    std::uint16_t reserved = 0;
    // One entry per column firstCol..lastCol, clipped to the sheet's 256
    // columns; none when firstCol > lastCol.
    std::vector<ColInfo> expand() const;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// COLINFO records for per-column entries: sorted by column, adjacent columns
// with equal width, format and options share one record; a gap in the
// columns always starts a new record, and of several entries for one column
// only the first counts.
std::vector<ColInfo> collapseColumns(std::vector<ColInfo> columns);

// A cell range with 16-bit rows and columns.
struct CellRange16 {
    std::uint16_t firstRow = 0;
    std::uint16_t lastRow = 0;
    std::uint16_t firstCol = 0;
    std::uint16_t lastCol = 0;
    bool operator==(const CellRange16& o) const noexcept
    {
        return firstRow == o.firstRow && lastRow == o.lastRow && firstCol == o.firstCol && lastCol == o.lastCol;
    }
};

class Selection : public SheetRecordT<0x001D> {
public:
    const char* name() const override { return "Selection"; }
    struct Ref {
        std::uint16_t firstRow = 0;
        std::uint16_t lastRow = 0;
        std::uint8_t firstCol = 0;
        std::uint8_t lastCol = 0;
    };
    std::uint8_t pane = 3;
    std::uint16_t activeRow = 0;
    std::uint16_t activeCol = 0;
    std::uint16_t activeRef = 0;
    std::vector<Ref> refs{Ref{}};

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// VERTICALPAGEBREAKS and HORIZONTALPAGEBREAKS share their layout.
class PageBreaks : public SheetRecord {
public:
    struct Entry {
        std::uint16_t pos = 0;    // the column or row before which the page breaks
        std::uint16_t first = 0;  // first row or column of the break
        std::uint16_t last = 0;
    };
    std::vector<Entry> entries;

    std::uint16_t recordId() const override { return id_; }
    const char* name() const override { return name_; }
    bool needsWriting() const noexcept { return !entries.empty(); }

protected:
    PageBreaks(std::uint16_t id, const char* name) : id_(id), name_(name) {}
    void readBody(RecordCursor& in) override;
    // Entries sorted by position, then by first row or column.
    void writeBody(ByteWriter& out) const override;

private:
    std::uint16_t id_;
    const char* name_;
};

class VerticalPageBreaks : public PageBreaks {
public:
    static constexpr std::uint16_t kId = 0x001A;
    VerticalPageBreaks() : PageBreaks(kId, "VerticalPageBreaks") {}
};
class HorizontalPageBreaks : public PageBreaks {
public:
    static constexpr std::uint16_t kId = 0x001B;
    HorizontalPageBreaks() : PageBreaks(kId, "HorizontalPageBreaks") {}
};

// Merged ranges. One object may hold more ranges than one record can carry;
// it is then written as several records.
class MergeCells : public SheetRecordT<0x00E5> {
public:
    const char* name() const override { return "MergeCells"; }
    static constexpr std::size_t kMaxRangesPerRecord = 1026;
    std::vector<CellRange16> ranges;

    // One record per 1026 ranges (one empty record when there are none).
    std::size_t write(BiffOutput& out) const override;
    std::size_t recordCount() const noexcept;

protected:
    void readBody(RecordCursor& in) override;
    // The first record's data.
    void writeBody(ByteWriter& out) const override { writePiece(out, 0); }

private:
    void writePiece(ByteWriter& out, std::size_t record) const;
};

class PhoneticInfo : public SheetRecordT<0x00EF> {
public:
    const char* name() const override { return "PhoneticInfo"; }
    std::uint16_t fontIndex = 0;
    std::uint16_t settings = 0x0037;
    std::vector<CellRange16> ranges;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

}  // namespace celvo

// Cell, row and cell-table records of a worksheet substream. Each class reads
// its fields from a cursor bounded by its record and writes its body; the
// record header is written by the shared record writer from dataSize().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sheet_records_base.h"

namespace celvo {

// The 32-bit RK number form: bit 0 divides by 100, bit 1 marks a signed
// 30-bit integer in bits 2-31, otherwise bits 2-31 are the high bits of a
// double whose other bits are zero.
double rkToDouble(std::uint32_t rk) noexcept;
// True when d is exactly representable in the plain double form (neither
// flag set); rk then receives the value. The integer and divide-by-100
// forms are never produced.
bool doubleToRk(double d, std::uint32_t& rk) noexcept;

// Fields shared by every cell record: row, column, format index.
struct CellPos {
    std::uint16_t row = 0;
    std::uint16_t col = 0;
    std::uint16_t xf = 0;

    void readPos(RecordCursor& in)
    {
        row = in.u16();
        col = in.u16();
        xf = in.u16();
    }
    void writePos(ByteWriter& out) const
    {
        out.u16(row);
        out.u16(col);
        out.u16(xf);
    }
};

class Blank final : public SheetRecordT<0x0201>, public CellPos {
public:
    const char* name() const override { return "Blank"; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class Number final : public SheetRecordT<0x0203>, public CellPos {
public:
    const char* name() const override { return "Number"; }
    double value = 0.0;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class RK final : public SheetRecordT<0x027E>, public CellPos {
public:
    const char* name() const override { return "RK"; }
    std::uint32_t rk = 0;  // raw RK value as read
    double value() const noexcept { return rkToDouble(rk); }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class LabelSst final : public SheetRecordT<0x00FD>, public CellPos {
public:
    const char* name() const override { return "LabelSst"; }
    std::uint32_t sstIndex = 0;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class BoolErr final : public SheetRecordT<0x0205>, public CellPos {
public:
    const char* name() const override { return "BoolErr"; }
    std::uint8_t value = 0;    // boolean 0/1 or error code
    std::uint8_t isError = 0;  // 0 boolean, 1 error

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// A run of RK cells in one row; read only, expanded into RK cells.
class MulRk : public SheetRecordT<0x00BD> {
public:
    const char* name() const override { return "MulRk"; }
    struct Entry {
        std::uint16_t xf = 0;
        std::uint32_t rk = 0;
    };
    std::uint16_t row = 0;
    std::uint16_t firstCol = 0;
    std::vector<Entry> entries;
    std::uint16_t lastCol = 0;  // as read; the cells are placed from firstCol on

    // One RK cell per entry at (row, firstCol + i); a run that passes the
    // last column throws "col must be in range 0-255".
    std::vector<RK> cells() const;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// A run of blank cells in one row; read only, expanded into BLANK cells.
class MulBlank : public SheetRecordT<0x00BE> {
public:
    const char* name() const override { return "MulBlank"; }
    std::uint16_t row = 0;
    std::uint16_t firstCol = 0;
    std::vector<std::uint16_t> xfs;
    std::uint16_t lastCol = 0;

    // One BLANK cell per entry at (row, firstCol + i).
    std::vector<Blank> cells() const;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class Row : public SheetRecordT<0x0208> {
public:
    const char* name() const override { return "Row"; }
    // Options bits.
    static constexpr std::uint16_t kOutlineMask = 0x0007;
    static constexpr std::uint16_t kCollapsed = 0x0010;
    static constexpr std::uint16_t kHidden = 0x0020;
    static constexpr std::uint16_t kUserHeight = 0x0040;
    static constexpr std::uint16_t kHasFormat = 0x0080;
    static constexpr std::uint16_t kAlwaysSet = 0x0100;

    std::uint16_t row = 0;
    std::uint16_t firstCol = 0;
    std::uint16_t colBound = 0;  // last column + 1
    std::uint16_t height = 0;    // twips
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint16_t options = 0;
    std::uint16_t xf = 0;  // format index and flags

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// The used range: bounds are last index + 1; an empty span has first == bound.
class Dimensions : public SheetRecordT<0x0200> {
public:
    const char* name() const override { return "Dimensions"; }
    std::uint32_t firstRow = 0;
    std::uint32_t rowBound = 0;
    std::uint16_t firstCol = 0;
    std::uint16_t colBound = 0;
    std::uint16_t reserved = 0;

    bool biff5 = false;  // read with 16-bit row fields; always written in BIFF8 form

    // Widens the range to take in the cell (row, col).
    void include(std::uint32_t row, std::uint16_t col);

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

// Row-block bookkeeping read from files; never written by the sheet writer.
class DBCell : public SheetRecordT<0x00D7> {
public:
    const char* name() const override { return "DBCell"; }
    std::uint32_t firstRowOffset = 0;
    std::vector<std::uint16_t> cellOffsets;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

class Index : public SheetRecordT<0x020B> {
public:
    const char* name() const override { return "Index"; }
    std::uint32_t reserved = 0;
    std::uint32_t firstRow = 0;
    std::uint32_t rowBound = 3;
    std::uint32_t defColWidthPos = 0;
    std::vector<std::uint32_t> dbCellPos;

    bool biff5 = false;  // 16-bit row fields, which are read and not kept

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};

}  // namespace celvo

// A formula cell as the records that carry it: FORMULA, then the ARRAY,
// TABLE or SHRFMLA record that belongs to it, then the STRING record with its
// cached text. Token and extra operand bytes are kept exactly as read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sheet_records_base.h"
#include "sheet_records_cells.h"

namespace celvo {

// Result kinds of a formula's cached value, as the cell operations report them.
enum class FormulaResult : int { Unknown = 0, Number = 1, String = 2, Boolean = 3, Blank = 4, Error = 5 };

class Formula : public SheetRecordT<0x0006>, public CellPos {
public:
    const char* name() const override { return "Formula"; }
    static constexpr std::uint16_t kAlwaysCalc = 0x0001;

    std::array<std::uint8_t, 8> cached{};  // number, or type byte 0 and value byte 2 under 0xFFFF
    std::uint16_t options = 0;
    std::uint32_t reserved = 0;
    std::vector<std::uint8_t> tokens;
    std::vector<std::uint8_t> extra;  // operand bytes after the tokens

    bool cachedIsSpecial() const noexcept { return cached[6] == 0xFF && cached[7] == 0xFF; }
    bool cachedIsString() const noexcept { return cachedIsSpecial() && cached[0] == 0; }
    FormulaResult resultKind() const noexcept;
    double cachedNumber() const noexcept;
    std::uint8_t cachedValueByte() const noexcept { return cached[2]; }

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;  // with the always-calculate bit set
};

// The shared formula of a block of cells, kept with its first cell.
class ShrFmla : public SheetRecordT<0x04BC> {
public:
    const char* name() const override { return "ShrFmla"; }
    std::uint16_t firstRow = 0;
    std::uint16_t lastRow = 0;
    std::uint8_t firstCol = 0;
    std::uint8_t lastCol = 0;
    std::uint8_t reserved = 0;
    std::uint8_t useCount = 0;
    std::vector<std::uint8_t> tokens;
    std::vector<std::uint8_t> extra;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;
};


// STRING: the cached text of the formula before it. Long texts go on in
// CONTINUE records, each starting with its own option byte.
class StringRecord : public BiffRecord {
public:
    static constexpr std::uint16_t kId = 0x0207;
    std::u16string text;
    bool wide = false;   // characters stored as 16-bit units
    bool biff5 = false;  // read with no option byte (8-bit characters)

    // How the characters were laid out in the records read: characters and
    // their width per record. A text written unchanged is split the same way.
    struct Piece {
        std::size_t chars = 0;
        bool wide = false;
    };
    std::vector<Piece> pieces;

    std::uint16_t recordId() const override { return kId; }
    const char* name() const override { return "String"; }
    // Splits the characters over CONTINUE records as read, or else as they
    // need; each CONTINUE starts with its option byte.
    std::size_t write(BiffOutput& out) const override;

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;

private:
    // The pieces read when they still describe the text, else a split that
    // fills every record.
    std::vector<Piece> layout() const;
};

// One formula cell and the records kept with it.
class FormulaBlock {
public:
    static constexpr std::uint16_t kArrayId = 0x0221;
    static constexpr std::uint16_t kTableId = 0x0236;

    bool shared = false;  // a SHRFMLA record was read with the block
    ShrFmla shrFmla;
    Formula formula;
    RawRecord prefix;     // a 2-byte record before the FORMULA (id 0 when none)
    RawRecord following;  // ARRAY or TABLE (id 0 when none)
    std::vector<RawRecord> followingContinues;
    bool hasString = false;
    StringRecord string;

    bool biff5 = false;

    // Reads the block from its first record (FORMULA) and the records that
    // follow it; a record that does not belong to the block is left unread.
    void read(BiffInput& in, RecordCursor& first);
    void write(BiffOutput& out) const;

    std::uint16_t row() const noexcept { return formula.row; }
    std::uint16_t col() const noexcept { return formula.col; }
};

}  // namespace celvo

// BIFF8 formula tokens (Ptg): ids, the cell and area operands, the reader of
// token units, and the shared-formula reference (PtgExp) of a cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "celvo/bytes.h"

namespace celvo {

namespace ptg {
constexpr std::uint8_t kExp = 0x01;
constexpr std::uint8_t kTbl = 0x02;
constexpr std::uint8_t kAdd = 0x03;
constexpr std::uint8_t kSub = 0x04;
constexpr std::uint8_t kMul = 0x05;
constexpr std::uint8_t kDiv = 0x06;
constexpr std::uint8_t kPower = 0x07;
constexpr std::uint8_t kConcat = 0x08;
constexpr std::uint8_t kLt = 0x09;
constexpr std::uint8_t kLe = 0x0A;
constexpr std::uint8_t kEq = 0x0B;
constexpr std::uint8_t kGe = 0x0C;
constexpr std::uint8_t kGt = 0x0D;
constexpr std::uint8_t kNe = 0x0E;
constexpr std::uint8_t kUplus = 0x12;
constexpr std::uint8_t kUminus = 0x13;
constexpr std::uint8_t kPercent = 0x14;
constexpr std::uint8_t kIsect = 0x0F;
constexpr std::uint8_t kUnion = 0x10;
constexpr std::uint8_t kRange = 0x11;
constexpr std::uint8_t kParen = 0x15;
constexpr std::uint8_t kMissArg = 0x16;
constexpr std::uint8_t kStr = 0x17;
constexpr std::uint8_t kExtend = 0x18;
constexpr std::uint8_t kAttr = 0x19;
constexpr std::uint8_t kErr = 0x1C;
constexpr std::uint8_t kBool = 0x1D;
constexpr std::uint8_t kInt = 0x1E;
constexpr std::uint8_t kNum = 0x1F;
// Classed tokens: the reference-class id; +0x20 value class, +0x40 array class.
constexpr std::uint8_t kArray = 0x20;
constexpr std::uint8_t kFunc = 0x21;
constexpr std::uint8_t kFuncVar = 0x22;
constexpr std::uint8_t kName = 0x23;
constexpr std::uint8_t kRef = 0x24;
constexpr std::uint8_t kArea = 0x25;
constexpr std::uint8_t kMemArea = 0x26;
constexpr std::uint8_t kMemErr = 0x27;
constexpr std::uint8_t kMemNoMem = 0x28;
constexpr std::uint8_t kMemFunc = 0x29;
constexpr std::uint8_t kRefErr = 0x2A;
constexpr std::uint8_t kAreaErr = 0x2B;
constexpr std::uint8_t kRefN = 0x2C;
constexpr std::uint8_t kAreaN = 0x2D;
constexpr std::uint8_t kNameX = 0x39;
constexpr std::uint8_t kRef3d = 0x3A;
constexpr std::uint8_t kArea3d = 0x3B;
constexpr std::uint8_t kRefErr3d = 0x3C;
constexpr std::uint8_t kAreaErr3d = 0x3D;

constexpr std::uint8_t kValueClass = 0x20;
// The reference-class id of a classed token id (0x20-0x7F), else the id.
inline std::uint8_t base(std::uint8_t id) noexcept
{
    return id >= 0x20 && id < 0x80 ? static_cast<std::uint8_t>(((id - 0x20) & 0x1F) + 0x20) : id;
}

constexpr std::uint8_t kAttrVolatile = 0x01;
constexpr std::uint8_t kAttrChoose = 0x04;
constexpr std::uint8_t kAttrSum = 0x10;
}  // namespace ptg

// One cell operand: u16 row, u16 column word (bits 0-13 column, bit 14
// column relative, bit 15 row relative).
class RgceLoc {
public:
    RgceLoc() = default;
    // Throws xlerror "RgceLoc: col must be less than 256" for a larger column.
    RgceLoc(int row, int col, bool rowRelative, bool colRelative) { set(row, col, rowRelative, colRelative); }
    void set(int row, int col, bool rowRelative, bool colRelative);
    // The two stored words as they are, without any check.
    static RgceLoc fromWords(std::uint16_t row, std::uint16_t colWord) noexcept
    {
        RgceLoc loc;
        loc.row_ = row;
        loc.colWord_ = colWord;
        return loc;
    }

    std::uint16_t row() const noexcept { return row_; }
    std::uint16_t col() const noexcept { return static_cast<std::uint16_t>(colWord_ & 0x3FFF); }
    bool rowRelative() const noexcept { return (colWord_ & 0x8000) != 0; }
    bool colRelative() const noexcept { return (colWord_ & 0x4000) != 0; }
    std::uint16_t colWord() const noexcept { return colWord_; }

    void read(ByteReader& in);
    void write(ByteWriter& out) const;

private:
    std::uint16_t row_ = 0;
    std::uint16_t colWord_ = 0;
};

// A rectangle: first row, last row, first-column word, last-column word.
class RgceArea {
public:
    RgceArea() = default;
    RgceArea(const RgceLoc& first, const RgceLoc& last) noexcept
        : first_(first), last_(last) {}

    const RgceLoc& first() const noexcept { return first_; }
    const RgceLoc& last() const noexcept { return last_; }

    void read(ByteReader& in);
    void write(ByteWriter& out) const;

private:
    RgceLoc first_;
    RgceLoc last_;
};

// One token as read from a token stream: its id, the extended or attribute
// sub-type where it has one, and its operand bytes.
struct PtgUnit {
    std::uint8_t id = 0;
    const std::uint8_t* operand = nullptr;  // points into the token stream
    std::size_t operandSize = 0;
};

// Reads the next token unit. Throws xlerror "can't recognize formula block:
// unknown ptg" for an id the reader does not know, "unknown Ptg 0x18" and
// "unknown Ptg 0x19" for unsupported sub-types, and the reader's own error
// text when the bytes end inside a token.
PtgUnit readPtgUnit(ByteReader& in);

// The 5-byte shared-formula reference that stands for the tokens of a shared
// or array formula anchored at (row, col).
std::vector<std::uint8_t> makeSharedFormulaRef(std::uint16_t row, std::uint16_t col);
// True when the tokens are such a reference; row and col receive its anchor.
bool isSharedFormulaRef(const std::uint8_t* tokens, std::size_t size, std::uint16_t* row, std::uint16_t* col);

}  // namespace celvo

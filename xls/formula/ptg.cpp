#include "ptg.h"

#include "celvo/xlerror.h"

namespace celvo {

void RgceLoc::set(int row, int col, bool rowRelative, bool colRelative)
{
    if (col > 255) throw xlerror("RgceLoc: col must be less than 256");
    row_ = static_cast<std::uint16_t>(row);
    colWord_ = static_cast<std::uint16_t>((col & 0x3FFF) | (rowRelative ? 0x8000 : 0) | (colRelative ? 0x4000 : 0));
}

void RgceLoc::read(ByteReader& in)
{
    row_ = in.u16();
    colWord_ = in.u16();
}

void RgceLoc::write(ByteWriter& out) const
{
    out.u16(row_);
    out.u16(colWord_);
}

void RgceArea::read(ByteReader& in)
{
    std::uint16_t rowFirst = in.u16();
    std::uint16_t rowLast = in.u16();
    std::uint16_t colFirst = in.u16();
    std::uint16_t colLast = in.u16();
    first_ = RgceLoc::fromWords(rowFirst, colFirst);
    last_ = RgceLoc::fromWords(rowLast, colLast);
}

void RgceArea::write(ByteWriter& out) const
{
    out.u16(first_.row());
    out.u16(last_.row());
    out.u16(first_.colWord());
    out.u16(last_.colWord());
}

namespace {

// Operand size of a classed token (ids 0x20-0x7F), by its reference-class id;
// -1 for the ids the reader does not accept.
int classedOperandSize(std::uint8_t baseId)
{
    switch (baseId) {
    case ptg::kFunc: case ptg::kMemFunc: return 2;
    case ptg::kFuncVar: return 3;
    case ptg::kName: case ptg::kRef: case ptg::kRefErr: case ptg::kRefN: return 4;
    case ptg::kMemArea: case ptg::kMemErr: case ptg::kMemNoMem: case ptg::kNameX:
    case ptg::kRef3d: case ptg::kRefErr3d: return 6;
    case ptg::kArray: return 7;
    case ptg::kArea: case ptg::kAreaErr: case ptg::kAreaN: return 8;
    case ptg::kArea3d: case ptg::kAreaErr3d: return 10;
    default: return -1;
    }
}

}  // namespace

PtgUnit readPtgUnit(ByteReader& in)
{
    PtgUnit unit;
    unit.id = in.u8();
    const std::size_t start = in.pos();
    std::size_t size = 0;
    const std::uint8_t id = unit.id;
    if (id >= 0x03 && id <= 0x16) {
        size = 0;
    } else if (id == ptg::kErr || id == ptg::kBool) {
        size = 1;
    } else if (id == ptg::kInt) {
        size = 2;
    } else if (id == ptg::kExp || id == ptg::kTbl) {
        size = 4;
    } else if (id == ptg::kNum) {
        size = 8;
    } else if (id == ptg::kStr) {
        std::size_t count = in.u8();
        std::uint8_t flags = in.u8();
        in.skip(flags & 1 ? 2 * count : count);
        size = in.pos() - start;
        in.seek(start);
    } else if (id == ptg::kExtend) {
        // Natural-language references: the sub-type, then four bytes, or
        // thirteen for the radical forms (as files written by the
        // spreadsheet application have them).
        std::uint8_t sub = in.u8();
        switch (sub) {
        case 0x01: case 0x02: case 0x03: case 0x06: case 0x07: case 0x0D: case 0x0F: case 0x10: case 0x1D:
            size = 5;
            break;
        case 0x0A: case 0x0B:
            size = 14;
            break;
        default:
            throw xlerror("unknown Ptg 0x18");
        }
        in.seek(start);
    } else if (id == ptg::kAttr) {
        std::uint8_t type = in.u8();
        switch (type) {
        case 0x01: case 0x02: case 0x08: case 0x10: case 0x20: case 0x21: case 0x40: case 0x41:
            size = 3;
            break;
        case ptg::kAttrChoose: {
            std::size_t n = in.u16();
            size = 3 + 2 * (n + 1);
            break;
        }
        default:
            throw xlerror("unknown Ptg 0x19");
        }
        in.seek(start);
    } else if (id >= 0x20 && id < 0x80 && classedOperandSize(ptg::base(id)) >= 0) {
        size = static_cast<std::size_t>(classedOperandSize(ptg::base(id)));
    } else {
        throw xlerror("can't recognize formula block: unknown ptg");
    }
    unit.operand = in.take(size);
    unit.operandSize = size;
    return unit;
}

std::vector<std::uint8_t> makeSharedFormulaRef(std::uint16_t row, std::uint16_t col)
{
    ByteWriter out;
    out.u8(ptg::kExp);
    out.u16(row);
    out.u16(col);
    return out.buffer();
}

bool isSharedFormulaRef(const std::uint8_t* tokens, std::size_t size, std::uint16_t* row, std::uint16_t* col)
{
    if (!tokens || size < 5 || tokens[0] != ptg::kExp) return false;
    if (row) *row = getU16(tokens + 1);
    if (col) *col = getU16(tokens + 3);
    return true;
}

}  // namespace celvo

#include "relative_tokens.h"

#include "ptg.h"

namespace celvo {

namespace {

// Relative parts are offsets from (row, col) that wrap around the sheet, as
// the spreadsheet applications read them.
RgceLoc resolve(const RgceLoc& loc, int row, int col)
{
    unsigned r = loc.row();
    unsigned c = loc.col();
    if (loc.rowRelative()) r = (r + static_cast<unsigned>(row)) & 0xFFFF;
    if (loc.colRelative()) c = (c + static_cast<unsigned>(col)) & 0xFF;
    return RgceLoc(static_cast<int>(r), static_cast<int>(c), loc.rowRelative(), loc.colRelative());
}

}  // namespace

std::vector<std::uint8_t> resolveRelativeTokens(const std::uint8_t* tokens, std::size_t size, int row, int col)
{
    constexpr std::uint8_t kToAbsolute = ptg::kRefN - ptg::kRef;  // the same for the area ids
    ByteReader in(tokens, size, "unexpected end of formula tokens");
    ByteWriter out;
    while (!in.atEnd()) {
        const PtgUnit unit = readPtgUnit(in);
        const std::uint8_t base = ptg::base(unit.id);
        if (base == ptg::kRefN) {
            ByteReader operand(unit.operand, unit.operandSize);
            RgceLoc loc;
            loc.read(operand);
            out.u8(static_cast<std::uint8_t>(unit.id - kToAbsolute));
            resolve(loc, row, col).write(out);
        } else if (base == ptg::kAreaN) {
            ByteReader operand(unit.operand, unit.operandSize);
            RgceArea area;
            area.read(operand);
            out.u8(static_cast<std::uint8_t>(unit.id - kToAbsolute));
            RgceArea(resolve(area.first(), row, col), resolve(area.last(), row, col)).write(out);
        } else {
            out.u8(unit.id);
            for (std::size_t i = 0; i < unit.operandSize; ++i) out.u8(unit.operand[i]);
        }
    }
    return std::move(out.buffer());
}

}  // namespace celvo

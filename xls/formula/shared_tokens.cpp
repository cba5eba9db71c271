#include "shared_tokens.h"

#include "celvo/bytes.h"
#include "ptg.h"

namespace celvo {

namespace {

constexpr std::uint16_t kRowRelative = 0x8000;
constexpr std::uint16_t kColRelative = 0x4000;

// One row word and its column word, resolved at (row, col).
void resolveLoc(std::uint8_t* rowAt, std::uint8_t* colAt, std::uint16_t row, std::uint16_t col)
{
    const std::uint16_t colWord = getU16(colAt);
    if (colWord & kRowRelative)
        putU16(rowAt, static_cast<std::uint16_t>(row + static_cast<std::int16_t>(getU16(rowAt))));
    if (colWord & kColRelative) {
        // The offset is the low byte, signed.
        const auto offset = static_cast<std::int8_t>(colWord & 0xFF);
        const auto resolved = static_cast<std::uint8_t>(col + offset);
        putU16(colAt, static_cast<std::uint16_t>((colWord & (kRowRelative | kColRelative)) | resolved));
    }
}

}  // namespace

std::vector<std::uint8_t> resolveSharedTokens(const std::vector<std::uint8_t>& tokens, std::uint16_t row,
                                              std::uint16_t col)
{
    std::vector<std::uint8_t> out(tokens);
    ByteReader in(tokens, "formula tokens are truncated");
    while (!in.atEnd()) {
        const std::size_t at = in.pos();
        const PtgUnit unit = readPtgUnit(in);
        std::uint8_t* op = out.data() + at + 1;
        const std::uint8_t base = ptg::base(unit.id);
        const auto cls = static_cast<std::uint8_t>(unit.id - base);
        switch (base) {
        case ptg::kRefN:
            out[at] = static_cast<std::uint8_t>(ptg::kRef + cls);
            resolveLoc(op, op + 2, row, col);
            break;
        case ptg::kAreaN:
            out[at] = static_cast<std::uint8_t>(ptg::kArea + cls);
            resolveLoc(op, op + 4, row, col);
            resolveLoc(op + 2, op + 6, row, col);
            break;
        case ptg::kRef3d:
            resolveLoc(op + 2, op + 4, row, col);
            break;
        case ptg::kArea3d:
            resolveLoc(op + 2, op + 6, row, col);
            resolveLoc(op + 4, op + 8, row, col);
            break;
        default: break;
        }
    }
    return out;
}

}  // namespace celvo

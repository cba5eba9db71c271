// What a printed formula compiles back to, for the round-trip tests and
// the compiler's fuzz target.
#pragma once

#include <cstdint>
#include <vector>

#include "celvo/bytes.h"
#include "formula/ptg.h"

namespace celvo::test {

// The tokens with every PtgNum that holds a whole number up to 65535 written
// as the PtgInt of the same value, as the printed text of such a number
// compiles back.
inline std::vector<std::uint8_t> numbersAsIntegers(const std::vector<std::uint8_t>& tokens)
{
    std::vector<std::uint8_t> out;
    ByteReader in(tokens, "truncated");
    while (!in.atEnd()) {
        const std::size_t at = in.pos();
        const PtgUnit unit = readPtgUnit(in);
        if (unit.id == ptg::kNum) {
            const double v = getF64(unit.operand);
            if (v >= 0 && v <= 65535 && v == static_cast<double>(static_cast<std::uint16_t>(v))) {
                const auto whole = static_cast<std::uint16_t>(v);
                out.insert(out.end(), {ptg::kInt, static_cast<std::uint8_t>(whole & 0xFF),
                                       static_cast<std::uint8_t>(whole >> 8)});
                continue;
            }
        }
        out.insert(out.end(), tokens.begin() + static_cast<std::ptrdiff_t>(at),
                   tokens.begin() + static_cast<std::ptrdiff_t>(in.pos()));
    }
    return out;
}

}  // namespace celvo::test

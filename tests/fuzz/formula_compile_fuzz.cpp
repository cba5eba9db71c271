// The formula compiler on arbitrary text; what it accepts prints, and the
// printed text compiles to the same tokens (whole numbers as integers), as
// the round-trip tests require. The first byte picks the reference mode and
// the cell.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "celvo/text.h"
#include "celvo/xlerror.h"
#include "formula/formula.h"
#include "formula_fake_context.h"
#include "formula_roundtrip_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    celvo::test::FakeFormulaContext book = celvo::test::FakeFormulaContext::sample();
    const std::uint8_t mode = data[0];
    book.r1c1 = (mode & 1) != 0;
    const int row = (mode & 2) ? 65535 : (mode >> 4);
    const int col = (mode & 4) ? 255 : (mode >> 5);
    // Bit 3: the rest is UTF-16 LE; otherwise each byte is one character.
    std::u16string text;
    if (mode & 8) {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    } else {
        for (std::size_t i = 1; i < size; ++i) text.push_back(static_cast<char16_t>(data[i]));
    }
    std::vector<std::uint8_t> tokens;
    try {
        tokens = celvo::compileCellFormula(text, book, row, col);
    } catch (const celvo::xlerror&) {
        return 0;
    }
    celvo::u16string printed;
    try {
        printed = celvo::printCellFormula(tokens.data(), tokens.size(), book, row, col);
        if (celvo::compileCellFormula(printed, book, row, col) == celvo::test::numbersAsIntegers(tokens)) return 0;
        std::fprintf(stderr, "printed as %s: compiles to other tokens\n", celvo::utf16ToUtf8(printed).c_str());
    } catch (const celvo::xlerror& e) {
        std::fprintf(stderr, "printed as %s: %s\n", celvo::utf16ToUtf8(printed).c_str(), e.what());
    }
    std::abort();
}

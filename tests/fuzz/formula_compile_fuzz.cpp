// The formula compiler on arbitrary text; what it accepts is printed and
// compiled again. The first byte picks the reference mode and the cell.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "celvo/xlerror.h"
#include "formula/formula.h"
#include "formula_fake_context.h"

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
    try {
        const celvo::u16string printed = celvo::printCellFormula(tokens.data(), tokens.size(), book, row, col);
        celvo::compileCellFormula(printed, book, row, col);
    } catch (const celvo::xlerror&) {
    }
    return 0;
}

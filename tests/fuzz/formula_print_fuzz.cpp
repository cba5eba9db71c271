// The formula printer on arbitrary token bytes. The first byte picks the
// reference mode, the cell and whether the tokens are those of a shared
// formula.
#include <cstddef>
#include <cstdint>

#include "celvo/xlerror.h"
#include "formula/formula.h"
#include "formula_fake_context.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    celvo::test::FakeFormulaContext book = celvo::test::FakeFormulaContext::sample();
    book.xti = {{0, 0}, {1, 2}, {-1, -1}, {7, 3}};
    const std::uint8_t mode = data[0];
    book.r1c1 = (mode & 1) != 0;
    const bool shared = (mode & 2) != 0;
    const int row = (mode & 4) ? 65535 : (mode >> 4);
    const int col = (mode & 8) ? 255 : (mode >> 5);
    try {
        celvo::printCellFormula(data + 1, size - 1, book, row, col, shared);
    } catch (const celvo::xlerror&) {
    }
    return 0;
}

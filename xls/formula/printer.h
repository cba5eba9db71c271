// The formula printer: BIFF8 tokens back to formula text in A1 notation,
// with ";" between function arguments and no spaces.
#pragma once

#include <cstddef>
#include <cstdint>

#include "celvo/text.h"
#include "formula_context.h"

namespace celvo {

// Prints tokens. Relative parts of the shared-formula tokens (PtgRefN,
// PtgAreaN) are taken relative to (baseRow, baseCol): (0, 0) for a cell's own
// formula, the cell itself for a shared formula printed at one of its cells.
// Throws xlerror with the printer's message for tokens it cannot read.
u16string printFormula(const std::uint8_t* tokens, std::size_t size, const FormulaContext& context,
                       int baseRow = 0, int baseCol = 0);

}  // namespace celvo

// Formula text of a cell, in the book's reference mode, to tokens and back.
//
// How a sheet uses it:
//   writing: tokens = compileCellFormula(text, book, row, col) into a
//            temporary; the cell changes only when that returned (a refused
//            text throws xlerror with the compiler's message);
//   reading: printCellFormula(cell tokens, book, row, col) for a formula of
//            its own; for a member of a shared formula, the SHRFMLA tokens
//            with sharedAtCell = true (isSharedFormulaRef finds the anchor).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "celvo/text.h"
#include "compiler.h"
#include "formula_context.h"
#include "printer.h"

namespace celvo {

// Compiles the formula text of the cell at (row, col); R1C1 text is read
// relative to that cell when the book works in R1C1 mode. Tokens longer than
// maxTokens bytes (what the cell's record has room for) are refused with
// tooLong, the message that saving them would give.
std::vector<std::uint8_t> compileCellFormula(u16view text, FormulaContext& context, int row, int col,
                                             std::size_t maxTokens = SIZE_MAX,
                                             const char* tooLong = "formula is too long");

// The text of the cell's tokens in the book's reference mode. sharedAtCell:
// the tokens are those of a shared formula, printed for this cell.
u16string printCellFormula(const std::uint8_t* tokens, std::size_t size, const FormulaContext& context, int row,
                           int col, bool sharedAtCell = false);

}  // namespace celvo

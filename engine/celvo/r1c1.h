// Rewriting formula text between A1 and R1C1 reference notation, token by
// token. The rewriting is textual; it leaves alone text inside double quotes
// (string literals) and apostrophes (sheet names), and a word followed by
// "(" (a function name) or "!" (a sheet name).
#pragma once

#include "celvo/text.h"

namespace celvo {

// The first token of text, removed from it; empty when text is empty.
u16string nextFormulaToken(u16string& text);

// (row, col) is the 0-based cell that holds the formula; xlsLimits selects
// the 65536 x 256 sheet instead of the 1048576 x 16384 one.
u16string formulaR1C1ToA1(u16view formula, int row, int col, bool xlsLimits);
u16string formulaA1ToR1C1(u16view formula, int row, int col);

// Per-token conversions: a token that is not a reference of the source
// notation comes back unchanged.
u16string r1c1RefToA1(u16view token, int row, int col, bool xlsLimits);
u16string a1RefToR1C1(u16view token, int row, int col);

}  // namespace celvo

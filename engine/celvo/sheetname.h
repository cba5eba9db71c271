// Small text functions over sheet names, used where formulas name sheets,
// shared by both engines.
#pragma once

#include "celvo/text.h"

namespace celvo {

// Replaces every occurrence of `from`, scanning left to right and going on
// after each inserted replacement; true when anything was replaced. An empty
// text or an empty `from` gives false at once.
bool replaceAll(u16string& text, const u16string& from, const u16string& to);

// Splits at the first character of text that is one of separators: false
// (outputs untouched) when there is none.
bool splitString(const u16string& text, const u16string& separators, u16string& before, u16string& after);

// A name with a space is enclosed in apostrophes, its own apostrophes
// doubled; any other name comes back unchanged.
u16string quoteSheetName(const u16string& name);

// Removes enclosing apostrophes (a text longer than 2 characters that starts
// and ends with one), then turns every doubled apostrophe into one.
u16string unquoteSheetName(const u16string& text);

// A sheet name cut to the 31 units a sheet name may have (never inside a
// surrogate pair); *cut tells whether anything was cut.
u16string cutSheetName(u16view name, bool* cut);

// Throws xlerror when the formats forbid the name: it is empty ("sheet name
// can't be empty"), holds one of [ ] : * ? / \ ("sheet name can't contain
// [ ] : * ? / \"), or begins or ends with an apostrophe ("sheet name can't
// begin or end with an apostrophe"), or is History in any case, which the
// applications keep for themselves ("sheet name History is reserved").
void checkSheetName(u16view name);

}  // namespace celvo

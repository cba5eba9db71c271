// Sheet names as both file formats allow them.
#pragma once

#include "celvo/text.h"

namespace celvo {

// The longest sheet name, in UTF-16 units.
constexpr std::size_t kMaxSheetName = 31;

// The name cut to its first 31 units (a character outside the Basic
// Multilingual Plane is kept whole or not at all); *cut tells whether
// anything was cut.
u16string cutSheetName(u16view name, bool* cut);

// Throws xlerror when the formats forbid the name: it is empty ("sheet name
// can't be empty"), holds one of [ ] : * ? / \ ("sheet name can't contain
// [ ] : * ? / \"), or begins or ends with an apostrophe ("sheet name can't
// begin or end with an apostrophe").
void checkSheetName(u16view name);

}  // namespace celvo

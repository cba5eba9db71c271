// Width in screen pixels of a font's widest digit, which column auto-fit and
// the conversions between column width units and pixels are built on.
#pragma once

#include "celvo/text.h"

namespace celvo {

// Pixels assumed when no font can be measured, and whenever a measure would
// come out as 0 or less (every width conversion divides by the result).
constexpr int kFallbackDigitWidth = 7;

// Resolution of the display the widths are measured for, in dots per inch.
constexpr int kDisplayDpi = 96;

// The widest advance of the digits 0-9 of the named face at the given point
// size on the display, in whole pixels; always positive. Measured once per
// face and size, then answered from a cache; safe to call from any thread.
int maxDigitWidth(u16view faceName, int pointSize);

// The same measure without the cache.
int measureMaxDigitWidth(u16view faceName, int pointSize);

// The font height in pixels for a point size on the display: points x dpi /
// 72, rounded half away from zero.
int pointsToPixels(int pointSize) noexcept;

}  // namespace celvo

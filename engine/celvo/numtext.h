// Locale-independent number text on UTF-16 ('.' is always the decimal point).
#pragma once

#include <cstddef>
#include <string>

#include "celvo/text.h"

namespace celvo {

// Like the C runtime's _wtoi: skips leading white space, takes an optional
// sign and decimal digits, stops at the first other character; saturates at
// the int range instead of overflowing. No digits give 0.
int parseInt(u16view text) noexcept;

// Like wcstod in the "C" locale: skips leading white space and parses the
// longest prefix that is a decimal number (optional sign, digits, '.',
// exponent) or "inf"/"infinity"/"nan". *consumed receives the number of units
// used (0 when nothing was a number, and the result is then 0.0).
double parseDouble(u16view text, std::size_t* consumed = nullptr) noexcept;

// "%d".
u16string formatInt(long long value);
// "%.15g" as the C library prints it in the "C" locale.
u16string formatG15(double value);
// The fewest significant digits that read back to the same double, laid out
// as "%g" lays them out, whole numbers below 1e17 with all their digits
// ("0.1", "0.0001", "1000", "1e+20", "-0"); non-finite values give "inf",
// "-inf" or "nan".
u16string formatShortest(double value);
std::string formatShortestNarrow(double value);
// The same into out, which has room for kShortestMax characters; returns the
// length.
constexpr std::size_t kShortestMax = 32;
std::size_t formatShortest(char* out, double value) noexcept;

}  // namespace celvo

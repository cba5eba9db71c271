// Cell reference text (A1, $B$7, AA12) and number text shared by both sheet
// kinds. Letters are read without regard to case; every function is
// locale-independent.
#pragma once

#include <cstddef>
#include <cstdint>

#include "celvo/text.h"

namespace celvo {

// The largest sheet kind's limits, which the reference text accepts.
constexpr int kMaxRowsLarge = 1048576;
constexpr int kMaxColsLarge = 16384;

// Appends the letters of a 0-based column (A, Z, AA, XFD); nothing for a
// negative column.
void columnLetters(u16string& out, int col);

// "$B$7" for row 6, column 1, both absolute. Throws xlerror "row must be in
// range 0-1048575" or "col must be in range 0-16383".
u16string rowColToCellRef(int row, int col, bool rowRelative, bool colRelative);

// Reads a reference such as $B$7 or aa12 into its 0-based row and column
// and its relative flags. Null out-pointers are neither computed nor
// written. No check is made: text without a digit 1-9 gives column -1.
void cellRefToRowCol(u16view ref, int* row, int* col, bool* rowRelative, bool* colRelative);

// Narrow forms for the cell references of the XML parts, without
// allocation. formatCellRefA1 writes the A1 text of a 0-based row and column
// ("B7") into out, which has room for kCellRefA1Max characters, and returns
// its length (0, nothing written, when the cell is not on the sheet).
constexpr std::size_t kCellRefA1Max = 10;
std::size_t formatCellRefA1(char* out, std::uint32_t row, std::uint32_t col) noexcept;
// Reads a cell reference such as "B7": one to three letters (case ignored),
// then the row number in decimal digits, nothing else; false unless the cell
// is on the sheet (A1 to XFD1048576).
bool parseCellRefA1(const char* text, std::size_t size, std::uint32_t& row, std::uint32_t& col) noexcept;

int wstrToInt(u16view text);
double wstrToDouble(u16view text);
u16string intToWstr(int value);
u16string doubleToWstr(double value);

// ASCII character classes: no code unit above 0x7F is a letter or digit.
inline bool isAsciiDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }
inline bool isAsciiLetter(char16_t c) noexcept
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
inline char16_t asciiUpper(char16_t c) noexcept
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}
u16string asciiUpper(u16view text);

}  // namespace celvo

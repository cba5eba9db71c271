#include "celvo/cellref.h"

#include <algorithm>
#include <cstdint>

#include "celvo/numtext.h"
#include "celvo/xlerror.h"

namespace celvo {

void columnLetters(u16string& out, int col)
{
    if (col < 0) return;
    char16_t letters[8];
    int n = 0;
    long long c = static_cast<long long>(col) + 1;  // bijective base 26
    while (c > 0) {
        --c;
        letters[n++] = static_cast<char16_t>(u'A' + c % 26);
        c /= 26;
    }
    while (n > 0) out += letters[--n];
}

u16string rowColToCellRef(int row, int col, bool rowRelative, bool colRelative)
{
    if (row < 0 || row >= kMaxRowsLarge) throw xlerror("row must be in range 0-1048575");
    if (col < 0 || col >= kMaxColsLarge) throw xlerror("col must be in range 0-16383");
    u16string text;
    if (!colRelative) text += u'$';
    columnLetters(text, col);
    if (!rowRelative) text += u'$';
    text += intToWstr(row + 1);
    return text;
}

void cellRefToRowCol(u16view ref, int* row, int* col, bool* rowRelative, bool* colRelative)
{
    std::size_t split = 0;
    for (std::size_t i = 0; i < ref.size(); ++i) {
        if (ref[i] >= u'1' && ref[i] <= u'9') {
            split = i;
            break;
        }
    }
    if (rowRelative) *rowRelative = true;
    if (colRelative) *colRelative = true;

    if (col) {
        // Accumulated wide and capped, so that long letter runs cannot wrap
        // around into a valid column.
        constexpr long long kCap = 1LL << 40;
        long long value = 0;
        long long weight = 1;
        for (std::size_t i = split; i-- > 0;) {
            char16_t c = ref[i];
            if (c == u'$') {
                if (i == 0 && colRelative) *colRelative = false;
                continue;
            }
            value += (static_cast<long long>(asciiUpper(c)) - 64) * weight;
            if (value > kCap || value < -kCap) value = value > 0 ? kCap : -kCap;
            if (weight < kCap) weight *= 26;
        }
        value -= 1;
        *col = static_cast<int>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
    }
    if (row) {
        if (split > 0 && ref[split - 1] == u'$' && rowRelative) *rowRelative = false;
        long long r = static_cast<long long>(wstrToInt(ref.substr(split))) - 1;
        *row = static_cast<int>(std::clamp<long long>(r, INT32_MIN, INT32_MAX));
    }
}

std::size_t formatCellRefA1(char* out, std::uint32_t row, std::uint32_t col) noexcept
{
    if (row >= static_cast<std::uint32_t>(kMaxRowsLarge) || col >= static_cast<std::uint32_t>(kMaxColsLarge)) return 0;
    char letters[4];
    int n = 0;
    std::uint32_t c = col + 1;  // bijective base 26
    while (c > 0) {
        --c;
        letters[n++] = static_cast<char>('A' + c % 26);
        c /= 26;
    }
    std::size_t len = 0;
    while (n > 0) out[len++] = letters[--n];
    char digits[8];
    int d = 0;
    std::uint32_t r = row + 1;
    do {
        digits[d++] = static_cast<char>('0' + r % 10);
        r /= 10;
    } while (r > 0);
    while (d > 0) out[len++] = digits[--d];
    return len;
}

bool parseCellRefA1(const char* text, std::size_t size, std::uint32_t& row, std::uint32_t& col) noexcept
{
    std::size_t i = 0;
    std::uint32_t c = 0;
    for (; i < size && i < 4; ++i) {
        char ch = text[i];
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (ch < 'A' || ch > 'Z') break;
        c = c * 26 + static_cast<std::uint32_t>(ch - 'A' + 1);
    }
    if (i == 0 || i > 3 || c > static_cast<std::uint32_t>(kMaxColsLarge)) return false;
    std::size_t digits = size - i;
    if (digits == 0 || digits > 7) return false;
    std::uint32_t r = 0;
    for (; i < size; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        r = r * 10 + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (r == 0 || r > static_cast<std::uint32_t>(kMaxRowsLarge)) return false;
    row = r - 1;
    col = c - 1;
    return true;
}

int wstrToInt(u16view text) { return parseInt(text); }
double wstrToDouble(u16view text) { return parseDouble(text); }
u16string intToWstr(int value) { return formatInt(value); }
u16string doubleToWstr(double value) { return formatG15(value); }

u16string asciiUpper(u16view text)
{
    u16string out(text);
    for (char16_t& c : out) c = asciiUpper(c);
    return out;
}

}  // namespace celvo

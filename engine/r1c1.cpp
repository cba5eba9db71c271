#include "celvo/r1c1.h"

#include "celvo/cellref.h"

namespace celvo {

namespace {

bool isWordChar(char16_t c) noexcept { return isAsciiLetter(c) || isAsciiDigit(c); }

bool isRowOrColLetter(char16_t c) noexcept
{
    return c == u'R' || c == u'r' || c == u'C' || c == u'c';
}

// Reads one part of an R1C1 reference starting at pos: either "[offset]"
// (relative) or digits (absolute; none: relative with offset 0). Returns
// false when the bracket is not closed.
bool readR1C1Part(u16view t, std::size_t& pos, bool& relative, int& number)
{
    relative = false;
    if (pos < t.size() && t[pos] == u'[') {
        std::size_t start = ++pos;
        if (pos < t.size() && t[pos] == u'-') ++pos;
        while (pos < t.size() && isAsciiDigit(t[pos])) ++pos;
        if (pos >= t.size() || t[pos] != u']') return false;
        relative = true;
        number = wstrToInt(t.substr(start, pos - start));
        ++pos;
        return true;
    }
    std::size_t start = pos;
    while (pos < t.size() && isAsciiDigit(t[pos])) ++pos;
    if (pos == start) {
        relative = true;
        number = 0;
    } else {
        number = wstrToInt(t.substr(start, pos - start));
    }
    return true;
}

// Tracks whether the scan is inside double quotes or apostrophes.
struct QuoteState {
    bool inDouble = false;
    bool inSingle = false;
    bool inside() const noexcept { return inDouble || inSingle; }
    void feed(u16view token) noexcept
    {
        for (char16_t c : token) {
            if (c == u'"' && !inSingle) inDouble = !inDouble;
            else if (c == u'\'' && !inDouble) inSingle = !inSingle;
        }
    }
};

template <class Convert>
u16string convertFormula(u16view formula, Convert&& convert)
{
    u16string rest(formula);
    u16string out;
    QuoteState quotes;
    for (;;) {
        u16string token = nextFormulaToken(rest);
        if (token.empty()) break;
        bool leaveAlone = quotes.inside() || (!rest.empty() && (rest[0] == u'(' || rest[0] == u'!'));
        out += leaveAlone ? token : convert(token);
        quotes.feed(token);
    }
    return out;
}

}  // namespace

u16string nextFormulaToken(u16string& text)
{
    if (text.empty()) return {};
    const bool word = isWordChar(text[0]) || text[0] == u'$';
    bool inBracket = false;
    std::size_t i = 1;
    for (; i < text.size(); ++i) {
        char16_t c = text[i];
        char16_t prev = text[i - 1];
        if (c == u'-' && prev == u'[') continue;
        if (inBracket && c == u']') {
            inBracket = false;
            continue;
        }
        if (word) {
            if (c == u'[' && isRowOrColLetter(prev)) {
                inBracket = true;
                continue;
            }
            if (c == u'$') continue;
        } else if (c == u'$') {
            break;
        }
        if (isWordChar(c) != word) break;
    }
    u16string token = text.substr(0, i);
    text.erase(0, i);
    return token;
}

u16string r1c1RefToA1(u16view token, int row, int col, bool xlsLimits)
{
    if (token.empty() || (token[0] != u'R' && token[0] != u'r')) return u16string(token);
    std::size_t pos = 1;
    bool rowRelative = false, colRelative = false;
    int rowNumber = 0, colNumber = 0;
    if (!readR1C1Part(token, pos, rowRelative, rowNumber)) return u16string(token);
    if (pos >= token.size() || (token[pos] != u'C' && token[pos] != u'c')) return u16string(token);
    ++pos;
    if (!readR1C1Part(token, pos, colRelative, colNumber) || pos != token.size())
        return u16string(token);

    long long r = rowRelative ? static_cast<long long>(row) + rowNumber : static_cast<long long>(rowNumber) - 1;
    long long c = colRelative ? static_cast<long long>(col) + colNumber : static_cast<long long>(colNumber) - 1;
    if (rowRelative && r < 0) r += xlsLimits ? 65536 : kMaxRowsLarge;
    if (colRelative && c < 0) c += xlsLimits ? 256 : kMaxColsLarge;
    auto clampInt = [](long long v) {
        return static_cast<int>(v < -1 ? -1 : v > kMaxRowsLarge ? kMaxRowsLarge : v);
    };
    return rowColToCellRef(clampInt(r), clampInt(c), rowRelative, colRelative);
}

u16string a1RefToR1C1(u16view token, int row, int col)
{
    if (token.empty()) return {};
    std::size_t j = 0;
    if (token[j] == u'$') ++j;
    std::size_t letters = j;
    while (j < token.size() && isAsciiLetter(token[j])) ++j;
    if (j == letters || j > 4 || j >= token.size()) return u16string(token);
    std::size_t k = j;
    if (token[k] == u'$') ++k;
    std::size_t digits = k;
    while (k < token.size() && isAsciiDigit(token[k])) ++k;
    if (k == digits || token[digits] == u'0' || k - j > 8 || k != token.size()) return u16string(token);

    int r = 0, c = 0;
    bool rowRelative = true, colRelative = true;
    cellRefToRowCol(token, &r, &c, &rowRelative, &colRelative);
    u16string out(u"R");
    auto part = [&out](bool relative, int value, int base) {
        if (!relative) {
            out += intToWstr(value + 1);
        } else if (value != base) {
            out += u'[';
            out += intToWstr(value - base);
            out += u']';
        }
    };
    part(rowRelative, r, row);
    out += u'C';
    part(colRelative, c, col);
    return out;
}

u16string formulaR1C1ToA1(u16view formula, int row, int col, bool xlsLimits)
{
    return convertFormula(formula, [&](const u16string& t) { return r1c1RefToA1(t, row, col, xlsLimits); });
}

u16string formulaA1ToR1C1(u16view formula, int row, int col)
{
    return convertFormula(formula, [&](const u16string& t) { return a1RefToR1C1(t, row, col); });
}

}  // namespace celvo

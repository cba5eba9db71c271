#include "formula_context.h"

#include "celvo/cellref.h"
#include "compiler.h"
#include "celvo/xlerror.h"

namespace celvo {

namespace {

// Letters of any script, digits, "_" and "." can stand in a sheet name
// without apostrophes; everything else (spaces, operators, quotes, "!",
// ":") needs them.
bool isPlainNameChar(char16_t c) noexcept
{
    return c >= 0x80 || isAsciiLetter(c) || isAsciiDigit(c) || c == u'_' || c == u'.';
}

// A name that reads as a cell reference in either notation (A1, R1C1, RC).
bool looksLikeReference(u16view name)
{
    std::size_t i = 0;
    while (i < name.size() && isAsciiLetter(name[i])) ++i;
    std::size_t letters = i;
    while (i < name.size() && isAsciiDigit(name[i])) ++i;
    if (letters > 0 && letters <= 3 && i == name.size() && i > letters) return true;
    const u16string upper = asciiUpper(name);
    if (upper.empty() || upper[0] != u'R') return false;
    i = 1;
    while (i < upper.size() && isAsciiDigit(upper[i])) ++i;
    if (i == upper.size()) return true;  // R, R1
    if (upper[i] != u'C') return false;
    ++i;
    while (i < upper.size() && isAsciiDigit(upper[i])) ++i;
    return i == upper.size();  // RC, R1C1, C-less forms above
}

bool needsQuotes(u16view name)
{
    if (name.empty() || isAsciiDigit(name[0]) || looksLikeReference(name)) return true;
    for (char16_t c : name)
        if (!isPlainNameChar(c)) return true;
    return false;
}

}  // namespace

u16string quoteSheetNameForFormula(u16view name)
{
    if (!needsQuotes(name)) return u16string(name);
    u16string out(u"'");
    for (char16_t c : name) {
        if (c == u'\'') out += u'\'';
        out += c;
    }
    out += u'\'';
    return out;
}

u16string unquoteSheetNameForFormula(u16view text)
{
    if (text.size() > 2 && text.front() == u'\'' && text.back() == u'\'') text = text.substr(1, text.size() - 2);
    u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == u'\'' && i + 1 < text.size() && text[i + 1] == u'\'') ++i;
    }
    return out;
}

void FormulaContext::findSheetRange(u16view sheetText, int& first, int& last) const
{
    first = last = -1;
    const u16string text = unquoteSheetNameForFormula(sheetText);
    const std::size_t colon = text.find(u':');
    const u16view firstName = colon == u16string::npos ? u16view(text) : u16view(text).substr(0, colon);
    const u16view lastName = colon == u16string::npos ? u16view(text) : u16view(text).substr(colon + 1);
    const int count = sheetCount();
    for (int i = 0; i < count; ++i) {
        const u16string name = sheetName(i);
        if (first < 0 && equalNoCase(name, firstName)) first = i;
        if (last < 0 && equalNoCase(name, lastName)) last = i;
    }
    if (first < 0 || last < 0) throw xlerror("sheet is not found");
}

}  // namespace celvo

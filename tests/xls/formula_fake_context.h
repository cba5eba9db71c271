// A book stand-in for the formula tests: sheets, an EXTERNSHEET list that
// grows as 3-D references are compiled, defined names and the reference mode.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "formula/formula_context.h"

namespace celvo::test {

class FakeFormulaContext : public FormulaContext {
public:
    std::vector<std::u16string> sheets{u"Sheet1", u"Sheet2", u"Sheet3"};
    std::vector<std::pair<int, int>> xti;
    std::vector<std::u16string> names;  // defined name k is names[k - 1]
    bool r1c1 = false;

    // A book with plain, quoted and number-like sheet names and two names.
    static FakeFormulaContext sample()
    {
        FakeFormulaContext book;
        book.sheets = {u"Sheet1", u"Sheet2", u"Sheet3", u"My Sheet", u"Year's Data", u"2019", u"A1", u"x-y"};
        book.names = {u"Rate", u"Tax"};
        return book;
    }

    bool refR1C1() const override { return r1c1; }
    int sheetCount() const override { return static_cast<int>(sheets.size()); }
    std::u16string sheetName(int index) const override { return sheets.at(static_cast<std::size_t>(index)); }

    std::uint16_t externSheetIndex(int first, int last) override
    {
        for (std::size_t i = 0; i < xti.size(); ++i)
            if (xti[i] == std::make_pair(first, last)) return static_cast<std::uint16_t>(i);
        xti.emplace_back(first, last);
        return static_cast<std::uint16_t>(xti.size() - 1);
    }
    bool externSheetRange(std::uint16_t index, int& first, int& last) const override
    {
        if (index >= xti.size()) return false;
        first = xti[index].first;
        last = xti[index].second;
        return true;
    }

    std::uint32_t definedNameIndex(std::u16string_view name) const override
    {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (equalNoCase(names[i], name)) return static_cast<std::uint32_t>(i + 1);
        return 0;
    }
    bool definedNameText(std::uint32_t index, std::u16string& name) const override
    {
        if (index == 0 || index > names.size()) return false;
        name = names[index - 1];
        return true;
    }
};

// "1E 02 00" -> bytes.
inline std::vector<std::uint8_t> hexBytes(const std::string& text)
{
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

inline std::string hexText(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// The bytes of a double, for expected PtgNum operands.
inline std::string doubleHex(double value)
{
    std::uint64_t bits;
    static_assert(sizeof bits == sizeof value, "double is 64 bits");
    std::memcpy(&bits, &value, sizeof bits);
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    return hexText(bytes);
}

}  // namespace celvo::test

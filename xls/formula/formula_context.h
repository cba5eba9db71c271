// What the formula compiler and printer need from the book: its sheets,
// the EXTERNSHEET entries that 3-D references point at, its defined names and
// its reference mode. The .xls book implements it; tests use a fake.
#pragma once

#include <cstdint>

#include "celvo/text.h"
#include "function_table.h"

namespace celvo {

class FormulaContext {
public:
    virtual ~FormulaContext() = default;

    virtual const FunctionTable& functionTable() const { return FunctionTable::builtIn(); }

    // True when formula text crosses the interface in R1C1 notation.
    virtual bool refR1C1() const = 0;

    virtual int sheetCount() const = 0;
    virtual u16string sheetName(int index) const = 0;

    // Resolves the sheet part of a 3-D reference (a name, a name in
    // apostrophes, or two names joined by a colon) to the first and last
    // sheet indexes; names are compared without regard to case. Throws
    // xlerror "sheet is not found". The default works on sheetName.
    virtual void findSheetRange(u16view sheetText, int& first, int& last) const;

    // The index of the internal EXTERNSHEET entry for sheets first..last,
    // added when there is none yet.
    virtual std::uint16_t externSheetIndex(int first, int last) = 0;
    // The sheets of the internal EXTERNSHEET entry at index; false when there
    // is no such entry. A deleted sheet reads as -1.
    virtual bool externSheetRange(std::uint16_t index, int& first, int& last) const = 0;

    // Defined names are numbered from 1 in the book's list. 0: no name of
    // that text (compared without regard to case).
    virtual std::uint32_t definedNameIndex(u16view name) const = 0;
    // False when there is no name at that number.
    virtual bool definedNameText(std::uint32_t index, u16string& name) const = 0;
};

// A sheet name as formula text shows it: in apostrophes, with inner
// apostrophes doubled, unless it is a plain word that cannot be read as
// anything else.
u16string quoteSheetNameForFormula(u16view name);
// The name inside apostrophes, with doubled apostrophes made single.
u16string unquoteSheetNameForFormula(u16view text);

}  // namespace celvo

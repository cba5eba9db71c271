// The book's defined names as one sheet works with them: named ranges, the
// print area and the print titles. A name is "of the sheet" when it is
// scoped to it (itab = position + 1) and "points at the sheet" when its
// formula is one 3-D cell or area whose EXTERNSHEET entry covers the sheet.
// Names are matched without regard to case.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "celvo/cellrange.h"
#include "celvo/mempool.h"
#include "celvo/text.h"
#include "formula/formula_context.h"
#include "globals_records.h"

namespace celvo {

// Calls f for every token stream of the book that is not a defined name's
// formula (cell formulas, shared and array formulas of every sheet); f may
// rewrite a stream in place without changing its size.
using TokenStreamVisitor = std::function<void(const std::function<void(std::vector<std::uint8_t>&)>& f)>;

class SheetNames {
public:
    static constexpr char16_t kPrintArea = 0x06;
    static constexpr char16_t kPrintTitles = 0x07;

    SheetNames(std::vector<Lbl>& names, FormulaContext& book, MemPool& pool, int sheet,
               TokenStreamVisitor otherStreams = {})
        : names_(names), book_(book), pool_(pool), sheet_(sheet), otherStreams_(std::move(otherStreams)) {}

    // Every operation throws xlerror with the message of its failure and
    // changes nothing then.

    // Rewrites the first name of the sheet with that text (its formula
    // replaced by a fresh one-area formula), else adds one.
    void setNamedRange(u16view name, const NameBounds& bounds);
    // False when no name of that text points at the sheet as one cell or area.
    bool getNamedRange(u16view name, NameBounds& bounds) const;
    // Erases every name of the sheet with that text; false when there is
    // none. Throws when a formula of the book uses one of them.
    bool deleteNamedRange(u16view name);
    // The names that point at the sheet as one cell or area, in list order.
    int namedRangeCount() const;
    // The index-th of them; false when there are fewer.
    bool namedRange(int index, u16string& name, NameBounds& bounds) const;

    // True when a name was added, false when an existing one was rewritten.
    bool setPrintArea(const NameBounds& bounds);
    void clearPrintArea() { eraseBuiltIn(kPrintArea); }
    bool setPrintRepeatRows(int rowFirst, int rowLast);
    bool setPrintRepeatColumns(int colFirst, int colLast);
    void clearPrintRepeats() { eraseBuiltIn(kPrintTitles); }

    // The formula of one 3-D area, absolute.
    static std::vector<std::uint8_t> areaFormula(std::uint16_t xti, const NameBounds& bounds);
    // The two-area print-titles formula: the rows area, then the columns area.
    static std::vector<std::uint8_t> titlesFormula(std::uint16_t xti, int rowFirst, int rowLast, int colFirst,
                                                   int colLast);

private:
    bool ofSheet(const Lbl& name) const noexcept { return name.itab == sheet_ + 1; }
    static bool isBuiltIn(const Lbl& name, char16_t which) noexcept;
    static bool textIs(const Lbl& name, u16view text);
    // The bounds of a one-cell or one-area formula that points at the sheet.
    bool bounds(const Lbl& name, NameBounds& out) const;
    std::uint16_t sheetXti();
    void addName(u16view text, bool builtIn, std::vector<std::uint8_t> formula);
    // Erases the names at the given list positions (ascending) after
    // checking that no formula uses them; the indexes of the names after
    // them come down in every formula of the book.
    void erase(const std::vector<std::size_t>& positions);
    void eraseBuiltIn(char16_t which);
    // Rows (rowFirst >= 0) or columns (colFirst >= 0) repeated on every
    // page, in the sheet's one Print_Titles name.
    bool setPrintTitles(int rowFirst, int rowLast, int colFirst, int colLast);
    void forEachStream(const std::function<void(std::vector<std::uint8_t>&)>& f);

    std::vector<Lbl>& names_;
    FormulaContext& book_;
    MemPool& pool_;
    int sheet_;
    TokenStreamVisitor otherStreams_;
};

// Throws the grid's messages unless rows and columns lie on the sheet.
void checkNameBounds(const NameBounds& bounds);

}  // namespace celvo

// The book as the formula compiler and printer see it: its sheet names, the
// EXTERNSHEET entries of its own supporting link, its defined names and its
// reference mode.
#pragma once

#include "formula/formula_context.h"
#include "globals_records.h"

namespace celvo {

class BookImplT;

class BookFormulaContext final : public FormulaContext {
public:
    explicit BookFormulaContext(BookImplT& book);

    bool refR1C1() const override { return r1c1_; }
    int sheetCount() const override;
    u16string sheetName(int index) const override;
    std::uint16_t externSheetIndex(int first, int last) override;
    bool externSheetRange(std::uint16_t index, int& first, int& last) const override;
    std::uint32_t definedNameIndex(u16view name) const override;
    bool definedNameText(std::uint32_t index, u16string& name) const override;

private:
    BookImplT& book_;
    bool r1c1_;
};

// The text of a defined name as formulas show it: a built-in name (stored as
// one control character) by its English name, such as Print_Area.
u16string definedNameDisplayText(const Lbl& name);

}  // namespace celvo

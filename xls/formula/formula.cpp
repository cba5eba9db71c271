#include "formula.h"

#include "celvo/r1c1.h"

namespace celvo {

std::vector<std::uint8_t> compileCellFormula(u16view text, FormulaContext& context, int row, int col,
                                             std::size_t maxTokens, const char* tooLong)
{
    MakeFormula compiler(context);
    if (!context.refR1C1()) return compiler.compile(text, maxTokens, tooLong);
    return compiler.compile(formulaR1C1ToA1(text, row, col, true), maxTokens, tooLong);
}

u16string printCellFormula(const std::uint8_t* tokens, std::size_t size, const FormulaContext& context, int row,
                           int col, bool sharedAtCell)
{
    u16string text = sharedAtCell ? printFormula(tokens, size, context, row, col)
                                  : printFormula(tokens, size, context);
    return context.refR1C1() ? formulaA1ToR1C1(text, row, col) : text;
}

}  // namespace celvo

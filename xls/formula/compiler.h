// The formula compiler: formula text in A1 notation to BIFF8 tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "celvo/text.h"
#include "formula_context.h"

namespace celvo {

class MakeFormula {
public:
    explicit MakeFormula(FormulaContext& context) : context_(context) {}

    // Compiles text (with or without a leading "=") into token bytes. Throws
    // xlerror with the compiler's message when the text is not exactly one
    // expression that the format can hold. The context is changed (a new
    // EXTERNSHEET entry) only when compiling succeeds. Tokens longer than
    // maxTokens bytes are refused with tooLong.
    std::vector<std::uint8_t> compile(u16view text, std::size_t maxTokens = SIZE_MAX,
                                      const char* tooLong = "formula is too long");

    struct Reference {
        std::uint16_t row = 0;
        std::uint16_t col = 0;
        bool rowRelative = true;
        bool colRelative = true;
    };
    // A1 cell text ($A$1, b7): false when the text is not shaped like one;
    // throws xlerror "Column is out of range" / "Row is out of range" for a
    // reference outside the 65536 x 256 sheet.
    static bool isReference(u16view text, Reference* out = nullptr);

private:
    FormulaContext& context_;
};

}  // namespace celvo

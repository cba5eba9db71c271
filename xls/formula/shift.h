// Keeping formulas pointing at the same cells when rows or columns are
// inserted into or removed from a sheet, and when a defined name leaves the
// book's list. Every rewrite is done in place: token sizes never change, so
// jump offsets inside a formula stay valid.
#pragma once

#include <cstdint>
#include <vector>

#include "celvo/gridedit.h"
#include "formula_context.h"

namespace celvo {

// How the references of a token stream are encoded.
enum class TokenOwner {
    Cell,  // a cell's formula, an array formula or resolved shared tokens:
           // positions are absolute whatever the relative flags say
    Name,  // a defined name: references with relative parts are left alone
};

// Rewrites, in place, every reference of tokens that points into the
// edited sheet: plain references when `home` (the sheet holding the
// formula, -1 for none) is the edited sheet, 3-D references whose
// EXTERNSHEET entry names exactly the edited sheet. A reference whose cell
// is removed or pushed off the sheet becomes #REF! (PtgRefErr, PtgAreaErr
// and their 3-D forms, keeping the token's class). True when a byte
// changed; a stream that cannot be walked is left untouched and gives false.
bool shiftReferences(std::vector<std::uint8_t>& tokens, const GridEdit& edit, int home,
                     const FormulaContext& context, TokenOwner owner = TokenOwner::Cell);

// Shared-formula tokens as they read at the cell (row, col): PtgRefN and
// PtgAreaN become PtgRef and PtgArea, and the relative parts of every
// reference (3-D ones included) become absolute positions. Throws xlerror
// when the stream cannot be walked.
std::vector<std::uint8_t> resolveSharedTokens(const std::vector<std::uint8_t>& tokens, std::uint16_t row,
                                              std::uint16_t col);
// The inverse for the cell (row, col): `resolved` (of the same layout as
// `shared`, after any shift) written back in the relative form that
// `shared` uses.
std::vector<std::uint8_t> relativeSharedTokens(const std::vector<std::uint8_t>& resolved,
                                               const std::vector<std::uint8_t>& shared, std::uint16_t row,
                                               std::uint16_t col);

// PtgName tokens of a stream, and PtgNameX tokens through an EXTERNSHEET
// entry that points into the book itself (which name a defined name of the
// book by its 1-based place in the list, as a PtgName does): whether one
// refers to the 1-based name index.
bool refersToName(const std::vector<std::uint8_t>& tokens, std::uint32_t index, const FormulaContext& context);
// After the name at the 1-based index left the list: indexes above it come
// down by one, in PtgName tokens and in PtgNameX tokens through an entry of
// the book itself. True when a byte changed; a stream that cannot be walked
// is left untouched.
bool renumberNamesAfterErase(std::vector<std::uint8_t>& tokens, std::uint32_t erased,
                             const FormulaContext& context);

}  // namespace celvo

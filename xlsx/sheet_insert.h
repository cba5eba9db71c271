// What the structural edits of a .xlsx sheet share with clearing and
// copying cells: the kinds of formula a cell holds, and handing a formula of
// a group to a cell as a formula of its own.
#pragma once

#include <cstdint>

#include "celvo/text.h"
#include "ooxml/sml-sheet3.h"

namespace celvo {

// The formula of a cell that belongs to a shared group (leading it or not),
// an array formula or a data table; null for any other cell.
const sheet::c_CT_CellFormula* sharedFormulaOf(const sheet::c_CT_Cell& cell);
const sheet::c_CT_CellFormula* arrayFormulaOf(const sheet::c_CT_Cell& cell);
const sheet::c_CT_CellFormula* dataTableOf(const sheet::c_CT_Cell& cell);

// The cell's formula becomes an ordinary one of the given text: it leaves
// its shared group or array (type, group id and range dropped).
void ownFormula(sheet::c_CT_Cell& cell, u16string text);

// The ref text of a block, "A1:B2" ("A1" for a single cell).
u16string blockRef(std::uint32_t r1, std::uint32_t c1, std::uint32_t r2, std::uint32_t c2);

}  // namespace celvo

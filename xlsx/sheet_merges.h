// The merged ranges of a .xlsx worksheet (its mergeCells list) as the
// edits of cells change them.
#pragma once

#include <cstdint>

#include "celvo/gridedit.h"
#include "ooxml/sml-sheet3.h"

namespace celvo {

// Every merged range moves with its cells: ranges below (right of) the
// edit move, a removal narrows the ranges it meets (those it covers go), an
// insertion inside a range cuts it in two (the part from the inserted rows
// on appended at the end of the list). A range left as a single cell goes.
// The list goes when it is left empty, and its count follows.
void moveMerges(sheet::c_worksheet& root, const GridEdit& edit);

// Removes every merged range that meets the block; false when none did.
bool removeMergesMeeting(sheet::c_worksheet& root, std::uint32_t r1, std::uint32_t c1, std::uint32_t r2,
                         std::uint32_t c2);

}  // namespace celvo

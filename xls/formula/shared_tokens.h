// The tokens of a shared formula as one of its cells would hold them on its
// own: the offsets of the shared form resolved at that cell.
#pragma once

#include <cstdint>
#include <vector>

namespace celvo {

// Copies shared-formula tokens for the cell (row, col): PtgRefN and PtgAreaN
// become PtgRef and PtgArea of the same class, and the relative parts of
// PtgRef3d and PtgArea3d are taken from offsets to positions; rows wrap at
// 65536 and columns at 256, as the offsets do. Tokens of the same size
// replace each other, so skip distances stay valid. Throws xlerror for
// tokens that cannot be read.
std::vector<std::uint8_t> resolveSharedTokens(const std::vector<std::uint8_t>& tokens, std::uint16_t row,
                                              std::uint16_t col);

}  // namespace celvo

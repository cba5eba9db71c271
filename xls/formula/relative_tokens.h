// The tokens of a shared or array formula as one of its cells would hold them
// as a formula of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace celvo {

// PtgRefN and PtgAreaN (positions relative to the cell that evaluates them)
// become PtgRef and PtgArea naming the cells they reach from (row, col); the
// other tokens are copied as they are. Throws xlerror for tokens the token
// reader does not know.
std::vector<std::uint8_t> resolveRelativeTokens(const std::uint8_t* tokens, std::size_t size, int row, int col);

}  // namespace celvo

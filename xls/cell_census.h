// A quick count of the plain cell records of a worksheet substream, taken
// before the substream is read so that the lists of cell records are made
// once at their size instead of growing record by record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace celvo {

struct CellCensus {
    std::size_t rk = 0;  // RK records and the entries of MULRK runs
    std::size_t number = 0;
    std::size_t labelSst = 0;
    std::size_t blank = 0;
};

// Walks the record headers of `stream` from the header at `from` to the first
// EOF record, counting only records whose length is the one their reader
// accepts, so that every counted cell stands for at least 6 bytes of the
// stream. The walk stops at a header that does not fit; it never throws.
CellCensus countCellRecords(const std::vector<std::uint8_t>& stream, std::size_t from) noexcept;

}  // namespace celvo

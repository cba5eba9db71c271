#include "cell_census.h"

#include "celvo/bytes.h"

namespace celvo {

namespace {

constexpr std::uint16_t kEofId = 0x000A;
constexpr std::uint16_t kBlankId = 0x0201;
constexpr std::uint16_t kNumberId = 0x0203;
constexpr std::uint16_t kRkId = 0x027E;
constexpr std::uint16_t kLabelSstId = 0x00FD;
constexpr std::uint16_t kMulRkId = 0x00BD;

}  // namespace

CellCensus countCellRecords(const std::vector<std::uint8_t>& stream, std::size_t from) noexcept
{
    CellCensus census;
    const std::size_t size = stream.size();
    std::size_t pos = from;
    while (pos <= size && size - pos >= 4) {
        const std::uint8_t* header = stream.data() + pos;
        const std::uint16_t id = getU16(header);
        const std::size_t length = getU16(header + 2);
        if (length > size - pos - 4 || id == kEofId) break;
        switch (id) {
        case kRkId: census.rk += length == 10; break;
        case kLabelSstId: census.labelSst += length == 10; break;
        case kNumberId: census.number += length == 14; break;
        case kBlankId: census.blank += length == 6; break;
        case kMulRkId:
            if (length >= 12 && (length - 6) % 6 == 0) census.rk += (length - 6) / 6;
            break;
        default: break;
        }
        pos += 4 + length;
    }
    return census;
}

}  // namespace celvo

#include "sheet_records_base.h"

namespace celvo {

std::vector<std::uint8_t> SheetRecord::body() const
{
    ByteWriter data;
    writeBody(data);
    return std::move(data.buffer());
}

std::size_t SheetRecord::write(BiffOutput& out) const
{
    std::vector<std::uint8_t> data = body();
    if (data.size() > kMaxRecordData) throw xlerror(tooLongMessage());
    return out.writeRecord(recordId(), data);
}

}  // namespace celvo

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
    // The data goes straight after the header, whose length is set once the
    // data is there; data too long for one record is taken back.
    const std::size_t start = out.writePosition();
    out.writeRecordHeader(recordId(), 0);
    writeBody(out.writer());
    const std::size_t size = out.writePosition() - start - 4;
    if (size > kMaxRecordData) {
        out.truncate(start);
        throw xlerror(tooLongMessage());
    }
    out.patch16(start + 2, static_cast<std::uint16_t>(size));
    return 4 + size;
}

}  // namespace celvo

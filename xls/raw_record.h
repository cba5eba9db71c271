// A record kept verbatim (its id and data bytes) and written back unchanged.
#pragma once

#include <cstdint>
#include <vector>

#include "biff_stream.h"
#include "celvo/xlerror.h"

namespace celvo {

struct RawRecord {
    std::uint16_t id = 0;
    std::vector<std::uint8_t> data;

    // The record's own data (not the CONTINUE records after it).
    void read(RecordCursor& in)
    {
        id = in.id();
        data = in.rest();
    }
    void write(BiffOutput& out) const
    {
        if (data.size() > kMaxRecordData) throw xlerror("record is too long");
        out.writeRecord(id, data);
    }
};

}  // namespace celvo

// Base of the worksheet record classes: a BIFF record that is never
// continued, so its data must fit one record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "biff_stream.h"
#include "raw_record.h"
#include "celvo/xlerror.h"

namespace celvo {

// A record class whose data always fits one record: write() refuses data
// longer than 8224 bytes instead of continuing it.
class SheetRecord : public BiffRecord {
public:
    std::size_t write(BiffOutput& out) const override;
    // The record's data as write() would put it after the header.
    std::vector<std::uint8_t> body() const;
    // What write() refuses data longer than 8224 bytes with.
    std::string tooLongMessage() const { return std::string(name()) + " record is too long"; }
};

// A sheet record class with a fixed id.
template <std::uint16_t Id>
class SheetRecordT : public SheetRecord {
public:
    static constexpr std::uint16_t kId = Id;
    std::uint16_t recordId() const override { return Id; }
};

// Reads the record in hand with readOne, then every directly following
// record whose id `belongs` accepts; the stream is left at the first record
// that does not belong.
template <class Belongs, class ReadOne>
void readRecordRun(BiffInput& in, RecordCursor& first, Belongs belongs, ReadOne readOne)
{
    readOne(first);
    while (!in.eof() && belongs(in.peekRecordId())) {
        RecordCursor rec = in.next();
        readOne(rec);
    }
}

// Fails with "<name> size is incorrect" unless at least n bytes are left.
inline void requireAtLeast(const RecordCursor& in, std::size_t n)
{
    if (in.remaining() < n) in.fail();
}

}  // namespace celvo

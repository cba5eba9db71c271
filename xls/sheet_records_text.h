// Cell and comment records that carry text: LABEL and NOTE.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "biff_string.h"
#include "celvo/mempool.h"
#include "sheet_records_base.h"
#include "sheet_records_cells.h"

namespace celvo {

// A string cell whose text is held in the record itself.
class Label : public SheetRecordT<0x0204>, public CellPos {
public:
    explicit Label(MemPool& pool) : pool_(&pool) {}
    const char* name() const override { return "Label"; }
    XLUnicodeString text;  // in the book's pool
    bool biff5 = false;  // the string has its 16-bit count and no option byte

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;

private:
    MemPool* pool_;
};

// The anchor of a cell comment.
class Note : public SheetRecordT<0x001C> {
public:
    explicit Note(MemPool& pool) : pool_(&pool) {}
    const char* name() const override { return "Note"; }
    std::uint16_t row = 0;
    std::uint16_t col = 0;
    std::uint16_t options = 0;
    std::uint16_t objId = 0;
    XLUnicodeString author;
    std::uint8_t padding = 0;
    bool hasPadding = true;  // some writers end the record with the author
    bool biff5 = false;        // read in the BIFF5 layout
    std::u16string biff5Text;  // note text of a BIFF5 record, in the book's code page

protected:
    void readBody(RecordCursor& in) override;
    void writeBody(ByteWriter& out) const override;

private:
    MemPool* pool_;
};

}  // namespace celvo

// Helpers of the worksheet tests: sheets of a book, substreams read from
// records built in the test, and the records a sheet writes.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "book.h"
#include "book_test_util.h"
#include "sheet.h"
#include "xls_test_util.h"

namespace celvo::test {

inline SheetImplT* addSheet(BookImplT& book, const char16_t* name = u"Sheet1")
{
    auto* s = static_cast<SheetImplT*>(book.addSheet(name, nullptr));
    EXPECT_NE(s, nullptr) << book.errorMessage();
    return s;
}

struct Record {
    std::uint16_t id;
    Bytes data;
};

inline std::vector<Record> recordsOf(const std::vector<std::uint8_t>& stream)
{
    std::vector<Record> out;
    std::size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        const std::uint16_t id = getU16(&stream[pos]);
        const std::uint16_t len = getU16(&stream[pos + 2]);
        out.push_back({id, Bytes(stream.begin() + pos + 4, stream.begin() + pos + 4 + len)});
        pos += 4 + len;
    }
    return out;
}

inline std::vector<Record> written(SheetImplT& sheet)
{
    BiffOutput out;
    sheet.write(out);
    return recordsOf(out.bytes());
}

inline std::vector<std::uint16_t> idsOf(const std::vector<Record>& records)
{
    std::vector<std::uint16_t> ids;
    for (const auto& r : records) ids.push_back(r.id);
    return ids;
}

inline const Record* find(const std::vector<Record>& records, std::uint16_t id)
{
    for (const auto& r : records)
        if (r.id == id) return &r;
    return nullptr;
}

// True when the sheet's substream holds a record with this id.
inline bool writes(SheetImplT& sheet, std::uint16_t id)
{
    const auto records = written(sheet);
    return find(records, id) != nullptr;
}

inline Bytes u16s(std::initializer_list<std::uint16_t> values)
{
    Bytes b;
    for (auto v : values) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return b;
}

inline Bytes u32le(std::uint32_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}; }

inline Bytes f64le(double d)
{
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    Bytes b;
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    return b;
}

inline const Bytes kWorksheetBof = rec(0x0809, cat(u16s({0x0600, 0x0010, 0x18D3, 0x07CD}), u32le(1), u32le(6)));
inline const Bytes kEof = rec(0x000A, {});

// Reads a worksheet substream made of the given records between BOF and EOF.
inline void readInto(SheetImplT& sheet, const Bytes& body)
{
    BiffInput in(cat(kWorksheetBof, body, kEof));
    sheet.read(in);
}

// ---- formula cells ----

inline const Bytes kCachedOne{0, 0, 0, 0, 0, 0, 0xF0, 0x3F};

// A FORMULA record with the cached number 1; options 8 mark a cell of a
// shared formula.
inline Bytes formulaRecord(std::uint16_t row, std::uint16_t col, const Bytes& tokens, std::uint16_t options = 0)
{
    return rec(0x0006, cat(u16s({row, col, 15}), kCachedOne, u16s({options}), u32le(0),
                           u16s({static_cast<std::uint16_t>(tokens.size())}), tokens));
}

inline Bytes expOf(std::uint16_t row, std::uint16_t col) { return cat(Bytes{0x01}, u16s({row, col})); }

// Rows 0-2 of column 0 share a formula anchored at A1: the cell to the
// right in the row above (PtgRefN with offsets -1 and +1).
inline const Bytes kSharedTokens{0x2C, 0xFF, 0xFF, 0x01, 0xC0};
inline Bytes sharedBlock()
{
    const Bytes shrfmla = rec(0x04BC, cat(u16s({0, 2}), Bytes{0, 0, 0, 3}, u16s({5}), kSharedTokens));
    return cat(formulaRecord(0, 0, expOf(0, 0), 8), shrfmla, formulaRecord(1, 0, expOf(0, 0), 8),
               formulaRecord(2, 0, expOf(0, 0), 8));
}

// A1:A2 hold one array formula: the integer 9.
inline Bytes arrayBlock()
{
    const Bytes array = rec(0x0221, cat(u16s({0, 1}), Bytes{0, 0}, u16s({0}), u32le(0), u16s({3}), Bytes{0x1E, 9, 0}));
    return cat(formulaRecord(0, 0, expOf(0, 0)), array, formulaRecord(1, 0, expOf(0, 0)));
}

}  // namespace celvo::test

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

}  // namespace celvo::test

// The records of .xls files the spreadsheet application wrote (files of the
// corpus), to hold the defaults our records write against.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "celvo/bytes.h"
#include "celvo/file.h"
#include "xls.h"

namespace celvo::test {

using RecordData = std::map<std::uint16_t, std::vector<std::uint8_t>>;

// The data of the first record of each id in one part of a .xls file's
// workbook stream: part 0 the globals, part n the substream of the n-th
// sheet. Empty when the file can't be read.
inline RecordData partRecords(const std::string& path, int part)
{
    RecordData out;
    std::vector<std::uint8_t> file;
    if (!readWholeFile(path, file)) return out;
    Xls x;
    x.read(file);
    const std::vector<std::uint8_t>& s = x.input().bytes();
    int bof = -1;
    for (std::size_t pos = 0; pos + 4 <= s.size();) {
        const std::uint16_t id = getU16(&s[pos]);
        const std::size_t length = getU16(&s[pos + 2]);
        if (pos + 4 + length > s.size()) break;
        if (id == 0x0809) ++bof;
        const auto data = s.begin() + static_cast<std::ptrdiff_t>(pos + 4);
        if (bof == part) out.emplace(id, std::vector<std::uint8_t>(data, data + static_cast<std::ptrdiff_t>(length)));
        if (bof == part && id == 0x000A) break;
        pos += 4 + length;
    }
    return out;
}

// The blank book that Office 365 saves, and a 97-2003 book of Excel's.
inline std::string applicationBlankBook() { return corpusDir() + "/xls/openmcdf__Office365BlankSample_v2507.xls"; }
inline std::string applicationClassicBook() { return corpusDir() + "/xls/exceldatareader__Test10x10.xls"; }

}  // namespace celvo::test

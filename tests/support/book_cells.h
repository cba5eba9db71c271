// What a book reads, for the whole-book fuzz targets and the corpus tests:
// every cell of every sheet (within a window of rows and columns from the
// first used cell, which keeps a fuzz run short), its value, its formula's
// text, its comment and its format, and the sheet names; written down as
// text so that a book saved and loaded again can be compared with the one
// it was saved from.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>

#include "celvo/IBookT.h"
#include "celvo/ISheetT.h"
#include "celvo/text.h"

namespace celvo::test {

// A book of one engine, released at the end of the scope.
struct BookHandle {
    celvo::IBookT* book;
    explicit BookHandle(celvo::IBookT* made) : book(made) {}
    BookHandle(const BookHandle&) = delete;
    BookHandle& operator=(const BookHandle&) = delete;
    ~BookHandle()
    {
        if (book) book->release();
    }
};

inline void putText(std::u16string& out, const char16_t* text)
{
    out += text ? text : u"(none)";
}

inline void putNumber(std::u16string& out, double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 60; shift >= 0; shift -= 4) out += u"0123456789abcdef"[(bits >> shift) & 15];
}

inline void putInt(std::u16string& out, int value)
{
    for (char c : std::to_string(value)) out += static_cast<char16_t>(c);
}

// How many rows and columns from the first used cell are read.
struct CellWindow {
    int rows = 256;
    int columns = 64;
};

// Reads every cell of the sheet in the window; the text of each cell that
// holds something is added to `out`.
inline void readCells(celvo::ISheetT& sheet, std::u16string& out, CellWindow window = {})
{
    const int firstRow = sheet.firstRow(), firstCol = sheet.firstColumn();
    const int lastRow = static_cast<int>(std::min<long long>(sheet.lastRow(), 0LL + firstRow + window.rows));
    const int lastCol = static_cast<int>(std::min<long long>(sheet.lastColumn(), 0LL + firstCol + window.columns));
    for (int row = firstRow; row < lastRow; ++row) {
        for (int col = firstCol; col < lastCol; ++col) {
            celvo::IFormatT* format = nullptr;
            const int type = sheet.cellType(row, col);
            // An empty place holds nothing more (and asking would only cost
            // a refusal for each).
            if (type == celvo::CELLTYPE_EMPTY) continue;
            std::u16string cell;
            switch (type) {
            case celvo::CELLTYPE_NUMBER:
                putNumber(cell, sheet.readNumber(row, col, &format));
                cell += sheet.isDate(row, col) ? u" date" : u"";
                break;
            case celvo::CELLTYPE_STRING: putText(cell, sheet.readString(row, col, &format)); break;
            case celvo::CELLTYPE_BOOLEAN: cell += sheet.readBool(row, col, &format) ? u"TRUE" : u"FALSE"; break;
            case celvo::CELLTYPE_BLANK: sheet.readBlank(row, col, &format); break;
            case celvo::CELLTYPE_ERROR: putInt(cell, sheet.readError(row, col)); break;
            default: break;
            }
            if (sheet.isFormula(row, col)) {
                cell += u" =";
                putText(cell, sheet.readFormula(row, col, &format));
            }
            sheet.readComment(row, col);
            sheet.cellFormat(row, col);
            putInt(out, row);
            out += u',';
            putInt(out, col);
            out += u' ';
            putInt(out, type);
            out += u' ';
            out += cell;
            out += u'\n';
        }
    }
}

// The name and the cells of a sheet of the book (a sheet without cells,
// such as a chart sheet, has no text of its own).
inline std::u16string sheetText(celvo::IBookT& book, int index, CellWindow window = {})
{
    std::u16string out = u"sheet ";
    celvo::ISheetT* sheet = book.sheet(index);
    if (sheet) putText(out, sheet->name());
    out += u'\n';
    if (sheet) readCells(*sheet, out, window);
    return out;
}

// The sheet names and the cells of every sheet of the book.
inline std::u16string bookText(celvo::IBookT& book, CellWindow window = {})
{
    std::u16string out;
    const int sheets = book.sheetCount();
    for (int i = 0; i < sheets; ++i) out += sheetText(book, i, window);
    return out;
}

// Prints where two readings of a book part ways (some text of each around
// the first difference) to standard error.
inline void printDifference(const std::u16string& before, const std::u16string& after)
{
    std::size_t at = 0;
    while (at < before.size() && at < after.size() && before[at] == after[at]) ++at;
    const std::size_t from = at < 120 ? 0 : at - 120;
    std::fprintf(stderr, "before: ...%s\nafter:  ...%s\n", celvo::utf16ToUtf8(before.substr(from, 240)).c_str(),
                 celvo::utf16ToUtf8(after.substr(from, 240)).c_str());
}

}  // namespace celvo::test

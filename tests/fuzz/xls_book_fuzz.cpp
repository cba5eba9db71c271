// A .xls book loaded from arbitrary bytes: every cell of every sheet read
// (within a window that keeps one run short), every formula's text, and
// the book saved. A saved book must load again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "celvo/IBookT.h"
#include "celvo/ISheetT.h"
#include "celvo/factory.h"

namespace {

struct BookHandle {
    celvo::IBookT* book = celvo::createXlsBook();
    BookHandle() = default;
    BookHandle(const BookHandle&) = delete;
    BookHandle& operator=(const BookHandle&) = delete;
    ~BookHandle()
    {
        if (book) book->release();
    }
};

void readCells(celvo::ISheetT& sheet)
{
    const int firstRow = sheet.firstRow(), firstCol = sheet.firstColumn();
    const int lastRow = std::min(sheet.lastRow(), firstRow + 256);
    const int lastCol = std::min(sheet.lastColumn(), firstCol + 64);
    for (int row = firstRow; row < lastRow; ++row) {
        for (int col = firstCol; col < lastCol; ++col) {
            celvo::IFormatT* format = nullptr;
            switch (sheet.cellType(row, col)) {
            case celvo::CELLTYPE_NUMBER: sheet.readNumber(row, col, &format); sheet.isDate(row, col); break;
            case celvo::CELLTYPE_STRING: sheet.readString(row, col, &format); break;
            case celvo::CELLTYPE_BOOLEAN: sheet.readBool(row, col, &format); break;
            case celvo::CELLTYPE_BLANK: sheet.readBlank(row, col, &format); break;
            case celvo::CELLTYPE_ERROR: sheet.readError(row, col); break;
            default: break;
            }
            if (sheet.isFormula(row, col)) sheet.readFormula(row, col, &format);
            sheet.readComment(row, col);
            sheet.cellFormat(row, col);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    BookHandle h;
    if (!h.book) return 0;
    if (!h.book->loadFromMemory(reinterpret_cast<const char*>(data), static_cast<unsigned>(size))) {
        if (!h.book->errorMessage() || !*h.book->errorMessage()) std::abort();  // refused without a reason
        return 0;
    }
    const int sheets = h.book->sheetCount();
    for (int i = 0; i < sheets; ++i)
        if (celvo::ISheetT* sheet = h.book->sheet(i)) readCells(*sheet);
    const char* saved = nullptr;
    unsigned savedSize = 0;
    if (!h.book->saveToMemory(&saved, &savedSize)) return 0;
    BookHandle again;
    if (again.book && !again.book->loadFromMemory(saved, savedSize)) std::abort();  // our own file refused
    return 0;
}

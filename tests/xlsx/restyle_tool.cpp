// Loads a .xlsx book, gives one cell a format of its own (a copy of the
// cell's format with a solid red fill) and saves the book:
//     xlsx_restyle <input> <output>
// The cell is the first one of the first sheet that has cells, or A1 of the
// first sheet when none has any. Prints "<sheet name>\t<row>\t<col>" of that
// cell (0-based) and exits 0; exits 1 with the book's message on standard
// error when the load, the change or the save failed; 2 on a usage error; 4
// when the book has no worksheet.
#include <iostream>
#include <string>

#include "celvo/IBookT.h"
#include "celvo/IFormatT.h"
#include "celvo/ISheetT.h"
#include "celvo/factory.h"
#include "celvo/file.h"
#include "celvo/text.h"

namespace {

int restyle(celvo::IBookT& book, const char* in, const char* out)
{
    if (!book.load(celvo::pathFromNative(in).c_str())) {
        std::cerr << "load: " << book.errorMessage() << "\n";
        return 1;
    }
    celvo::ISheetT* target = nullptr;
    int row = 0, col = 0;
    for (int i = 0; i < book.sheetCount() && !target; ++i) {
        celvo::ISheetT* sheet = book.sheet(i);
        if (!sheet) continue;
        for (int r = sheet->firstRow(); r < sheet->lastRow() && !target; ++r)
            for (int c = sheet->firstColumn(); c < sheet->lastColumn() && !target; ++c)
                if (sheet->cellType(r, c) != 0) {
                    target = sheet;
                    row = r;
                    col = c;
                }
    }
    if (!target) target = book.sheet(0);
    if (!target) {
        std::cerr << "no worksheet: " << book.errorMessage() << "\n";
        return 4;
    }
    celvo::IFormatT* old = target->cellType(row, col) != 0 ? target->cellFormat(row, col) : nullptr;
    celvo::IFormatT* format = book.addFormat(old);
    if (!format) {
        std::cerr << "addFormat: " << book.errorMessage() << "\n";
        return 1;
    }
    format->setFillPattern(1);
    format->setPatternForegroundColor(10);
    if (target->cellType(row, col) == 0 && !target->writeBlank(row, col, format)) {
        std::cerr << "writeBlank: " << book.errorMessage() << "\n";
        return 1;
    }
    target->setCellFormat(row, col, format);
    if (target->cellFormat(row, col) != format) {
        std::cerr << "setCellFormat: " << book.errorMessage() << "\n";
        return 1;
    }
    if (!book.save(celvo::pathFromNative(out).c_str())) {
        std::cerr << "save: " << book.errorMessage() << "\n";
        return 1;
    }
    std::cout << celvo::utf16ToUtf8(target->name()) << "\t" << row << "\t" << col << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: xlsx_restyle <input> <output>\n";
        return 2;
    }
    celvo::IBookT* book = celvo::createXlsxBook();
    if (!book) return 2;
    const int rc = restyle(*book, argv[1], argv[2]);
    book->release();
    return rc;
}

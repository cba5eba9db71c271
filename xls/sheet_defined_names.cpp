// The sheet's operations on the book's defined names: named ranges, the
// print area and the print titles.
#include "book.h"
#include "book_formula.h"
#include "defined_names.h"
#include "sheet.h"
#include "sheet_insert.h"

namespace celvo {

namespace {

template <class Body>
auto withNames(SheetImplT& sheet, Body&& body)
{
    BookImplT& book = *sheet.book();
    BookFormulaContext context(book);
    SheetNames names(book.names(), context, book.pool(), sheet.sheetIndex(),
                     [&book](const auto& f) { forEachSheetTokenStream(book, f); });
    return body(names);
}

}  // namespace

bool SheetImplT::setNamedRange(const char16_t* name, int rowFirst, int rowLast, int colFirst, int colLast)
{
    return guarded(false, [&] {
        withNames(*this, [&](SheetNames& names) {
            names.setNamedRange(u16(name), {rowFirst, rowLast, colFirst, colLast});
        });
        return true;
    });
}

bool SheetImplT::getNamedRange(const char16_t* name, int* rowFirst, int* rowLast, int* colFirst, int* colLast)
{
    return guarded(false, [&] {
        NameBounds b;
        if (!withNames(*this, [&](SheetNames& names) { return names.getNamedRange(u16(name), b); }))
            throw xlerror("named range is not found");
        storeNameBounds(b, rowFirst, rowLast, colFirst, colLast);
        return true;
    });
}

bool SheetImplT::deleteNamedRange(const char16_t* name)
{
    return guarded(false, [&] {
        if (!withNames(*this, [&](SheetNames& names) { return names.deleteNamedRange(u16(name)); }))
            throw xlerror("name not found");
        return true;
    });
}

int SheetImplT::namedRangeCount()
{
    return guarded(0, [&] { return withNames(*this, [&](SheetNames& names) { return names.namedRangeCount(); }); });
}

const char16_t* SheetImplT::namedRange(int index, int* rowFirst, int* rowLast, int* colFirst, int* colLast)
{
    return guarded<const char16_t*>(nullptr, [&]() -> const char16_t* {
        NameBounds b;
        u16string text;
        if (!withNames(*this, [&](SheetNames& names) { return names.namedRange(index, text, b); }))
            throw xlerror("index is out of range");
        storeNameBounds(b, rowFirst, rowLast, colFirst, colLast);
        return keepText(text);
    });
}

// The print operations leave the message as it was when they rewrite an
// existing name and report "ok" when they add one.
void SheetImplT::setPrintArea(int rowFirst, int rowLast, int colFirst, int colLast)
{
    if (!book_) return;
    const std::string before = message();
    guardedVoid([&] {
        withNames(*this, [&](SheetNames& names) {
            if (!names.setPrintArea({rowFirst, rowLast, colFirst, colLast})) message() = before;
        });
    });
}

void SheetImplT::setPrintRepeatRows(int rowFirst, int rowLast)
{
    if (!book_) return;
    const std::string before = message();
    guardedVoid([&] {
        withNames(*this, [&](SheetNames& names) {
            if (!names.setPrintRepeatRows(rowFirst, rowLast)) message() = before;
        });
    });
}

void SheetImplT::setPrintRepeatColumns(int colFirst, int colLast)
{
    if (!book_) return;
    const std::string before = message();
    guardedVoid([&] {
        withNames(*this, [&](SheetNames& names) {
            if (!names.setPrintRepeatColumns(colFirst, colLast)) message() = before;
        });
    });
}

void SheetImplT::clearPrintArea()
{
    guardedVoid([&] { withNames(*this, [](SheetNames& names) { names.clearPrintArea(); }); });
}

void SheetImplT::clearPrintRepeats()
{
    guardedVoid([&] { withNames(*this, [](SheetNames& names) { names.clearPrintRepeats(); }); });
}

}  // namespace celvo

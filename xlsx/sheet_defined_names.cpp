// The sheet's operations on the workbook's defined names: named ranges, the
// print area and the print titles.
#include "book.h"
#include "defined_names.h"
#include "sheet.h"

namespace celvo {

namespace {

template <class Body>
auto withNames(XMLSheetImplT& sheet, Body&& body)
{
    XMLBookImplT& book = *sheet.book();
    const workbook::c_CT_Sheet* entry = book.sheetEntry(sheet.sheetNumber());
    if (!entry) throw xlerror("sheet doen't have relationship with book");
    XMLSheetNames names(book.root(), sheet.sheetNumber(), entry->name.value);
    return body(names);
}

}  // namespace

bool XMLSheetImplT::setNamedRange(const char16_t* name, int rowFirst, int rowLast, int colFirst, int colLast)
{
    return guarded(false, [&] {
        withNames(*this, [&](XMLSheetNames& names) {
            names.setNamedRange(u16(name), {rowFirst, rowLast, colFirst, colLast});
        });
        return true;
    });
}

bool XMLSheetImplT::getNamedRange(const char16_t* name, int* rowFirst, int* rowLast, int* colFirst, int* colLast)
{
    return guarded(false, [&] {
        NameBounds b;
        if (!withNames(*this, [&](XMLSheetNames& names) { return names.getNamedRange(u16(name), b); }))
            throw xlerror("named range is not found");
        storeNameBounds(b, rowFirst, rowLast, colFirst, colLast);
        return true;
    });
}

bool XMLSheetImplT::deleteNamedRange(const char16_t* name)
{
    return guarded(false, [&] {
        if (!withNames(*this, [&](XMLSheetNames& names) { return names.deleteNamedRange(u16(name)); }))
            throw xlerror("named range not found");
        return true;
    });
}

int XMLSheetImplT::namedRangeCount()
{
    return guarded(-1, [&] { return withNames(*this, [](XMLSheetNames& names) { return names.namedRangeCount(); }); });
}

const char16_t* XMLSheetImplT::namedRange(int index, int* rowFirst, int* rowLast, int* colFirst, int* colLast)
{
    return guarded<const char16_t*>(nullptr, [&]() -> const char16_t* {
        NameBounds b;
        u16string text;
        if (!withNames(*this, [&](XMLSheetNames& names) { return names.namedRange(index, text, b); }))
            throw xlerror("index is out of range");
        storeNameBounds(b, rowFirst, rowLast, colFirst, colLast);
        return keepText(std::move(text));
    });
}

void XMLSheetImplT::setPrintArea(int rowFirst, int rowLast, int colFirst, int colLast)
{
    guardedVoid([&] {
        withNames(*this, [&](XMLSheetNames& names) { names.setPrintArea({rowFirst, rowLast, colFirst, colLast}); });
    });
}

void XMLSheetImplT::clearPrintArea()
{
    guardedVoid([&] { withNames(*this, [](XMLSheetNames& names) { names.clearPrintArea(); }); });
}

void XMLSheetImplT::setPrintRepeatRows(int rowFirst, int rowLast)
{
    guardedVoid([&] { withNames(*this, [&](XMLSheetNames& names) { names.setPrintRepeatRows(rowFirst, rowLast); }); });
}

void XMLSheetImplT::setPrintRepeatColumns(int colFirst, int colLast)
{
    guardedVoid([&] { withNames(*this, [&](XMLSheetNames& names) { names.setPrintRepeatColumns(colFirst, colLast); }); });
}

void XMLSheetImplT::clearPrintRepeats()
{
    guardedVoid([&] { withNames(*this, [](XMLSheetNames& names) { names.clearPrintRepeats(); }); });
}

}  // namespace celvo

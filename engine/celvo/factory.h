// Creation of the two kinds of book. Each engine defines its own function;
// a null result means the book could not be made.
#pragma once

namespace celvo {

class IBookT;

IBookT* createXlsBook() noexcept;   // a new, empty .xls workbook
IBookT* createXlsxBook() noexcept;  // a new, empty .xlsx workbook

}  // namespace celvo

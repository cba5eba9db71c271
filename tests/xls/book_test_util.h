// Helpers of the .xls book tests.
#pragma once

#include "book.h"
#include "xls.h"
#include "xls_test_util.h"

namespace celvo::test {

// A new book, released at the end of the scope.
struct BookHolder {
    BookImplT* book = new BookImplT();
    BookHolder() = default;
    BookHolder(const BookHolder&) = delete;
    BookHolder& operator=(const BookHolder&) = delete;
    ~BookHolder() { book->release(); }
    BookImplT* operator->() const { return book; }
};

// A compound document around the given workbook stream.
inline Bytes xlsFile(const Bytes& stream)
{
    Xls xls;
    xls.create();
    xls.output().writeBytes(stream.data(), stream.size());
    return xls.write();
}

}  // namespace celvo::test

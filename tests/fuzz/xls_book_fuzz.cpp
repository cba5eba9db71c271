// A .xls book loaded from arbitrary bytes: every cell of every sheet read
// (within a window that keeps one run short, book_cells.h), every formula's
// text, and the book saved. A saved book must load again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "book_cells.h"
#include "celvo/factory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    celvo::test::BookHandle h(celvo::createXlsBook());
    if (!h.book) return 0;
    if (!h.book->loadFromMemory(reinterpret_cast<const char*>(data), static_cast<unsigned>(size))) {
        if (!h.book->errorMessage() || !*h.book->errorMessage()) std::abort();  // refused without a reason
        return 0;
    }
    celvo::test::bookText(*h.book);
    const char* saved = nullptr;
    unsigned savedSize = 0;
    if (!h.book->saveToMemory(&saved, &savedSize)) return 0;
    celvo::test::BookHandle again(celvo::createXlsBook());
    if (again.book && !again.book->loadFromMemory(saved, savedSize)) std::abort();  // our own file refused
    return 0;
}

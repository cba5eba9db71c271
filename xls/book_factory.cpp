#include "book.h"
#include "celvo/factory.h"

namespace celvo {

IBookT* createXlsBook() noexcept
{
    try {
        return new BookImplT();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace celvo

#include "book.h"
#include "celvo/factory.h"

namespace celvo {

IBookT* createXlsxBook() noexcept
{
    try {
        return new XMLBookImplT();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace celvo

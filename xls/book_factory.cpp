#include "celvo/factory.h"

namespace celvo {

// The .xls engine is not in this build yet.
IBookT* createXlsBook() noexcept { return nullptr; }

}  // namespace celvo

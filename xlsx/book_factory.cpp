#include "celvo/factory.h"

namespace celvo {

// The .xlsx engine is not in this build yet.
IBookT* createXlsxBook() noexcept { return nullptr; }

}  // namespace celvo

// The book operation that has no meaning for a .xlsx book.
#include "book.h"

namespace celvo {

int XMLBookImplT::biffVersion() { return 0; }

}  // namespace celvo

// The sheet operations that need the worksheet binding and are not built
// yet: each answers "not supported" through the book's message with its
// failure value. An operation leaves this file when it is built.
#include "sheet.h"

namespace celvo {


}  // namespace celvo

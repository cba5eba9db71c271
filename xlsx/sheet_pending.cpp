// The sheet operations that need the worksheet binding and are not built
// yet: each answers "not supported" through the book's message with its
// failure value. An operation leaves this file when it is built.
#include "sheet.h"

namespace celvo {

const char16_t* XMLSheetImplT::readComment(int, int) { return notSupported(static_cast<const char16_t*>(nullptr)); }
void XMLSheetImplT::writeComment(int, int, const char16_t*, const char16_t*, int, int) { notSupported(); }

}  // namespace celvo

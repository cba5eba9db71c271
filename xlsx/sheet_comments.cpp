// Cell comments of a .xlsx sheet. The sheet keeps no comments of its own:
// reading and writing one is "not supported". The comments part and its
// shapes in a loaded book are parts the book does not read, and a save
// writes them back as they were.
#include "sheet.h"

namespace celvo {

const char16_t* XMLSheetImplT::readComment(int, int) { return notSupported(static_cast<const char16_t*>(nullptr)); }

void XMLSheetImplT::writeComment(int, int, const char16_t*, const char16_t*, int, int) { notSupported(); }

}  // namespace celvo

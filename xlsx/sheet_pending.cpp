// The sheet operations that need the worksheet binding and are not built
// yet: each answers "not supported" through the book's message with its
// failure value. An operation leaves this file when it is built.
#include "sheet.h"

namespace celvo {

const char16_t* XMLSheetImplT::readComment(int, int) { return notSupported(static_cast<const char16_t*>(nullptr)); }
void XMLSheetImplT::writeComment(int, int, const char16_t*, const char16_t*, int, int) { notSupported(); }
int XMLSheetImplT::horizontalPageBreak(int) { return notSupported(0); }
int XMLSheetImplT::horizontalPageBreakCount() { return notSupported(0); }
int XMLSheetImplT::verticalPageBreak(int) { return notSupported(0); }
int XMLSheetImplT::verticalPageBreakCount() { return notSupported(0); }
bool XMLSheetImplT::setHorizontalPageBreak(int, bool) { return notSupported(false); }
bool XMLSheetImplT::setVerticalPageBreak(int, bool) { return notSupported(false); }
void XMLSheetImplT::setPrintRepeatRows(int, int) { notSupported(); }
void XMLSheetImplT::setPrintRepeatColumns(int, int) { notSupported(); }
void XMLSheetImplT::setPrintArea(int, int, int, int) { notSupported(); }
void XMLSheetImplT::clearPrintRepeats() { notSupported(); }
void XMLSheetImplT::clearPrintArea() { notSupported(); }
bool XMLSheetImplT::getNamedRange(const char16_t*, int*, int*, int*, int*) { return notSupported(false); }
bool XMLSheetImplT::setNamedRange(const char16_t*, int, int, int, int) { return notSupported(false); }
bool XMLSheetImplT::deleteNamedRange(const char16_t*) { return notSupported(false); }
int XMLSheetImplT::namedRangeCount() { return notSupported(0); }
const char16_t* XMLSheetImplT::namedRange(int, int*, int*, int*, int*) { return notSupported(static_cast<const char16_t*>(nullptr)); }

}  // namespace celvo

// The sheet operations that need the worksheet binding and are not built
// yet: each answers "not supported" through the book's message with its
// failure value. An operation leaves this file when it is built.
#include "sheet.h"

namespace celvo {

double XMLSheetImplT::columnWidth(int) { return notSupported(0.0); }
double XMLSheetImplT::rowHeight(int) { return notSupported(0.0); }
bool XMLSheetImplT::setColumn(int, int, double, IFormatT*, bool) { return notSupported(false); }
bool XMLSheetImplT::setRow(int, double, IFormatT*, bool) { return notSupported(false); }
bool XMLSheetImplT::isRowHidden(int) { return notSupported(false); }
bool XMLSheetImplT::setRowHidden(int, bool) { return notSupported(false); }
bool XMLSheetImplT::isColumnHidden(int) { return notSupported(false); }
bool XMLSheetImplT::setColumnHidden(int, bool) { return notSupported(false); }
bool XMLSheetImplT::getMerge(int, int, int*, int*, int*, int*) { return notSupported(false); }
bool XMLSheetImplT::setMerge(int, int, int, int) { return notSupported(false); }
bool XMLSheetImplT::deleteMerge(int, int) { return notSupported(false); }
bool XMLSheetImplT::groupRows(int, int, bool) { return notSupported(false); }
bool XMLSheetImplT::groupColumns(int, int, bool) { return notSupported(false); }
bool XMLSheetImplT::groupSummaryBelow() { return notSupported(false); }
void XMLSheetImplT::setGroupSummaryBelow(bool) { notSupported(); }
bool XMLSheetImplT::groupSummaryRight() { return notSupported(false); }
void XMLSheetImplT::setGroupSummaryRight(bool) { notSupported(); }

}  // namespace celvo

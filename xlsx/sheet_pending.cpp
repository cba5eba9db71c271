// The sheet operations that need the worksheet binding and are not built
// yet: each answers "not supported" through the book's message with its
// failure value. An operation leaves this file when it is built.
#include "sheet.h"

namespace celvo {

const char16_t* XMLSheetImplT::readComment(int, int) { return notSupported(static_cast<const char16_t*>(nullptr)); }
void XMLSheetImplT::writeComment(int, int, const char16_t*, const char16_t*, int, int) { notSupported(); }
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
int XMLSheetImplT::pictureCount() { return notSupported(0); }
int XMLSheetImplT::getPicture(int, int*, int*, int*, int*, int*, int*, int*, int*) { return notSupported(0); }
void XMLSheetImplT::setPicture(int, int, int, double, int, int) { notSupported(); }
void XMLSheetImplT::setPictureWithSize(int, int, int, int, int, int, int) { notSupported(); }
int XMLSheetImplT::horizontalPageBreak(int) { return notSupported(0); }
int XMLSheetImplT::horizontalPageBreakCount() { return notSupported(0); }
int XMLSheetImplT::verticalPageBreak(int) { return notSupported(0); }
int XMLSheetImplT::verticalPageBreakCount() { return notSupported(0); }
bool XMLSheetImplT::setHorizontalPageBreak(int, bool) { return notSupported(false); }
bool XMLSheetImplT::setVerticalPageBreak(int, bool) { return notSupported(false); }
void XMLSheetImplT::split(int, int) { notSupported(); }
bool XMLSheetImplT::groupRows(int, int, bool) { return notSupported(false); }
bool XMLSheetImplT::groupColumns(int, int, bool) { return notSupported(false); }
bool XMLSheetImplT::groupSummaryBelow() { return notSupported(false); }
void XMLSheetImplT::setGroupSummaryBelow(bool) { notSupported(); }
bool XMLSheetImplT::groupSummaryRight() { return notSupported(false); }
void XMLSheetImplT::setGroupSummaryRight(bool) { notSupported(); }
bool XMLSheetImplT::clearCells(int, int, int, int) { return notSupported(false); }
bool XMLSheetImplT::insertColumns(int, int) { return notSupported(false); }
bool XMLSheetImplT::insertRows(int, int) { return notSupported(false); }
bool XMLSheetImplT::removeColumns(int, int) { return notSupported(false); }
bool XMLSheetImplT::removeRows(int, int) { return notSupported(false); }
bool XMLSheetImplT::copyCell(int, int, int, int) { return notSupported(false); }
bool XMLSheetImplT::displayGridlines() { return notSupported(false); }
void XMLSheetImplT::setDisplayGridlines(bool) { notSupported(); }
bool XMLSheetImplT::printGridlines() { return notSupported(false); }
void XMLSheetImplT::setPrintGridlines(bool) { notSupported(); }
int XMLSheetImplT::zoom() { return notSupported(0); }
void XMLSheetImplT::setZoom(int) { notSupported(); }
int XMLSheetImplT::printZoom() { return notSupported(0); }
void XMLSheetImplT::setPrintZoom(int) { notSupported(); }
bool XMLSheetImplT::getPrintFit(int*, int*) { return notSupported(false); }
void XMLSheetImplT::setPrintFit(int, int) { notSupported(); }
bool XMLSheetImplT::landscape() { return notSupported(false); }
void XMLSheetImplT::setLandscape(bool) { notSupported(); }
int XMLSheetImplT::paper() { return notSupported(0); }
void XMLSheetImplT::setPaper(int) { notSupported(); }
const char16_t* XMLSheetImplT::header() { return notSupported(static_cast<const char16_t*>(nullptr)); }
bool XMLSheetImplT::setHeader(const char16_t*, double) { return notSupported(false); }
double XMLSheetImplT::headerMargin() { return notSupported(0.0); }
const char16_t* XMLSheetImplT::footer() { return notSupported(static_cast<const char16_t*>(nullptr)); }
bool XMLSheetImplT::setFooter(const char16_t*, double) { return notSupported(false); }
double XMLSheetImplT::footerMargin() { return notSupported(0.0); }
bool XMLSheetImplT::horizontalCentered() { return notSupported(false); }
void XMLSheetImplT::setHorizontalCentered(bool) { notSupported(); }
bool XMLSheetImplT::verticalCentered() { return notSupported(false); }
void XMLSheetImplT::setVerticalCentered(bool) { notSupported(); }
double XMLSheetImplT::marginLeft() { return notSupported(0.0); }
void XMLSheetImplT::setMarginLeft(double) { notSupported(); }
double XMLSheetImplT::marginRight() { return notSupported(0.0); }
void XMLSheetImplT::setMarginRight(double) { notSupported(); }
double XMLSheetImplT::marginTop() { return notSupported(0.0); }
void XMLSheetImplT::setMarginTop(double) { notSupported(); }
double XMLSheetImplT::marginBottom() { return notSupported(0.0); }
void XMLSheetImplT::setMarginBottom(double) { notSupported(); }
bool XMLSheetImplT::printHeadings() { return notSupported(false); }
void XMLSheetImplT::setPrintHeadings(bool) { notSupported(); }
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
void XMLSheetImplT::setName(const char16_t*) { notSupported(); }
void XMLSheetImplT::setProtected(bool) { notSupported(); }
bool XMLSheetImplT::setHidden(int) { return notSupported(false); }
void XMLSheetImplT::cellReferenceToRowCol(const char16_t*, int*, int*, bool*, bool*) { notSupported(); }
const char16_t* XMLSheetImplT::rowColToCellReference(int, int, bool, bool) { return notSupported(static_cast<const char16_t*>(nullptr)); }

}  // namespace celvo

// Abstract worksheet. Slot order is fixed and shared by both engines.
//
// Read operations that take a format out-argument set it to null on entry
// (when it is not null) and to the cell's format when the cell holds the
// asked kind of value. Rows and columns are 0-based.
#pragma once

namespace celvo {

class IFormatT;

// Cell types returned by cellType.
enum CellType { CELLTYPE_EMPTY = 0, CELLTYPE_NUMBER = 1, CELLTYPE_STRING = 2,
                CELLTYPE_BOOLEAN = 3, CELLTYPE_BLANK = 4, CELLTYPE_ERROR = 5 };

// Error codes returned by readError (255 is the failure value).
enum ErrorCode { ERRORCODE_NULL = 0, ERRORCODE_DIV_0 = 7, ERRORCODE_VALUE = 15,
                 ERRORCODE_REF = 23, ERRORCODE_NAME = 29, ERRORCODE_NUM = 36,
                 ERRORCODE_NA = 42, ERRORCODE_FAILURE = 255 };

// Sheet states of hidden / setHidden.
enum SheetState { SHEETSTATE_VISIBLE = 0, SHEETSTATE_HIDDEN = 1, SHEETSTATE_VERYHIDDEN = 2 };

class ISheetT {
public:
    virtual int cellType(int row, int col) = 0;                                              // 0
    virtual bool isFormula(int row, int col) = 0;
    virtual IFormatT* cellFormat(int row, int col) = 0;
    virtual void setCellFormat(int row, int col, IFormatT* format) = 0;
    virtual const char16_t* readString(int row, int col, IFormatT** format) = 0;
    virtual bool writeString(int row, int col, const char16_t* value, IFormatT* format) = 0;  // 5
    virtual double readNumber(int row, int col, IFormatT** format) = 0;
    virtual bool writeNumber(int row, int col, double value, IFormatT* format) = 0;
    virtual bool readBool(int row, int col, IFormatT** format) = 0;
    virtual bool writeBool(int row, int col, bool value, IFormatT* format) = 0;
    virtual bool readBlank(int row, int col, IFormatT** format) = 0;                          // 10
    virtual bool writeBlank(int row, int col, IFormatT* format) = 0;
    virtual const char16_t* readFormula(int row, int col, IFormatT** format) = 0;
    virtual bool writeFormula(int row, int col, const char16_t* expr, IFormatT* format) = 0;
    virtual const char16_t* readComment(int row, int col) = 0;
    virtual void writeComment(int row, int col, const char16_t* value, const char16_t* author,
                              int width, int height) = 0;                                      // 15
    virtual bool isDate(int row, int col) = 0;
    virtual int readError(int row, int col) = 0;
    virtual double columnWidth(int col) = 0;
    virtual double rowHeight(int row) = 0;
    virtual bool setColumn(int colFirst, int colLast, double width, IFormatT* format,
                           bool hidden) = 0;                                                   // 20
    virtual bool setRow(int row, double height, IFormatT* format, bool hidden) = 0;
    virtual bool isRowHidden(int row) = 0;
    virtual bool setRowHidden(int row, bool hidden) = 0;
    virtual bool isColumnHidden(int col) = 0;
    virtual bool setColumnHidden(int col, bool hidden) = 0;                                   // 25
    virtual bool getMerge(int row, int col, int* rowFirst, int* rowLast, int* colFirst,
                          int* colLast) = 0;
    virtual bool setMerge(int rowFirst, int rowLast, int colFirst, int colLast) = 0;
    virtual bool deleteMerge(int row, int col) = 0;
    virtual int pictureCount() = 0;
    virtual int getPicture(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight,
                           int* width, int* height, int* offset_x, int* offset_y) = 0;        // 30
    virtual void setPicture(int row, int col, int pictureId, double scale, int offset_x,
                            int offset_y) = 0;
    virtual void setPictureWithSize(int row, int col, int pictureId, int width, int height,
                                    int offset_x, int offset_y) = 0;
    virtual int horizontalPageBreak(int index) = 0;
    virtual int horizontalPageBreakCount() = 0;
    virtual int verticalPageBreak(int index) = 0;                                             // 35
    virtual int verticalPageBreakCount() = 0;
    virtual bool setHorizontalPageBreak(int row, bool pageBreak) = 0;
    virtual bool setVerticalPageBreak(int col, bool pageBreak) = 0;
    virtual void split(int row, int col) = 0;
    virtual bool groupRows(int rowFirst, int rowLast, bool collapsed) = 0;                    // 40
    virtual bool groupColumns(int colFirst, int colLast, bool collapsed) = 0;
    virtual bool groupSummaryBelow() = 0;
    virtual void setGroupSummaryBelow(bool below) = 0;
    virtual bool groupSummaryRight() = 0;
    virtual void setGroupSummaryRight(bool right) = 0;                                        // 45
    virtual bool clearCells(int rowFirst, int rowLast, int colFirst, int colLast) = 0;
    virtual bool insertColumns(int colFirst, int colLast) = 0;
    virtual bool insertRows(int rowFirst, int rowLast) = 0;
    virtual bool removeColumns(int colFirst, int colLast) = 0;
    virtual bool removeRows(int rowFirst, int rowLast) = 0;                                   // 50
    virtual bool copyCell(int rowSrc, int colSrc, int rowDst, int colDst) = 0;
    virtual int firstRow() = 0;
    virtual int lastRow() = 0;
    virtual int firstColumn() = 0;
    virtual int lastColumn() = 0;                                                             // 55
    virtual bool displayGridlines() = 0;
    virtual void setDisplayGridlines(bool show) = 0;
    virtual bool printGridlines() = 0;
    virtual void setPrintGridlines(bool print) = 0;
    virtual int zoom() = 0;                                                                   // 60
    virtual void setZoom(int zoom) = 0;
    virtual int printZoom() = 0;
    virtual void setPrintZoom(int zoom) = 0;
    virtual bool getPrintFit(int* wPages, int* hPages) = 0;
    virtual void setPrintFit(int wPages, int hPages) = 0;                                     // 65
    virtual bool landscape() = 0;
    virtual void setLandscape(bool landscape) = 0;
    virtual int paper() = 0;
    virtual void setPaper(int paper) = 0;
    virtual const char16_t* header() = 0;                                                     // 70
    virtual bool setHeader(const char16_t* header, double margin) = 0;
    virtual double headerMargin() = 0;
    virtual const char16_t* footer() = 0;
    virtual bool setFooter(const char16_t* footer, double margin) = 0;
    virtual double footerMargin() = 0;                                                        // 75
    virtual bool horizontalCentered() = 0;
    virtual void setHorizontalCentered(bool center) = 0;
    virtual bool verticalCentered() = 0;
    virtual void setVerticalCentered(bool center) = 0;
    virtual double marginLeft() = 0;                                                          // 80
    virtual void setMarginLeft(double margin) = 0;
    virtual double marginRight() = 0;
    virtual void setMarginRight(double margin) = 0;
    virtual double marginTop() = 0;
    virtual void setMarginTop(double margin) = 0;                                             // 85
    virtual double marginBottom() = 0;
    virtual void setMarginBottom(double margin) = 0;
    virtual bool printHeadings() = 0;
    virtual void setPrintHeadings(bool print) = 0;
    virtual void setPrintRepeatRows(int rowFirst, int rowLast) = 0;                           // 90
    virtual void setPrintRepeatColumns(int colFirst, int colLast) = 0;
    virtual void setPrintArea(int rowFirst, int rowLast, int colFirst, int colLast) = 0;
    virtual void clearPrintRepeats() = 0;
    virtual void clearPrintArea() = 0;
    virtual bool getNamedRange(const char16_t* name, int* rowFirst, int* rowLast, int* colFirst,
                               int* colLast) = 0;                                              // 95
    virtual bool setNamedRange(const char16_t* name, int rowFirst, int rowLast, int colFirst,
                               int colLast) = 0;
    virtual bool deleteNamedRange(const char16_t* name) = 0;
    virtual int namedRangeCount() = 0;
    virtual const char16_t* namedRange(int index, int* rowFirst, int* rowLast, int* colFirst,
                                       int* colLast) = 0;
    virtual const char16_t* name() = 0;                                                       // 100
    virtual void setName(const char16_t* name) = 0;
    virtual bool isProtected() = 0;
    virtual void setProtected(bool protect) = 0;
    virtual int hidden() = 0;
    virtual bool setHidden(int state) = 0;                                                    // 105
    virtual void cellReferenceToRowCol(const char16_t* ref, int* row, int* col, bool* rowRelative,
                                       bool* colRelative) = 0;
    virtual const char16_t* rowColToCellReference(int row, int col, bool rowRelative,
                                                  bool colRelative) = 0;                      // 107

protected:
    ~ISheetT() = default;  // sheets are owned and destroyed by their book
};

}  // namespace celvo

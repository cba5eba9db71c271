// A worksheet of a .xlsx book: at once a worksheet part of the package and
// the engine's sheet. Its name and visibility live in the workbook's sheet
// list, found through the sheet's place in it, which the book keeps
// current.
//
// The worksheet document is held by the root type below; the sheet
// operations that need the worksheet binding answer "not supported" until
// they are built (sheet_pending.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "celvo/ISheetT.h"
#include "celvo/text.h"
#include "celvo/xlerror.h"
#include "part.h"
#include "part_raw_xml.h"

namespace celvo {

class XMLBookImplT;

// The binding root of a worksheet part.
using WorksheetRoot = RawXmlDocument;

class XMLSheetImplT final : public XmlFile<WorksheetRoot>, public ISheetT {
public:
    // A new, empty worksheet.
    XMLSheetImplT();
    // A worksheet read from the bytes of its part.
    XMLSheetImplT(const char* data, std::size_t size);
    // A copy of another sheet's worksheet (the book gives it its place).
    XMLSheetImplT(const XMLSheetImplT& other);
    XMLSheetImplT& operator=(const XMLSheetImplT&) = delete;

    XMLBookImplT* book() const noexcept { return book_; }
    // The sheet's place in the book's sheet list, -1 when it has none.
    int sheetNumber() const noexcept { return sheetNumber_; }
    void bind(XMLBookImplT* book, int sheetNumber) noexcept
    {
        book_ = book;
        sheetNumber_ = sheetNumber;
    }
    // The book's message, which every sheet operation reports through.
    std::string& message();

    // Runs an operation under the book-message convention.
    template <class R, class Body>
    R guarded(R failValue, Body&& body)
    {
        if (!book_) return failValue;
        return guard(message(), failValue, std::forward<Body>(body));
    }
    template <class Body>
    void guardedVoid(Body&& body)
    {
        if (book_) guardVoid(message(), std::forward<Body>(body));
    }
    // The failure of an operation that is not built yet.
    template <class R>
    R notSupported(R failValue)
    {
        return guarded(failValue, [&]() -> R { throw xlerror("not supported"); });
    }
    void notSupported()
    {
        guardedVoid([] { throw xlerror("not supported"); });
    }

    // ISheetT.
    int cellType(int row, int col) override;
    bool isFormula(int row, int col) override;
    IFormatT* cellFormat(int row, int col) override;
    void setCellFormat(int row, int col, IFormatT* format) override;
    const char16_t* readString(int row, int col, IFormatT** format) override;
    bool writeString(int row, int col, const char16_t* value, IFormatT* format) override;
    double readNumber(int row, int col, IFormatT** format) override;
    bool writeNumber(int row, int col, double value, IFormatT* format) override;
    bool readBool(int row, int col, IFormatT** format) override;
    bool writeBool(int row, int col, bool value, IFormatT* format) override;
    bool readBlank(int row, int col, IFormatT** format) override;
    bool writeBlank(int row, int col, IFormatT* format) override;
    const char16_t* readFormula(int row, int col, IFormatT** format) override;
    bool writeFormula(int row, int col, const char16_t* expr, IFormatT* format) override;
    const char16_t* readComment(int row, int col) override;
    void writeComment(int row, int col, const char16_t* value, const char16_t* author, int width,
                      int height) override;
    bool isDate(int row, int col) override;
    int readError(int row, int col) override;
    double columnWidth(int col) override;
    double rowHeight(int row) override;
    bool setColumn(int colFirst, int colLast, double width, IFormatT* format, bool hidden) override;
    bool setRow(int row, double height, IFormatT* format, bool hidden) override;
    bool isRowHidden(int row) override;
    bool setRowHidden(int row, bool hidden) override;
    bool isColumnHidden(int col) override;
    bool setColumnHidden(int col, bool hidden) override;
    bool getMerge(int row, int col, int* rowFirst, int* rowLast, int* colFirst, int* colLast) override;
    bool setMerge(int rowFirst, int rowLast, int colFirst, int colLast) override;
    bool deleteMerge(int row, int col) override;
    int pictureCount() override;
    int getPicture(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight, int* width, int* height,
                   int* offset_x, int* offset_y) override;
    void setPicture(int row, int col, int pictureId, double scale, int offset_x, int offset_y) override;
    void setPictureWithSize(int row, int col, int pictureId, int width, int height, int offset_x,
                            int offset_y) override;
    int horizontalPageBreak(int index) override;
    int horizontalPageBreakCount() override;
    int verticalPageBreak(int index) override;
    int verticalPageBreakCount() override;
    bool setHorizontalPageBreak(int row, bool pageBreak) override;
    bool setVerticalPageBreak(int col, bool pageBreak) override;
    void split(int row, int col) override;
    bool groupRows(int rowFirst, int rowLast, bool collapsed) override;
    bool groupColumns(int colFirst, int colLast, bool collapsed) override;
    bool groupSummaryBelow() override;
    void setGroupSummaryBelow(bool below) override;
    bool groupSummaryRight() override;
    void setGroupSummaryRight(bool right) override;
    bool clearCells(int rowFirst, int rowLast, int colFirst, int colLast) override;
    bool insertColumns(int colFirst, int colLast) override;
    bool insertRows(int rowFirst, int rowLast) override;
    bool removeColumns(int colFirst, int colLast) override;
    bool removeRows(int rowFirst, int rowLast) override;
    bool copyCell(int rowSrc, int colSrc, int rowDst, int colDst) override;
    int firstRow() override;
    int lastRow() override;
    int firstColumn() override;
    int lastColumn() override;
    bool displayGridlines() override;
    void setDisplayGridlines(bool show) override;
    bool printGridlines() override;
    void setPrintGridlines(bool print) override;
    int zoom() override;
    void setZoom(int zoom) override;
    int printZoom() override;
    void setPrintZoom(int zoom) override;
    bool getPrintFit(int* wPages, int* hPages) override;
    void setPrintFit(int wPages, int hPages) override;
    bool landscape() override;
    void setLandscape(bool landscape) override;
    int paper() override;
    void setPaper(int paper) override;
    const char16_t* header() override;
    bool setHeader(const char16_t* header, double margin) override;
    double headerMargin() override;
    const char16_t* footer() override;
    bool setFooter(const char16_t* footer, double margin) override;
    double footerMargin() override;
    bool horizontalCentered() override;
    void setHorizontalCentered(bool center) override;
    bool verticalCentered() override;
    void setVerticalCentered(bool center) override;
    double marginLeft() override;
    void setMarginLeft(double margin) override;
    double marginRight() override;
    void setMarginRight(double margin) override;
    double marginTop() override;
    void setMarginTop(double margin) override;
    double marginBottom() override;
    void setMarginBottom(double margin) override;
    bool printHeadings() override;
    void setPrintHeadings(bool print) override;
    void setPrintRepeatRows(int rowFirst, int rowLast) override;
    void setPrintRepeatColumns(int colFirst, int colLast) override;
    void setPrintArea(int rowFirst, int rowLast, int colFirst, int colLast) override;
    void clearPrintRepeats() override;
    void clearPrintArea() override;
    bool getNamedRange(const char16_t* name, int* rowFirst, int* rowLast, int* colFirst, int* colLast) override;
    bool setNamedRange(const char16_t* name, int rowFirst, int rowLast, int colFirst, int colLast) override;
    bool deleteNamedRange(const char16_t* name) override;
    int namedRangeCount() override;
    const char16_t* namedRange(int index, int* rowFirst, int* rowLast, int* colFirst, int* colLast) override;
    const char16_t* name() override;
    void setName(const char16_t* name) override;
    bool isProtected() override;
    void setProtected(bool protect) override;
    int hidden() override;
    bool setHidden(int state) override;
    void cellReferenceToRowCol(const char16_t* ref, int* row, int* col, bool* rowRelative,
                               bool* colRelative) override;
    const char16_t* rowColToCellReference(int row, int col, bool rowRelative, bool colRelative) override;

private:
    XMLBookImplT* book_ = nullptr;
    int sheetNumber_ = -1;
    u16string textResult_;  // the text last handed out
};

}  // namespace celvo

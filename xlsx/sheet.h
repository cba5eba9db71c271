// A worksheet of a .xlsx book: at once a worksheet part of the package and
// the engine's sheet. Its cells live in the worksheet binding (rows sorted by
// index, the cells of a row by column, found by bisection); its name and
// visibility live in the workbook's sheet list, found through the sheet's
// place in it, which the book keeps current.
//
// The operations are spread as in the .xls engine: the object and the cell
// values here and in sheet.cpp, name, visibility, protection, the view, the
// print settings and page breaks in sheet_props.cpp, named ranges, the print
// area and titles in sheet_defined_names.cpp, the cell store (finding,
// creating, the used range) in sheet_cells.cpp, formulas in sheet_formula.cpp,
// rows, columns and outline in sheet_layout.cpp, merged ranges in
// sheet_merges.cpp, clearing and copying cells in sheet_clear.cpp, inserting
// and removing rows and columns in sheet_insert.cpp, writing the part in
// sheet_io.cpp, and cell comments, which the sheet does not keep and so
// answers "not supported", in sheet_comments.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "celvo/ISheetT.h"
#include "celvo/text.h"
#include "celvo/xlerror.h"
#include "ooxml/sml-sheet3.h"
#include "part.h"

namespace celvo {

class XMLBookImplT;
class Drawing;

// Reads a range reference of a part ("A1:C3", or "B2" for one cell) into its
// first and last row and column, in order; false for any other text.
bool readRangeRef(u16view ref, std::uint32_t& r1, std::uint32_t& c1, std::uint32_t& r2, std::uint32_t& c2);

// The binding root of a worksheet part.
using WorksheetRoot = sheet::c_worksheet;

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
    // The failure of an operation the sheet does not have.
    template <class R>
    R notSupported(R failValue)
    {
        return guarded(failValue, [&]() -> R { throw xlerror("not supported"); });
    }
    void notSupported()
    {
        guardedVoid([] { throw xlerror("not supported"); });
    }

    // Writes the part: its dimension rewritten from the used range.
    void serialize(std::string& out) override;

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

    // Marks the first view as the selected tab, or clears the mark; the
    // book calls it when its active sheet changes.
    void setTabSelected(bool selected);

    // ---- the cell store (sheet_cells.cpp) ---------------------------------

    sheet::c_CT_SheetData& sheetData() { return *root_.get_sheetData(); }
    sheet::c_CT_Row* findRow(int row) const;
    sheet::c_CT_Cell* findCell(int row, int col) const;
    // The cell that a write fills: the column, then the row, checked
    // ("col must be in range 0-16383", "row must be in range 0-1048575");
    // a shared-formula group the cell leads handed over; the old contents
    // cleared when asked (the style stays); the style of a format given set
    // ("unknown format"); the used range widened.
    sheet::c_CT_Cell& cellForWrite(int row, int col, IFormatT* format, bool clearContents);
    static void checkPosition(int row, int col);
    // Called before a cell's formula, value or place changes: a cell that
    // leads a shared-formula group gives the lead to the next member.
    void releaseSharedFormula(std::uint32_t row, sheet::c_CT_Cell& cell);
    // The used range: rows rowFirst up to rowEnd (not included), columns
    // likewise; all 0 for an empty sheet.
    struct UsedRange {
        int rowFirst = 0;
        int rowEnd = 0;
        int colFirst = 0;
        int colEnd = 0;
    };
    const UsedRange& usedRange();
    void widenUsedRange(int row, int col) noexcept;
    // After an edit that moves or removes cells: the used range is
    // recomputed, and the index of merged ranges and the order of the column
    // records are looked at again, when next needed.
    void markUsedRangeDirty() noexcept
    {
        usedRangeDirty_ = true;
        mergeIndexBuilt_ = false;
        columnsTidy_ = false;
    }
    void updateUsedRange();

    // ---- formulas (sheet_formula.cpp) -----------------------------------------

    // The formula text of a cell as stored, a member of a shared group
    // given its own shifted text; empty when it has none.
    u16string storedFormulaText(std::uint32_t row, const sheet::c_CT_Cell& cell);
    // The index of the leading cells of shared-formula groups, by si; built
    // when first needed and kept in step by every edit of a formula.
    struct SharedLead {
        std::uint32_t row;
        std::uint32_t col;
    };
    void forgetSharedFormulas() noexcept { sharedIndexBuilt_ = false; }
    // Gives the cells of every array formula that the block cuts through
    // (meets without holding it whole) formulas of their own, the array's
    // text each (sheet_clear.cpp). The arrays are found when first needed
    // and found again after an edit that moves them.
    void breakArraysCutBy(std::uint32_t r1, std::uint32_t c1, std::uint32_t r2, std::uint32_t c2);
    void forgetArrays() noexcept { arraysBuilt_ = false; }

    // ---- rows, columns and outline (sheet_layout.cpp) ----------------------
    // Row records are the rows of the cell store: they move and go with
    // their cells. Column numbers here are 0-based, as at the interface.

    // The widest digit of the book's default font in pixels, which column
    // widths in characters are measured in.
    int digitWidth() const;
    // The column records, as one `cols` list sorted by column, without
    // overlaps (created when missing). Lists read from a file are read as
    // they are until the first change makes them one: where records
    // overlap, the first one keeps the column.
    sheet::c_CT_Cols& tidyColumnRecords();
    // Columns first..last given records of their own: a record crossing
    // either end is cut there, and the columns no record covers get records
    // of the sheet's default width; the records of the range, in order.
    std::vector<sheet::c_CT_Col*> splitColumnRecords(int first, int last);
    // Columns inserted at `first`: the records at or right of it move right
    // by `count`, a record crossing it being cut there (the inserted columns
    // get none); what is pushed past the last column is cut off.
    void shiftColumnRecords(int first, int count);
    // Columns first..last removed: their records go, and those right of
    // them move left.
    void removeColumnRecords(int first, int last);

    // ---- merged ranges (sheet_merges.cpp) ------------------------------------

    struct MergeRange {
        std::uint32_t rowFirst = 0;
        std::uint32_t rowLast = 0;
        std::uint32_t colFirst = 0;
        std::uint32_t colLast = 0;
    };
    // The first merged range holding a cell, found through an index of the
    // ranges; null when none does. Ranges whose reference cannot be read
    // are left out.
    const MergeRange* mergeAt(int row, int col);
    // Drops the index (rebuilt when next needed): for a change of the
    // `mergeCells` element made elsewhere (the edits of rows and columns
    // move ranges through sheet_merges.h, and mark the used range dirty,
    // which drops it too).
    void forgetMerges() noexcept { mergeIndexBuilt_ = false; }

    // ---- pictures (sheet_pictures.cpp) ---------------------------------------
    // A column's width and a row's height in pixels.
    int columnWidthPx(int col) const;
    int rowHeightPx(int row) const;
    // The drawing part the worksheet's drawing element names, and its name;
    // null when the sheet has none; "can't find drawing object" when the
    // element names no drawing part.
    Drawing* drawingPart(u16string* name) const;

    // Hands a text out to the caller: held until the next text is.
    const char16_t* keepText(u16string text);

private:
    class Pixels;
    void placePicture(int row, int col, int pictureId, int width, int height, int offset_x, int offset_y);
    IFormatT* formatOfStyle(std::uint32_t style) const;
    std::uint32_t styleOfFormat(IFormatT* format) const;
    void buildSharedIndex();
    const SharedLead* sharedLead(std::uint32_t si);
    // Reads the cell that a read operation asks for: the format out-pointer
    // cleared first, "cell is not found" when there is none; the format set
    // when the body read the value.
    template <class R, class Body>
    R readCell(int row, int col, IFormatT** format, R failValue, Body&& body)
    {
        if (format) *format = nullptr;
        return guarded(failValue, [&]() -> R {
            const sheet::c_CT_Cell* cell = findCell(row, col);
            if (!cell) throw xlerror("cell is not found");
            R result = body(static_cast<std::uint32_t>(row), *cell);
            if (format) *format = formatOfStyle(cell->s());
            return result;
        });
    }

    XMLBookImplT* book_ = nullptr;
    int sheetNumber_ = -1;
    u16string textResult_;  // the text last handed out
    UsedRange usedRange_;
    bool usedRangeDirty_ = true;
    std::unordered_map<std::uint32_t, SharedLead> sharedLeads_;
    bool sharedIndexBuilt_ = false;

    // The sheet's format properties, made when missing (with the default
    // row height that the element requires).
    sheet::c_CT_SheetFormatPr& sheetFormat();
    // The used range takes a row in; its columns stay.
    void widenUsedRows(int row) noexcept;

    // Merged ranges: the ranges of `mergeCells` in order (one per item,
    // unreadable ones marked so), with the places of the ranges by tile of
    // the sheet; ranges over many tiles are listed apart.
    void buildMergeIndex();
    void indexMerge(std::uint32_t place);
    void mergesChanged();
    std::vector<MergeRange> mergeRanges_;
    std::vector<bool> mergeReadable_;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> mergeTiles_;
    std::vector<std::uint32_t> largeMerges_;
    bool mergeIndexBuilt_ = false;
    bool columnsTidy_ = false;

    // The array formulas: the cell holding each and its range.
    struct ArrayBlock {
        std::uint32_t row, col, r1, c1, r2, c2;
    };
    std::vector<ArrayBlock> arrays_;
    bool arraysBuilt_ = false;
};

}  // namespace celvo

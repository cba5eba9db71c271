// A worksheet of a .xls book: its cells as BIFF8 cell records indexed by the
// cell grid, its row and column records, its settings records with the
// values of a new sheet, and every record of its substream that the engine
// does not model, kept in file order and written back.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cell_grid.h"
#include "celvo/ISheetT.h"
#include "celvo/text.h"
#include "celvo/xlerror.h"
#include "globals_protect.h"
#include "msodrawing.h"
#include "sheet_records_cells.h"
#include "sheet_records_formula.h"
#include "sheet_records_pagesetup.h"
#include "sheet_records_settings.h"
#include "sheet_records_text.h"

namespace celvo {

class BookImplT;
struct CellCensus;

class SheetImplT final : public ISheetT {
public:
    static constexpr std::uint16_t kDefaultXf = 15;

    // A new, empty worksheet.
    SheetImplT(BookImplT& book, u16view name);
    // A copy of another sheet of the same book: every record list and the
    // grid, so the copied slots name the copied records.
    SheetImplT(const SheetImplT& other);
    SheetImplT& operator=(const SheetImplT&) = delete;

    // Reads one substream from where the stream stands (normally its BOF)
    // up to and including its EOF record, or to the end of the stream.
    void read(BiffInput& in);
    void readSubstream(BiffInput& in) { read(in); }
    // Writes the substream, BOF to EOF.
    void write(BiffOutput& out);

    BookImplT* book() const noexcept { return book_; }
    void detach() noexcept { book_ = nullptr; }
    // The sheet's content moved to another book object (a load took it).
    void rebind(BookImplT& book) noexcept { book_ = &book; }
    bool selected() const noexcept { return (window2_.options & Window2::kSelected) != 0; }
    void setSelected(bool on) noexcept;
    bool isRefModeA1() const noexcept { return refMode_.value != 0; }
    void setRefModeA1(bool a1) noexcept { refMode_.value = a1 ? 1 : 0; }
    bool r1c1() const noexcept { return !isRefModeA1(); }
    void setR1C1(bool on) noexcept { setRefModeA1(!on); }
    const u16string& nameText() const noexcept { return name_; }
    void setNameText(u16view name) { name_.assign(name.data(), name.size()); }
    // The book's picture numbers (from 1) that the sheet's placed picture
    // shapes show, one for each shape that shows one.
    std::vector<std::size_t> placedPictureNumbers() const;
    // Position of this sheet in the book's list, 0 when it is not there.
    int sheetIndex() const noexcept;
    // Pixel sizes of a column and a row on the display (0 when hidden).
    int columnPixels(int col) const;
    int rowPixels(int row) const;

    // The used range after recomputation when cells were removed.
    const Dimensions& usedRange();
    const CellGrid& grid() const noexcept { return cells_; }
    // The records of the substream that the sheet does not model, in file order.
    const std::vector<RawRecord>& rawRecords() const noexcept { return rawRecords_; }
    MsoDrawing& drawing() noexcept { return drawing_; }
    const MsoDrawing& drawing() const noexcept { return drawing_; }
    const std::vector<Note>& notes() const noexcept { return notes_; }
    std::vector<Note>& notes() noexcept { return notes_; }

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
    int getPicture(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight, int* width,
                   int* height, int* offset_x, int* offset_y) override;
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
    bool getNamedRange(const char16_t* name, int* rowFirst, int* rowLast, int* colFirst,
                       int* colLast) override;
    bool setNamedRange(const char16_t* name, int rowFirst, int rowLast, int colFirst, int colLast) override;
    bool deleteNamedRange(const char16_t* name) override;
    int namedRangeCount() override;
    const char16_t* namedRange(int index, int* rowFirst, int* rowLast, int* colFirst, int* colLast) override;
    const char16_t* name() override { return name_.c_str(); }
    void setName(const char16_t* name) override;
    bool isProtected() override;
    void setProtected(bool protect) override;
    int hidden() override;
    bool setHidden(int state) override;
    void cellReferenceToRowCol(const char16_t* ref, int* row, int* col, bool* rowRelative,
                               bool* colRelative) override;
    const char16_t* rowColToCellReference(int row, int col, bool rowRelative, bool colRelative) override;

private:
    friend class SheetReader;
    friend class SheetWriter;
    friend class GridEditor;  // inserted and removed rows and columns

    // The book-message convention for this sheet's operations; a sheet that
    // has left its book answers the failure value.
    template <class R, class Body>
    R guarded(R failValue, Body&& body);
    template <class Body>
    void guardedVoid(Body&& body);
    std::string& message() const;
    // A read operation: the position check, then `pick` (slot, value, xf)
    // takes the kinds of cell it reads and answers false for the others,
    // which fail with `notThisKind`; the format goes to the out-parameter.
    template <class R, class Pick>
    R readCell(int row, int col, IFormatT** format, R failValue, const char* notThisKind, Pick&& pick);
    // The FORMULA record of a formula cell whose cached result is `result`.
    const Formula* formulaWith(std::uint32_t slot, FormulaResult result) const;

    // Rows and columns (sheet_layout.cpp).
    Row* rowRecord(int row);
    Row& addRowRecord(int row, std::uint16_t options);
    const ColInfo* coveringColumn(int col) const;
    int digitWidth() const;
    static std::uint16_t storedColumnWidth(double width);
    // Width, format (-1: keep) and hidden bit for the columns of the range.
    void putColumns(int colFirst, int colLast, std::uint16_t width, int xf, bool hidden);
    static bool setPageBreak(PageBreaks& breaks, int pos, bool pageBreak, std::uint16_t last);

    // Formula groups in block edits (sheet_clear.cpp).
    static bool isArrayAnchor(const FormulaBlock& block);
    static CellRange16 arrayRange(const FormulaBlock& block);
    // Makes the block a formula of its own with these tokens.
    static void ownFormula(FormulaBlock& block, std::vector<std::uint8_t> tokens, std::vector<std::uint8_t> extra);
    // The tokens a member of a shared or array formula would hold on its own.
    void groupTokens(const FormulaBlock& block, std::vector<std::uint8_t>& tokens,
                     std::vector<std::uint8_t>& extra) const;
    // Every cell of the array formula anchored at the slot gets a formula
    // of its own.
    void breakArray(std::uint32_t anchorSlot);
    // The same for the array formula that the cell of this slot belongs
    // to, if any.
    void breakArrayOf(std::uint32_t slot);
    // Removes the comments of the cells of the block.
    void removeComments(int rowFirst, int rowLast, int colFirst, int colLast);
    template <class Rec>
    void copyRecord(std::vector<Rec>& list, std::uint32_t src, std::uint32_t dst, CellKind kind, std::uint16_t row,
                    std::uint16_t col);

    // Throws the position messages unless (row, col) lies on the sheet.
    static void checkPosition(int row, int col);
    // The slot of a cell, 0 when it is empty or off the sheet.
    std::uint32_t slotAt(int row, int col) const noexcept
    {
        return cells_.at(static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col));
    }
    // Format index of the record a present slot names.
    std::uint16_t xfOf(std::uint32_t slot) const;
    void setXfOf(std::uint32_t slot, std::uint16_t xf);
    // The book's format at a format index (null when there is none).
    IFormatT* formatAt(std::uint16_t xf) const;
    // Position of a format in the book's list: the last entry equal to it;
    // -1 when it is not there.
    int formatIndex(const IFormatT* format) const;
    // The xf for a write: the format's position, else the xf of the cell
    // standing there, else 15.
    std::uint16_t xfForWrite(std::uint32_t slot, IFormatT* format, const char* notFound) const;
    // Links (row, col) to the record at `position` of `kind`.
    void placeCell(std::uint16_t row, std::uint16_t col, CellKind kind, std::size_t position);
    // Makes room in the cell lists for the cells a substream holds.
    void reserveCells(const CellCensus& census);
    // Appends a cell read from a file, checked against the grid.
    template <class Rec>
    void addCell(std::vector<Rec>& list, Rec rec, CellKind kind);
    template <class Rec>
    void readCellRecord(RecordCursor& rec, std::vector<Rec>& list, CellKind kind);
    // When the cell at (row, col) anchors a shared formula, the next member
    // of the range takes the shared formula over.
    void handOverSharedFormula(std::uint32_t slot);
    // The first cell a formula's single PtgExp token points at.
    static bool expTarget(const Formula& f, std::uint16_t& row, std::uint16_t& col);
    // Formula cells (sheet_formula.cpp). The formula cell at a position,
    // null when the cell holds something else.
    FormulaBlock* formulaBlockAt(std::uint32_t row, std::uint32_t col);
    // The text of a formula cell in the book's reference mode.
    u16string formulaTextOf(const FormulaBlock& cell, int row, int col);
    bool stringIndexUsedElsewhere(std::uint32_t index, const LabelSst* self) const;
    const char16_t* keepText(u16view text);
    // setPicture's and setPictureWithSize's work; throws their failures.
    void placePicture(int row, int col, int pictureId, int width, int height, int offset_x, int offset_y);
    // writeComment's work; throws its failures.
    void addComment(int row, int col, const char16_t* value, const char16_t* author, int width, int height);
    // Every raw record with this id, at a fixed point of the substream.
    void writeRawAt(BiffOutput& out, std::uint16_t id) const;
    void recomputeUsedRange();

    BookImplT* book_;
    u16string name_;
    Bof bof_;
    Index index_;
    CalcMode calcMode_;
    CalcCount calcCount_;
    CalcRefMode refMode_;
    CalcIter iteration_;
    CalcDelta delta_;
    CalcSaveRecalc saveRecalc_;
    PrintRowCol printHeaders_;
    PrintGrid printGridlines_;
    GridSet gridSet_;
    Guts guts_;
    DefaultRowHeight defaultRowHeight_;
    WsBool wsBool_;
    PageSetup pageSetup_;
    SheetProtection protection_;
    DefColWidth defColWidth_;
    Dimensions dimensions_;
    Window2 window2_;
    PhoneticInfo phonetic_;
    Scl scl_;
    VerticalPageBreaks verticalBreaks_;
    HorizontalPageBreaks horizontalBreaks_;
    std::vector<Row> rows_;
    std::vector<LabelSst> labelSstCells_;
    std::vector<Label> labelCells_;
    std::vector<RK> rkCells_;
    std::vector<Number> numberCells_;
    std::vector<ColInfo> colInfos_;
    std::vector<MergeCells> mergeCells_;
    std::vector<Blank> blankCells_;
    std::vector<BoolErr> boolErrCells_;
    std::vector<FormulaBlock> formulaCells_;
    std::vector<Selection> selections_;
    std::vector<DBCell> dbCells_;
    std::vector<RawRecord> rawRecords_;
    // The drawing layer: shapes with their OBJ, TXO and CONTINUE records and
    // embedded chart substreams.
    MsoDrawing drawing_;
    std::vector<Note> notes_;
    Pane pane_;
    CellGrid cells_;
    u16string formulaText_;
    Uncalced uncalced_;
    u16string textBuffer_;
    u16string referenceText_;  // the text of rowColToCellReference
    bool usedRangeDirty_ = false;
};

template <class R, class Body>
R SheetImplT::guarded(R failValue, Body&& body)
{
    if (!book_) return failValue;
    return guard(message(), failValue, std::forward<Body>(body));
}

template <class Body>
void SheetImplT::guardedVoid(Body&& body)
{
    if (book_) guardVoid(message(), std::forward<Body>(body));
}

template <class R, class Pick>
R SheetImplT::readCell(int row, int col, IFormatT** format, R failValue, const char* notThisKind, Pick&& pick)
{
    if (format) *format = nullptr;
    return guarded(failValue, [&]() -> R {
        checkPosition(row, col);
        const std::uint32_t s = slotAt(row, col);
        R value = failValue;
        std::uint16_t xf = 0;
        if (!slotPresent(s) || !pick(s, value, xf)) throw xlerror(notThisKind);
        if (format) *format = formatAt(xf);
        return value;
    });
}

}  // namespace celvo

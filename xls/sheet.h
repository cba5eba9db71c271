// A worksheet of a .xls book in its first form: a name, the records of its
// substream kept one for one and written back, and the cell operations
// answering their failure values.
#pragma once

#include <cstdint>
#include <vector>

#include "celvo/ISheetT.h"
#include "globals_records.h"

namespace celvo {

class BookImplT;

class SheetImplT final : public ISheetT {
public:
    // A new, empty worksheet.
    SheetImplT(BookImplT& book, u16view name);
    // A copy of another sheet of the same book.
    SheetImplT(const SheetImplT& other) = default;
    SheetImplT& operator=(const SheetImplT&) = delete;

    // The substream from its BOF to the matching EOF; records that the stream
    // holds inside it (embedded charts) are kept with it.
    void readSubstream(BiffInput& in);
    void write(BiffOutput& out) const;

    BookImplT* book() const noexcept { return book_; }
    void detach() noexcept { book_ = nullptr; }
    bool selected() const noexcept { return selected_; }
    void setSelected(bool on) noexcept { selected_ = on; }
    bool r1c1() const noexcept { return r1c1_; }
    void setR1C1(bool on) noexcept { r1c1_ = on; }
    const u16string& nameText() const noexcept { return name_; }
    void setNameText(u16view name) { name_.assign(name.data(), name.size()); }
    const std::vector<RawRecord>& records() const noexcept { return records_; }

    int cellType(int row, int col) override;
    bool isFormula(int, int) override { return false; }
    IFormatT* cellFormat(int, int) override;
    void setCellFormat(int, int, IFormatT*) override;
    const char16_t* readString(int, int, IFormatT** format) override;
    bool writeString(int, int, const char16_t*, IFormatT*) override;
    double readNumber(int, int, IFormatT** format) override;
    bool writeNumber(int, int, double, IFormatT*) override;
    bool readBool(int, int, IFormatT** format) override;
    bool writeBool(int, int, bool, IFormatT*) override;
    bool readBlank(int, int, IFormatT** format) override;
    bool writeBlank(int, int, IFormatT*) override;
    const char16_t* readFormula(int, int, IFormatT** format) override;
    bool writeFormula(int, int, const char16_t*, IFormatT*) override;
    const char16_t* readComment(int, int) override { return nullptr; }
    void writeComment(int, int, const char16_t*, const char16_t*, int, int) override;
    bool isDate(int, int) override { return false; }
    int readError(int row, int col) override;
    double columnWidth(int) override { return 0.0; }
    double rowHeight(int) override { return 0.0; }
    bool setColumn(int, int, double, IFormatT*, bool) override;
    bool setRow(int, double, IFormatT*, bool) override;
    bool isRowHidden(int) override { return false; }
    bool setRowHidden(int, bool) override { return false; }
    bool isColumnHidden(int) override { return false; }
    bool setColumnHidden(int, bool) override;
    bool getMerge(int, int, int*, int*, int*, int*) override;
    bool setMerge(int, int, int, int) override;
    bool deleteMerge(int, int) override;
    int pictureCount() override;
    int getPicture(int, int*, int*, int*, int*, int*, int*, int*, int*) override;
    void setPicture(int, int, int, double, int, int) override;
    void setPictureWithSize(int, int, int, int, int, int, int) override;
    int horizontalPageBreak(int) override;
    int horizontalPageBreakCount() override;
    int verticalPageBreak(int) override;
    int verticalPageBreakCount() override;
    bool setHorizontalPageBreak(int, bool) override;
    bool setVerticalPageBreak(int, bool) override;
    void split(int, int) override;
    bool groupRows(int, int, bool) override;
    bool groupColumns(int, int, bool) override;
    bool groupSummaryBelow() override { return true; }
    void setGroupSummaryBelow(bool) override {}
    bool groupSummaryRight() override { return true; }
    void setGroupSummaryRight(bool) override {}
    bool clearCells(int, int, int, int) override;
    bool insertColumns(int, int) override;
    bool insertRows(int, int) override;
    bool removeColumns(int, int) override;
    bool removeRows(int, int) override;
    bool copyCell(int, int, int, int) override;
    int firstRow() override { return 0; }
    int lastRow() override { return 0; }
    int firstColumn() override { return 0; }
    int lastColumn() override { return 0; }
    bool displayGridlines() override { return true; }
    void setDisplayGridlines(bool) override {}
    bool printGridlines() override { return false; }
    void setPrintGridlines(bool) override {}
    int zoom() override { return 100; }
    void setZoom(int) override {}
    int printZoom() override { return 100; }
    void setPrintZoom(int) override {}
    bool getPrintFit(int*, int*) override { return false; }
    void setPrintFit(int, int) override {}
    bool landscape() override { return false; }
    void setLandscape(bool) override {}
    int paper() override { return 0; }
    void setPaper(int) override {}
    const char16_t* header() override { return nullptr; }
    bool setHeader(const char16_t*, double) override;
    double headerMargin() override { return 0.5; }
    const char16_t* footer() override { return nullptr; }
    bool setFooter(const char16_t*, double) override;
    double footerMargin() override { return 0.5; }
    bool horizontalCentered() override { return false; }
    void setHorizontalCentered(bool) override {}
    bool verticalCentered() override { return false; }
    void setVerticalCentered(bool) override {}
    double marginLeft() override { return 0.75; }
    void setMarginLeft(double) override {}
    double marginRight() override { return 0.75; }
    void setMarginRight(double) override {}
    double marginTop() override { return 1.0; }
    void setMarginTop(double) override {}
    double marginBottom() override { return 1.0; }
    void setMarginBottom(double) override {}
    bool printHeadings() override { return false; }
    void setPrintHeadings(bool) override {}
    void setPrintRepeatRows(int, int) override;
    void setPrintRepeatColumns(int, int) override;
    void setPrintArea(int, int, int, int) override;
    void clearPrintRepeats() override;
    void clearPrintArea() override;
    bool getNamedRange(const char16_t*, int*, int*, int*, int*) override;
    bool setNamedRange(const char16_t*, int, int, int, int) override;
    bool deleteNamedRange(const char16_t*) override;
    int namedRangeCount() override;
    const char16_t* namedRange(int, int*, int*, int*, int*) override;
    const char16_t* name() override { return name_.c_str(); }
    void setName(const char16_t* name) override;
    bool isProtected() override { return false; }
    void setProtected(bool) override {}
    int hidden() override;
    bool setHidden(int state) override;
    void cellReferenceToRowCol(const char16_t*, int*, int*, bool*, bool*) override;
    const char16_t* rowColToCellReference(int, int, bool, bool) override;

private:
    // Sets the book's failure text for the operations this sheet does not
    // carry out yet.
    void unsupported() const;

    BookImplT* book_;
    u16string name_;
    std::vector<RawRecord> records_;
    bool selected_ = false;
    bool r1c1_ = false;
};

// A sheet name cut to the 31 units a sheet name may have (never inside a
// surrogate pair); *cut tells whether anything was cut.
u16string cutSheetName(u16view name, bool* cut);

}  // namespace celvo

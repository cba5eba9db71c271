#include "sheet.h"

#include "book.h"

namespace celvo {

namespace {
constexpr std::uint16_t kBofId = 0x0809;
constexpr std::uint16_t kEofId = 0x000A;
constexpr std::uint16_t kDimensionsId = 0x0200;
constexpr std::uint16_t kWindow2Id = 0x023E;
constexpr std::uint16_t kWindow2Selected = 0x0600;  // fSelected and fPaged

RawRecord makeRecord(std::uint16_t id, const ByteWriter& body)
{
    RawRecord r;
    r.id = id;
    r.data = body.buffer();
    return r;
}
}  // namespace

u16string cutSheetName(u16view name, bool* cut)
{
    std::size_t n = name.size();
    *cut = n > 31;
    if (n > 31) {
        n = 31;
        // Keep a character outside the Basic Multilingual Plane whole.
        if (name[30] >= 0xD800 && name[30] <= 0xDBFF) n = 30;
    }
    return u16string(name.substr(0, n));
}

SheetImplT::SheetImplT(BookImplT& book, u16view name) : book_(&book), name_(name)
{
    ByteWriter bof;  // BIFF8 worksheet substream
    for (std::uint16_t v : {0x0600, 0x0010, 0x18D3, 0x07CD}) bof.u16(v);
    bof.u32(1);
    bof.u32(6);
    records_.push_back(makeRecord(kBofId, bof));
    ByteWriter dims;
    dims.zeros(14);
    records_.push_back(makeRecord(kDimensionsId, dims));
    ByteWriter window2;
    window2.u16(0x00B6);  // gridlines, headers, zeros, default colour, outline symbols
    window2.u16(0);
    window2.u16(0);
    window2.u16(64);
    window2.zeros(10);
    records_.push_back(makeRecord(kWindow2Id, window2));
    records_.push_back(makeRecord(kEofId, ByteWriter()));
}

void SheetImplT::write(BiffOutput& out) const
{
    for (const RawRecord& r : records_) {
        if (r.id == kWindow2Id && r.data.size() >= 2) {
            // The tab selection follows the book's active sheet.
            RawRecord w = r;
            std::uint16_t grbit = getU16(w.data.data());
            grbit = static_cast<std::uint16_t>(selected_ ? (grbit | kWindow2Selected)
                                                         : (grbit & ~kWindow2Selected));
            putU16(w.data.data(), grbit);
            w.write(out);
            continue;
        }
        r.write(out);
    }
}

void SheetImplT::readSubstream(BiffInput& in)
{
    records_.clear();
    int depth = 0;
    while (!in.eof()) {
        // Every record is kept, an old DIMENSIONS (id 0) that some writers
        // still put in a worksheet included.
        RecordCursor rec = in.next();
        RawRecord r;
        r.read(rec);
        records_.push_back(std::move(r));
        if (rec.id() == kBofId) {
            ++depth;
        } else if (rec.id() == kEofId) {
            if (--depth <= 0) return;
        }
    }
    // A stream that ends before the sheet's EOF: the sheet keeps what it had
    // and is closed so that it is written back whole.
    records_.push_back(makeRecord(kEofId, ByteWriter()));
}

void SheetImplT::unsupported() const
{
    if (book_) book_->message() = "operation is not supported for this sheet yet";
}

int SheetImplT::cellType(int, int)
{
    if (book_) book_->message() = "ok";
    return CELLTYPE_EMPTY;
}

IFormatT* SheetImplT::cellFormat(int, int) { unsupported(); return nullptr; }
void SheetImplT::setCellFormat(int, int, IFormatT*) { unsupported(); }

const char16_t* SheetImplT::readString(int, int, IFormatT** format)
{
    if (format) *format = nullptr;
    if (book_) book_->message() = "this cell doesn't contain a string";
    return nullptr;
}

bool SheetImplT::writeString(int, int, const char16_t*, IFormatT*) { unsupported(); return false; }

double SheetImplT::readNumber(int, int, IFormatT** format)
{
    if (format) *format = nullptr;
    if (book_) book_->message() = "this cell doesn't contain a number";
    return 0.0;
}

bool SheetImplT::writeNumber(int, int, double, IFormatT*) { unsupported(); return false; }

bool SheetImplT::readBool(int, int, IFormatT** format)
{
    if (format) *format = nullptr;
    if (book_) book_->message() = "this cell doesn't contain a boolean";
    return false;
}

bool SheetImplT::writeBool(int, int, bool, IFormatT*) { unsupported(); return false; }

bool SheetImplT::readBlank(int, int, IFormatT** format)
{
    if (format) *format = nullptr;
    if (book_) book_->message() = "this cell isn't blank";
    return false;
}

bool SheetImplT::writeBlank(int, int, IFormatT*) { unsupported(); return false; }

const char16_t* SheetImplT::readFormula(int, int, IFormatT** format)
{
    if (format) *format = nullptr;
    if (book_) book_->message() = "this cell doesn't contain a formula";
    return nullptr;
}

bool SheetImplT::writeFormula(int, int, const char16_t*, IFormatT*) { unsupported(); return false; }
void SheetImplT::writeComment(int, int, const char16_t*, const char16_t*, int, int) { unsupported(); }

int SheetImplT::readError(int, int)
{
    if (book_) book_->message() = "ok";
    return ERRORCODE_FAILURE;
}

bool SheetImplT::setColumn(int, int, double, IFormatT*, bool) { unsupported(); return false; }
bool SheetImplT::setRow(int, double, IFormatT*, bool) { unsupported(); return false; }
bool SheetImplT::setColumnHidden(int, bool) { unsupported(); return false; }
bool SheetImplT::getMerge(int, int, int*, int*, int*, int*) { unsupported(); return false; }
bool SheetImplT::setMerge(int, int, int, int) { unsupported(); return false; }
bool SheetImplT::deleteMerge(int, int) { unsupported(); return false; }

int SheetImplT::pictureCount()
{
    if (book_) book_->message() = "ok";
    return 0;
}

int SheetImplT::getPicture(int, int*, int*, int*, int*, int*, int*, int*, int*) { unsupported(); return -1; }
void SheetImplT::setPicture(int, int, int, double, int, int) { unsupported(); }
void SheetImplT::setPictureWithSize(int, int, int, int, int, int, int) { unsupported(); }
int SheetImplT::horizontalPageBreak(int) { unsupported(); return -1; }

int SheetImplT::horizontalPageBreakCount()
{
    if (book_) book_->message() = "ok";
    return 0;
}

int SheetImplT::verticalPageBreak(int) { unsupported(); return -1; }

int SheetImplT::verticalPageBreakCount()
{
    if (book_) book_->message() = "ok";
    return 0;
}

bool SheetImplT::setHorizontalPageBreak(int, bool) { unsupported(); return false; }
bool SheetImplT::setVerticalPageBreak(int, bool) { unsupported(); return false; }
void SheetImplT::split(int, int) { unsupported(); }
bool SheetImplT::groupRows(int, int, bool) { unsupported(); return false; }
bool SheetImplT::groupColumns(int, int, bool) { unsupported(); return false; }
bool SheetImplT::clearCells(int, int, int, int) { unsupported(); return false; }
bool SheetImplT::insertColumns(int, int) { unsupported(); return false; }
bool SheetImplT::insertRows(int, int) { unsupported(); return false; }
bool SheetImplT::removeColumns(int, int) { unsupported(); return false; }
bool SheetImplT::removeRows(int, int) { unsupported(); return false; }
bool SheetImplT::copyCell(int, int, int, int) { unsupported(); return false; }
bool SheetImplT::setHeader(const char16_t*, double) { unsupported(); return false; }
bool SheetImplT::setFooter(const char16_t*, double) { unsupported(); return false; }
void SheetImplT::setPrintRepeatRows(int, int) { unsupported(); }
void SheetImplT::setPrintRepeatColumns(int, int) { unsupported(); }
void SheetImplT::setPrintArea(int, int, int, int) { unsupported(); }
void SheetImplT::clearPrintRepeats() { unsupported(); }
void SheetImplT::clearPrintArea() { unsupported(); }
bool SheetImplT::getNamedRange(const char16_t*, int*, int*, int*, int*) { unsupported(); return false; }
bool SheetImplT::setNamedRange(const char16_t*, int, int, int, int) { unsupported(); return false; }
bool SheetImplT::deleteNamedRange(const char16_t*) { unsupported(); return false; }

int SheetImplT::namedRangeCount()
{
    if (book_) book_->message() = "ok";
    return 0;
}

const char16_t* SheetImplT::namedRange(int, int*, int*, int*, int*) { unsupported(); return nullptr; }

void SheetImplT::setName(const char16_t* name)
{
    if (!book_) return;
    guardVoid(book_->message(), [&] {
        if (!name) throw xlerror("sheet name is null");
        bool cut = false;
        name_ = cutSheetName(u16(name), &cut);
        if (cut) book_->message() = "warning: sheet's name is cut to 31 characters";
    });
}

int SheetImplT::hidden()
{
    if (!book_) return SHEETSTATE_VISIBLE;
    const int i = book_->sheetIndex(this);
    if (i < 0) return SHEETSTATE_VISIBLE;
    return book_->boundSheets()[static_cast<std::size_t>(i)].hsState & 3;
}

bool SheetImplT::setHidden(int state)
{
    if (!book_) return false;
    return guard(book_->message(), false, [&] {
        if (state < 0 || state > 2) throw xlerror("sheet state must be 0, 1 or 2");
        const int i = book_->sheetIndex(this);
        if (i < 0) throw xlerror("book not found");
        BoundSheet8& entry = book_->boundSheets()[static_cast<std::size_t>(i)];
        entry.hsState = static_cast<std::uint8_t>((entry.hsState & ~3) | state);
        book_->updateFirstVisibleTab();
        book_->fixActiveSheet();
        return true;
    });
}

void SheetImplT::cellReferenceToRowCol(const char16_t*, int* row, int* col, bool* rowRelative,
                                       bool* colRelative)
{
    if (row) *row = -1;
    if (col) *col = -1;
    if (rowRelative) *rowRelative = false;
    if (colRelative) *colRelative = false;
    unsupported();
}

const char16_t* SheetImplT::rowColToCellReference(int, int, bool, bool) { unsupported(); return nullptr; }

}  // namespace celvo

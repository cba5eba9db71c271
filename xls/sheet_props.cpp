// Sheet properties and print settings: name, visibility, protection, window
// options and the page setup; hidden rows and columns as the ROW and COLINFO
// records say.
#include <algorithm>

#include "book.h"
#include "celvo/sheetname.h"
#include "celvo/cellref.h"
#include "sheet.h"

namespace celvo {

namespace {

// Zoom factors that readers accept, for the window and for printing.
constexpr int kMinZoom = 10;
constexpr int kMaxZoom = 400;

int clampZoom(int zoom) { return std::clamp(zoom, kMinZoom, kMaxZoom); }

void setFlag(std::uint16_t& bits, std::uint16_t flag, bool on)
{
    bits = static_cast<std::uint16_t>(on ? (bits | flag) : (bits & ~flag));
}

constexpr std::uint16_t kWindow2Gridlines = 0x0002;
constexpr std::uint16_t kWsBoolFitToPage = 0x0100;
constexpr std::uint16_t kWsBoolSummaryBelow = 0x0040;
constexpr std::uint16_t kWsBoolSummaryRight = 0x0080;

}  // namespace

// ---- name, visibility, protection ----------------------------------------------

void SheetImplT::setName(const char16_t* name)
{
    guardedVoid([&] {
        bool cut = false;
        u16string text = cutSheetName(u16(name), &cut);
        checkSheetName(text);
        // Another sheet of the book with the same name would make the
        // workbook invalid.
        const int count = book_->sheetCount();
        for (int i = 0; i < count; ++i) {
            const auto* other = static_cast<const SheetImplT*>(book_->sheet(i));
            if (other && other != this && equalNoCase(other->name_, text))
                throw xlerror("book already contains such sheet name");
        }
        name_ = std::move(text);
        book_->message() = cut ? "warning: sheet's name is cut to 31 characters" : "ok";
    });
}

bool SheetImplT::isProtected() { return protection_.isProtected(); }
void SheetImplT::setProtected(bool protect) { protection_.setProtected(protect); }

int SheetImplT::hidden()
{
    if (!book_) return SHEETSTATE_VISIBLE;
    return guarded<int>(SHEETSTATE_VISIBLE, [&] {
        const int i = book_->sheetIndex(this);
        if (i < 0) throw xlerror("book not found");
        return book_->boundSheets().at(static_cast<std::size_t>(i)).hsState & 3;
    });
}

bool SheetImplT::setHidden(int state)
{
    return guarded(false, [&] {
        if (state < SHEETSTATE_VISIBLE || state > SHEETSTATE_VERYHIDDEN)
            throw xlerror("sheet state must be 0, 1 or 2");
        const int i = book_->sheetIndex(this);
        if (i < 0) throw xlerror("book not found");
        BoundSheet8& entry = book_->boundSheets().at(static_cast<std::size_t>(i));
        const bool visibleNow = (entry.hsState & 3) == SHEETSTATE_VISIBLE;
        if (visibleNow && state != SHEETSTATE_VISIBLE && book_->visibleSheetCount() <= 1)
            throw xlerror("a workbook must contain at least one visible worksheet");
        entry.hsState = static_cast<std::uint8_t>((entry.hsState & ~3) | state);
        book_->updateFirstVisibleTab();
        book_->fixActiveSheet();
        book_->message() = "ok";
        return true;
    });
}

// ---- window --------------------------------------------------------------------

bool SheetImplT::displayGridlines() { return (window2_.options & kWindow2Gridlines) != 0; }
void SheetImplT::setDisplayGridlines(bool show) { setFlag(window2_.options, kWindow2Gridlines, show); }
int SheetImplT::zoom() { return scl_.zoom(); }
void SheetImplT::setZoom(int zoom) { scl_.setZoom(static_cast<std::uint16_t>(clampZoom(zoom))); }

// ---- printing ------------------------------------------------------------------

bool SheetImplT::printGridlines() { return (printGridlines_.value & 1) != 0; }
void SheetImplT::setPrintGridlines(bool print) { setFlag(printGridlines_.value, 1, print); }
bool SheetImplT::printHeadings() { return printHeaders_.value > 0; }
void SheetImplT::setPrintHeadings(bool print) { printHeaders_.value = print ? 1 : 0; }

int SheetImplT::printZoom() { return pageSetup_.printZoom(); }

void SheetImplT::setPrintZoom(int zoom)
{
    pageSetup_.setPrintZoom(static_cast<std::uint16_t>(clampZoom(zoom)));
    setFlag(wsBool_.value, kWsBoolFitToPage, false);
}

bool SheetImplT::getPrintFit(int* wPages, int* hPages)
{
    const Setup& s = pageSetup_.setup;
    if (wPages) *wPages = s.fitWidth;
    if (hPages) *hPages = s.fitHeight;
    return (wsBool_.value & kWsBoolFitToPage) != 0;
}

void SheetImplT::setPrintFit(int wPages, int hPages)
{
    Setup& s = pageSetup_.setup;
    s.fitWidth = static_cast<std::uint16_t>(std::clamp(wPages, 0, 32767));
    s.fitHeight = static_cast<std::uint16_t>(std::clamp(hPages, 0, 32767));
    setFlag(wsBool_.value, kWsBoolFitToPage, true);
}

bool SheetImplT::landscape() { return pageSetup_.landscape(); }
void SheetImplT::setLandscape(bool landscape) { pageSetup_.setLandscape(landscape); }
int SheetImplT::paper() { return pageSetup_.paper(); }
void SheetImplT::setPaper(int paper) { pageSetup_.setPaper(static_cast<std::uint16_t>(std::clamp(paper, 0, 0xFFFF))); }
const char16_t* SheetImplT::header() { return keepText(pageSetup_.header.text.view()); }
const char16_t* SheetImplT::footer() { return keepText(pageSetup_.footer.text.view()); }

bool SheetImplT::setHeader(const char16_t* header, double margin)
{
    return guarded(false, [&] {
        pageSetup_.header.assign(u16(header));
        pageSetup_.setup.headerMargin = margin;
        return true;
    });
}

bool SheetImplT::setFooter(const char16_t* footer, double margin)
{
    return guarded(false, [&] {
        pageSetup_.footer.assign(u16(footer));
        pageSetup_.setup.footerMargin = margin;
        return true;
    });
}

double SheetImplT::headerMargin() { return pageSetup_.setup.headerMargin; }
double SheetImplT::footerMargin() { return pageSetup_.setup.footerMargin; }
bool SheetImplT::horizontalCentered() { return pageSetup_.hCenter.value > 0; }
void SheetImplT::setHorizontalCentered(bool center) { pageSetup_.hCenter.value = center ? 1 : 0; }
bool SheetImplT::verticalCentered() { return pageSetup_.vCenter.value > 0; }
void SheetImplT::setVerticalCentered(bool center) { pageSetup_.vCenter.value = center ? 1 : 0; }
namespace {

double marginOf(const Margin& m, double fallback) { return m.present ? m.value : fallback; }
void setMarginOf(Margin& m, double value)
{
    m.value = value;
    m.present = true;
}

}  // namespace

double SheetImplT::marginLeft() { return marginOf(pageSetup_.left, 0.75); }
void SheetImplT::setMarginLeft(double margin) { setMarginOf(pageSetup_.left, margin); }
double SheetImplT::marginRight() { return marginOf(pageSetup_.right, 0.75); }
void SheetImplT::setMarginRight(double margin) { setMarginOf(pageSetup_.right, margin); }
double SheetImplT::marginTop() { return marginOf(pageSetup_.top, 1.0); }
void SheetImplT::setMarginTop(double margin) { setMarginOf(pageSetup_.top, margin); }
double SheetImplT::marginBottom() { return marginOf(pageSetup_.bottom, 1.0); }
void SheetImplT::setMarginBottom(double margin) { setMarginOf(pageSetup_.bottom, margin); }

// ---- rows and columns as far as the cell functions need them ---------------------

bool SheetImplT::isRowHidden(int row)
{
    for (const Row& r : rows_)
        if (r.row == row) return (r.options & Row::kHidden) != 0;
    return false;
}

bool SheetImplT::isColumnHidden(int col)
{
    for (const ColInfo& c : colInfos_)
        if (c.firstCol <= col && col <= c.lastCol) return (c.options & ColInfo::kHidden) != 0;
    return false;
}

bool SheetImplT::groupSummaryBelow() { return (wsBool_.value & kWsBoolSummaryBelow) != 0; }
void SheetImplT::setGroupSummaryBelow(bool below) { setFlag(wsBool_.value, kWsBoolSummaryBelow, below); }
bool SheetImplT::groupSummaryRight() { return (wsBool_.value & kWsBoolSummaryRight) != 0; }
void SheetImplT::setGroupSummaryRight(bool right) { setFlag(wsBool_.value, kWsBoolSummaryRight, right); }


// ---- operations that come with later work ----------------------------------------


void SheetImplT::cellReferenceToRowCol(const char16_t* ref, int* row, int* col, bool* rowRelative,
                                       bool* colRelative)
{
    guardedVoid([&] { cellRefToRowCol(u16(ref), row, col, rowRelative, colRelative); });
}

const char16_t* SheetImplT::rowColToCellReference(int row, int col, bool rowRelative, bool colRelative)
{
    return guarded<const char16_t*>(nullptr, [&] {
        referenceText_ = rowColToCellRef(row, col, rowRelative, colRelative);
        return referenceText_.c_str();
    });
}

}  // namespace celvo

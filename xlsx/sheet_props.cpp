// Sheet properties of a .xlsx sheet: name, visibility and protection, the
// window options of the first sheet view (gridlines, zoom, frozen panes),
// the print settings, page breaks, and cell references.
#include <algorithm>
#include <cmath>

#include "book.h"
#include "celvo/cellref.h"
#include "celvo/formulatext.h"
#include "celvo/sheetname.h"
#include "sheet.h"

namespace celvo {

namespace {

// Zoom factors that readers accept.
constexpr int kMinZoom = 10;
constexpr int kMaxZoom = 400;

// The text with every sheet prefix that names `from` (alone or as an end of
// a 3-D range) naming `to`; prefixes of other books and other sheets, names
// that merely contain `from` ("Sheet10" for "Sheet1") and strings stay.
bool renameInFormula(u16string& text, u16view from, u16view to)
{
    return rewriteSheetPrefixes(text, [&](const SheetPrefixNames& p, u16string& replacement) {
        const bool first = equalNoCase(p.first, from), last = equalNoCase(p.last, from);
        if (!first && !last) return false;
        replacement = sheetPrefixText(first ? to : u16view(p.first), last ? to : u16view(p.last));
        return true;
    });
}

// The first view of a sheet, made when the part has none.
sheet::c_CT_SheetView& firstView(WorksheetRoot& root)
{
    sheet::c_CT_SheetViews* views = root.get_sheetViews();
    if (views->sheetView.empty()) views->sheetView.append()->set_workbookViewId(0);
    return *views->sheetView.at(0);
}

}  // namespace

// ---- name, visibility, protection ------------------------------------------------

void XMLSheetImplT::setName(const char16_t* name)
{
    guardedVoid([&] {
        workbook::c_CT_Sheet* entry = book_->sheetEntry(sheetNumber_);
        if (!entry) throw xlerror("sheet doen't have relationship with book");
        bool cut = false;
        const u16string text = cutSheetName(u16(name), &cut);
        checkSheetName(text);
        const int count = book_->sheetEntryCount();
        for (int i = 0; i < count; ++i)
            if (i != sheetNumber_ && equalNoCase(book_->sheetEntry(i)->name.value, text))
                throw xlerror("book already contains such sheet name");
        const u16string old = entry->name.value;

        // Defined names and the formulas of every sheet follow the new name.
        if (workbook::c_CT_DefinedNames* names = book_->root().definedNames.peek()) {
            for (std::size_t i = 0; i < names->definedName.size(); ++i) {
                workbook::c_CT_DefinedName* n = names->definedName.at(i);
                u16string content = n->content.value;
                if (renameInFormula(content, old, text)) n->content.set(content);
            }
        }
        for (int i = 0; i < count; ++i) {
            XMLSheetImplT* s = book_->sheetAt(i);
            if (!s) continue;
            for (sheet::c_CT_Row& row : s->sheetData().rows)
                for (sheet::c_CT_Cell& cell : row.cells) {
                    if (!cell.formula()) continue;
                    sheet::c_CT_CellFormula* f = cell.get_f();
                    u16string content = f->content.value;
                    if (renameInFormula(content, old, text)) f->content.set(content);
                }
        }
        entry->set_name(text);
        message() = cut ? "warning: sheet's name is cut to 31 characters" : "ok";
    });
}

void XMLSheetImplT::setProtected(bool protect)
{
    guardedVoid([&] {
        // Unprotecting keeps the element with its password and permissions.
        if (!protect && !root_.sheetProtection.has()) return;
        sheet::c_CT_SheetProtection* p = root_.get_sheetProtection();
        p->set_sheet(protect);
        p->set_objects(protect);
        p->set_scenarios(protect);
    });
}

bool XMLSheetImplT::setHidden(int state)
{
    return guarded(false, [&] {
        workbook::c_CT_Sheet* entry = book_->sheetEntry(sheetNumber_);
        if (!entry) throw xlerror("index is out of range");
        if (state < SHEETSTATE_VISIBLE || state > SHEETSTATE_VERYHIDDEN) throw xlerror("hidden is out of range");
        const bool visibleNow = !entry->state.present || entry->state.value == u"visible";
        if (visibleNow && state != SHEETSTATE_VISIBLE && book_->visibleSheetCount() <= 1)
            throw xlerror("a workbook must contain at least one visible worksheet");
        if (state == SHEETSTATE_VISIBLE) {
            entry->set_state(u"visible");
        } else {
            entry->set_state(state == SHEETSTATE_HIDDEN ? u"hidden" : u"veryHidden");
            // A hidden sheet is not a selected tab.
            if (sheet::c_CT_SheetViews* views = root_.sheetViews.peek())
                for (std::size_t i = 0; i < views->sheetView.size(); ++i) views->sheetView.at(i)->unset_tabSelected();
        }
        book_->ensureActiveSheetVisible();
        message() = "ok";
        return true;
    });
}

// ---- window ----------------------------------------------------------------------

bool XMLSheetImplT::displayGridlines()
{
    return guarded(true, [&] {
        const sheet::c_CT_SheetViews* views = root_.sheetViews.peek();
        return !views || views->sheetView.empty() || views->sheetView.at(0)->showGridLines.value;
    });
}

void XMLSheetImplT::setDisplayGridlines(bool show)
{
    guardedVoid([&] {
        sheet::c_CT_SheetView& view = firstView(root_);
        if (show) view.unset_showGridLines();
        else view.set_showGridLines(false);
    });
}

int XMLSheetImplT::zoom()
{
    return guarded(100, [&] {
        const sheet::c_CT_SheetViews* views = root_.sheetViews.peek();
        if (!views || views->sheetView.empty()) return 100;
        return static_cast<int>(views->sheetView.at(0)->zoomScale.value);
    });
}

void XMLSheetImplT::setZoom(int zoom)
{
    guardedVoid([&] {
        sheet::c_CT_SheetView& view = firstView(root_);
        const unsigned scale = static_cast<unsigned>(std::clamp(zoom, kMinZoom, kMaxZoom));
        view.set_zoomScale(scale);
        view.set_zoomScaleNormal(scale);
    });
}

// ---- frozen panes -------------------------------------------------------------------

void XMLSheetImplT::split(int row, int col)
{
    const std::string before = book_ ? message() : std::string();
    bool ok = false;
    guardedVoid([&] {
        checkPosition(row, col);
        sheet::c_CT_SheetView& view = firstView(root_);
        view.set_workbookViewId(0);
        // Selections of panes that the new split has not go; the view keeps
        // its other settings.
        auto exists = [&](const std::u16string& pane) {
            return pane == u"topLeft" || (pane == u"topRight" && col > 0) || (pane == u"bottomLeft" && row > 0) ||
                   (pane == u"bottomRight" && row > 0 && col > 0);
        };
        for (std::size_t i = view.selection.size(); i-- > 0;)
            if (!exists(view.selection.at(i)->pane.value)) view.selection.erase(i);
        if (row == 0 && col == 0) {
            // Nothing frozen: no pane at all.
            view.pane.reset();
        } else {
            sheet::c_CT_Pane* pane = view.get_pane();
            pane->reset();
            const char16_t* active = row == 0 ? u"topRight" : (col == 0 ? u"bottomLeft" : u"bottomRight");
            if (col > 0) pane->set_xSplit(col);
            if (row > 0) pane->set_ySplit(row);
            pane->set_topLeftCell(rowColToCellRef(row, col, true, true));
            pane->set_activePane(active);
            pane->set_state(u"frozenSplit");
            bool selected = false;
            for (std::size_t i = 0; i < view.selection.size(); ++i)
                selected = selected || view.selection.at(i)->pane.value == active;
            if (!selected) view.selection.append()->set_pane(active);
        }
        ok = true;
    });
    if (ok) message() = before;
}

void XMLSheetImplT::setTabSelected(bool selected)
{
    if (selected) {
        firstView(root_).set_tabSelected(true);
        return;
    }
    if (sheet::c_CT_SheetViews* views = root_.sheetViews.peek())
        if (!views->sheetView.empty() && views->sheetView.at(0)->tabSelected.present)
            views->sheetView.at(0)->set_tabSelected(false);
}

// ---- printing ----------------------------------------------------------------------

namespace {

// The print options: false when absent; false clears the attribute and
// makes nothing.
bool printOption(const WorksheetRoot& root, nimb::c_simple<bool> sheet::c_CT_PrintOptions::*flag)
{
    const sheet::c_CT_PrintOptions* o = root.printOptions.peek();
    return o && (o->*flag).present && (o->*flag).value;
}

void setPrintOption(WorksheetRoot& root, nimb::c_simple<bool> sheet::c_CT_PrintOptions::*flag, bool on)
{
    if (on) (root.get_printOptions()->*flag).set(true);
    else if (sheet::c_CT_PrintOptions* o = root.printOptions.peek()) (o->*flag).clear_value(false);
}

// The page margins, made with the usual ones when absent.
sheet::c_CT_PageMargins& margins(WorksheetRoot& root)
{
    if (!root.pageMargins.has()) {
        sheet::c_CT_PageMargins* m = root.get_pageMargins();
        m->set_left(0.7);
        m->set_right(0.7);
        m->set_top(0.75);
        m->set_bottom(0.75);
        m->set_header(0.3);
        m->set_footer(0.3);
    }
    return *root.get_pageMargins();
}

double margin(const WorksheetRoot& root, nimb::c_simple<double> sheet::c_CT_PageMargins::*side, double fallback)
{
    const sheet::c_CT_PageMargins* m = root.pageMargins.peek();
    return m ? (m->*side).value : fallback;
}

// A margin is a length on the page: a finite number, 0 or more.
void setMargin(WorksheetRoot& root, nimb::c_simple<double> sheet::c_CT_PageMargins::*side, double value)
{
    if (!std::isfinite(value) || value < 0) throw xlerror("margin must be a number of inches, 0 or more");
    (margins(root).*side).set(value);
}

void setFitToPage(WorksheetRoot& root, bool fit)
{
    sheet::c_CT_SheetPr* pr = root.sheetPr.peek();
    if (!fit && (!pr || !pr->pageSetUpPr.has())) return;
    root.get_sheetPr()->get_pageSetUpPr()->set_fitToPage(fit);
}

}  // namespace

bool XMLSheetImplT::printGridlines() { return guarded(false, [&] { return printOption(root_, &sheet::c_CT_PrintOptions::gridLines); }); }
void XMLSheetImplT::setPrintGridlines(bool print) { guardedVoid([&] { setPrintOption(root_, &sheet::c_CT_PrintOptions::gridLines, print); }); }
bool XMLSheetImplT::printHeadings() { return guarded(false, [&] { return printOption(root_, &sheet::c_CT_PrintOptions::headings); }); }
void XMLSheetImplT::setPrintHeadings(bool print) { guardedVoid([&] { setPrintOption(root_, &sheet::c_CT_PrintOptions::headings, print); }); }
bool XMLSheetImplT::horizontalCentered() { return guarded(false, [&] { return printOption(root_, &sheet::c_CT_PrintOptions::horizontalCentered); }); }
void XMLSheetImplT::setHorizontalCentered(bool center) { guardedVoid([&] { setPrintOption(root_, &sheet::c_CT_PrintOptions::horizontalCentered, center); }); }
bool XMLSheetImplT::verticalCentered() { return guarded(false, [&] { return printOption(root_, &sheet::c_CT_PrintOptions::verticalCentered); }); }
void XMLSheetImplT::setVerticalCentered(bool center) { guardedVoid([&] { setPrintOption(root_, &sheet::c_CT_PrintOptions::verticalCentered, center); }); }

double XMLSheetImplT::marginLeft() { return guarded(0.0, [&] { return margin(root_, &sheet::c_CT_PageMargins::left, 0.7); }); }
void XMLSheetImplT::setMarginLeft(double m) { guardedVoid([&] { setMargin(root_, &sheet::c_CT_PageMargins::left, m); }); }
double XMLSheetImplT::marginRight() { return guarded(0.0, [&] { return margin(root_, &sheet::c_CT_PageMargins::right, 0.7); }); }
void XMLSheetImplT::setMarginRight(double m) { guardedVoid([&] { setMargin(root_, &sheet::c_CT_PageMargins::right, m); }); }
double XMLSheetImplT::marginTop() { return guarded(0.0, [&] { return margin(root_, &sheet::c_CT_PageMargins::top, 0.75); }); }
void XMLSheetImplT::setMarginTop(double m) { guardedVoid([&] { setMargin(root_, &sheet::c_CT_PageMargins::top, m); }); }
double XMLSheetImplT::marginBottom() { return guarded(0.0, [&] { return margin(root_, &sheet::c_CT_PageMargins::bottom, 0.75); }); }
void XMLSheetImplT::setMarginBottom(double m) { guardedVoid([&] { setMargin(root_, &sheet::c_CT_PageMargins::bottom, m); }); }

double XMLSheetImplT::headerMargin() { return guarded(0.0, [&] { return margin(root_, &sheet::c_CT_PageMargins::header, 0.3); }); }
double XMLSheetImplT::footerMargin() { return guarded(0.0, [&] { return margin(root_, &sheet::c_CT_PageMargins::footer, 0.3); }); }

namespace {

using HeaderFooterText = nimb::ct_complex_optional<sheet::c_CT_HeaderFooterText> sheet::c_CT_HeaderFooter::*;

// A header or footer text and its margin, both checked before either is
// stored: the applications take 255 characters at the most.
void setHeaderFooter(WorksheetRoot& root, HeaderFooterText which, nimb::c_simple<double> sheet::c_CT_PageMargins::*side,
                     u16view text, double value)
{
    if (text.size() > 255) throw xlerror("header or footer is longer than 255 characters");
    if (!std::isfinite(value) || value < 0) throw xlerror("margin must be a number of inches, 0 or more");
    (root.get_headerFooter()->*which).get()->content.set(u16string(text));
    (margins(root).*side).set(value);
}

}  // namespace

const char16_t* XMLSheetImplT::header()
{
    return guarded(static_cast<const char16_t*>(nullptr), [&]() -> const char16_t* {
        const sheet::c_CT_HeaderFooter* hf = root_.headerFooter.peek();
        if (!hf || !hf->oddHeader.has()) return nullptr;
        return keepText(hf->oddHeader.peek()->content.value);
    });
}

const char16_t* XMLSheetImplT::footer()
{
    return guarded(static_cast<const char16_t*>(nullptr), [&]() -> const char16_t* {
        const sheet::c_CT_HeaderFooter* hf = root_.headerFooter.peek();
        if (!hf || !hf->oddFooter.has()) return nullptr;
        return keepText(hf->oddFooter.peek()->content.value);
    });
}

bool XMLSheetImplT::setHeader(const char16_t* text, double m)
{
    return guarded(false, [&] {
        setHeaderFooter(root_, &sheet::c_CT_HeaderFooter::oddHeader, &sheet::c_CT_PageMargins::header, u16(text), m);
        return true;
    });
}

bool XMLSheetImplT::setFooter(const char16_t* text, double m)
{
    return guarded(false, [&] {
        setHeaderFooter(root_, &sheet::c_CT_HeaderFooter::oddFooter, &sheet::c_CT_PageMargins::footer, u16(text), m);
        return true;
    });
}

bool XMLSheetImplT::landscape()
{
    return guarded(false, [&] {
        const sheet::c_CT_PageSetup* p = root_.pageSetup.peek();
        return p && p->orientation.present && p->orientation.value == u"landscape";
    });
}

void XMLSheetImplT::setLandscape(bool landscape)
{
    guardedVoid([&] { root_.get_pageSetup()->set_orientation(landscape ? u"landscape" : u"portrait"); });
}

int XMLSheetImplT::paper()
{
    return guarded(0, [&] {
        const sheet::c_CT_PageSetup* p = root_.pageSetup.peek();
        return p && p->paperSize.present ? static_cast<int>(std::min(p->paperSize.value, 0xFFFFu)) : 0;
    });
}

void XMLSheetImplT::setPaper(int paper)
{
    guardedVoid([&] { root_.get_pageSetup()->set_paperSize(static_cast<unsigned>(std::clamp(paper, 0, 0xFFFF))); });
}

int XMLSheetImplT::printZoom()
{
    return guarded(0, [&] {
        const sheet::c_CT_PageSetup* p = root_.pageSetup.peek();
        return p && p->scale.present ? static_cast<int>(std::min(p->scale.value, 400u)) : 100;
    });
}

void XMLSheetImplT::setPrintZoom(int zoom)
{
    guardedVoid([&] {
        root_.get_pageSetup()->set_scale(static_cast<unsigned>(std::clamp(zoom, kMinZoom, kMaxZoom)));
        setFitToPage(root_, false);
    });
}

bool XMLSheetImplT::getPrintFit(int* wPages, int* hPages)
{
    if (wPages) *wPages = 1;
    if (hPages) *hPages = 1;
    return guarded(false, [&] {
        if (const sheet::c_CT_PageSetup* p = root_.pageSetup.peek()) {
            if (wPages) *wPages = static_cast<int>(std::min(p->fitToWidth.value, 32767u));
            if (hPages) *hPages = static_cast<int>(std::min(p->fitToHeight.value, 32767u));
        }
        const sheet::c_CT_SheetPr* pr = root_.sheetPr.peek();
        return pr && pr->pageSetUpPr.has() && pr->pageSetUpPr.peek()->fitToPage.value;
    });
}

void XMLSheetImplT::setPrintFit(int wPages, int hPages)
{
    guardedVoid([&] {
        setFitToPage(root_, true);
        sheet::c_CT_PageSetup* p = root_.get_pageSetup();
        p->set_fitToWidth(static_cast<unsigned>(std::clamp(wPages, 0, 32767)));
        p->set_fitToHeight(static_cast<unsigned>(std::clamp(hPages, 0, 32767)));
    });
}

// ---- page breaks -----------------------------------------------------------------

namespace {

// Manual breaks one direction may hold.
constexpr std::size_t kMaxPageBreaks = 1026;

using BreakList = nimb::ct_complex_optional<sheet::c_CT_PageBreak> WorksheetRoot::*;

int breakCount(const WorksheetRoot& root, BreakList which)
{
    const sheet::c_CT_PageBreak* list = (root.*which).peek();
    return list ? static_cast<int>(list->brk.size()) : 0;
}

int breakAt(const WorksheetRoot& root, BreakList which, int index)
{
    const sheet::c_CT_PageBreak* list = (root.*which).peek();
    if (!list || index < 0 || static_cast<std::size_t>(index) >= list->brk.size())
        throw xlerror("index is out of range");
    const sheet::c_CT_Break* b = list->brk.at(static_cast<std::size_t>(index));
    if (!b->id.present) throw xlerror("c_CT_Break without id");
    return static_cast<int>(std::min(b->id.value, static_cast<unsigned>(kMaxRowsLarge)));
}

// Adds a break before row or column `pos` (once: a break there already is
// kept), in ascending order of position, or removes it. `across` is the
// last column a row break spans, or the last row a column break spans.
void setBreak(WorksheetRoot& root, BreakList which, unsigned pos, unsigned across, bool add)
{
    sheet::c_CT_PageBreak* list = (root.*which).peek();
    if (!add && !list) return;
    std::size_t at = 0;
    bool found = false;
    if (list) {
        for (; at < list->brk.size(); ++at) {
            const sheet::c_CT_Break* b = list->brk.at(at);
            if (b->id.present && b->id.value == pos) {
                found = true;
                break;
            }
        }
    }
    if (add) {
        list = (root.*which).get();
        sheet::c_CT_Break* b = nullptr;
        if (found) {
            b = list->brk.at(at);
        } else {
            if (list->brk.size() >= kMaxPageBreaks) throw xlerror("number of pagebreaks is exceed limit");
            std::size_t before = 0;
            while (before < list->brk.size() && list->brk.at(before)->id.value < pos) ++before;
            b = list->brk.insert(before);
        }
        b->set_id(pos);
        b->set_max(across);
        b->set_man(true);
    } else {
        if (!found) throw xlerror("pagebreak not found");
        list->brk.erase(at);
        if (list->brk.empty()) {
            (root.*which).reset();
            return;
        }
    }
    const auto n = static_cast<unsigned>(list->brk.size());
    list->set_count(n);
    list->set_manualBreakCount(n);
}

}  // namespace

int XMLSheetImplT::horizontalPageBreak(int index)
{
    return guarded(-1, [&] { return breakAt(root_, &WorksheetRoot::rowBreaks, index); });
}

int XMLSheetImplT::verticalPageBreak(int index)
{
    return guarded(-1, [&] { return breakAt(root_, &WorksheetRoot::colBreaks, index); });
}

int XMLSheetImplT::horizontalPageBreakCount()
{
    return guarded(0, [&] { return breakCount(root_, &WorksheetRoot::rowBreaks); });
}

int XMLSheetImplT::verticalPageBreakCount()
{
    return guarded(0, [&] { return breakCount(root_, &WorksheetRoot::colBreaks); });
}

bool XMLSheetImplT::setHorizontalPageBreak(int row, bool pageBreak)
{
    return guarded(false, [&] {
        checkPosition(row, 0);
        setBreak(root_, &WorksheetRoot::rowBreaks, static_cast<unsigned>(row), kMaxColsLarge - 1, pageBreak);
        return true;
    });
}

bool XMLSheetImplT::setVerticalPageBreak(int col, bool pageBreak)
{
    return guarded(false, [&] {
        checkPosition(0, col);
        setBreak(root_, &WorksheetRoot::colBreaks, static_cast<unsigned>(col), kMaxRowsLarge - 1, pageBreak);
        return true;
    });
}

// ---- cell references, read and written by the helpers both engines share ----------

void XMLSheetImplT::cellReferenceToRowCol(const char16_t* ref, int* row, int* col, bool* rowRelative,
                                          bool* colRelative)
{
    guardedVoid([&] { celvo::cellRefToRowCol(u16(ref), row, col, rowRelative, colRelative); });
}

const char16_t* XMLSheetImplT::rowColToCellReference(int row, int col, bool rowRelative, bool colRelative)
{
    return guarded(static_cast<const char16_t*>(nullptr),
                   [&] { return keepText(celvo::rowColToCellRef(row, col, rowRelative, colRelative)); });
}

}  // namespace celvo

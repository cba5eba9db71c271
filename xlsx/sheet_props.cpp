// Sheet properties of a .xlsx sheet: name, visibility and protection, the
// window options of the first sheet view (gridlines, zoom, frozen panes),
// and the cell-reference helpers.
#include <algorithm>

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
        if (!protect) {
            root_.sheetProtection.reset();
            return;
        }
        sheet::c_CT_SheetProtection* p = root_.get_sheetProtection();
        p->set_sheet(true);
        p->set_objects(true);
        p->set_scenarios(true);
    });
}

bool XMLSheetImplT::setHidden(int state)
{
    return guarded(false, [&] {
        if (state < SHEETSTATE_VISIBLE || state > SHEETSTATE_VERYHIDDEN)
            throw xlerror("sheet state must be 0, 1 or 2");
        workbook::c_CT_Sheet* entry = book_->sheetEntry(sheetNumber_);
        if (!entry) throw xlerror("index is out of range");
        const bool visibleNow = !entry->state.present || entry->state.value == u"visible";
        if (visibleNow && state != SHEETSTATE_VISIBLE && book_->visibleSheetCount() <= 1)
            throw xlerror("a workbook must contain at least one visible worksheet");
        if (state == SHEETSTATE_VISIBLE) {
            entry->unset_state();
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
        firstView(root_).set_zoomScale(static_cast<unsigned>(std::clamp(zoom, kMinZoom, kMaxZoom)));
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
        // Selections of panes that change go; the view keeps its other
        // settings.
        while (!view.selection.empty()) view.selection.erase(0);
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
            pane->set_state(u"frozen");
            view.selection.append()->set_pane(active);
        }
        ok = true;
    });
    if (ok) message() = before;
}

// ---- cell references ----------------------------------------------------------------

void XMLSheetImplT::cellReferenceToRowCol(const char16_t* ref, int* row, int* col, bool* rowRelative,
                                          bool* colRelative)
{
    guardedVoid([&] { cellRefToRowCol(u16(ref), row, col, rowRelative, colRelative); });
}

const char16_t* XMLSheetImplT::rowColToCellReference(int row, int col, bool rowRelative, bool colRelative)
{
    return guarded(static_cast<const char16_t*>(nullptr),
                   [&] { return keepText(rowColToCellRef(row, col, rowRelative, colRelative)); });
}

}  // namespace celvo

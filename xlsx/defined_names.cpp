#include "defined_names.h"

#include "celvo/cellref.h"
#include "celvo/formulatext.h"
#include "celvo/xlerror.h"

namespace celvo {

namespace {

constexpr std::size_t kMaxNameLength = 255;

// One end of an area reference: a cell, a whole row or a whole column.
struct RefEnd {
    bool hasRow = false;
    bool hasCol = false;
    int row = 0;
    int col = 0;
};

// Reads "$B$7", "B7", "$7" or "$B" (letters without regard to case); false
// for anything else or a place off the sheet.
bool readRefEnd(u16view w, RefEnd& e)
{
    std::size_t i = 0;
    if (i < w.size() && w[i] == u'$') ++i;
    const std::size_t letters = i;
    long col = 0;
    while (i < w.size() && isAsciiLetter(w[i]) && i - letters < 3) {
        col = col * 26 + (asciiUpper(w[i]) - u'A' + 1);
        ++i;
    }
    const bool hasCol = i > letters;
    if (i < w.size() && w[i] == u'$') {
        if (!hasCol) return false;
        ++i;
        if (i == w.size()) return false;
    }
    const std::size_t digits = i;
    long row = 0;
    while (i < w.size() && isAsciiDigit(w[i]) && i - digits < 8) {
        row = row * 10 + (w[i] - u'0');
        ++i;
    }
    if (i != w.size()) return false;
    e.hasCol = hasCol;
    e.hasRow = i > digits;
    if (!e.hasRow && !e.hasCol) return false;
    if (e.hasCol && col > kMaxColsLarge) return false;
    if (e.hasRow && (row < 1 || row > kMaxRowsLarge)) return false;
    e.col = static_cast<int>(col - 1);
    e.row = static_cast<int>(row - 1);
    return true;
}

void checkRows(int first, int last)
{
    if (first < 0 || last < 0 || first >= kMaxRowsLarge || last >= kMaxRowsLarge)
        throw xlerror("row must be in range 0-1048575");
}

void checkCols(int first, int last)
{
    if (first < 0 || last < 0 || first >= kMaxColsLarge || last >= kMaxColsLarge)
        throw xlerror("col must be in range 0-16383");
}

}  // namespace

bool readNameArea(u16view text, NameArea& out)
{
    const std::vector<FormulaToken> tokens = tokenizeFormula(text);
    if ((tokens.size() != 2 && tokens.size() != 4) || tokens[0].kind != FormulaToken::SheetPrefix) return false;
    auto part = [&](std::size_t k) { return text.substr(tokens[k].begin, tokens[k].end - tokens[k].begin); };
    const SheetPrefixNames sheet = splitSheetPrefix(part(0));
    if (!sheet.book.empty() || sheet.first != sheet.last || sheet.first.empty()) return false;
    RefEnd a, b;
    if (!readRefEnd(part(1), a)) return false;
    if (tokens.size() == 2) {
        if (!a.hasRow || !a.hasCol) return false;
        b = a;
    } else if (tokens[2].kind != FormulaToken::Operator || part(2) != u":" || !readRefEnd(part(3), b)) {
        return false;
    }
    if (a.hasRow != b.hasRow || a.hasCol != b.hasCol) return false;
    out.sheet = sheet.first;
    if (a.hasRow && a.hasCol) {
        out.kind = NameArea::Cells;
        out.bounds = {a.row, b.row, a.col, b.col};
    } else if (a.hasRow) {
        out.kind = NameArea::Rows;
        out.bounds = {a.row, b.row, 0, kMaxColsLarge - 1};
    } else {
        out.kind = NameArea::Columns;
        out.bounds = {0, kMaxRowsLarge - 1, a.col, b.col};
    }
    return true;
}

u16string nameAreaText(u16view sheet, NameArea::Kind kind, const NameBounds& b)
{
    u16string text = sheetPrefixText(sheet, sheet);
    switch (kind) {
    case NameArea::Cells:
        checkRows(b.rowFirst, b.rowLast);
        checkCols(b.colFirst, b.colLast);
        text += rowColToCellRef(b.rowFirst, b.colFirst, false, false);
        if (b.rowFirst != b.rowLast || b.colFirst != b.colLast)
            text += u':' + rowColToCellRef(b.rowLast, b.colLast, false, false);
        break;
    case NameArea::Rows:
        checkRows(b.rowFirst, b.rowLast);
        text += u'$' + intToWstr(b.rowFirst + 1) + u":$" + intToWstr(b.rowLast + 1);
        break;
    case NameArea::Columns:
        checkCols(b.colFirst, b.colLast);
        text += u'$';
        columnLetters(text, b.colFirst);
        text += u":$";
        columnLetters(text, b.colLast);
        break;
    }
    return text;
}

void rewriteDefinedNames(workbook::c_workbook& root, const std::function<bool(u16string& formula)>& rewrite)
{
    workbook::c_CT_DefinedNames* names = root.definedNames.peek();
    if (!names) return;
    for (std::size_t i = 0; i < names->definedName.size(); ++i) {
        workbook::c_CT_DefinedName* n = names->definedName.at(i);
        u16string text = n->content.value;
        if (rewrite(text)) n->content.set(std::move(text));
    }
}

void checkRangeName(u16view name)
{
    if (name.find(u' ') != u16view::npos) throw xlerror("space symbol isn't allowed");
    if (name.empty()) throw xlerror("name is empty");
    if (name.size() > kMaxNameLength) throw xlerror("name is longer than 255 characters");
    if (!isPlainName(name)) throw xlerror("name is not a valid defined name");
}

// ---- the names of one sheet ------------------------------------------------------

workbook::c_CT_DefinedName* XMLSheetNames::ofSheet(u16view name) const
{
    const workbook::c_CT_DefinedNames* names = root_.definedNames.peek();
    if (!names) return nullptr;
    for (std::size_t i = 0; i < names->definedName.size(); ++i) {
        workbook::c_CT_DefinedName* n = names->definedName.at(i);
        if (n->localSheetId.present && n->localSheetId.value == static_cast<unsigned>(sheet_) &&
            equalNoCase(n->name.value, name))
            return n;
    }
    return nullptr;
}

bool XMLSheetNames::pointsHere(const workbook::c_CT_DefinedName& name, NameBounds& bounds) const
{
    NameArea area;
    if (!readNameArea(name.content.value, area) || !equalNoCase(area.sheet, sheetName_)) return false;
    bounds = area.bounds;
    return true;
}

void XMLSheetNames::store(u16view name, u16string formula)
{
    workbook::c_CT_DefinedName* n = ofSheet(name);
    if (!n) n = root_.get_definedNames()->definedName.append();
    n->set_name(u16string(name));
    n->set_localSheetId(static_cast<unsigned>(sheet_));
    n->content.set(std::move(formula));
}

bool XMLSheetNames::erase(u16view name)
{
    workbook::c_CT_DefinedNames* names = root_.definedNames.peek();
    if (!names) return false;
    for (std::size_t i = 0; i < names->definedName.size(); ++i) {
        const workbook::c_CT_DefinedName* n = names->definedName.at(i);
        if (n->localSheetId.present && n->localSheetId.value == static_cast<unsigned>(sheet_) &&
            equalNoCase(n->name.value, name)) {
            names->definedName.erase(i);
            if (names->definedName.empty()) root_.definedNames.reset();
            return true;
        }
    }
    return false;
}

void XMLSheetNames::setNamedRange(u16view name, const NameBounds& bounds)
{
    checkRangeName(name);
    store(name, nameAreaText(sheetName_, NameArea::Cells, bounds));
}

bool XMLSheetNames::getNamedRange(u16view name, NameBounds& bounds) const
{
    const workbook::c_CT_DefinedNames* names = root_.definedNames.peek();
    if (!names) return false;
    for (std::size_t i = 0; i < names->definedName.size(); ++i) {
        const workbook::c_CT_DefinedName* n = names->definedName.at(i);
        if (equalNoCase(n->name.value, name) && pointsHere(*n, bounds)) return true;
    }
    return false;
}

bool XMLSheetNames::deleteNamedRange(u16view name) { return erase(name); }

int XMLSheetNames::namedRangeCount() const
{
    const workbook::c_CT_DefinedNames* names = root_.definedNames.peek();
    if (!names) return 0;
    int count = 0;
    NameBounds b;
    for (std::size_t i = 0; i < names->definedName.size(); ++i)
        if (pointsHere(*names->definedName.at(i), b)) ++count;
    return count;
}

bool XMLSheetNames::namedRange(int index, u16string& name, NameBounds& bounds) const
{
    const workbook::c_CT_DefinedNames* names = root_.definedNames.peek();
    if (!names || index < 0) return false;
    for (std::size_t i = 0; i < names->definedName.size(); ++i) {
        const workbook::c_CT_DefinedName* n = names->definedName.at(i);
        if (!pointsHere(*n, bounds)) continue;
        if (index-- == 0) {
            name = n->name.value;
            return true;
        }
    }
    return false;
}

void XMLSheetNames::setPrintArea(const NameBounds& bounds)
{
    store(kPrintArea, nameAreaText(sheetName_, NameArea::Cells, bounds));
}

void XMLSheetNames::setPrintTitles(NameArea::Kind kind, const NameBounds& bounds)
{
    u16string rows, cols;
    (kind == NameArea::Rows ? rows : cols) = nameAreaText(sheetName_, kind, bounds);
    // The part of the other kind that the sheet's titles have stays; a part
    // of any other shape goes, since a sheet has one set of titles.
    if (const workbook::c_CT_DefinedName* old = ofSheet(kPrintTitles)) {
        const u16string& text = old->content.value;
        const std::vector<FormulaToken> tokens = tokenizeFormula(text);
        std::size_t begin = 0;
        for (std::size_t k = 0; k <= tokens.size(); ++k) {
            const bool last = k == tokens.size();
            if (!last && !(tokens[k].kind == FormulaToken::Separator && text[tokens[k].begin] == u',')) continue;
            const std::size_t end = last ? text.size() : tokens[k].begin;
            const u16view piece = u16view(text).substr(begin, end - begin);
            NameArea area;
            if (readNameArea(piece, area) && equalNoCase(area.sheet, sheetName_)) {
                if (area.kind == NameArea::Rows && kind == NameArea::Columns) rows.assign(piece);
                if (area.kind == NameArea::Columns && kind == NameArea::Rows) cols.assign(piece);
            }
            if (!last) begin = tokens[k].end;
        }
    }
    store(kPrintTitles, rows.empty() ? cols : cols.empty() ? rows : rows + u',' + cols);
}

void XMLSheetNames::setPrintRepeatRows(int rowFirst, int rowLast)
{
    setPrintTitles(NameArea::Rows, {rowFirst, rowLast, 0, 0});
}

void XMLSheetNames::setPrintRepeatColumns(int colFirst, int colLast)
{
    setPrintTitles(NameArea::Columns, {0, 0, colFirst, colLast});
}

}  // namespace celvo

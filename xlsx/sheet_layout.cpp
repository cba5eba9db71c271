// Rows and columns of a .xlsx sheet: column widths and row heights, hidden
// rows and columns, outline groups and the side of their summaries. Column
// records are kept as one sorted list without overlaps once changed, so that
// a range of columns is found by bisection and every column of a range that
// is set gets a record.
#include <algorithm>
#include <cmath>
#include <map>

#include "book.h"
#include "celvo/digit_width.h"
#include "part_styles.h"
#include "sheet.h"

namespace celvo {

namespace {

constexpr int kLastCol = static_cast<int>(sheet::c_CT_Cell::max_column);
constexpr int kLastRow = static_cast<int>(sheet::max_row_index);
// Column records count columns from 1.
constexpr unsigned kLastColNumber = kLastCol + 1;
constexpr int kMaxOutlineLevel = 7;
// Widest column, in characters.
constexpr double kMaxColumnWidth = 255;
// Highest row, in points.
constexpr double kMaxRowHeight = 409.6;
// Height of a row when the sheet gives none, in points.
constexpr double kDefaultRowHeight = 15.0;
// Width of a column when neither a record nor the sheet gives one, in pixels.
constexpr int kDefaultColumnPixels = 64;
// Sizes beyond any a sheet can show are cut to this many pixels.
constexpr double kLargestPixels = 1 << 20;

void checkColumn(int col)
{
    if (col > kLastCol) throw xlerror("col must be less than 16384");
    if (col < 0) throw xlerror("col must be in range 0-16383");
}

void checkRow(int row)
{
    if (static_cast<unsigned>(row) > static_cast<unsigned>(kLastRow)) throw xlerror("row must be in range 0-1048575");
}

// Pixels of a width in characters for a font whose widest digit is d pixels.
int widthPixels(double width, double d)
{
    const double px = std::floor((std::floor(128 / d) + width * 256) / 256 * d);
    if (!(px > 0)) return 0;
    return static_cast<int>(std::min(px, kLargestPixels));
}

bool coversColumn(const sheet::c_CT_Col& c, unsigned number)
{
    return c.min.present && c.max.present && c.min.value <= number && number <= c.max.value;
}

// A list is tidy when its records are valid and in order without overlaps.
bool isTidy(const sheet::c_CT_Cols& list)
{
    unsigned end = 0;
    for (std::size_t i = 0; i < list.col.size(); ++i) {
        const sheet::c_CT_Col& c = *list.col.at(i);
        if (!c.min.present || !c.max.present || c.min.value <= end || c.max.value < c.min.value ||
            c.max.value > kLastColNumber)
            return false;
        end = c.max.value;
    }
    return true;
}

// The place of the first record of a tidy list that ends at or after a
// column number.
std::size_t firstEndingFrom(const sheet::c_CT_Cols& list, unsigned number)
{
    std::size_t lo = 0, hi = list.col.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (list.col.at(mid)->max.value < number)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// The record of a tidy list that covers a column number, or null.
sheet::c_CT_Col* recordOf(const sheet::c_CT_Cols& list, unsigned number)
{
    const std::size_t i = firstEndingFrom(list, number);
    sheet::c_CT_Col* c = list.col.at(i);
    return c && c->min.value <= number ? c : nullptr;
}

// No record of a tidy list crosses the border before a column number: a
// record that does is cut in two there.
void cutBefore(sheet::c_CT_Cols& list, unsigned number)
{
    const std::size_t i = firstEndingFrom(list, number);
    sheet::c_CT_Col* c = list.col.at(i);
    if (!c || c->min.value >= number) return;
    sheet::c_CT_Col* piece = list.col.insert(i + 1);
    *piece = *list.col.at(i);
    piece->set_min(number);
    list.col.at(i)->set_max(number - 1);
}

// Columns covered so far while lists are merged: first -> last number.
using Covered = std::map<unsigned, unsigned>;

// The parts of lo..hi that `covered` does not hold, which it then holds.
std::vector<std::pair<unsigned, unsigned>> takeUncovered(Covered& covered, unsigned lo, unsigned hi)
{
    std::vector<std::pair<unsigned, unsigned>> free;
    auto it = covered.upper_bound(lo);
    if (it != covered.begin() && std::prev(it)->second >= lo) --it;
    unsigned next = lo;
    for (auto at = it; at != covered.end() && at->first <= hi && next <= hi; ++at) {
        if (at->first > next) free.emplace_back(next, at->first - 1);
        next = std::max(next, at->second + 1);
    }
    if (next <= hi) free.emplace_back(next, hi);
    // lo..hi joins the covered ranges it meets or touches.
    unsigned first = lo, last = hi;
    auto from = covered.upper_bound(lo);
    if (from != covered.begin() && std::prev(from)->second + 1 >= lo) --from;
    auto to = from;
    while (to != covered.end() && to->first <= hi + 1) {
        first = std::min(first, to->first);
        last = std::max(last, to->second);
        ++to;
    }
    covered.erase(from, to);
    covered.emplace(first, last);
    return free;
}

void markHidden(sheet::c_CT_Row& row, bool hidden)
{
    if (hidden)
        row.set_hidden(true);
    else if (row.hidden.present)
        row.unset_hidden();
}

void markHidden(sheet::c_CT_Col& col, bool hidden)
{
    if (hidden)
        col.set_hidden(true);
    else if (col.hidden.present)
        col.unset_hidden();
}

}  // namespace

int XMLSheetImplT::digitWidth() const
{
    const Styles* styles = book_ ? book_->stylesPart() : nullptr;
    return styles ? styles->digitWidth() : kFallbackDigitWidth;
}

// ---- column records -------------------------------------------------------------------

sheet::c_CT_Cols& XMLSheetImplT::tidyColumnRecords()
{
    auto& lists = root_.cols;
    if (lists.empty()) {
        columnsTidy_ = true;
        return *lists.append();
    }
    if (lists.size() == 1 && (columnsTidy_ || isTidy(*lists.at(0)))) {
        columnsTidy_ = true;
        return *lists.at(0);
    }
    struct Piece {
        unsigned min, max;
        const sheet::c_CT_Col* from;
    };
    std::vector<Piece> pieces;
    Covered covered;
    for (std::size_t l = 0; l < lists.size(); ++l) {
        const sheet::c_CT_Cols& list = *lists.at(l);
        for (std::size_t i = 0; i < list.col.size(); ++i) {
            const sheet::c_CT_Col& c = *list.col.at(i);
            if (!c.min.present || !c.max.present) continue;
            const unsigned lo = std::max(1u, c.min.value), hi = std::min(c.max.value, kLastColNumber);
            if (lo > hi) continue;
            for (const auto& [first, last] : takeUncovered(covered, lo, hi)) pieces.push_back({first, last, &c});
        }
    }
    std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.min < b.min; });
    const std::size_t old = lists.size();
    sheet::c_CT_Cols& tidy = *lists.append();
    for (const Piece& p : pieces) {
        sheet::c_CT_Col* c = tidy.col.append();
        *c = *p.from;
        c->set_min(p.min);
        c->set_max(p.max);
    }
    for (std::size_t l = 0; l < old; ++l) lists.erase(0);
    columnsTidy_ = true;
    return *lists.at(0);
}

std::vector<sheet::c_CT_Col*> XMLSheetImplT::splitColumnRecords(int first, int last)
{
    sheet::c_CT_Cols& list = tidyColumnRecords();
    const auto from = static_cast<unsigned>(first) + 1, to = static_cast<unsigned>(last) + 1;
    cutBefore(list, from);
    cutBefore(list, to + 1);
    // The width of a column no record covers.
    const sheet::c_CT_SheetFormatPr* format = root_.sheetFormatPr.peek();
    const double d = digitWidth();
    const double gapWidth = format && format->defaultColWidth.present
                                ? format->defaultColWidth.value
                                : std::floor(kDefaultColumnPixels * 256 / d) / 256;
    std::vector<sheet::c_CT_Col*> range;
    std::size_t i = firstEndingFrom(list, from);
    unsigned next = from;
    auto gap = [&](unsigned lo, unsigned hi) {
        sheet::c_CT_Col* c = list.col.insert(i++);
        c->set_min(lo);
        c->set_max(hi);
        c->set_width(gapWidth);
        range.push_back(c);
    };
    while (next <= to) {
        sheet::c_CT_Col* c = list.col.at(i);
        if (!c || c->min.value > to) {
            gap(next, to);
            break;
        }
        if (c->min.value > next) gap(next, c->min.value - 1);
        range.push_back(c);
        next = c->max.value + 1;
        ++i;
    }
    return range;
}

void XMLSheetImplT::shiftColumnRecords(int first, int count)
{
    if (root_.cols.empty() || count <= 0 || first < 0 || first > kLastCol) return;
    sheet::c_CT_Cols& list = tidyColumnRecords();
    const unsigned from = static_cast<unsigned>(first) + 1;
    cutBefore(list, from);
    for (std::size_t i = list.col.size(); i-- > firstEndingFrom(list, from);) {
        sheet::c_CT_Col& c = *list.col.at(i);
        const std::uint64_t lo = std::uint64_t{c.min.value} + static_cast<unsigned>(count);
        const std::uint64_t hi = std::uint64_t{c.max.value} + static_cast<unsigned>(count);
        if (lo > kLastColNumber) {
            list.col.erase(i);
            continue;
        }
        c.set_min(static_cast<unsigned>(lo));
        c.set_max(static_cast<unsigned>(std::min<std::uint64_t>(hi, kLastColNumber)));
    }
    if (list.col.empty()) root_.cols.clear();
}

void XMLSheetImplT::removeColumnRecords(int first, int last)
{
    if (root_.cols.empty() || last < first) return;
    first = std::max(first, 0);
    last = std::min(last, kLastCol);
    if (last < first) return;
    sheet::c_CT_Cols& list = tidyColumnRecords();
    const unsigned from = static_cast<unsigned>(first) + 1, to = static_cast<unsigned>(last) + 1;
    const unsigned count = to - from + 1;
    cutBefore(list, from);
    cutBefore(list, to + 1);
    const std::size_t begin = firstEndingFrom(list, from);
    std::size_t end = begin;
    while (end < list.col.size() && list.col.at(end)->max.value <= to) ++end;
    for (std::size_t i = end; i < list.col.size(); ++i) {
        sheet::c_CT_Col& c = *list.col.at(i);
        c.set_min(c.min.value - count);
        c.set_max(c.max.value - count);
    }
    for (std::size_t i = end; i-- > begin;) list.col.erase(i);
    if (list.col.empty()) root_.cols.clear();
}

// ---- widths and heights ---------------------------------------------------------------

double XMLSheetImplT::columnWidth(int col)
{
    return guarded(0.0, [&] {
        const double d = digitWidth();
        const sheet::c_CT_SheetFormatPr* format = root_.sheetFormatPr.peek();
        int px = format && format->defaultColWidth.present ? widthPixels(format->defaultColWidth.value, d)
                                                           : kDefaultColumnPixels;
        // The first record holding the column with a width gives it.
        const unsigned number = static_cast<unsigned>(col) + 1;
        bool found = false;
        for (std::size_t l = 0; l < root_.cols.size() && !found && col >= 0; ++l) {
            const sheet::c_CT_Cols& list = *root_.cols.at(l);
            for (std::size_t i = 0; i < list.col.size(); ++i) {
                const sheet::c_CT_Col& c = *list.col.at(i);
                if (!c.width.present || !coversColumn(c, number)) continue;
                px = widthPixels(c.width.value, d);
                found = true;
                break;
            }
        }
        const double chars = px > 12 ? (px - 5) / d : px / (d + 5);
        return std::floor(chars * 100 + 0.5) / 100;
    });
}

double XMLSheetImplT::rowHeight(int row)
{
    return guarded(0.0, [&] {
        const sheet::c_CT_Row* r = findRow(row);
        if (r && r->ht.present) return r->ht.value;
        const sheet::c_CT_SheetFormatPr* format = root_.sheetFormatPr.peek();
        return format && format->defaultRowHeight.present ? format->defaultRowHeight.value : kDefaultRowHeight;
    });
}

bool XMLSheetImplT::setColumn(int colFirst, int colLast, double width, IFormatT* format, bool hidden)
{
    return guarded(false, [&] {
        checkColumn(colFirst);
        checkColumn(colLast);
        if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");
        if (!std::isfinite(width) || width < 0 || width > kMaxColumnWidth)
            throw xlerror("width must be in range 0-255");
        const std::uint32_t style = format ? styleOfFormat(format) : 0;
        const double d = digitWidth();
        const double stored = std::floor((width < 1 ? width * (d + 5) : width * d + 5) / d * 256) / 256;
        for (sheet::c_CT_Col* c : splitColumnRecords(colFirst, colLast)) {
            c->set_width(stored);
            c->set_customWidth(true);
            if (format) c->set_style(style);
            markHidden(*c, hidden);
        }
        return true;
    });
}

bool XMLSheetImplT::setRow(int row, double height, IFormatT* format, bool hidden)
{
    return guarded(false, [&] {
        checkRow(row);
        if (std::isnan(height) || height < 0) throw xlerror("height must not be negative");
        if (height > kMaxRowHeight) throw xlerror("height is too big");
        const std::uint32_t style = format ? styleOfFormat(format) : 0;
        sheet::c_CT_Row& r = *sheetData().rows.find_or_create(static_cast<std::uint32_t>(row));
        r.set_ht(height);
        r.set_customHeight(true);
        if (format) {
            r.set_s(style);
            r.set_customFormat(true);
        }
        markHidden(r, hidden);
        widenUsedRows(row);
        return true;
    });
}

// ---- hidden rows and columns ----------------------------------------------------------

bool XMLSheetImplT::isRowHidden(int row)
{
    return guarded(false, [&] {
        const sheet::c_CT_Row* r = findRow(row);
        return r && r->hidden.present && r->hidden.value;
    });
}

bool XMLSheetImplT::setRowHidden(int row, bool hidden)
{
    return guarded(false, [&] {
        checkRow(row);
        sheet::c_CT_Row* r = findRow(row);
        if (!r && !hidden) return true;
        if (!r) {
            r = sheetData().rows.find_or_create(static_cast<std::uint32_t>(row));
            widenUsedRows(row);
        }
        markHidden(*r, hidden);
        return true;
    });
}

bool XMLSheetImplT::isColumnHidden(int col)
{
    return guarded(false, [&] {
        if (col < 0 || col > kLastCol) return false;
        const unsigned number = static_cast<unsigned>(col) + 1;
        // The first record holding the column that says decides; lists
        // after the first are asked when it does not say.
        for (std::size_t l = 0; l < root_.cols.size(); ++l) {
            const sheet::c_CT_Cols& list = *root_.cols.at(l);
            for (std::size_t i = 0; i < list.col.size(); ++i) {
                const sheet::c_CT_Col& c = *list.col.at(i);
                if (!coversColumn(c, number)) continue;
                if (c.hidden.present) return c.hidden.value;
                break;
            }
        }
        return false;
    });
}

bool XMLSheetImplT::setColumnHidden(int col, bool hidden)
{
    return guarded(false, [&] {
        checkColumn(col);
        // The column keeps its width as stored.
        if (!hidden) {
            const sheet::c_CT_Cols* list = root_.cols.empty() ? nullptr : &tidyColumnRecords();
            if (!list || !recordOf(*list, static_cast<unsigned>(col) + 1)) return true;
        }
        for (sheet::c_CT_Col* c : splitColumnRecords(col, col)) markHidden(*c, hidden);
        return true;
    });
}

// ---- outline groups -------------------------------------------------------------------

bool XMLSheetImplT::groupRows(int rowFirst, int rowLast, bool collapsed)
{
    return guarded(false, [&] {
        checkRow(rowFirst);
        checkRow(rowLast);
        if (rowFirst > rowLast) throw xlerror("must be rowFirst <= rowLast");
        // Every row of the range goes one level deeper; a row without a
        // level stands at the level of the row before it in the range. The
        // rows must all come to one level, checked before anything changes.
        sheet::c_CT_SheetData& data = sheetData();
        const auto first = static_cast<std::uint32_t>(rowFirst), last = static_cast<std::uint32_t>(rowLast);
        int level = 0;
        for (auto it = data.rows.lower_bound(first); it != data.rows.end() && it->r.value - 1 <= last; ++it) {
            if (!it->outlineLevel.present) continue;
            const int next = it->outlineLevel.value + 1;
            if (level == 0 && it->r.value - 1 != first) level = 1;
            if (level != 0 && next != level) throw xlerror("detect overlap");
            level = next;
        }
        if (level == 0) level = 1;
        if (level > kMaxOutlineLevel) throw xlerror("outline level must be in range 0-7");
        for (std::uint32_t r = first; r <= last; ++r) {
            sheet::c_CT_Row& row = *data.rows.find_or_create(r);
            row.set_outlineLevel(static_cast<unsigned char>(level));
            if (collapsed) row.set_hidden(true);
        }
        if (collapsed && rowLast < kLastRow) data.rows.find_or_create(last + 1)->set_collapsed(true);
        widenUsedRows(rowFirst);
        widenUsedRows(collapsed ? std::min(rowLast + 1, kLastRow) : rowLast);
        sheet::c_CT_SheetFormatPr& format = sheetFormat();
        if (format.outlineLevelRow.value < level) format.set_outlineLevelRow(static_cast<unsigned char>(level));
        return true;
    });
}

bool XMLSheetImplT::groupColumns(int colFirst, int colLast, bool collapsed)
{
    return guarded(false, [&] {
        checkColumn(colFirst);
        checkColumn(colLast);
        if (colFirst > colLast) throw xlerror("must be colFirst <= colLast");
        // As with rows, the columns must all come to one level; the records
        // are cut only once that is known.
        int level = 0;
        if (!root_.cols.empty()) {
            const sheet::c_CT_Cols& list = tidyColumnRecords();
            const auto from = static_cast<unsigned>(colFirst) + 1, to = static_cast<unsigned>(colLast) + 1;
            for (std::size_t i = firstEndingFrom(list, from); i < list.col.size(); ++i) {
                const sheet::c_CT_Col& c = *list.col.at(i);
                if (c.min.value > to) break;
                const int next = c.outlineLevel.present ? c.outlineLevel.value + 1 : 1;
                if (level != 0 && next != level) throw xlerror("detect overlap");
                level = next;
            }
            // Columns no record covers stand at no level.
            unsigned covered = 0;
            for (std::size_t i = firstEndingFrom(list, from); i < list.col.size(); ++i) {
                const sheet::c_CT_Col& c = *list.col.at(i);
                if (c.min.value > to) break;
                covered += std::min(c.max.value, to) - std::max(c.min.value, from) + 1;
            }
            if (level > 1 && covered < to - from + 1) throw xlerror("detect overlap");
        }
        if (level == 0) level = 1;
        if (level > kMaxOutlineLevel) throw xlerror("outline level must be in range 0-7");
        for (sheet::c_CT_Col* c : splitColumnRecords(colFirst, colLast)) {
            c->set_outlineLevel(static_cast<unsigned char>(level));
            if (collapsed) c->set_hidden(true);
        }
        if (collapsed && colLast < kLastCol) splitColumnRecords(colLast + 1, colLast + 1).front()->set_collapsed(true);
        sheet::c_CT_SheetFormatPr& format = sheetFormat();
        if (format.outlineLevelCol.value < level) format.set_outlineLevelCol(static_cast<unsigned char>(level));
        return true;
    });
}

bool XMLSheetImplT::groupSummaryBelow()
{
    return guarded(true, [&] {
        const sheet::c_CT_SheetPr* pr = root_.sheetPr.peek();
        const sheet::c_CT_OutlinePr* outline = pr ? pr->outlinePr.peek() : nullptr;
        return !outline || !outline->summaryBelow.present || outline->summaryBelow.value;
    });
}

void XMLSheetImplT::setGroupSummaryBelow(bool below)
{
    guardedVoid([&] { root_.get_sheetPr()->outlinePr.get()->set_summaryBelow(below); });
}

bool XMLSheetImplT::groupSummaryRight()
{
    return guarded(true, [&] {
        const sheet::c_CT_SheetPr* pr = root_.sheetPr.peek();
        const sheet::c_CT_OutlinePr* outline = pr ? pr->outlinePr.peek() : nullptr;
        return !outline || !outline->summaryRight.present || outline->summaryRight.value;
    });
}

void XMLSheetImplT::setGroupSummaryRight(bool right)
{
    guardedVoid([&] { root_.get_sheetPr()->outlinePr.get()->set_summaryRight(right); });
}

// ---- helpers --------------------------------------------------------------------------

sheet::c_CT_SheetFormatPr& XMLSheetImplT::sheetFormat()
{
    const bool fresh = !root_.sheetFormatPr.has();
    sheet::c_CT_SheetFormatPr& format = *root_.get_sheetFormatPr();
    if (fresh || !format.defaultRowHeight.present) format.set_defaultRowHeight(kDefaultRowHeight);
    return format;
}

}  // namespace celvo

// Rows, columns and the sheet's layout: column widths and row heights in the
// units of the interface, hidden rows and columns, manual page breaks,
// outline groups and frozen panes.
#include <algorithm>
#include <cmath>
#include <string>

#include "book.h"
#include "celvo/digit_width.h"
#include "sheet.h"

namespace celvo {

namespace {

// Highest outline level the three level bits of ROW and COLINFO may carry
// that readers accept.
constexpr int kMaxOutlineLevel = 7;
// Page breaks one direction may hold.
constexpr std::size_t kMaxPageBreaks = 1026;
// Largest row height, in twips (409.6 points).
constexpr double kMaxRowTwips = 8192;
// Width of a column that no COLINFO covers, in characters.
constexpr double kDefaultColumnWidth = 8.43;
// The digit width the stored column widths assume.
constexpr int kStoredDigitWidth = 7;

constexpr std::uint16_t kColInfoLevelShift = 8;
constexpr std::uint16_t kColInfoLevelMask = 0x0700;
constexpr std::uint16_t kGroupColumnOptions = 0x0100;

// ROW options of the records that hiding and grouping add.
constexpr std::uint16_t kHiddenRowOptions = 0x0120;
constexpr std::uint16_t kGroupedRowOptions = 0x0100;
constexpr std::uint16_t kAddedRowHeight = 255;  // twips

void setFlag(std::uint16_t& bits, std::uint16_t flag, bool on)
{
    bits = static_cast<std::uint16_t>(on ? (bits | flag) : (bits & ~flag));
}

void checkRow(int row)
{
    if (static_cast<unsigned>(row) >= kMaxCellRows) throw xlerror("row must be in range 0-65535");
}

void checkCol(int col)
{
    if (static_cast<unsigned>(col) >= kMaxCellCols) throw xlerror("col must be in range 0-255");
}

int rowLevel(const Row& r) { return r.options & Row::kOutlineMask; }
int colLevel(const ColInfo& c) { return (c.options & kColInfoLevelMask) >> kColInfoLevelShift; }

}  // namespace

// ---- lookups -----------------------------------------------------------------

Row* SheetImplT::rowRecord(int row)
{
    for (Row& r : rows_)
        if (r.row == row) return &r;
    return nullptr;
}

const ColInfo* SheetImplT::coveringColumn(int col) const
{
    for (const ColInfo& c : colInfos_)
        if (c.firstCol <= col && col <= c.lastCol) return &c;
    return nullptr;
}

int SheetImplT::digitWidth() const
{
    if (!book_ || book_->fonts().empty()) return kFallbackDigitWidth;
    const FontImplT& font = *book_->fonts().front();
    const int d = maxDigitWidth(font.faceName.view(), font.height / 20);
    return d > 0 ? d : kFallbackDigitWidth;
}

int SheetImplT::columnPixels(int col) const
{
    const ColInfo* c = coveringColumn(col);
    if (!c) return defColWidth_.value * 8;
    if (c->options & ColInfo::kHidden) return 0;
    if (!book_ || book_->fonts().empty()) return static_cast<int>(c->width / 36.5);
    return c->width / (256 / digitWidth());
}

int SheetImplT::rowPixels(int row) const
{
    for (const Row& r : rows_) {
        if (r.row != row) continue;
        return (r.options & Row::kHidden) ? 0 : r.height / 15;
    }
    return defaultRowHeight_.height / 15;
}

// ---- widths and heights --------------------------------------------------------

double SheetImplT::columnWidth(int col)
{
    const ColInfo* c = coveringColumn(col);
    if (!c) return kDefaultColumnWidth;
    if (c->options & ColInfo::kHidden) return 0.0;
    const double d = digitWidth();
    const double p = std::trunc(c->width * d / 256 + 0.5);
    if (p > 12) return std::trunc((p - 5) / d * 100 + 0.5) / 100;
    return std::trunc(p / (d + 5) * 100 + 0.5) / 100;
}

double SheetImplT::rowHeight(int row)
{
    for (const Row& r : rows_)
        if (r.row == row) return r.height / 20.0;
    return defaultRowHeight_.height / 20.0;
}

std::uint16_t SheetImplT::storedColumnWidth(double width)
{
    // Widths beyond 255 characters do not fit the record's 16 bits.
    if (!std::isfinite(width) || width < 0 || width > 255) throw xlerror("width must be in range 0-255");
    const double p = width < 1.0 ? std::trunc(width * 12 + 0.5) : std::trunc(width * kStoredDigitWidth + 0.5) + 5;
    return static_cast<std::uint16_t>(std::trunc(p * 256 / kStoredDigitWidth + 0.5));
}

void SheetImplT::putColumns(int colFirst, int colLast, std::uint16_t width, int xf, bool hidden)
{
    std::vector<bool> done(kMaxCellCols, false);
    for (ColInfo& c : colInfos_) {
        if (c.firstCol < colFirst || c.firstCol > colLast) continue;
        c.width = width;
        if (xf >= 0) c.xf = static_cast<std::uint16_t>(xf);
        setFlag(c.options, ColInfo::kHidden, hidden);
        done[c.firstCol] = true;
    }
    for (int col = colFirst; col <= colLast; ++col) {
        if (done[static_cast<std::size_t>(col)]) continue;
        ColInfo c;
        c.firstCol = c.lastCol = static_cast<std::uint16_t>(col);
        c.width = width;
        c.xf = static_cast<std::uint16_t>(xf >= 0 ? xf : 0);
        c.options = hidden ? ColInfo::kHidden : 0;
        colInfos_.push_back(c);
    }
}

bool SheetImplT::setColumn(int colFirst, int colLast, double width, IFormatT* format, bool hidden)
{
    return guarded(false, [&] {
        checkCol(colFirst);
        checkCol(colLast);
        if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");
        const std::uint16_t stored = storedColumnWidth(width);
        int xf = -1;
        if (format) {
            xf = formatIndex(format);
            if (xf < 0 || xf > 0xFFFF) throw xlerror("specified format not found");
        }
        putColumns(colFirst, colLast, stored, xf, hidden);
        return true;
    });
}

bool SheetImplT::setColumnHidden(int col, bool hidden)
{
    return guarded(false, [&] {
        checkCol(col);
        // The column keeps the width it has, so that showing it again brings
        // it back as it was.
        const ColInfo* c = coveringColumn(col);
        const std::uint16_t width = c ? c->width : storedColumnWidth(kDefaultColumnWidth);
        putColumns(col, col, width, -1, hidden);
        return true;
    });
}

bool SheetImplT::setRow(int row, double height, IFormatT* format, bool hidden)
{
    return guarded(false, [&] {
        checkRow(row);
        if (std::isnan(height) || height < 0) throw xlerror("height must not be negative");
        if (height * 20 > kMaxRowTwips) throw xlerror("height is too big");
        const auto twips = static_cast<std::uint16_t>(std::trunc(height * 20));
        int xf = -1;
        if (format) {
            xf = formatIndex(format);
            if (xf < 0 || xf > 0x0FFF) throw xlerror("specified format not found");
        }
        Row* existing = rowRecord(row);
        Row fresh;
        Row& r = existing ? *existing : fresh;
        // An existing row keeps its place in the outline.
        const std::uint16_t outline = existing ? static_cast<std::uint16_t>(r.options & (Row::kOutlineMask | Row::kCollapsed)) : 0;
        r.row = static_cast<std::uint16_t>(row);
        if (!existing) r.firstCol = r.colBound = 0;
        r.height = twips;
        r.options = static_cast<std::uint16_t>((hidden ? Row::kHidden : 0) | Row::kAlwaysSet | Row::kUserHeight | outline);
        r.xf = 0;
        if (xf >= 0) {
            r.options |= Row::kHasFormat;
            r.xf = static_cast<std::uint16_t>(xf);
        }
        if (!existing) rows_.push_back(fresh);
        // The used range takes the row in; its columns stay as they are.
        Dimensions& d = dimensions_;
        const auto r32 = static_cast<std::uint32_t>(row);
        if (d.firstRow == d.rowBound) {
            d.firstRow = r32;
            d.rowBound = r32 + 1;
        } else {
            d.firstRow = std::min(d.firstRow, r32);
            d.rowBound = std::max(d.rowBound, r32 + 1);
        }
        return true;
    });
}

Row& SheetImplT::addRowRecord(int row, std::uint16_t options)
{
    Row r;
    r.row = static_cast<std::uint16_t>(row);
    r.firstCol = 0;
    r.colBound = 1;
    r.height = kAddedRowHeight;
    r.options = options;
    r.xf = kDefaultXf;
    rows_.push_back(r);
    return rows_.back();
}

bool SheetImplT::setRowHidden(int row, bool hidden)
{
    const std::string before = book_ ? message() : std::string();
    const bool ok = guarded(false, [&] {
        checkRow(row);
        if (Row* r = rowRecord(row))
            setFlag(r->options, Row::kHidden, hidden);
        else if (hidden)
            addRowRecord(row, kHiddenRowOptions);
        return true;
    });
    if (ok) message() = before;
    return ok;
}

// ---- page breaks ---------------------------------------------------------------

bool SheetImplT::setPageBreak(PageBreaks& breaks, int pos, bool pageBreak, std::uint16_t last)
{
    auto& entries = breaks.entries;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->pos != pos) continue;
        if (pageBreak) throw xlerror("pagebreak already exists");
        entries.erase(it);
        return true;
    }
    if (!pageBreak) throw xlerror("pagebreak not found");
    if (entries.size() >= kMaxPageBreaks) throw xlerror("number of pagebreaks is exceed limit");
    PageBreaks::Entry e;
    e.pos = static_cast<std::uint16_t>(pos);
    e.first = 0;
    e.last = last;
    entries.push_back(e);
    return true;
}

bool SheetImplT::setHorizontalPageBreak(int row, bool pageBreak)
{
    return guarded(false, [&] {
        checkRow(row);
        return setPageBreak(horizontalBreaks_, row, pageBreak, 0x00FF);
    });
}

bool SheetImplT::setVerticalPageBreak(int col, bool pageBreak)
{
    return guarded(false, [&] {
        checkCol(col);
        return setPageBreak(verticalBreaks_, col, pageBreak, 0xFFFF);
    });
}

int SheetImplT::horizontalPageBreakCount()
{
    if (book_) message() = "ok";
    return static_cast<int>(horizontalBreaks_.entries.size());
}

int SheetImplT::verticalPageBreakCount()
{
    if (book_) message() = "ok";
    return static_cast<int>(verticalBreaks_.entries.size());
}

int SheetImplT::horizontalPageBreak(int index)
{
    return guarded(-1, [&]() -> int {
        const auto& e = horizontalBreaks_.entries;
        if (index < 0 || static_cast<std::size_t>(index) >= e.size()) throw xlerror("index is out of range");
        return e[static_cast<std::size_t>(index)].pos;
    });
}

int SheetImplT::verticalPageBreak(int index)
{
    return guarded(-1, [&]() -> int {
        const auto& e = verticalBreaks_.entries;
        if (index < 0 || static_cast<std::size_t>(index) >= e.size()) throw xlerror("index is out of range");
        return e[static_cast<std::size_t>(index)].pos;
    });
}

// ---- frozen panes --------------------------------------------------------------

void SheetImplT::split(int row, int col)
{
    const std::string before = book_ ? message() : std::string();
    bool ok = false;
    guardedVoid([&] {
        checkPosition(row, col);
        // Panes: 0 bottom right, 1 top right, 2 bottom left, 3 top left.
        // Selections of panes that the new split has not go.
        auto exists = [&](const Selection& s) {
            return s.pane == 3 || (s.pane == 1 && col > 0) || (s.pane == 2 && row > 0) ||
                   (s.pane == 0 && row > 0 && col > 0);
        };
        selections_.erase(std::remove_if(selections_.begin(), selections_.end(),
                                         [&](const Selection& s) { return !exists(s); }),
                          selections_.end());
        if (row == 0 && col == 0) {
            // Nothing frozen: no pane at all.
            pane_ = Pane();
            setFlag(window2_.options, Window2::kFrozen, false);
            setFlag(window2_.options, Window2::kFrozenNoSplit, false);
            ok = true;
            return;
        }
        pane_.x = static_cast<std::uint16_t>(col);
        pane_.y = static_cast<std::uint16_t>(row);
        pane_.topRow = static_cast<std::uint16_t>(row);
        pane_.leftCol = static_cast<std::uint16_t>(col);
        pane_.activePane = row == 0 ? 1 : (col == 0 ? 2 : 0);
        pane_.present = true;
        setFlag(window2_.options, Window2::kFrozen, true);
        ok = true;
    });
    if (ok) message() = before;
}

// ---- outline groups ------------------------------------------------------------

bool SheetImplT::groupRows(int rowFirst, int rowLast, bool collapsed)
{
    return guarded(false, [&] {
        checkRow(rowFirst);
        checkRow(rowLast);
        if (rowFirst > rowLast) throw xlerror("must be rowFirst <= rowLast");
        // Every row of the range must stand at the level of the first one.
        std::vector<int> level(static_cast<std::size_t>(rowLast - rowFirst + 1), -1);
        for (const Row& r : rows_) {
            if (r.row < rowFirst || r.row > rowLast) continue;
            int& l = level[static_cast<std::size_t>(r.row - rowFirst)];
            if (l < 0) l = rowLevel(r);
        }
        const int base = level[0] < 0 ? 0 : level[0];
        for (int l : level)
            if ((l < 0 ? 0 : l) != base) throw xlerror("detect overlap");
        if (base + 1 > kMaxOutlineLevel) throw xlerror("outline level must be in range 0-7");

        for (std::size_t i = 0; i < level.size(); ++i)
            if (level[i] < 0) addRowRecord(rowFirst + static_cast<int>(i), kGroupedRowOptions);
        for (Row& r : rows_) {
            if (r.row >= rowFirst && r.row <= rowLast) {
                r.options = static_cast<std::uint16_t>((r.options & ~Row::kOutlineMask) | (base + 1));
                setFlag(r.options, Row::kHidden, collapsed);
            } else if (r.row == rowLast + 1) {
                setFlag(r.options, Row::kCollapsed, collapsed);
            }
        }
        // The gutter holds the deepest level in use, never less than before.
        guts_.rowLevels = std::max<std::uint16_t>(guts_.rowLevels, static_cast<std::uint16_t>(base + 2));
        return true;
    });
}

bool SheetImplT::groupColumns(int colFirst, int colLast, bool collapsed)
{
    const std::string before = book_ ? message() : std::string();
    const bool ok = guarded(false, [&] {
        checkCol(colFirst);
        checkCol(colLast);
        if (colFirst > colLast) throw xlerror("must be colFirst <= colLast");
        for (const ColInfo& c : colInfos_)
            if (c.firstCol >= colFirst && c.firstCol <= colLast && colLevel(c) + 1 > kMaxOutlineLevel)
                throw xlerror("outline level must be in range 0-7");
        std::vector<bool> done(kMaxCellCols, false);
        int deepest = 1;
        for (ColInfo& c : colInfos_) {
            if (c.firstCol < colFirst || c.firstCol > colLast) continue;
            const int l = colLevel(c) + 1;
            c.options = static_cast<std::uint16_t>((c.options & ~kColInfoLevelMask) | (l << kColInfoLevelShift));
            setFlag(c.options, ColInfo::kHidden, collapsed);
            deepest = std::max(deepest, l);
            done[c.firstCol] = true;
        }
        const auto width = static_cast<std::uint16_t>((defColWidth_.value + 1.140625) * 256);
        for (int col = colFirst; col <= colLast; ++col) {
            if (done[static_cast<std::size_t>(col)]) continue;
            ColInfo c;
            c.firstCol = c.lastCol = static_cast<std::uint16_t>(col);
            c.width = width;
            c.xf = 0;
            c.options = static_cast<std::uint16_t>(kGroupColumnOptions | (collapsed ? ColInfo::kHidden : 0));
            colInfos_.push_back(c);
        }
        guts_.colLevels = std::max<std::uint16_t>(guts_.colLevels, static_cast<std::uint16_t>(deepest + 1));
        return true;
    });
    if (ok) message() = before;
    return ok;
}

}  // namespace celvo

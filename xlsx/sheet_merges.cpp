// Merged ranges of a .xlsx sheet: set, found and removed through the
// interface, found through an index by tile of the sheet (built from
// `mergeCells` when first needed) so that finding the range of a cell or the
// ranges a new one meets does not read every range; and moved or cut by the
// edits that insert or remove rows and columns or clear cells. Ranges never
// cross: a new range that shares cells with another one without holding it
// whole is refused.
#include "sheet_merges.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "book.h"
#include "celvo/cellref.h"
#include "sheet.h"
#include "sheet_insert.h"

namespace celvo {

namespace {

constexpr std::uint32_t kLastCol = sheet::c_CT_Cell::max_column;
constexpr std::uint32_t kLastRow = sheet::max_row_index;
// A tile of the index is 64 rows by 16 columns; a range over more tiles than
// kMaxTiles is listed apart, and a search over more tiles than
// kMaxSearchTiles reads every range.
constexpr unsigned kTileRowShift = 6;
constexpr unsigned kTileColShift = 4;
constexpr std::uint64_t kMaxTiles = 64;
constexpr std::uint64_t kMaxSearchTiles = 4096;

using MergeRange = XMLSheetImplT::MergeRange;

std::uint64_t tileKey(std::uint32_t rowTile, std::uint32_t colTile)
{
    return (std::uint64_t{rowTile} << 32) | colTile;
}

std::uint64_t tileCount(const MergeRange& r)
{
    return std::uint64_t{(r.rowLast >> kTileRowShift) - (r.rowFirst >> kTileRowShift) + 1} *
           ((r.colLast >> kTileColShift) - (r.colFirst >> kTileColShift) + 1);
}

bool holds(const MergeRange& r, std::uint32_t row, std::uint32_t col)
{
    return r.rowFirst <= row && row <= r.rowLast && r.colFirst <= col && col <= r.colLast;
}

bool meets(const MergeRange& a, const MergeRange& b)
{
    return a.rowFirst <= b.rowLast && b.rowFirst <= a.rowLast && a.colFirst <= b.colLast && b.colFirst <= a.colLast;
}

bool inside(const MergeRange& inner, const MergeRange& outer)
{
    return outer.rowFirst <= inner.rowFirst && inner.rowLast <= outer.rowLast && outer.colFirst <= inner.colFirst &&
           inner.colLast <= outer.colLast;
}

// The range of a merged item; false when its reference cannot be read.
bool readMerge(const sheet::c_CT_MergeCell& item, MergeRange& r)
{
    return readRangeRef(item.ref.value, r.rowFirst, r.colFirst, r.rowLast, r.colLast);
}

u16string mergeRef(const MergeRange& r)
{
    u16string ref = rowColToCellRef(static_cast<int>(r.rowFirst), static_cast<int>(r.colFirst), true, true);
    ref += u':';
    ref += rowColToCellRef(static_cast<int>(r.rowLast), static_cast<int>(r.colLast), true, true);
    return ref;
}

void checkColumn(int col)
{
    if (col > static_cast<int>(kLastCol)) throw xlerror("col must be less than 16384");
    if (col < 0) throw xlerror("col must be in range 0-16383");
}

void checkRow(int row)
{
    if (static_cast<unsigned>(row) > kLastRow) throw xlerror("row must be in range 0-1048575");
}

}  // namespace

// ---- the index ------------------------------------------------------------------------

void XMLSheetImplT::indexMerge(std::uint32_t place)
{
    if (!mergeReadable_[place]) return;
    const MergeRange& r = mergeRanges_[place];
    if (tileCount(r) > kMaxTiles) {
        largeMerges_.push_back(place);
        return;
    }
    for (std::uint32_t rt = r.rowFirst >> kTileRowShift; rt <= r.rowLast >> kTileRowShift; ++rt)
        for (std::uint32_t ct = r.colFirst >> kTileColShift; ct <= r.colLast >> kTileColShift; ++ct)
            mergeTiles_[tileKey(rt, ct)].push_back(place);
}

void XMLSheetImplT::buildMergeIndex()
{
    mergeRanges_.clear();
    mergeReadable_.clear();
    mergeTiles_.clear();
    largeMerges_.clear();
    if (const sheet::c_CT_MergeCells* merges = root_.mergeCells.peek()) {
        const std::size_t n = merges->mergeCell.size();
        mergeRanges_.resize(n);
        mergeReadable_.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            MergeRange& r = mergeRanges_[i];
            const bool read = readMerge(*merges->mergeCell.at(i), r);
            mergeReadable_[i] = read && r.rowLast <= kLastRow && r.colLast <= kLastCol;
            indexMerge(static_cast<std::uint32_t>(i));
        }
    }
    mergeIndexBuilt_ = true;
}

const XMLSheetImplT::MergeRange* XMLSheetImplT::mergeAt(int row, int col)
{
    if (row < 0 || col < 0 || static_cast<unsigned>(row) > kLastRow || static_cast<unsigned>(col) > kLastCol)
        return nullptr;
    if (!mergeIndexBuilt_) buildMergeIndex();
    const auto r = static_cast<std::uint32_t>(row), c = static_cast<std::uint32_t>(col);
    std::uint32_t best = static_cast<std::uint32_t>(mergeRanges_.size());
    auto look = [&](const std::vector<std::uint32_t>& places) {
        for (std::uint32_t p : places)
            if (p < best && holds(mergeRanges_[p], r, c)) best = p;
    };
    const auto tile = mergeTiles_.find(tileKey(r >> kTileRowShift, c >> kTileColShift));
    if (tile != mergeTiles_.end()) look(tile->second);
    look(largeMerges_);
    return best < mergeRanges_.size() ? &mergeRanges_[best] : nullptr;
}

void XMLSheetImplT::mergesChanged()
{
    mergeIndexBuilt_ = false;
    sheet::c_CT_MergeCells* merges = root_.mergeCells.peek();
    if (!merges) return;
    if (merges->mergeCell.empty())
        root_.mergeCells.reset();
    else
        merges->set_count(static_cast<unsigned>(merges->mergeCell.size()));
}

// ---- the interface --------------------------------------------------------------------

bool XMLSheetImplT::getMerge(int row, int col, int* rowFirst, int* rowLast, int* colFirst, int* colLast)
{
    return guarded(false, [&] {
        const MergeRange* r = mergeAt(row, col);
        if (!r) throw xlerror("this cell isn't in merging block");
        if (rowFirst) *rowFirst = static_cast<int>(r->rowFirst);
        if (rowLast) *rowLast = static_cast<int>(r->rowLast);
        if (colFirst) *colFirst = static_cast<int>(r->colFirst);
        if (colLast) *colLast = static_cast<int>(r->colLast);
        return true;
    });
}

bool XMLSheetImplT::deleteMerge(int row, int col)
{
    return guarded(false, [&] {
        const MergeRange* r = mergeAt(row, col);
        if (!r) throw xlerror("this cell isn't in merging block");
        const auto place = static_cast<std::size_t>(r - mergeRanges_.data());
        root_.mergeCells.peek()->mergeCell.erase(place);
        mergesChanged();
        return true;
    });
}

bool XMLSheetImplT::setMerge(int rowFirst, int rowLast, int colFirst, int colLast)
{
    return guarded(false, [&] {
        checkColumn(colFirst);
        checkColumn(colLast);
        checkRow(rowFirst);
        checkRow(rowLast);
        if (rowLast < rowFirst) throw xlerror("rowLast must be greater than or equal to rowFirst");
        if (colLast < colFirst) throw xlerror("colLast must be greater than or equal to colFirst");
        MergeRange range;
        range.rowFirst = static_cast<std::uint32_t>(rowFirst);
        range.rowLast = static_cast<std::uint32_t>(rowLast);
        range.colFirst = static_cast<std::uint32_t>(colFirst);
        range.colLast = static_cast<std::uint32_t>(colLast);

        // The ranges the new one meets: those it holds whole give way to it,
        // any other makes it fail before anything changes.
        if (!mergeIndexBuilt_) buildMergeIndex();
        std::vector<std::uint32_t> candidates;
        if (tileCount(range) > kMaxSearchTiles) {
            for (std::uint32_t p = 0; p < mergeRanges_.size(); ++p) candidates.push_back(p);
        } else {
            for (std::uint32_t rt = range.rowFirst >> kTileRowShift; rt <= range.rowLast >> kTileRowShift; ++rt) {
                for (std::uint32_t ct = range.colFirst >> kTileColShift; ct <= range.colLast >> kTileColShift; ++ct) {
                    const auto tile = mergeTiles_.find(tileKey(rt, ct));
                    if (tile != mergeTiles_.end())
                        candidates.insert(candidates.end(), tile->second.begin(), tile->second.end());
                }
            }
            candidates.insert(candidates.end(), largeMerges_.begin(), largeMerges_.end());
            std::sort(candidates.begin(), candidates.end());
            candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        }
        std::vector<std::uint32_t> replaced;
        for (std::uint32_t p : candidates) {
            if (!mergeReadable_[p] || !meets(mergeRanges_[p], range)) continue;
            if (!inside(mergeRanges_[p], range)) throw xlerror("detect overlap");
            replaced.push_back(p);
        }

        // The format of the first cell spreads over the range, as the style
        // of every other cell; without a first cell (or with a style the
        // book does not have) the other cells lose theirs.
        const sheet::c_CT_Cell* corner = findCell(rowFirst, colFirst);
        const bool styled = corner && formatOfStyle(corner->s()) != nullptr;
        const std::uint32_t style = styled ? corner->s() : 0;

        sheet::c_CT_MergeCells& merges = *root_.get_mergeCells();
        for (auto it = replaced.rbegin(); it != replaced.rend(); ++it) merges.mergeCell.erase(*it);
        merges.mergeCell.append()->set_ref(mergeRef(range));
        if (replaced.empty() && mergeIndexBuilt_) {
            mergeRanges_.push_back(range);
            mergeReadable_.push_back(true);
            indexMerge(static_cast<std::uint32_t>(mergeRanges_.size() - 1));
            merges.set_count(static_cast<unsigned>(merges.mergeCell.size()));
        } else {
            mergesChanged();
        }

        // Styling cells that do not exist creates them: for a range larger
        // than kMaxCreatedCells only the cells that exist take the style,
        // so that one call cannot fill the sheet.
        constexpr std::uint64_t kMaxCreatedCells = 1u << 16;
        const std::uint64_t area =
            std::uint64_t{range.rowLast - range.rowFirst + 1} * (range.colLast - range.colFirst + 1);
        sheet::c_CT_SheetData& data = sheetData();
        if (styled && area <= kMaxCreatedCells) {
            for (std::uint32_t r = range.rowFirst; r <= range.rowLast; ++r) {
                sheet::c_CT_Row& row = *data.rows.find_or_create(r);
                for (std::uint32_t c = range.colFirst; c <= range.colLast; ++c)
                    if (r != range.rowFirst || c != range.colFirst) row.cells.find_or_create(c)->set_s(style);
            }
        } else {
            for (auto row = data.rows.lower_bound(range.rowFirst);
                 row != data.rows.end() && row->r.value - 1 <= range.rowLast; ++row) {
                for (auto cell = row->cells.lower_bound(range.colFirst);
                     cell != row->cells.end() && cell->column() <= range.colLast; ++cell) {
                    if (row->r.value - 1 == range.rowFirst && cell->column() == range.colFirst) continue;
                    if (styled)
                        cell->set_s(style);
                    else
                        cell->unset_s();
                }
            }
        }
        widenUsedRange(rowFirst, colFirst);
        widenUsedRange(rowLast, colLast);
        return true;
    });
}

// ---- edits of rows and columns --------------------------------------------------------


namespace {

struct Range {
    std::uint32_t r1, c1, r2, c2;
};

// The ranges of the list (those whose ref cannot be read kept as text).
struct Entry {
    bool read;
    Range range;
    u16string ref;
};

std::vector<Entry> entries(const sheet::c_CT_MergeCells& merges)
{
    std::vector<Entry> out;
    out.reserve(merges.mergeCell.size());
    for (std::size_t i = 0; i < merges.mergeCell.size(); ++i) {
        const u16string& ref = merges.mergeCell.at(i)->ref.value;
        Entry e{false, {0, 0, 0, 0}, ref};
        e.read = readRangeRef(ref, e.range.r1, e.range.c1, e.range.r2, e.range.c2);
        out.push_back(std::move(e));
    }
    return out;
}

void store(sheet::c_worksheet& root, const std::vector<Entry>& list)
{
    if (list.empty()) {
        root.mergeCells.reset();
        return;
    }
    sheet::c_CT_MergeCells* merges = root.mergeCells.get();
    merges->mergeCell.clear();
    for (const Entry& e : list) {
        sheet::c_CT_MergeCell* m = merges->mergeCell.append();
        m->ref.set(e.read ? blockRef(e.range.r1, e.range.c1, e.range.r2, e.range.c2) : e.ref);
    }
    merges->count.set(static_cast<unsigned>(list.size()));
}

}  // namespace

void moveMerges(sheet::c_worksheet& root, const GridEdit& edit)
{
    const sheet::c_CT_MergeCells* merges = root.mergeCells.peek();
    if (!merges) return;
    std::vector<Entry> kept, pieces;  // pieces cut off go last
    for (const Entry& e : entries(*merges)) {
        if (!e.read) {
            kept.push_back(e);
            continue;
        }
        const int a = static_cast<int>(edit.columns ? e.range.c1 : e.range.r1);
        const int b = static_cast<int>(edit.columns ? e.range.c2 : e.range.r2);
        std::vector<std::pair<std::pair<int, int>, std::vector<Entry>*>> spans;
        if (edit.insert && a < edit.first && edit.first <= b) {
            spans.push_back({{a, edit.first - 1}, &kept});
            int c = edit.first, d = b;
            if (edit.mapSpan(c, d)) spans.push_back({{c, d}, &pieces});
        } else {
            int c = a, d = b;
            if (edit.mapSpan(c, d)) spans.push_back({{c, d}, &kept});
        }
        for (const auto& [span, into] : spans) {
            Entry next = e;
            if (edit.columns) {
                next.range.c1 = static_cast<std::uint32_t>(span.first);
                next.range.c2 = static_cast<std::uint32_t>(span.second);
            } else {
                next.range.r1 = static_cast<std::uint32_t>(span.first);
                next.range.r2 = static_cast<std::uint32_t>(span.second);
            }
            // A single cell is no merge.
            if (next.range.r1 == next.range.r2 && next.range.c1 == next.range.c2) continue;
            into->push_back(std::move(next));
        }
    }
    kept.insert(kept.end(), pieces.begin(), pieces.end());
    store(root, kept);
}

bool removeMergesMeeting(sheet::c_worksheet& root, std::uint32_t r1, std::uint32_t c1, std::uint32_t r2,
                         std::uint32_t c2)
{
    const sheet::c_CT_MergeCells* merges = root.mergeCells.peek();
    if (!merges) return false;
    std::vector<Entry> kept;
    bool removed = false;
    for (const Entry& e : entries(*merges)) {
        const bool meets = e.read && e.range.r1 <= r2 && e.range.r2 >= r1 && e.range.c1 <= c2 && e.range.c2 >= c1;
        if (meets) removed = true;
        else kept.push_back(e);
    }
    if (removed) store(root, kept);
    return removed;
}

}  // namespace celvo

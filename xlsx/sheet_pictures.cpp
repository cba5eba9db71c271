// Pictures on a sheet: placing one of the book's pictures as a two-cell
// anchor of the sheet's drawing part, and listing the pictures of that
// drawing with their anchors; the sheet's sizes in pixels that anchors are
// measured in.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "book.h"
#include "celvo/picture_anchor.h"
#include "package_types.h"
#include "part_drawing.h"
#include "part_names.h"
#include "part_relationships.h"
#include "sheet.h"

namespace celvo {

namespace {

constexpr int kLastCol = static_cast<int>(drawing::kLastColumn);
constexpr int kLastRow = static_cast<int>(drawing::kLastRow);
// Sizes beyond any a sheet can show are cut to this many pixels.
constexpr double kLargestPixels = 1 << 20;

int pixels(double v)
{
    if (!(v > 0)) return 0;
    return static_cast<int>(std::min(v, kLargestPixels));
}

// Pixels of a width in characters, for a font whose widest digit is d
// pixels wide.
int widthPixels(double w, double d)
{
    return pixels(std::floor(((256 * w + std::floor(128 / d)) / 256) * d));
}

int heightPixels(double points) { return pixels(points * 96 / 72); }

int toInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

// The pixel widths of every column and the row heights of one sheet,
// gathered once for an operation: a column's width is that of the first
// `col` item (of all lists, in order) holding it with a width.
class XMLSheetImplT::Pixels {
public:
    explicit Pixels(const XMLSheetImplT& sheet) : sheet_(sheet)
    {
        const WorksheetRoot& root = sheet.root();
        const double d = sheet.digitWidth();
        int defaultWidth = 64;
        const sheet::c_CT_SheetFormatPr* format = root.sheetFormatPr.peek();
        if (format && format->defaultColWidth.present) defaultWidth = widthPixels(format->defaultColWidth.value, d);
        if (format && format->defaultRowHeight.present) defaultHeight_ = heightPixels(format->defaultRowHeight.value);
        columns_.assign(kLastCol + 1, defaultWidth);
        // next[c]: the first column from c on that no item has set yet, so
        // that every column is set once however the items overlap.
        std::vector<int> next(kLastCol + 2);
        for (int c = 0; c <= kLastCol + 1; ++c) next[static_cast<std::size_t>(c)] = c;
        auto find = [&next](int c) {
            int top = c;
            while (next[static_cast<std::size_t>(top)] != top) top = next[static_cast<std::size_t>(top)];
            while (next[static_cast<std::size_t>(c)] != top) {
                const int up = next[static_cast<std::size_t>(c)];
                next[static_cast<std::size_t>(c)] = top;
                c = up;
            }
            return top;
        };
        for (std::size_t l = 0; l < root.cols.size(); ++l) {
            const sheet::c_CT_Cols& list = *root.cols.at(l);
            for (std::size_t i = 0; i < list.col.size(); ++i) {
                const sheet::c_CT_Col& col = *list.col.at(i);
                if (!col.width.present || !col.min.present || !col.max.present) continue;
                if (col.min.value < 1 || col.min.value > col.max.value) continue;
                const int first = static_cast<int>(std::min<unsigned>(col.min.value - 1, kLastCol + 1));
                const int last = static_cast<int>(std::min<unsigned>(col.max.value - 1, kLastCol));
                const int px = widthPixels(col.width.value, d);
                for (int c = find(first); c <= last; c = find(c)) {
                    columns_[static_cast<std::size_t>(c)] = px;
                    next[static_cast<std::size_t>(c)] = c + 1;
                }
            }
        }
    }

    int column(int c) const
    {
        return c >= 0 && c <= kLastCol ? columns_[static_cast<std::size_t>(c)] : 0;
    }

    int row(int r) const
    {
        const sheet::c_CT_Row* row = r >= 0 && r <= kLastRow ? sheet_.findRow(r) : nullptr;
        if (row && row->ht.present) return heightPixels(row->ht.value);
        return defaultHeight_;
    }

private:
    const XMLSheetImplT& sheet_;
    std::vector<int> columns_;
    int defaultHeight_ = 20;
};

int XMLSheetImplT::columnWidthPx(int col) const { return Pixels(*this).column(col); }

int XMLSheetImplT::rowHeightPx(int row) const { return Pixels(*this).row(row); }

Drawing* XMLSheetImplT::drawingPart(u16string* name) const
{
    const sheet::c_CT_Drawing* link = root_.drawing.peek();
    if (!link) return nullptr;
    const u16string self = book_->parts().nameOf(this);
    const Relationships* rels = book_->relationshipsOf(self);
    const Relationships::Item* rel = rels ? rels->byId(link->id.value) : nullptr;
    if (!rel || Relationships::isExternal(*rel)) throw xlerror("can't find drawing object");
    const u16string target = resolveTarget(self, rel->Target.value);
    auto* part = book_->parts().findAs<Drawing>(target);
    if (!part) throw xlerror("can't find drawing object");
    // A drawing is read on first use: one that does not read says which part it is.
    try {
        part->document();
    } catch (const std::exception& e) {
        throw xlerror(std::string(e.what()) + " in part " + utf16ToUtf8(target));
    }
    if (name) *name = target;
    return part;
}

int XMLSheetImplT::pictureCount()
{
    return guarded(-1, [&] {
        Drawing* part = drawingPart(nullptr);
        return part ? part->pictureCount() : 0;
    });
}

int XMLSheetImplT::getPicture(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight, int* width,
                              int* height, int* offset_x, int* offset_y)
{
    return guarded(-1, [&] {
        u16string drawingName;
        Drawing* part = drawingPart(&drawingName);
        if (!part) throw xlerror("picture index is out of range");
        const drawing::c_CT_TwoCellAnchor& anchor = part->pictureAt(index);
        drawing::PictureCells cells;
        if (!drawing::pictureCells(anchor, cells)) throw xlerror("picture anchor is outside the sheet");
        const Pixels px(*this);
        const long long offX = cells.colOffFrom / drawing::kEmuPerPixel;
        const long long offY = cells.rowOffFrom / drawing::kEmuPerPixel;
        long long w = -offX + cells.colOffTo / drawing::kEmuPerPixel;
        for (std::uint32_t c = cells.colFrom; c < cells.colTo; ++c) w += px.column(static_cast<int>(c));
        long long h = -offY + cells.rowOffTo / drawing::kEmuPerPixel;
        for (std::uint32_t r = cells.rowFrom; r < cells.rowTo; ++r) h += px.row(static_cast<int>(r));
        if (rowTop) *rowTop = static_cast<int>(cells.rowFrom);
        if (colLeft) *colLeft = static_cast<int>(cells.colFrom);
        if (rowBottom) *rowBottom = static_cast<int>(cells.rowTo);
        if (colRight) *colRight = static_cast<int>(cells.colTo);
        if (width) *width = toInt(w);
        if (height) *height = toInt(h);
        if (offset_x) *offset_x = toInt(offX);
        if (offset_y) *offset_y = toInt(offY);

        // The book's picture whose part the image relationship names.
        const std::u16string imageId = drawing::pictureImageId(*anchor.object.peek()->find_pic());
        const Relationships* rels = book_->relationshipsOf(drawingName);
        if (!rels) throw xlerror("can't find drawing relationships");
        const Relationships::Item* rel = imageId.empty() ? nullptr : rels->byId(imageId);
        if (!rel || Relationships::isExternal(*rel)) throw xlerror("picture not found");
        const u16string image = resolveTarget(drawingName, rel->Target.value);
        const auto& pictures = book_->package().pictures;
        for (std::size_t i = 0; i < pictures.size(); ++i)
            if (samePartName(pictures[i].partName, image)) return static_cast<int>(i);
        throw xlerror("picture not found");
    });
}

void XMLSheetImplT::setPicture(int row, int col, int pictureId, double scale, int offset_x, int offset_y)
{
    guardedVoid([&] {
        const PictureRecord& picture = book_->pictureRecord(pictureId);
        if (!std::isfinite(scale) || scale < 0) throw xlerror("scale must be a number of 0 or more");
        auto scaled = [scale](std::uint32_t px) {
            return static_cast<int>(std::min<double>(std::trunc(px * scale), std::numeric_limits<int>::max()));
        };
        placePicture(row, col, pictureId, scaled(picture.width), scaled(picture.height), offset_x, offset_y);
    });
}

void XMLSheetImplT::setPictureWithSize(int row, int col, int pictureId, int width, int height, int offset_x,
                                       int offset_y)
{
    guardedVoid([&] { placePicture(row, col, pictureId, width, height, offset_x, offset_y); });
}

void XMLSheetImplT::placePicture(int row, int col, int pictureId, int width, int height, int offset_x,
                                 int offset_y)
{
    // Every argument is checked, and the anchor worked out, before the
    // package changes.
    const PictureRecord& picture = book_->pictureRecord(pictureId);
    checkPosition(row, col);
    const Pixels px(*this);
    SheetPixels sizes;
    sizes.columnPx = [&px](int c) { return static_cast<std::uint32_t>(px.column(c)); };
    sizes.rowPx = [&px](int r) { return static_cast<std::uint32_t>(px.row(r)); };
    sizes.merge = [this](int r, int c, int& r1, int& r2, int& c1, int& c2) {
        const std::string kept = message();
        const bool merged = getMerge(r, c, &r1, &r2, &c1, &c2);
        message() = kept;
        return merged;
    };
    const PixelAnchor placed = anchorInPixels(row, col, width, height, offset_x, offset_y, kLastRow, kLastCol, sizes);
    drawing::PictureCells cells;
    cells.rowFrom = static_cast<std::uint32_t>(placed.rowFrom);
    cells.colFrom = static_cast<std::uint32_t>(placed.colFrom);
    cells.rowTo = static_cast<std::uint32_t>(placed.rowTo);
    cells.colTo = static_cast<std::uint32_t>(placed.colTo);
    cells.rowOffFrom = placed.offYFrom * drawing::kEmuPerPixel;
    cells.colOffFrom = placed.offXFrom * drawing::kEmuPerPixel;
    cells.rowOffTo = placed.offYTo * drawing::kEmuPerPixel;
    cells.colOffTo = placed.offXTo * drawing::kEmuPerPixel;

    // The drawing part: the sheet's own, or a new one related from it.
    u16string drawingName;
    Drawing* part = drawingPart(&drawingName);
    if (!part) {
        const u16string self = book_->parts().nameOf(this);
        auto made = book_->addRelatedPart(self, u"drawing", u"drawings", u"drawing", u"xml", packagetype::kDrawing,
                                          std::make_unique<Drawing>());
        sheet::c_CT_Drawing link;
        link.set_id(made.second);
        root_.set_drawing(link);
        drawingName = made.first;
        part = book_->parts().findAs<Drawing>(drawingName);
    }
    Relationships& rels = book_->ensureRelationshipsOf(drawingName);
    const u16string imageId = rels.add(packagetype::relType(u"image"), relativeTarget(drawingName, picture.partName));
    try {
        part->addPicture(cells, imageId);
    } catch (...) {
        rels.removeById(imageId);
        throw;
    }
    message() = anchorMessage(placed);
}

}  // namespace celvo

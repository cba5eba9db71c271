// Pictures on a sheet: placing one of the book's pictures as a picture
// shape of the sheet's drawing, and listing the pictures with their anchors.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "book.h"
#include "drawing_ids.h"
#include "picture_anchor.h"
#include "picture_shape.h"
#include "sheet.h"

namespace celvo {

namespace {

// A picture shape and the client anchor that places it: its own, or that of
// the top-level group holding it.
struct PlacedPicture {
    const OfficeArtSpContainer* shape;
    const OfficeArtClientAnchorSheet* anchor;
};

void collectPictures(const OfficeArtChildren& list, const OfficeArtClientAnchorSheet* groupAnchor,
                     std::vector<PlacedPicture>& out)
{
    for (const auto& p : list.items) {
        if (const auto* sp = dynamic_cast<const OfficeArtSpContainer*>(p.get())) {
            if (!sp->isPicture()) continue;
            const OfficeArtClientAnchorSheet* a = groupAnchor ? groupAnchor : sp->clientAnchor();
            if (a && !a->absent) out.push_back({sp, a});
        } else if (const auto* group = dynamic_cast<const OfficeArtSpgrContainer*>(p.get())) {
            // A nested group: its first shape carries the group's anchor.
            const OfficeArtClientAnchorSheet* a = groupAnchor;
            if (!a && !group->children.items.empty()) {
                if (const auto* first = dynamic_cast<const OfficeArtSpContainer*>(group->children.items[0].get()))
                    a = first->clientAnchor();
            }
            collectPictures(group->children, a, out);
        }
    }
}

std::vector<PlacedPicture> picturesOf(const MsoDrawing& drawing)
{
    std::vector<PlacedPicture> list;
    const OfficeArtDgContainer* dg = drawing.dgContainer();
    if (const OfficeArtSpgrContainer* group = dg ? dg->group() : nullptr) collectPictures(group->children, nullptr, list);
    return list;
}

}  // namespace

std::vector<std::size_t> SheetImplT::placedPictureNumbers() const
{
    std::vector<std::size_t> numbers;
    for (const PlacedPicture& pic : picturesOf(drawing_)) {
        const std::int64_t blip = shapeBlipIndex(*pic.shape);
        if (blip >= 1) numbers.push_back(static_cast<std::size_t>(blip));
    }
    return numbers;
}

int SheetImplT::pictureCount()
{
    return guarded(0, [&] { return static_cast<int>(picturesOf(drawing_).size()); });
}

int SheetImplT::getPicture(int index, int* rowTop, int* colLeft, int* rowBottom, int* colRight, int* width,
                           int* height, int* offset_x, int* offset_y)
{
    return guarded(-1, [&] {
        std::vector<PlacedPicture> list = picturesOf(drawing_);
        if (index < 0 || static_cast<std::size_t>(index) >= list.size()) throw xlerror("picture not found");
        const PlacedPicture& pic = list[static_cast<std::size_t>(index)];
        const OfficeArtClientAnchorSheet& a = *pic.anchor;
        auto part = [](std::int64_t cellPx, unsigned d, unsigned units) {
            return static_cast<std::int64_t>(std::trunc(static_cast<double>(cellPx) * d / units + 0.5));
        };
        const std::int64_t offX = part(columnPixels(a.colL), a.dxL, 1024);
        const std::int64_t offY = part(rowPixels(a.rwT), a.dyT, 256);
        std::int64_t w = -offX + part(columnPixels(a.colR), a.dxR, 1024);
        for (int c = a.colL; c < a.colR; ++c) w += columnPixels(c);
        std::int64_t h = -offY + part(rowPixels(a.rwB), a.dyB, 256);
        for (int r = a.rwT; r < a.rwB; ++r) h += rowPixels(r);
        auto toInt = [](std::int64_t v) {
            return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                             std::numeric_limits<int>::max()));
        };
        if (rowTop) *rowTop = a.rwT;
        if (colLeft) *colLeft = a.colL;
        if (rowBottom) *rowBottom = a.rwB;
        if (colRight) *colRight = a.colR;
        if (width) *width = toInt(w);
        if (height) *height = toInt(h);
        if (offset_x) *offset_x = toInt(offX);
        if (offset_y) *offset_y = toInt(offY);
        // The book's number of the picture the shape shows.
        const std::int64_t blip = shapeBlipIndex(*pic.shape);
        if (blip < 1 || static_cast<std::uint64_t>(blip) > book_->drawingGroup().pictureCount()) return -1;
        return static_cast<int>(blip - 1);
    });
}

void SheetImplT::setPicture(int row, int col, int pictureId, double scale, int offset_x, int offset_y)
{
    guardedVoid([&] {
        checkPosition(row, col);
        const OfficeArtFBSE* entry =
            pictureId >= 0 ? book_->drawingGroup().picture(static_cast<std::size_t>(pictureId)) : nullptr;
        if (!entry) throw xlerror("pictureId is out of range");
        if (!std::isfinite(scale) || scale < 0) throw xlerror("scale must be a number of 0 or more");
        auto scaled = [scale](std::uint32_t px) {
            double v = std::trunc(px * scale);
            return static_cast<int>(std::min<double>(v, std::numeric_limits<int>::max()));
        };
        const std::uint32_t w = entry->blip ? entry->blip->pictureWidth() : 0;
        const std::uint32_t h = entry->blip ? entry->blip->pictureHeight() : 0;
        placePicture(row, col, pictureId, scaled(w), scaled(h), offset_x, offset_y);
    });
}

void SheetImplT::setPictureWithSize(int row, int col, int pictureId, int width, int height, int offset_x,
                                    int offset_y)
{
    guardedVoid([&] { placePicture(row, col, pictureId, width, height, offset_x, offset_y); });
}

void SheetImplT::placePicture(int row, int col, int pictureId, int width, int height, int offset_x, int offset_y)
{
    // Every argument is checked before the drawing changes.
    checkPosition(row, col);
    OfficeArtDggContainer& group = book_->drawingGroup();
    if (pictureId < 0 || !group.picture(static_cast<std::size_t>(pictureId)))
        throw xlerror("pictureId is out of range");
    SheetPixels px;
    px.columnPx = [this](int c) { return static_cast<std::uint32_t>(std::max(0, columnPixels(c))); };
    px.rowPx = [this](int r) { return static_cast<std::uint32_t>(std::max(0, rowPixels(r))); };
    px.merge = [this](int r, int c, int& r1, int& r2, int& c1, int& c2) {
        return getMerge(r, c, &r1, &r2, &c1, &c2);
    };
    const AnchorResult placed = computeAnchor(row, col, width, height, offset_x, offset_y, px);

    if (!drawing_.empty()) {
        drawing_.finishRead();
        const OfficeArtDgContainer* dg = drawing_.dgContainer();
        if (!dg || !dg->group()) throw xlerror("the sheet's drawing has no shape group");
    }

    DrawingIds& ids = book_->drawingIds();
    if (drawing_.empty()) drawing_.start(ids.newDrawingId());
    const std::uint32_t shapeId = ids.newShapeId(drawing_);
    const std::uint32_t blipIndex = static_cast<std::uint32_t>(pictureId) + 1;
    const SheetAnchor& a = placed.anchor;
    std::vector<std::unique_ptr<ObjBase>> objects;
    auto obj = std::make_unique<Obj>();  // a picture object
    obj->id = ids.newObjectId();
    objects.push_back(std::move(obj));
    group.activate();
    book_->setHasDrawingGroup(true);
    drawing_.appendShape(makePictureShape(shapeId, blipIndex, a.word(0), a.word(1), a.word(2), a.word(3)),
                         std::move(objects));
    group.addPictureRef(blipIndex);
    message() = anchorMessage(placed);
}

}  // namespace celvo

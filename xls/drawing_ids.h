// The ids of a book's drawing objects: drawing ids, shape ids and OBJ
// object ids are handed out so that none repeats within the book, whatever
// the loaded files used; the drawing group's bookkeeping follows the
// drawings when the book is saved.
#pragma once

#include <cstdint>
#include <utility>

namespace celvo {

class BookImplT;
class MsoDrawing;
class SheetImplT;

class DrawingIds {
public:
    explicit DrawingIds(BookImplT& book) : book_(&book) {}
    DrawingIds(const DrawingIds&) = delete;
    DrawingIds& operator=(const DrawingIds&) = delete;

    // A drawing id no sheet's drawing (nor the drawing group) uses.
    unsigned newDrawingId();
    // A shape id for a new shape of `drawing` (which must be started):
    // above every shape id of that drawing, in a cluster of 1024 ids that
    // no other drawing uses.
    std::uint32_t newShapeId(MsoDrawing& drawing);
    // An OBJ object id (1-65535) that no object of the book uses.
    std::uint16_t newObjectId();

    // A sheet copied from one of the book's sheets (not yet in its list):
    // its drawing takes a new drawing id, shape ids in clusters of its own
    // and new object ids, its NOTE records following their objects.
    void renumberCopy(SheetImplT& copy);

    // True once an id was handed out (the drawings were edited).
    bool edited() const noexcept { return edited_; }
    void reset() noexcept { edited_ = false; }
    // Exchanges the bookkeeping with another book's (whose content this
    // book takes); each keeps its own book.
    void swapState(DrawingIds& other) noexcept { std::swap(edited_, other.edited_); }
    // When the drawings were edited: each drawing's FDG counts and the
    // drawing group's shape-id clusters, shape and drawing totals are made
    // to describe the drawings the book holds. Called before saving.
    void updateDrawingGroup();

private:
    BookImplT* book_;
    bool edited_ = false;
};

}  // namespace celvo

// Cell comments of a .xls sheet: a NOTE record for the cell and, in the
// sheet's drawing, a text-box shape, an OBJ record of object type 25 with
// the NOTE's object id and a TXO record with the text.
#include <algorithm>

#include "book.h"
#include "comment_shape.h"
#include "sheet.h"

namespace celvo {

namespace {

constexpr int kLastRow = 65535;
constexpr int kLastCol = 255;
// The longest comment text the applications take.
constexpr std::size_t kMaxCommentChars = 32767;
// An author whose NOTE record (9 bytes, the string's 3-byte head and its
// characters) still fits one record when stored as 16-bit characters.
constexpr std::size_t kMaxAuthorChars = (8224 - 12) / 2;

std::size_t length(const char16_t* text)
{
    std::size_t n = 0;
    if (text)
        while (text[n]) ++n;
    return n;
}

}  // namespace

const char16_t* SheetImplT::readComment(int row, int col)
{
    if (row < 0 || row > kLastRow || col < 0 || col > kLastCol) return nullptr;
    for (const Note& note : notes_) {
        if (note.row != row || note.col != col) continue;
        if (note.biff5) {
            textBuffer_ = note.biff5Text;
            return textBuffer_.c_str();
        }
        const TextObject* text = drawing_.commentText(note.objId);
        return text ? text->text().c_str() : nullptr;
    }
    return nullptr;
}

void SheetImplT::writeComment(int row, int col, const char16_t* value, const char16_t* author, int width,
                              int height)
{
    guardedVoid([&] { addComment(row, col, value, author, width, height); });
}

void SheetImplT::addComment(int row, int col, const char16_t* value, const char16_t* author, int width, int height)
{
    // Every argument is checked before anything is added.
    checkPosition(row, col);
    if (bof_.type != Bof::kWorksheet) throw xlerror("comments can only be added to a worksheet");
    const std::u16string text(value ? value : u"");
    if (text.size() > kMaxCommentChars) throw xlerror("string is too long");
    const char16_t* who = author ? author : u"celvo";
    if (length(who) > kMaxAuthorChars) throw xlerror("string is too long");
    if (width < -1 || height < -1) throw xlerror("width and height must be -1 or more");

    // The box: its top-left corner at the cell's, its size in pixels; -1
    // reaches to the end of the cell or of the merged range holding it.
    auto columnPx = [&](int c) { return static_cast<std::uint32_t>(std::max(0, columnPixels(c))); };
    auto rowPx = [&](int r) { return static_cast<std::uint32_t>(std::max(0, rowPixels(r))); };
    int lastRow = row, lastCol = col;
    if (width == -1 || height == -1) {
        for (const MergeCells& m : mergeCells_)
            for (const CellRange16& r : m.ranges)
                if (r.firstRow <= row && row <= r.lastRow && r.firstCol <= col && col <= r.lastCol) {
                    lastRow = r.lastRow;
                    lastCol = r.lastCol;
                }
    }
    // Walks `extent` pixels from cell `first`: the cell where it ends and
    // the offset into it in `units`, never past the sheet's last cell.
    auto walk = [](int first, std::int64_t extent, int last, std::uint32_t units, auto&& px,
                   std::uint16_t& cell, std::uint16_t& offset) {
        int c = first;
        while (c < last && static_cast<std::int64_t>(px(c)) <= extent) extent -= px(c++);
        const std::uint32_t size = px(c);
        if (static_cast<std::int64_t>(size) <= extent)
            offset = static_cast<std::uint16_t>(units - 1);
        else
            offset = size ? static_cast<std::uint16_t>(static_cast<double>(extent) / size * units) : 0;
        cell = static_cast<std::uint16_t>(c);
    };
    std::uint16_t colR = 0, dxR = 0, rwB = 0, dyB = 0;
    if (width == -1)
        walk(lastCol + 1 <= kLastCol ? lastCol + 1 : kLastCol, lastCol + 1 <= kLastCol ? 0 : 1 << 30, kLastCol, 1024,
             columnPx, colR, dxR);
    else
        walk(col, width, kLastCol, 1024, columnPx, colR, dxR);
    if (height == -1)
        walk(lastRow + 1 <= kLastRow ? lastRow + 1 : kLastRow, lastRow + 1 <= kLastRow ? 0 : 1 << 30, kLastRow, 256,
             rowPx, rwB, dyB);
    else
        walk(row, height, kLastRow, 256, rowPx, rwB, dyB);
    const std::uint32_t anchor1 = static_cast<std::uint32_t>(col);
    const std::uint32_t anchor2 = static_cast<std::uint32_t>(row);
    const std::uint32_t anchor3 = colR | (static_cast<std::uint32_t>(dxR) << 16);
    const std::uint32_t anchor4 = rwB | (static_cast<std::uint32_t>(dyB) << 16);

    // The ids, then the objects; the drawing group is switched on.
    Note* existing = nullptr;
    for (Note& n : notes_)
        if (n.row == row && n.col == col) {
            existing = &n;
            break;
        }
    XLUnicodeString authorText;
    authorText.assign(who, book_->pool());
    DrawingIds& ids = book_->drawingIds();
    if (drawing_.empty()) drawing_.start(ids.newDrawingId());
    const std::uint32_t shapeId = ids.newShapeId(drawing_);
    const std::uint16_t objectId = ids.newObjectId();
    auto shape = makeCommentShape(shapeId, anchor1, anchor2, anchor3, anchor4);
    std::vector<std::unique_ptr<ObjBase>> objects, texts;
    objects.push_back(makeCommentObj(objectId));
    texts.push_back(makeCommentText(text));
    book_->drawingGroup().activate();
    book_->setHasDrawingGroup(true);
    // A comment the cell had goes with its drawing objects.
    if (existing && !existing->biff5) drawing_.removeComment(existing->objId);
    drawing_.appendShape(std::move(shape), std::move(objects), std::move(texts));

    if (!existing) {
        notes_.emplace_back(book_->pool());
        existing = &notes_.back();
    }
    existing->row = static_cast<std::uint16_t>(row);
    existing->col = static_cast<std::uint16_t>(col);
    existing->options = 0;
    existing->objId = objectId;
    existing->author = authorText;
    existing->biff5 = false;
    existing->biff5Text.clear();
    dimensions_.include(static_cast<std::uint32_t>(row), static_cast<std::uint16_t>(col));
}

}  // namespace celvo

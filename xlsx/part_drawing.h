// The drawing part of a worksheet ("/xl/drawings/drawing1.xml"): its anchors
// of pictures, shapes, charts and groups. A drawing read from a package is
// kept as its bytes, and written back unchanged, until a picture operation
// needs its document; a drawing that cannot be read then fails that
// operation, not the load of the book.
#pragma once

#include <cstddef>
#include <string>

#include "drawing_anchors.h"
#include "part.h"

namespace celvo {

class Drawing final : public XmlFile<drawing::c_wsDr> {
public:
    // A new drawing without anchors.
    Drawing() : parsed_(true) {}
    // A drawing read from the bytes of its part; "data is empty" for none.
    Drawing(const char* data, std::size_t size);

    // The document, read from the part's bytes on first use (a bad part
    // throws the reader's message each time it is asked for). Objects whose
    // id an object before them has are given new ids as it is read.
    drawing::c_wsDr& document();

    // The pictures: the anchors of the drawing that hold a two-cell anchor
    // of a picture, in document order; other anchors are not counted.
    int pictureCount();
    // The picture anchor at a place of that list; "picture index is out of
    // range".
    const drawing::c_CT_TwoCellAnchor& pictureAt(int index);

    // Appends the anchor of a picture of the image related under `imageId`;
    // "picture anchor is outside the sheet" when the cells are not on it.
    void addPicture(const drawing::PictureCells& cells, const std::u16string& imageId);

    // Writes the part: the bytes read when the document was never needed;
    // otherwise the document, without the anchor items that hold nothing.
    void serialize(std::string& out) override;

private:
    std::string bytes_;
    bool parsed_ = false;
};

}  // namespace celvo

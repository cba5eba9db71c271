// The drawing objects of a cell comment: the text-box shape, the OBJ record
// of object type 25 and the TXO record with the text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "obj_records.h"
#include "officeart_shapes.h"

namespace celvo {

// Turns a default-constructed shape container into a comment text box:
// shape type 202, flags 0x0A00, the comment's property table, the client
// anchor (flags 3) from the four packed anchor words and the client data.
void setCommentShape(OfficeArtSpContainer& shape, std::uint32_t shapeId, std::uint32_t anchor1,
                     std::uint32_t anchor2, std::uint32_t anchor3, std::uint32_t anchor4);

// The comment's shape with its client text box (where the TXO's block begins).
std::unique_ptr<OfficeArtSpContainer> makeCommentShape(std::uint32_t shapeId, std::uint32_t anchor1,
                                                       std::uint32_t anchor2, std::uint32_t anchor3,
                                                       std::uint32_t anchor4);

// The comment's OBJ: object type 25, options 0x4011 and its note data.
std::unique_ptr<Obj> makeCommentObj(std::uint16_t objectId);

// The comment's TXO: options 0x0212 and the text with one run of font 5.
std::unique_ptr<TextObject> makeCommentText(const std::u16string& text);

}  // namespace celvo

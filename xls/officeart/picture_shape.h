// The shape container that the engine builds for a picture placed on a
// sheet. Callers choose the shape id and the anchor and put the container in
// place; lengths are computed when the drawing is written.
#pragma once

#include <cstdint>
#include <memory>

#include "officeart_shapes.h"

namespace celvo {

// A picture frame showing picture `blipIndex` (1-based, as shapes count the
// pictures of the blip store), anchored by the four packed anchor words
// (colL, dxL), (rwT, dyT), (colR, dxR), (rwB, dyB), the low half first.
std::unique_ptr<OfficeArtSpContainer> makePictureShape(std::uint32_t shapeId, std::uint32_t blipIndex,
                                                       std::uint32_t anchor1, std::uint32_t anchor2,
                                                       std::uint32_t anchor3, std::uint32_t anchor4);

// The blip index a shape shows (property 0x0104); -1 when it has none.
std::int64_t shapeBlipIndex(const OfficeArtSpContainer& shape);

}  // namespace celvo

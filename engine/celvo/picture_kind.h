// Recognising picture data by its content: which kind of picture the bytes
// hold and its size in pixels as far as the data tells it. Shared by both
// engines, which store and place the same kinds of pictures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "celvo/text.h"

namespace celvo {

// Type codes of the book's picture operations.
enum PictureTypeCode : int {
    kPicturePng = 0, kPictureJpeg = 1, kPictureWmf = 2, kPictureDib = 3,
    kPictureEmf = 4, kPicturePict = 5, kPictureTiff = 6, kPictureError = 255,
};

struct PictureKind {
    int type = kPictureError;
    // Size in pixels; 0 when the data does not tell it.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The kind and size of picture bytes: PNG (its IHDR), JPEG (any FF D8 FF,
// its first start-of-frame marker), a placeable WMF (200 x 200 pixels, the
// size the applications give it), and a bitmap file (BM and an info header;
// a top-down bitmap's negative height counts by its absolute value). Any
// other data, and data too short for its header, gives kPictureError.
PictureKind pictureKind(const std::uint8_t* data, std::size_t size);

// The part extension ("png") and content type ("image/png") of a type code;
// empty for kPictureError and for types the package does not store.
u16view pictureExtension(int type) noexcept;
u16view pictureContentType(int type) noexcept;

}  // namespace celvo

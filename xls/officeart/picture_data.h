// Recognising picture data handed to a workbook and making its picture
// record (blip), and the picture type codes the book reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "celvo/picture_kind.h"
#include "officeart_group.h"

namespace celvo {

// Makes the picture record for picture bytes, recognised by their content:
// PNG, JPEG (any FF D8 FF), a placeable WMF, EMF, PICT (with or without the
// 512-byte file header), TIFF, and a bitmap with or without its file header.
// Throws "unknown picture format" for anything else.
std::unique_ptr<OfficeArtBlipBase> makePictureRecord(const std::uint8_t* data, std::size_t size);

// The type code of a stored picture record; kPictureError for other records.
int pictureTypeCode(const OfficeArtRecordBase& record);

}  // namespace celvo

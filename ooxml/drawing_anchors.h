// Pictures of a worksheet's drawing part: what the engine reads of the
// picture of an anchor, and the anchor it builds for a picture it places.
//
// A drawing read from a file holds anchors of every kind (one-cell and
// absolute anchors, shapes, charts, groups, kept elements of later
// editions): the readers here look at what an anchor holds before they use
// it and answer "no picture" for anything else. Cell markers are checked
// against the sheet, so that nothing that walks from one marker to the other
// can run past the last row or column.
#pragma once

#include <cstdint>
#include <string>

#include "ooxml/dml-spreadsheetDrawing.h"
#include "ooxml/dml-spreadsheetDrawing2.h"
#include "ooxml/dml-spreadsheetDrawing3.h"

namespace drawing {

// English Metric Units per pixel (at 96 pixels to the inch).
constexpr long long kEmuPerPixel = 9525;
// The last column and row of a sheet, 0-based.
constexpr std::uint32_t kLastColumn = 16383;
constexpr std::uint32_t kLastRow = 1048575;

// The two cells of a picture and the offsets into them, in English Metric
// Units.
struct PictureCells {
    std::uint32_t rowFrom = 0, colFrom = 0, rowTo = 0, colTo = 0;
    long long rowOffFrom = 0, colOffFrom = 0, rowOffTo = 0, colOffTo = 0;
};

// The two-cell anchor of an anchor item when it holds one whose object is a
// picture; null for anything else.
const c_CT_TwoCellAnchor* pictureAnchor(const c_EG_Anchor& item);

// The picture of such an anchor, or null.
const c_CT_Picture* anchoredPicture(const c_EG_Anchor& item);

// The cells of a picture's two-cell anchor. False when a marker lacks a
// value, names a cell beyond the sheet, or the second cell comes before the
// first: a picture the engine cannot place.
bool pictureCells(const c_CT_TwoCellAnchor& anchor, PictureCells& out);

// The relationship id of a picture's image ("rId3"), or "" when its fill
// has no blip.
std::u16string pictureImageId(const c_CT_Picture& picture);

// Gives a new id to every object whose id an object before it (in document
// order, groups included) has already, so that no two objects of the
// drawing share an id; the first of them keeps it. Returns how many ids
// changed.
int renumberRepeatedIds(c_CT_Drawing& drawing);

// Appends a two-cell anchor ("oneCell" editing) holding a picture of the
// image `imageId`: the picture's id and name, its aspect lock, its blip fill
// stretched over the frame, a transform and the preset rectangle. False,
// with the drawing unchanged, when the cells lie beyond the sheet, the second
// comes before the first, or an offset is negative.
bool addPictureAnchor(c_CT_Drawing& drawing, const PictureCells& cells, const std::u16string& imageId);

}  // namespace drawing

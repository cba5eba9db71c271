// A .xlsx package held in memory: the part map and the parts the book
// reaches directly. A load builds a new Package and takes it only when the
// whole package was read.
#pragma once

#include <cstdint>
#include <vector>

#include "package_parts.h"

namespace celvo {

class ContentTypes;
class Relationships;
class SharedStrings;
class Styles;
class XMLSheetImplT;

// A picture of the book: an image part, its kind and size in pixels as its
// bytes tell them (type kPictureError and 0 x 0 for an image of a kind the
// engine does not know).
struct PictureRecord {
    u16string partName;
    int type = 255;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

struct Package {
    PartMap parts;
    // Parts of the map found through the workbook (null when there is none).
    ContentTypes* contentTypes = nullptr;
    Relationships* workbookRels = nullptr;
    SharedStrings* sharedStrings = nullptr;
    Styles* styles = nullptr;
    // The workbook part's name ("/xl/workbook.xml") and folder ("/xl").
    u16string workbookPart;
    u16string workbookDir;
    // The worksheet of each entry of the workbook's sheet list, in tab order;
    // null for an entry that names no worksheet (a chart sheet, a missing
    // part).
    std::vector<XMLSheetImplT*> sheets;
    // The book's pictures, numbered from 0: the image parts of a loaded
    // package in part-name order, then those added.
    std::vector<PictureRecord> pictures;

    void swap(Package& other) noexcept
    {
        parts.swap(other.parts);
        std::swap(contentTypes, other.contentTypes);
        std::swap(workbookRels, other.workbookRels);
        std::swap(sharedStrings, other.sharedStrings);
        std::swap(styles, other.styles);
        workbookPart.swap(other.workbookPart);
        workbookDir.swap(other.workbookDir);
        sheets.swap(other.sheets);
        pictures.swap(other.pictures);
    }
};

}  // namespace celvo

// The book's own supporting link: the SUPBOOK record that stands for the
// book's sheets, and the EXTERNSHEET entries through which 3-D references and
// defined names name ranges of those sheets. Every part of the book that
// names sheets through EXTERNSHEET goes through these functions.
#pragma once

#include <cstdint>

#include "globals_protect.h"
#include "raw_record.h"

namespace celvo {

class BookImplT;

struct InternalLink {
    // The SUPBOOK record; null when the book has none.
    RawRecord* record = nullptr;
    // Its position among all SUPBOOK records of the book, in file order: the
    // supporting-link index of the EXTERNSHEET entries that point into it.
    std::uint16_t ordinal = 0;
    // The book's EXTERNSHEET list; null when the book has none.
    ExternSheet* externSheet = nullptr;
};

// True for the body of a SUPBOOK that stands for the book itself: a sheet
// count, then 0x0401.
bool isInternalSupBook(const RawRecord& record) noexcept;

// The internal link as the book holds it now; nothing is created.
InternalLink findInternalLink(BookImplT& book);
// The internal link, made when missing: a SUPBOOK for the book's sheets after
// the book's other SUPBOOK records, and an EXTERNSHEET list when the book has
// none. The other links keep their positions.
InternalLink internalLink(BookImplT& book);

// The EXTERNSHEET entry of the internal link for sheets first..last: an equal
// entry when there is one, else a new one.
std::uint16_t findOrAddInternalExternSheet(BookImplT& book, int first, int last);
// Always a new entry for sheets first..last.
std::uint16_t addInternalExternSheet(BookImplT& book, int first, int last);
// The sheets of entry index when it points into the book itself; false for
// an entry that does not exist or names another workbook. A deleted sheet
// reads as a negative number.
bool internalExternSheetRange(BookImplT& book, std::uint16_t index, int& first, int& last);

// Sets the sheet count that the internal SUPBOOK carries (done before saving).
void updateInternalSheetCount(BookImplT& book);

}  // namespace celvo

// Rows and columns of a .xlsx sheet: column widths and row heights, hidden
// rows and columns, outline groups and the side of their summaries.
#include "book.h"
#include "celvo/digit_width.h"
#include "part_styles.h"
#include "sheet.h"

namespace celvo {

int XMLSheetImplT::digitWidth() const
{
    const Styles* styles = book_ ? book_->stylesPart() : nullptr;
    return styles ? styles->digitWidth() : kFallbackDigitWidth;
}

}  // namespace celvo

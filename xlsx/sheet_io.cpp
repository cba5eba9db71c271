// Writing the worksheet part of a .xlsx sheet.
#include "celvo/cellref.h"
#include "sheet.h"

namespace celvo {

void XMLSheetImplT::serialize(std::string& out)
{
    // The dimension tells readers where the cells are: it follows the used
    // range, whatever the part said when it was read.
    const UsedRange& u = usedRange();
    std::string ref;
    char cell[kCellRefA1Max];
    if (u.rowFirst == u.rowEnd || u.colFirst == u.colEnd) {
        ref = "A1";
    } else {
        ref.assign(cell, formatCellRefA1(cell, static_cast<std::uint32_t>(u.rowFirst), static_cast<std::uint32_t>(u.colFirst)));
        if (u.rowEnd - u.rowFirst > 1 || u.colEnd - u.colFirst > 1) {
            ref += ':';
            ref.append(cell, formatCellRefA1(cell, static_cast<std::uint32_t>(u.rowEnd - 1),
                                             static_cast<std::uint32_t>(u.colEnd - 1)));
        }
    }
    root_.get_dimension()->set_ref(widenAscii(ref));
    writeCompact(root_, "worksheet", out);
}

}  // namespace celvo

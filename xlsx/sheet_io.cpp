// Writing the worksheet part of a .xlsx sheet.
#include "celvo/cellref.h"
#include "nimb/binding.h"
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
    // Written without indentation: a sheet of many cells is mostly markup,
    // and every byte of it is deflated.
    std::string written;
    nimb::enimb_error e;
    {
        nimb::c_string_output text(written);
        nimb::c_xml_writer w(text, 2, "", "");
        e = nimb::marshal_object(w, root_, "worksheet");
        text.flush();
        if (!e && w.failed()) e = w.capture_error(nimb::e_undefined, "worksheet", "xlsx/sheet_io", 0);
    }
    if (e) throwBindingError(e);
    out.swap(written);
}

}  // namespace celvo

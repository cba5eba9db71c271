// The hooks of sml-sheet2: a row reads and writes its packed cells
// (sheet_cells_io.cpp).
#include "ooxml/sml-sheet2.h"
#include "sheet_cells_io.h"

namespace sheet {

bool hook_CT_Row_read_children(nimb::c_xml_reader& reader, nimb::c_binding& object, nimb::enimb_error& error)
{
    return read_row_content(reader, static_cast<c_CT_Row&>(object), error);
}

nimb::enimb_error hook_CT_Row_write_children(nimb::c_xml_writer& writer, const nimb::c_binding& object)
{
    return write_row_content(writer, static_cast<const c_CT_Row&>(object));
}

}  // namespace sheet

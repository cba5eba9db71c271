// The hooks of sml-sheet3: the sheet data reads and writes its rows
// (sheet_cells_io.cpp).
#include "ooxml/sml-sheet3.h"
#include "sheet_cells_io.h"

namespace sheet {

bool hook_CT_SheetData_read_children(nimb::c_xml_reader& reader, nimb::c_binding& object, nimb::enimb_error& error)
{
    return read_sheet_rows(reader, static_cast<c_CT_SheetData&>(object), error);
}

nimb::enimb_error hook_CT_SheetData_write_children(nimb::c_xml_writer& writer, const nimb::c_binding& object)
{
    return write_sheet_rows(writer, static_cast<const c_CT_SheetData&>(object));
}

}  // namespace sheet

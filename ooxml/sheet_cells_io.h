// Reading and writing the rows and cells of a worksheet part: the bodies of
// the hooks of c_CT_Row (sml-sheet2) and c_CT_SheetData (sml-sheet3).
#pragma once

#include <cstdint>
#include <string_view>

#include "nimb/binding.h"

namespace sheet {

// Decimal digits only (one to ten) of a value that fits 32 bits.
bool read_unsigned(std::string_view text, std::uint32_t& value);

class c_CT_Row;
class c_CT_SheetData;

// The cells of a row, from the child element on which the reader stands;
// then the rest of the row's content, as the row's descriptor says.
bool read_row_content(nimb::c_xml_reader& reader, c_CT_Row& row, nimb::enimb_error& error);
nimb::enimb_error write_row_content(nimb::c_xml_writer& writer, const c_CT_Row& row);

// The rows of the sheet data, sorted and merged when they came unsorted or
// twice; then the rest of its content.
bool read_sheet_rows(nimb::c_xml_reader& reader, c_CT_SheetData& data, nimb::enimb_error& error);
nimb::enimb_error write_sheet_rows(nimb::c_xml_writer& writer, const c_CT_SheetData& data);

}  // namespace sheet

// Reads one package part through its binding and writes it back:
//     ooxml_roundtrip <rels|types|workbook|worksheet|sheetdata|sst|styles|drawing> <input> <output>
// ("sheetdata" is a worksheet part with only its rows and cells read
// through the bindings, the rest of it kept whole.)
// Exits 0 when the part was read and written, 1 with a message on standard
// error when the bindings refused it, 2 on a usage or file error. For a
// worksheet it names on standard output each element of the worksheet's own
// namespace that the root kept whole because no child of it describes it
// ("kept <name>").
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "ooxml/dml-spreadsheetDrawing3.h"
#include "ooxml/opc-contentTypes.h"
#include "ooxml/opc-relationships.h"
#include "ooxml/sml-sharedStringTable.h"
#include "ooxml/sml-sheet3.h"
#include "ooxml/sml-styles.h"
#include "ooxml/sml-workbook.h"
#include "sheet_doc.h"
#include "sheet_test_util.h"

namespace {

const char* const kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

template <class Root>
void reportKept(const Root&)
{
}

template <>
void reportKept(const sheet::c_worksheet& root)
{
    if (!root.kept()) return;
    for (const auto& k : root.kept()->elements)
        if (k.info.ns == kMainNamespace) std::cout << "kept " << k.info.name << "\n";
}

template <class Root>
int roundTrip(const std::string& in, std::string& out)
{
    Root root;
    nimb::c_error_record info;
    nimb::enimb_error e = root.unmarshal(in.data(), in.size(), &info);
    if (e == nimb::e_no_error) reportKept(root);
    if (e == nimb::e_no_error) e = root.marshal(out, &info);
    if (e != nimb::e_no_error) {
        std::cerr << "error " << e << " \"" << nimb::get_error_description(e) << "\" item \"" << info.item
                  << "\" line " << info.xml_line << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: ooxml_roundtrip <rels|types|workbook|worksheet|sheetdata|sst|styles|drawing> <input> <output>\n";
        return 2;
    }
    std::ifstream f(argv[2], std::ios::binary);
    if (!f) {
        std::cerr << "cannot read " << argv[2] << "\n";
        return 2;
    }
    const std::string in((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::string kind = argv[1];
    std::string out;
    int rc;
    if (kind == "rels")
        rc = roundTrip<relationships::c_Relationships>(in, out);
    else if (kind == "types")
        rc = roundTrip<contentypes::c_Types>(in, out);
    else if (kind == "workbook")
        rc = roundTrip<workbook::c_workbook>(in, out);
    else if (kind == "sst")
        rc = roundTrip<sharedStringTable::c_sst>(in, out);
    else if (kind == "styles")
        rc = roundTrip<styles::c_styleSheet>(in, out);
    else if (kind == "drawing")
        rc = roundTrip<drawing::c_wsDr>(in, out);
    else if (kind == "worksheet")
        rc = roundTrip<sheet::c_worksheet>(in, out);
    else if (kind == "sheetdata") {
        rc = roundTrip<sheet_test::c_sheet_doc>(in, out);
        // The rows read again through the reader alone (no scanner over the
        // bytes) must give the same part.
        if (rc == 0) {
            sheet_test::c_sheet_doc again;
            sheet_test::byte_source source(in);
            nimb::c_xml_reader reader(&source);
            std::string out2;
            if (again.unmarshal(reader) || again.marshal(out2) || out2 != out) {
                std::cerr << "the rows read through the reader alone differ\n";
                return 3;
            }
        }
    }
    else {
        std::cerr << "unknown part kind " << kind << "\n";
        return 2;
    }
    if (rc != 0) return rc;
    std::ofstream o(argv[3], std::ios::binary);
    o << out;
    return o ? 0 : 2;
}

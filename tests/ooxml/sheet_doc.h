// A worksheet part read and written with only its rows and cells through
// the worksheet bindings (sheetData, sml-sheet3): every other child of the
// document element is kept whole where it stands and written back as read.
#pragma once

#include "ooxml/sml-sheet2.h"
#include "ooxml/sml-sheet3.h"

namespace sheet_test {

class c_sheet_doc : public nimb::c_binding_t<c_sheet_doc> {
public:
    nimb::ct_complex_optional<sheet::c_CT_SheetData> sheetData;

    static const nimb::c_class_desc& desc()
    {
        static const nimb::c_child_desc children[] = {
            {"sheetData", sheet::sml_sheet3::ns_default, "sheetData", nimb::child_kind::single, 0, 1,
             nimb::member<&c_sheet_doc::sheetData>, nimb::create_object<sheet::c_CT_SheetData>, nullptr, nullptr, 0,
             nullptr, false},
        };
        static const nimb::c_class_desc d{"CT_Worksheet",
                                          "tests/sheet_doc",
                                          sheet::sml_sheet3::namespace_table,
                                          nimb::content_kind::complex,
                                          nullptr,
                                          0,
                                          children,
                                          1,
                                          nullptr,
                                          nullptr,
                                          nimb::create_object<c_sheet_doc>,
                                          nimb::cls_may_be_empty | nimb::cls_keep_unknown_attributes |
                                              nimb::cls_keep_unknown_elements,
                                          nullptr};
        return d;
    }

    nimb::enimb_error unmarshal(nimb::c_xml_reader& reader)
    {
        return nimb::unmarshal_document(reader, *this, sheet::sml_sheet3::ns_default, "worksheet");
    }
    nimb::enimb_error unmarshal(const char* data, std::size_t size, nimb::c_error_record* error = nullptr)
    {
        nimb::c_xml_reader_memory reader(data, size);
        nimb::enimb_error e = unmarshal(reader);
        if (error) *error = reader.error_record();
        return e;
    }
    nimb::enimb_error marshal(std::string& out, nimb::c_error_record* error = nullptr) const
    {
        return nimb::marshal_document(*this, "worksheet", out, error);
    }
};

}  // namespace sheet_test

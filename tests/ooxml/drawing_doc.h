// Helpers of the tests of the drawing bindings: an element of the drawing
// tables read as the document element of a small document (the three
// namespace declarations added to it), and what a binding writes for it,
// on one line and without those declarations.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "element_cases.h"
#include "nimb/binding.h"
#include "ooxml/dml-spreadsheetDrawing3.h"

namespace drawing_test {

inline const std::string& declarations()
{
    static const std::string d =
        " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
        " xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\""
        " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    return d;
}

// The element's qualified name ("a:xfrm").
inline std::string qname(const std::string& element)
{
    return element.substr(1, element.find_first_of(" />\t\n", 1) - 1);
}

inline std::string declared(const std::string& element)
{
    std::string out = element;
    out.insert(1 + qname(element).size(), declarations());
    return out;
}

struct read_result {
    nimb::enimb_error code;
    std::string item;
};

// Reads `element` (without declarations) into `object`; the error hook
// stops at the first error.
inline read_result read(nimb::c_binding& object, const std::string& element)
{
    const std::string text = declared(element);
    nimb::c_xml_reader_memory reader(text.data(), text.size());
    const std::string name = qname(element);
    const std::string::size_type colon = name.find(':');
    const std::string prefix = colon == std::string::npos ? std::string() : name.substr(0, colon);
    const unsigned ns = prefix == "xdr" ? drawing::dml_spreadsheetDrawing3::ns_xdr
                        : prefix == "r"   ? drawing::dml_spreadsheetDrawing3::ns_r
                                          : drawing::dml_spreadsheetDrawing3::ns_a;
    const std::string local = colon == std::string::npos ? name : name.substr(colon + 1);
    nimb::enimb_error e = nimb::unmarshal_document(reader, object, ns, local.c_str());
    return {e, reader.error_record().item};
}

// What a binding writes as the element `name`, on one line, without the
// XML declaration and the three declarations.
inline std::string written(const nimb::c_binding& object, const char* name)
{
    std::string out;
    nimb::enimb_error e = nimb::marshal_document(object, name, out, nullptr, nimb::attribute_layout::inline_);
    if (e != nimb::e_no_error) return "error " + std::to_string(e);
    std::string text = celvo::test::flat(out.substr(out.find('\n') + 1));
    std::string::size_type at = text.find(declarations());
    if (at != std::string::npos) text.erase(at, declarations().size());
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// One element read, then written back when it reads; a copy writes the same.
struct ObjectCase {
    const char* what;
    nimb::c_binding* (*make)();
    std::string element;
    nimb::enimb_error code;
    std::string item;     // of the error ("" for any)
    std::string written;  // "=": the element itself
};

inline void check(const std::vector<ObjectCase>& cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<nimb::c_binding> object(c.make());
        read_result r = read(*object, c.element);
        EXPECT_EQ(c.code, r.code) << r.item;
        if (c.code != nimb::e_no_error) {
            if (!c.item.empty()) {
                EXPECT_EQ(c.item, r.item);
            }
            continue;
        }
        if (r.code != nimb::e_no_error) continue;
        const std::string name = qname(c.element);
        const std::string out = written(*object, name.c_str());
        EXPECT_EQ(c.written == "=" ? c.element : c.written, out);
        // A copy writes the same.
        std::unique_ptr<nimb::c_binding> copy(object->clone());
        EXPECT_EQ(out, written(*copy, name.c_str()));
    }
}

// A whole drawing part with the anchors given, read and written back: the
// written part on one line without its declaration (the bytes as written
// in `document` when given), or "error N item" when it is refused.
inline std::string drawingWrittenBack(const std::string& anchors, std::string* document = nullptr)
{
    const std::string in = "<xdr:wsDr" + declarations() + ">" + anchors + "</xdr:wsDr>";
    drawing::c_wsDr root;
    nimb::c_error_record info;
    std::string out;
    nimb::enimb_error e = root.unmarshal(in.data(), in.size(), &info);
    if (e == nimb::e_no_error) e = root.marshal(out, &info);
    if (e != nimb::e_no_error) return "error " + std::to_string(e) + " " + info.item;
    if (document) *document = out;
    return celvo::test::flat(out.substr(out.find('\n') + 1));
}

// The document element around anchors, as drawingWrittenBack reads them.
inline std::string drawingOf(const std::string& anchors)
{
    return "<xdr:wsDr" + declarations() + ">" + anchors + "</xdr:wsDr>";
}

}  // namespace drawing_test

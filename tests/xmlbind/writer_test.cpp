#include "nimb/writer.h"

#include <sstream>

#include "nimb/spec.h"
#include "test_support.h"

using namespace nimb;

namespace {

const c_ns_entry table[] = {
    {1000, "r", "http://schemas.openxmlformats.org/officeDocument/2006/relationships"},
    {1001, "", "http://schemas.openxmlformats.org/spreadsheetml/2006/main"},
    {0, nullptr, nullptr}};

void attribute(c_xml_writer& w, const char* name, const char* value)
{
    c_simple<std::u16string> v;
    v.set(utf8_to_wstring(value));
    w.marshal_attribute(name, spec_string(), &v);
}

}  // namespace

// The layout of a document element with two declarations and one child
// holding a list of one item with three attributes.
TEST(Writer, ReproducesTheReferenceLayout)
{
    std::ostringstream out;
    c_xml_writer w(out, 1);
    {
        c_writer_element_scope root(w);
        w.start_element("workbook");
        w.set_ns_map(table);
        w.write_namespace_declarations(false);
        {
            c_writer_element_scope list(w);
            w.start_element("sheets");
            w.set_ns_map(table);
            w.write_namespace_declarations(false);
            {
                c_writer_element_scope item(w);
                w.start_element("sheet");
                attribute(w, "name", "Sheet1");
                attribute(w, "sheetId", "1");
                attribute(w, "r:id", "rId1");
                w.end_element("sheet");
            }
            w.end_element("sheets");
        }
        w.end_element("workbook");
    }
    EXPECT_EQ(out.str(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"\n"
              "\t\txmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">\n"
              "\t<sheets>\n"
              "\t\t<sheet name=\"Sheet1\"\n"
              "\t\t\t\tsheetId=\"1\"\n"
              "\t\t\t\tr:id=\"rId1\"/>\n"
              "\t</sheets>\n"
              "</workbook>\n");
}

TEST(Writer, ElementForms)
{
    struct Case {
        const char* what;
        std::uint8_t flags;
        const char* attribute_indent;
        const char* attribute_line_end;
        const char* text;     // simple content, or null
        bool optional_given;  // the optional attribute's flag
        const char* written;
    };
    const Case cases[] = {
        {"no attributes, no content", 0, nullptr, nullptr, nullptr, false, "<e/>\n"},
        {"text on one line", 0, nullptr, nullptr, "a<b", false, "<e>a&lt;b</e>\n"},
        {"empty text closes at once", 0, nullptr, nullptr, "", false, "<e/>\n"},
        {"absent optional attribute leaves no separator", 0, nullptr, nullptr, nullptr, false, "<e/>\n"},
        {"attributes on lines", 0, nullptr, nullptr, nullptr, true, "<e a=\"1\"\n\t\tb=\"x&#9;y\"/>\n"},
        {"attributes on the tag line", 0, " ", "", nullptr, true, "<e a=\"1\" b=\"x&#9;y\"/>\n"},
        {"declaration with standalone", 2, nullptr, nullptr, nullptr, false,
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<e/>\n"},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        c_xml_writer w(out, c.flags, nullptr, nullptr, c.attribute_indent, c.attribute_line_end);
        c_writer_element_scope frame(w);
        w.start_element("e");
        if (c.optional_given) {
            attribute(w, "a", "1");
            attribute(w, "b", "x\ty");
        } else {
            c_simple<std::u16string> absent;
            w.marshal_attribute("a", spec_string(), &absent);
        }
        if (c.text) {
            c_simple<std::u16string> text;
            text.set(utf8_to_wstring(c.text));
            w.marshal_simple_content("e", spec_string(), &text);
        }
        w.end_element("e");
        EXPECT_EQ(out.str(), c.written) << c.what;
    }
}

TEST(Writer, DeclarationsOnlyOnTheDocumentElement)
{
    std::ostringstream out;
    c_xml_writer w(out, 0, "", "", "", "");
    c_writer_element_scope root(w);
    w.start_element("a");
    w.set_ns_map(table);
    w.write_namespace_declarations(false);
    {
        c_writer_element_scope child(w);
        w.start_element("b");
        w.set_ns_map(table);
        w.write_namespace_declarations(false);
        w.write_kept_declaration("r", table[0].uri);  // in force already
        w.write_kept_declaration("x", "urn:x");
        w.end_element("b");
    }
    {
        c_writer_element_scope child(w);
        w.start_element("c");
        w.write_kept_declaration("x", "urn:x");  // the earlier one ended with its element
        w.end_element("c");
    }
    c_any_info kept;
    kept.present = true;
    kept.text = "<k/>";
    w.marshal_any_element(kept);
    w.end_element("a");
    EXPECT_EQ(out.str(),
              "<a xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
              "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><b xmlns:x=\"urn:x\"/>"
              "<c xmlns:x=\"urn:x\"/><k/></a>");
}

TEST(Writer, NumbersIgnoreTheStreamLocale)
{
    std::ostringstream out;
    out.imbue(std::locale(std::locale::classic(), new std::numpunct<char>()));
    c_xml_writer w(out, 0);
    c_writer_element_scope frame(w);
    w.start_element("e");
    c_simple<double> d;
    d.set(1234567.5);
    c_simple<unsigned> u;
    u.set(1234567);
    w.marshal_attribute("d", spec_double(), &d);
    w.marshal_attribute("u", spec_unsigned_int(), &u);
    w.end_element("e");
    EXPECT_EQ(out.str(), "<e d=\"1234567.5\"\n\t\tu=\"1234567\"/>\n");
}

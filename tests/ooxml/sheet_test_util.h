// Helpers of the tests of the worksheet bindings: reading a class of the
// sheet tables as the document element of a small document, by the quick
// way (a document in memory) or only through the reader (a source that
// gives its bytes one by one), with the errors the hook saw; and writing
// it back on one line.
#pragma once

#include <string>
#include <vector>

#include "nimb/binding.h"
#include "ooxml/sml-sheet2.h"
#include "element_cases.h"

namespace sheet_test {

const char* const kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

using celvo::test::flat;

// A source that hands out its bytes one at a time and no span of them, so
// that everything goes through the reader.
class byte_source : public nimb::c_read {
public:
    explicit byte_source(const std::string& text) : m_text(text) {}
    int get() override { return m_pos < m_text.size() ? static_cast<unsigned char>(m_text[m_pos++]) : -1; }
    void rewind() override { m_pos = 0; }

private:
    const std::string& m_text;
    std::size_t m_pos = 0;
};

// A reader that records every error and answers `answer` (0 goes on).
template <class Base>
class recording_reader : public Base {
public:
    template <class... A>
    explicit recording_reader(int answer, A&&... a) : Base(std::forward<A>(a)...), m_answer(answer)
    {
    }
    int on_error(nimb::enimb_error code, const std::string& item, const char*, int) override
    {
        codes.push_back(code);
        items.push_back(item);
        return m_answer ? static_cast<int>(code) : 0;
    }
    std::vector<int> codes;
    std::vector<std::string> items;

private:
    int m_answer;
};

struct outcome {
    nimb::enimb_error code = nimb::e_no_error;
    std::vector<int> codes;          // every error reported
    std::vector<std::string> items;  // and its item
};

// Reads `xml` (a whole document) into the object, whose element is `local`
// in the main namespace. `quick`: from memory (the scanner may take part);
// else through a byte source. `forgive`: the hook answers 0 to every error.
template <class T>
outcome read_doc(T& object, const std::string& xml, const char* local, bool quick, bool forgive = false)
{
    outcome o;
    if (quick) {
        recording_reader<nimb::c_xml_reader_memory> reader(forgive ? 0 : 1, xml.data(), xml.size());
        o.code = nimb::unmarshal_document(reader, object, sheet::sml_sheet2::ns_default, local);
        o.codes = reader.codes;
        o.items = reader.items;
    } else {
        byte_source source(xml);
        recording_reader<nimb::c_xml_reader> reader(forgive ? 0 : 1, &source);
        o.code = nimb::unmarshal_document(reader, object, sheet::sml_sheet2::ns_default, local);
        o.codes = reader.codes;
        o.items = reader.items;
    }
    return o;
}

// The object written as a document of element `name`, without the XML
// declaration, on one line.
inline std::string write_doc(const nimb::c_binding& object, const char* name)
{
    std::string out;
    nimb::enimb_error e = nimb::marshal_document(object, name, out);
    if (e) return "error " + std::to_string(e);
    std::string text = flat(out);
    std::size_t decl = text.find("?>");
    return decl == std::string::npos ? text : text.substr(decl + 2);
}

// A document of the main namespace (with the relationships prefix) around
// the content.
inline std::string doc(const char* element, const std::string& content, const std::string& attributes = "")
{
    return std::string("<") + element + " xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel + "\"" + attributes + ">" +
           content + "</" + element + ">";
}

}  // namespace sheet_test

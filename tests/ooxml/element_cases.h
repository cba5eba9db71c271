// Tables of cases over single elements of a binding: each element is read
// into a new object of its class and, when it reads, written back.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "nimb/binding.h"

namespace celvo::test {

// A reader whose error hook forgives every error, so that reading goes on;
// it records what it was offered.
class ForgivingReader : public nimb::c_xml_reader_memory {
public:
    // The text must outlive the reader.
    explicit ForgivingReader(const std::string& text) : nimb::c_xml_reader_memory(text.data(), text.size()) {}
    int on_error(nimb::enimb_error code, const std::string& item, const char* file, int line) override
    {
        codes.push_back(code);
        items.push_back(item);
        (void)file;
        (void)line;
        return 0;
    }
    std::vector<int> codes;
    std::vector<std::string> items;
};

// The written text on one line: line ends and indentation become one blank.
inline std::string flat(const std::string& text)
{
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == '\n' || c == '\t') {
            blank = true;
            continue;
        }
        if (blank && !out.empty() && out.back() != '>' && c != '<') out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

// The namespace declarations that each case's element receives: the
// SpreadsheetML main namespace as the default one and "r" for relationships.
inline const std::string& sheetDeclarations()
{
    static const std::string d =
        " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\""
        " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    return d;
}

// The element text with the declarations after its name.
inline std::string declared(const std::string& element)
{
    std::string::size_type end = element.find_first_of(" />", 1);
    std::string out = element;
    out.insert(end == std::string::npos ? out.size() : end, sheetDeclarations());
    return out;
}

// What a binding wrote for one element, without the XML declaration line and
// the declarations that `declared` added.
inline std::string undeclared(const std::string& document)
{
    std::string text = document;
    if (text.compare(0, 5, "<?xml") == 0) {
        std::string::size_type end = text.find('\n');
        text = end == std::string::npos ? std::string() : text.substr(end + 1);
    }
    text = flat(text);
    std::string::size_type at = text.find(sheetDeclarations());
    if (at != std::string::npos) text.erase(at, sheetDeclarations().size());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

struct ElementCase {
    const char* what;
    nimb::c_binding* (*make)();  // nimb::create_object<class of the element>
    std::string element;         // the element as it stands in a part (no declarations)
    nimb::enimb_error code;      // of the reading
    const char* item;            // error item when code is not 0 ("" for any)
    std::string written;         // what is written back when it reads ("=": the element itself)
};

// Reads the element at the start of `text` into `object`.
inline nimb::enimb_error readElement(nimb::c_xml_reader& reader, nimb::c_binding& object, const std::string& element)
{
    std::string local = element.substr(1, element.find_first_of(" />", 1) - 1);
    return nimb::unmarshal_document(reader, object, 1000, local.c_str());
}

// Reads the element (given without declarations) into `object` with the
// forgiving reader; the codes it was offered.
inline std::vector<int> readForgiving(nimb::c_binding& object, const std::string& element)
{
    const std::string text = declared(element);
    ForgivingReader reader(text);
    EXPECT_EQ(nimb::e_no_error, readElement(reader, object, element));
    return reader.codes;
}

// Reads the element of each case with the error hook that stops at the first
// error; a failure must name the item and the binding file `label`. (An
// element out of its place or one too many does not fail: it is kept and
// written back where it stood.)
inline void checkElements(const std::vector<ElementCase>& cases, const char* label)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<nimb::c_binding> object(c.make());
        const std::string text = declared(c.element);
        nimb::c_xml_reader_memory reader(text.data(), text.size());
        EXPECT_EQ(c.code, readElement(reader, *object, c.element));
        if (c.code != nimb::e_no_error) {
            EXPECT_STREQ(label, reader.error_record().program_file);
            if (*c.item) {
                EXPECT_EQ(c.item, reader.error_record().item);
            }
            continue;
        }
        std::string local = c.element.substr(1, c.element.find_first_of(" />", 1) - 1);
        std::string out;
        ASSERT_EQ(nimb::e_no_error, nimb::marshal_document(*object, local.c_str(), out));
        EXPECT_EQ(c.written == "=" ? c.element : c.written, undeclared(out));
        // A copy writes the same.
        std::unique_ptr<nimb::c_binding> copy(object->clone());
        std::string again;
        ASSERT_EQ(nimb::e_no_error, nimb::marshal_document(*copy, local.c_str(), again));
        EXPECT_EQ(out, again);
    }
}

// Writes a new object of a class as the named element.
inline std::string writtenElement(const nimb::c_binding& object, const char* name)
{
    std::string out;
    EXPECT_EQ(nimb::e_no_error, nimb::marshal_document(object, name, out));
    return undeclared(out);
}

}  // namespace celvo::test

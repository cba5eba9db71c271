// The worksheet part on arbitrary documents, read as the .xlsx engine reads
// it (no document type declaration). What the root accepts is written, and
// what it writes must read again and write the same bytes; a copy writes
// the same too. The rows and cells are also read alone, once from memory
// (where the packed cells are read straight from the bytes) and once through
// the reader only: both ways must agree on the outcome and on what they
// write.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "ooxml/sml-sheet3.h"
#include "sheet_doc.h"

namespace {

// Hands out its bytes one at a time and no span of them, so that everything
// goes through the reader.
class byte_source : public nimb::c_read {
public:
    explicit byte_source(const std::string& text) : m_text(text) {}
    int get() override { return m_pos < m_text.size() ? static_cast<unsigned char>(m_text[m_pos++]) : -1; }
    void rewind() override { m_pos = 0; }

private:
    const std::string& m_text;
    std::size_t m_pos = 0;
};

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "worksheet_fuzz: %s\n", what);
    std::abort();
}

nimb::c_reader_limits partLimits()
{
    nimb::c_reader_limits limits;
    limits.refuse_doctype = true;
    return limits;
}

void wholeWorksheet(const char* data, std::size_t size)
{
    auto root = std::make_unique<sheet::c_worksheet>();
    if (root->unmarshal(data, size, nullptr, partLimits()) != nimb::e_no_error) return;
    std::string out;
    if (root->marshal_to_string(out) != nimb::e_no_error) return;  // a value it cannot write is refused
    std::unique_ptr<nimb::c_binding> copy(root->clone());
    std::string copied;
    if (static_cast<sheet::c_worksheet&>(*copy).marshal_to_string(copied) != nimb::e_no_error || copied != out)
        fail("a copy writes otherwise");
    auto again = std::make_unique<sheet::c_worksheet>();
    nimb::c_error_record info;
    if (again->unmarshal(out.data(), out.size(), &info, partLimits()) != nimb::e_no_error) {
        std::fprintf(stderr, "error %d item \"%s\" line %d\n", info.code, info.item.c_str(), info.xml_line);
        fail("what the worksheet wrote does not read");
    }
    std::string twice;
    if (again->marshal_to_string(twice) != nimb::e_no_error || twice != out) fail("written twice, it differs");
}

void rowsBothWays(const std::string& text)
{
    sheet_test::c_sheet_doc quick, slow;
    std::string quickOut, slowOut;
    nimb::c_xml_reader_memory memory(text.data(), text.size(), nullptr, partLimits());
    nimb::enimb_error q = quick.unmarshal(memory);
    byte_source source(text);
    nimb::c_xml_reader reader(&source, nullptr, partLimits());
    nimb::enimb_error s = slow.unmarshal(reader);
    if (q != s) {
        std::fprintf(stderr, "from memory: error %d; through the reader: error %d\n", q, s);
        fail("the two ways of reading the rows disagree");
    }
    if (q != nimb::e_no_error) return;
    nimb::enimb_error wq = quick.marshal(quickOut);
    nimb::enimb_error ws = slow.marshal(slowOut);
    if (wq != ws || quickOut != slowOut) fail("the rows read two ways write otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    wholeWorksheet(text, size);
    rowsBothWays(std::string(text, size));
    return 0;
}

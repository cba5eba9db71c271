// The worksheet part on arbitrary documents: the root's round trip
// (root_roundtrip.h), and the rows and cells read alone, once from memory
// (where the packed cells are read straight from the bytes) and once through
// the reader only: both ways must agree on the outcome and on what they
// write.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "ooxml/sml-sheet3.h"
#include "root_roundtrip.h"
#include "sheet_doc.h"

namespace {

const char* const kTarget = "worksheet_fuzz";

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

void rowsBothWays(const std::string& text)
{
    sheet_test::c_sheet_doc quick, slow;
    std::string quickOut, slowOut;
    nimb::c_xml_reader_memory memory(text.data(), text.size(), nullptr, fuzz::partLimits());
    nimb::enimb_error q = quick.unmarshal(memory);
    byte_source source(text);
    nimb::c_xml_reader reader(&source, nullptr, fuzz::partLimits());
    nimb::enimb_error s = slow.unmarshal(reader);
    if (q != s) {
        std::fprintf(stderr, "from memory: error %d; through the reader: error %d\n", q, s);
        fuzz::fail(kTarget, "the two ways of reading the rows disagree");
    }
    if (q != nimb::e_no_error) return;
    nimb::enimb_error wq = quick.marshal(quickOut);
    nimb::enimb_error ws = slow.marshal(slowOut);
    if (wq != ws || quickOut != slowOut) fuzz::fail(kTarget, "the rows read two ways write otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    fuzz::rootRoundTrip<sheet::c_worksheet>(kTarget, text, size);
    rowsBothWays(std::string(text, size));
    return 0;
}

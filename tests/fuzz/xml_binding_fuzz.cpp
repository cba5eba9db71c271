// The binding runtime on arbitrary documents: a small binding read through
// the descriptor-driven driver; what it accepts writes, the written document
// reads again and writes the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "test_binding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace nimb;
    auto book = std::make_unique<tb::c_CT_Book>();
    {
        c_xml_reader_memory r(data, size);
        if (unmarshal_document(r, *book, 1001, "book") != e_no_error) return 0;
    }
    std::string out;
    if (marshal_document(*book, "book", out) != e_no_error) std::abort();  // what was read must write
    auto again = std::make_unique<tb::c_CT_Book>();
    c_xml_reader_memory r(out.data(), out.size());
    if (unmarshal_document(r, *again, 1001, "book") != e_no_error) std::abort();  // our own document refused
    std::string second;
    if (marshal_document(*again, "book", second) != e_no_error || second != out) std::abort();
    return 0;
}

// The binding runtime on arbitrary documents: a small binding read through
// the descriptor-driven driver; what it accepts is written and read again.
#include <cstddef>
#include <cstdint>
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
    if (marshal_document(*book, "book", out) != e_no_error) return 0;
    auto again = std::make_unique<tb::c_CT_Book>();
    c_xml_reader_memory r(out.data(), out.size());
    unmarshal_document(r, *again, 1001, "book");
    return 0;
}

#include "part.h"

namespace celvo {

XFile::~XFile() = default;

nimb::c_reader_limits partReaderLimits()
{
    nimb::c_reader_limits limits;
    limits.refuse_doctype = true;
    return limits;
}

void throwBindingError(nimb::enimb_error code)
{
    if (code == nimb::e_bad_dtd) throw xlerror("DOCTYPE declarations are not allowed");
    throw xlerror(nimb::get_error_description(code));
}

}  // namespace celvo

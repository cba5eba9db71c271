#include "part.h"

#include "nimb/binding.h"
#include "nimb/writer.h"

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

void writeCompact(const nimb::c_binding& root, const char* name, std::string& out)
{
    std::string written;
    nimb::enimb_error e;
    {
        nimb::c_string_output text(written);
        nimb::c_xml_writer w(text, 2, "", "");
        e = nimb::marshal_object(w, root, name);
        text.flush();
        if (!e && w.failed()) e = w.capture_error(nimb::e_undefined, name, "xlsx/part", 0);
    }
    if (e) throwBindingError(e);
    out.swap(written);
}

}  // namespace celvo

// The helper protocol of element reading: a class fills the steps (read one
// attribute, check required attributes, read the text, read the children),
// the three drivers run them in a fixed order, check the element's end and
// turn every failed check into an error code through the reader's hook.
#pragma once

#include <cstddef>
#include <string>

#include "nimb/errors.h"
#include "nimb/holders.h"
#include "nimb/reader.h"
#include "nimb/spec.h"

namespace nimb {

class c_unmarshal_helper {
public:
    // Records the reader's current name as this element's name.
    explicit c_unmarshal_helper(c_xml_reader& reader);
    virtual ~c_unmarshal_helper();
    c_unmarshal_helper(const c_unmarshal_helper&) = delete;
    c_unmarshal_helper& operator=(const c_unmarshal_helper&) = delete;

    virtual bool unmarshal_attribute(enimb_error& error);
    virtual enimb_error check_required_attributes();
    virtual bool unmarshal_text(enimb_error& error);
    virtual bool unmarshal_child_elements(enimb_error& error);
    virtual bool is_nil();
    virtual bool skip_unknown_children();

    enimb_error unmarshal_empty_content(const char* program_file, int program_line);
    enimb_error unmarshal_simple_content(const char* program_file, int program_line);
    enimb_error unmarshal_complex_content(const char* program_file, int program_line);

    const char* element_name() const { return m_reader->element_name_at(m_name_offset); }
    void set_may_be_empty(bool on) { m_may_be_empty = on; }
    void set_kept_attributes(c_any_list* list) { m_kept_attributes = list; }

protected:
    // Where an attribute that no step claims is kept; null refuses it (39).
    virtual c_any_list* kept_attribute_list(unsigned ns_id);
    // Captures a code about this element and asks the hook.
    enimb_error report(enimb_error code);

    enimb_error read_attributes();
    enimb_error finish_empty_content();
    enimb_error read_simple_content();
    enimb_error read_child_elements();
    bool end_tag_is_mine() const;

    c_xml_reader* m_reader;
    std::size_t m_name_offset;
    const char* m_program_file = "";
    int m_program_line = 0;
    c_any_list* m_kept_attributes = nullptr;
    bool m_may_be_empty = false;
};

// Typed attribute readers for hand-written attribute steps: read the
// current attribute into a holder under its spec.
template <class T>
enimb_error unmarshal_attribute_typed(c_xml_reader& reader, c_simple<T>* holder, const c_value_spec<T>* spec)
{
    return reader.unmarshal_attribute_value(*spec, holder);
}
#define NIMB_ATTRIBUTE_READER(name, type)                                                                          \
    inline enimb_error name(c_xml_reader& reader, c_simple<type>* holder, const c_value_spec<type>* spec)            \
    {                                                                                                              \
        return unmarshal_attribute_typed(reader, holder, spec);                                                    \
    }
NIMB_ATTRIBUTE_READER(unmarshal_attribute_optional_wstring, std::u16string)
NIMB_ATTRIBUTE_READER(unmarshal_attribute_single_wstring, std::u16string)
NIMB_ATTRIBUTE_READER(unmarshal_attribute_single_uint, unsigned)
NIMB_ATTRIBUTE_READER(unmarshal_attribute_optional_bool, bool)
NIMB_ATTRIBUTE_READER(unmarshal_attribute_optional_uint, unsigned)
NIMB_ATTRIBUTE_READER(unmarshal_attribute_optional_double, double)
NIMB_ATTRIBUTE_READER(unmarshal_attribute_optional_binary, c_binary)
NIMB_ATTRIBUTE_READER(unmarshal_attribute_optional_int, int)
NIMB_ATTRIBUTE_READER(unmarshal_attribute_optional_uchar, unsigned char)
NIMB_ATTRIBUTE_READER(unmarshal_attribute_single_double, double)
#undef NIMB_ATTRIBUTE_READER

}  // namespace nimb

#include "nimb/helper.h"

#include "nimb/spec.h"

namespace nimb {

// ---------------------------------------------------------------------------
// Value operations of the reader

int c_xml_reader::handle_value_error(enimb_error code)
{
    enimb_error c = capture_error(code, m_value_item, program_file, program_line);
    return on_error(c, m_value_item, program_file, program_line);
}

enimb_error c_xml_reader::unmarshal_attribute_value(const c_value_spec_base& spec, void* holder)
{
    m_value_item = "@" + m_attr_name;
    if (spec.is_set(holder))
        if (int answer = handle_attribute_error(e_attribute_already_read)) return static_cast<enimb_error>(answer);
    if (!get_attribute_text(m_value, spec.whitespace))
        if (int answer = handle_attribute_error(e_unable_to_read_attribute)) return static_cast<enimb_error>(answer);
    if (spec.validate)
        if (enimb_error e = spec.validate(*this, m_value)) return e;
    return spec.convert_and_store(*this, holder, m_value);
}

enimb_error c_xml_reader::unmarshal_content_value(const c_value_spec_base& spec, void* holder)
{
    m_value_item = m_name;
    bool ended = m_token == tok_element_end;
    if (!get_element_text(m_value, spec.whitespace))
        if (int answer = handle_error(e_unable_to_read_element)) return static_cast<enimb_error>(answer);
    if (!ended && !match_end_tag(m_name))
        if (int answer = handle_error(e_bad_end_of_element)) return static_cast<enimb_error>(answer);
    m_token = tok_element_end;
    if (m_value.empty()) m_value = spec.default_text;
    if (spec.validate)
        if (enimb_error e = spec.validate(*this, m_value)) return e;
    return spec.convert_and_store(*this, holder, m_value);
}

enimb_error c_xml_reader::unmarshal_element_value(const c_value_spec_base& spec, void* holder, const c_token_entry* table)
{
    int t = finish_start_tag();
    if (t != tok_element_end && t != tok_start_tag_end)
        if (int answer = handle_error(e_bad_start_tag_end)) return static_cast<enimb_error>(answer);
    if (enimb_error e = unmarshal_content_value(spec, holder)) return e;
    if (!table) return e_no_error;
    enimb_error e;
    get_element_event(table, e, m_name);
    return e;
}

// ---------------------------------------------------------------------------
// Helper and drivers

c_unmarshal_helper::c_unmarshal_helper(c_xml_reader& reader)
    : m_reader(&reader), m_name_offset(reader.push_element_name(reader.current_name()))
{
}

c_unmarshal_helper::~c_unmarshal_helper() { m_reader->pop_element_name(m_name_offset); }

bool c_unmarshal_helper::unmarshal_attribute(enimb_error&) { return false; }
enimb_error c_unmarshal_helper::check_required_attributes() { return e_no_error; }
bool c_unmarshal_helper::unmarshal_text(enimb_error&) { return false; }
bool c_unmarshal_helper::unmarshal_child_elements(enimb_error&) { return false; }
bool c_unmarshal_helper::is_nil() { return false; }
bool c_unmarshal_helper::skip_unknown_children() { return true; }
c_any_list* c_unmarshal_helper::kept_attribute_list(unsigned) { return m_kept_attributes; }

enimb_error c_unmarshal_helper::report(enimb_error code)
{
    std::string item = element_name();
    enimb_error c = m_reader->capture_error(code, item, m_program_file, m_program_line);
    return static_cast<enimb_error>(m_reader->on_error(c, item, m_program_file, m_program_line));
}

enimb_error c_unmarshal_helper::unmarshal_empty_content(const char* file, int line)
{
    m_program_file = file;
    m_program_line = line;
    m_reader->program_file = file;
    if (enimb_error e = read_attributes()) return e;
    return finish_empty_content();
}

enimb_error c_unmarshal_helper::unmarshal_simple_content(const char* file, int line)
{
    m_program_file = file;
    m_program_line = line;
    m_reader->program_file = file;
    if (enimb_error e = read_attributes()) return e;
    return read_simple_content();
}

enimb_error c_unmarshal_helper::unmarshal_complex_content(const char* file, int line)
{
    m_program_file = file;
    m_program_line = line;
    m_reader->program_file = file;
    if (enimb_error e = read_attributes()) return e;
    return read_child_elements();
}

enimb_error c_unmarshal_helper::read_attributes()
{
    c_xml_reader& r = *m_reader;
    for (;;) {
        std::string name;
        int t = r.next_attribute(name);
        if (t == tok_start_tag_end || t == tok_element_end) return check_required_attributes();
        if (t != tok_name) {
            enimb_error code = t == tok_end_of_document ? e_unexpected_end
                               : r.sink().last_code ? r.sink().last_code : e_not_well_formed;
            enimb_error c = r.capture_error(code, r.current_name(), m_program_file, m_program_line);
            if (int answer = r.on_error(c, r.current_name(), m_program_file, m_program_line))
                return static_cast<enimb_error>(answer);
            return check_required_attributes();
        }
        enimb_error error = e_no_error;
        if (unmarshal_attribute(error)) {
            if (error) return error;
            continue;
        }
        std::string value;
        unsigned ns = r.name_record().has_prefix ? r.name_record().ns_id : ns_none;
        if (ns == ns_xsi) {
            r.get_attribute_text(value, ws_preserve);
            continue;
        }
        if (c_any_list* kept = kept_attribute_list(ns)) {
            std::string uri;
            r.get_element_namespace(uri);
            if (!r.get_attribute_text(value, ws_preserve))
                if (int answer = r.handle_attribute_error(e_unable_to_read_attribute)) return static_cast<enimb_error>(answer);
            c_any_info* info = kept->append();
            *info = c_any_info(r.name_record().has_prefix ? uri : std::string(), name, value);
            continue;
        }
        enimb_error c = r.capture_error(e_unexpected_attribute, name, m_program_file, m_program_line);
        if (int answer = r.on_error(c, name, m_program_file, m_program_line)) return static_cast<enimb_error>(answer);
        r.get_attribute_text(value, ws_preserve);
    }
}

bool c_unmarshal_helper::end_tag_is_mine() const
{
    return m_reader->token() == tok_element_end && m_reader->current_name() == element_name();
}

enimb_error c_unmarshal_helper::finish_empty_content()
{
    c_xml_reader& r = *m_reader;
    if (r.token() == tok_element_end) return e_no_error;
    enimb_error e;
    r.scan_element_event(e, r.current_name());
    if (e)
        if (enimb_error answer = report(e)) return answer;
    if (end_tag_is_mine()) return e_no_error;
    return report(e_bad_end_of_element);
}

enimb_error c_unmarshal_helper::read_simple_content()
{
    c_xml_reader& r = *m_reader;
    r.current_name() = element_name();
    if (is_nil()) {
        if (r.token() != tok_element_end && !r.match_end_tag(r.current_name())) return report(e_bad_end_of_element);
        return e_no_error;
    }
    enimb_error error = e_no_error;
    unmarshal_text(error);
    return error;
}

enimb_error c_unmarshal_helper::read_child_elements()
{
    c_xml_reader& r = *m_reader;
    bool self_closed = r.token() == tok_element_end;
    if (self_closed && m_may_be_empty) return e_no_error;
    if (!self_closed) {
        enimb_error e;
        r.scan_element_event(e, r.current_name());
        if (e)
            if (enimb_error answer = report(e)) return answer;
    }
    if (is_nil()) {
        if (self_closed || end_tag_is_mine()) return e_no_error;
        enimb_error e;
        r.scan_element_event(e, r.current_name());
        if (end_tag_is_mine()) return e_no_error;
        return report(e_bad_end_of_element);
    }
    if (self_closed) {
        // An empty-element tag where content is required.
        return report(e_unexpected_empty_element);
    }
    enimb_error error = e_no_error;
    if (!unmarshal_child_elements(error) && error) return error;
    if (end_tag_is_mine()) return e_no_error;
    return report(e_bad_end_of_element);
}

}  // namespace nimb

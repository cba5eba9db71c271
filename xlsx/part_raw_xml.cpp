#include "part_raw_xml.h"

namespace celvo {

nimb::enimb_error RawXmlDocument::unmarshal(const char* data, std::size_t size, nimb::c_error_record* error,
                                            const nimb::c_reader_limits& limits)
{
    nimb::c_xml_reader_memory reader(data, size, nullptr, limits);
    std::size_t depth = 0;
    bool seenRoot = false;
    nimb::enimb_error e = nimb::e_no_error;
    for (;;) {
        std::string name;
        const int t = reader.scan_element_event(e, name);
        if (t == nimb::tok_end_of_document) {
            const bool whole = depth == 0 && seenRoot && !reader.sink().has_fatal();
            e = whole ? nimb::e_no_error : (e ? e : nimb::e_unexpected_end);
            break;
        }
        if (t == nimb::tok_text) continue;
        if (t == nimb::tok_element_end) {
            --depth;
            continue;
        }
        if (t != nimb::tok_name) {
            if (!e) e = nimb::e_not_well_formed;
            break;
        }
        if (depth == 0 && seenRoot) {  // a second document element
            e = nimb::e_not_well_formed;
            break;
        }
        seenRoot = true;
        std::string attribute, value;
        int a;
        while ((a = reader.next_attribute(attribute)) == nimb::tok_name)
            if (!reader.get_attribute_text(value, nimb::ws_preserve)) break;
        if (a == nimb::tok_start_tag_end) {
            ++depth;
        } else if (a != nimb::tok_element_end) {
            if (!e) e = nimb::e_not_well_formed;
            break;
        }
    }
    if (e == nimb::e_no_error && reader.sink().has_fatal()) e = reader.sink().last_code;
    if (error) *error = reader.error_record();
    if (e == nimb::e_no_error) bytes_.assign(data, size);
    return e;
}

nimb::enimb_error RawXmlDocument::marshal(std::string& out, nimb::c_error_record*) const
{
    out = bytes_;
    return nimb::e_no_error;
}

}  // namespace celvo

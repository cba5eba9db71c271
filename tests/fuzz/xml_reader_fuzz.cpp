// The XML pull reader on arbitrary documents, walked event by event with
// every attribute's value, as a binding driver reads.
#include <cstddef>
#include <cstdint>
#include <string>

#include "nimb/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    nimb::c_xml_reader_memory r(data, size);
    std::string name, attr, value;
    for (;;) {
        nimb::enimb_error err;
        const int t = r.scan_element_event(err, name);
        if (t == nimb::tok_end_of_document) break;
        if (t == nimb::tok_text || t == nimb::tok_element_end) continue;
        if (t != nimb::tok_name) break;
        r.current_name() = name;
        int a;
        bool bad = false;
        while ((a = r.next_attribute(attr)) == nimb::tok_name) {
            if (!r.get_attribute_text(value, nimb::ws_collapse)) {
                bad = true;
                break;
            }
        }
        if (bad || (a != nimb::tok_start_tag_end && a != nimb::tok_element_end)) break;
    }
    return 0;
}

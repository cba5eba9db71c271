// The hooks of features2.schema: "tick" elements counted by hand, the rest
// of the content read and written by the generic reader and writer.
#include "ooxml/features2.h"

namespace feat {

bool hook_CT_Tally_read_children(nimb::c_xml_reader& reader, nimb::c_binding& object, nimb::enimb_error& error)
{
    auto& tally = static_cast<c_CT_Tally&>(object);
    while (reader.token() == nimb::tok_name && reader.name_record().local == "tick") {
        ++tally.ticks.count;
        if (!reader.skip_element()) {
            error = nimb::e_not_well_formed;
            return false;
        }
        reader.scan_element_event(error, reader.current_name());
        if (error) return false;
    }
    return nimb::read_children_in_order(reader, object, error);
}

nimb::enimb_error hook_CT_Tally_write_children(nimb::c_xml_writer& writer, const nimb::c_binding& object)
{
    const auto& tally = static_cast<const c_CT_Tally&>(object);
    for (unsigned i = 0; i < tally.ticks.count; ++i) {
        nimb::c_writer_element_scope frame(writer);
        writer.start_element("tick");
        writer.end_element("tick");
    }
    return nimb::write_children_in_order(writer, object);
}

}  // namespace feat

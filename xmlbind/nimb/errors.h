// Error codes of the XML binding runtime, the low-level error sink, the error
// record with its report text, and the error hooks shared by reader and writer.
#pragma once

#include <ostream>
#include <string>

namespace nimb {

enum enimb_error : unsigned {
    e_no_error = 0,
    e_unable_to_open_file = 1,
    e_all_cardinality = 2,
    e_attribute_already_read = 3,
    e_attributes_in_anonymous_compositor = 4,
    e_xml_badly_formed = 5,
    e_encoding_not_supported = 6,
    e_inappropriate_choice = 7,
    e_bad_comment = 8,
    e_bad_dtd = 9,
    e_bad_end_of_element = 10,
    e_bad_start_tag_end = 11,
    e_end_tag_syntax = 12,
    e_bad_xml_decl = 13,
    e_unsupported_version = 14,
    e_encoding_mismatch = 15,
    e_element_not_found = 16,
    e_external_entity = 17,
    e_fraction_digits = 18,
    e_length_too_long = 19,
    e_length_too_short = 20,
    e_mandatory_element_missing = 21,
    e_no_pattern_matched = 22,
    e_not_well_formed = 23,
    e_recursive_entity = 24,
    e_required_attribute_missing = 25,
    e_max_occurs_exceeded = 26,
    e_total_digits = 27,
    e_unable_to_read_attribute = 28,
    e_unable_to_read_element = 29,
    e_unknown_element_in_all = 30,
    e_unknown_element = 31,
    e_unexpected_empty_element = 32,
    e_unexpected_entity = 33,
    e_unexpected_end = 34,
    e_invalid_value_format = 35,
    e_value_above_maximum = 36,
    e_value_below_minimum = 37,
    e_not_an_enumeration = 38,
    e_unexpected_attribute = 39,
    e_nil_not_empty = 40,
    e_entity_not_found = 41,
    e_undefined = 42,
    e_fixed_mismatch = 43,
    e_unknown_xsi_type = 44,
    e_type_not_set = 45,
    e_occurs_on_marshal = 46,
    e_user_1 = 1000,
    e_user_2 = 1001,
    e_user_3 = 1002,
    e_user_4 = 1003,
    e_user_5 = 1004,
    e_user_6 = 1005,
    e_user_7 = 1006,
    e_user_8 = 1007,
    e_user_9 = 1008,
};

struct c_error_entry {
    unsigned code;
    const char* text;
};

// The text of a code; "" for a code that has none (never null).
const char* get_error_description(enimb_error code);
inline const char* get_error_description(unsigned code) { return get_error_description(static_cast<enimb_error>(code)); }

// Severities of the low-level sink.
enum { sev_fatal = 0, sev_error = 1, sev_warning = 2, sev_note = 3, sev_none = 4 };

// Sink of the errors raised while characters and markup are read. After the
// first fatal error it ignores everything, and the transcoder delivers no
// more characters.
class c_error {
public:
    virtual void report(int severity, enimb_error code, const char* source_name, int line, const char* message);
    virtual ~c_error();

    void raise(int severity, enimb_error code, const char* source_name, int line, const char* message);
    bool has_fatal() const { return fatal_count != 0; }

    const void* owner = nullptr;
    int fatal_count = 0;
    int error_count = 0;
    int warning_count = 0;
    int note_count = 0;
    int last_severity = sev_none;
    enimb_error last_code = e_no_error;
    int last_line = -1;
};

// The latest error of a reader or writer.
struct c_error_record {
    enimb_error code = e_no_error;
    std::string item;
    const char* program_file = "(not set)";
    int program_line = -1;
    int xml_line = -1;
};

// The report text of a record: "Error: ", then item, program file and line,
// then the XML line when there is one; each line ends with a line feed.
std::ostream& write_error(std::ostream& out, const c_error_record& record);

// The error interface shared by the reader and the writer: every failed
// check is captured in the record and offered to on_error; a non-zero answer
// stops the operation with that code.
class c_xml {
public:
    virtual ~c_xml();
    virtual int on_error(enimb_error code, const std::string& item, const char* program_file, int program_line);
    virtual int user_error(enimb_error code);
    virtual std::string get_error_text();

    const c_error_record& error_record() const { return m_record; }

protected:
    c_error_record m_record;
};

}  // namespace nimb

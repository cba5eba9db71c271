// The pull reader: a small non-validating XML parser for data binding. It
// works on the UTF-8 stream of the transcoder and hands out UTF-8 names and
// text; the binding drivers ask it for element events, attributes and text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "nimb/anyinfo.h"
#include "nimb/errors.h"
#include "nimb/input.h"
#include "nimb/repository.h"

namespace nimb {

class c_value_spec_base;

// Current-token values of the reader.
enum {
    tok_end_of_document = 0,
    tok_unknown_name = 1,
    tok_error = 2,
    tok_parse_error = 3,
    tok_start_tag_end = 4,
    tok_text = 5,
    tok_element_end = 6,
    tok_name = 7,
    tok_xsi_type = 8,
    tok_xsi_nil = 9,
    tok_xsi_schema_location = 10,
    tok_xsi_no_ns_schema_location = 11,
    tok_first_binding = 13,
};

// Fixed namespace ids.
enum : unsigned {
    ns_undeclared = 0,
    ns_none = 1,
    ns_xml = 2,
    ns_xsi = 5,
    ns_first_binding = 1000,
};

// White-space modes.
enum { ws_preserve = 0, ws_replace = 1, ws_collapse = 2 };

// A row of a binding file's namespace table; the table ends with a null URI.
struct c_ns_entry {
    unsigned id;
    const char* prefix;
    const char* uri;
};

// A row of a token table; the table ends with a null name.
struct c_token_entry {
    unsigned ns;
    const char* name;
    unsigned length;
    unsigned token;
};

// Limits that keep hostile documents from exhausting the process.
struct c_reader_limits {
    std::size_t max_depth = 512;                // open elements
    std::size_t max_entity_depth = 16;          // entities expanded inside each other
    std::size_t max_entity_bytes = 1u << 20;    // replacement text expanded in all
    // A document type declaration is a fatal e_bad_dtd (package parts may
    // not hold one).
    bool refuse_doctype = false;
};

// Appends characters to a text under a white-space mode.
struct c_text_builder {
    std::string* out;
    int mode;
    bool pending = false;

    c_text_builder(std::string& text, int m) : out(&text), mode(m) {}
    void put(int c);
    void put_code_point(std::uint32_t cp);
};

bool is_xml_space(int c);
bool is_name_start(int c);
bool is_name_char(int c);
// The Char production of XML 1.0.
bool is_xml_char(std::uint32_t cp);

// Entity expansion and the line-normalised character stream.
class c_get_with_entities : public c_get_as_utf8 {
public:
    c_get_with_entities(c_read* source, c_error* sink, const c_reader_limits& limits);

    // The next character: pushed back ones, then the entity being expanded,
    // then the document.
    int get();
    bool in_entity() const { return !m_frames.empty(); }

    // Starts reading the replacement text of an entity as input.
    bool push_entity(const std::string& name, const std::string& text);
    const std::string* general_entity(const std::string& name) const { return m_general.find(name); }
    const std::string* parameter_entity(const std::string& name) const { return m_parameter.find(name); }
    void define_entity(bool parameter, const std::string& name, const std::string& text);
    // Accounts for replacement text about to be expanded; false (after a
    // fatal error) beyond the limits or for a recursive reference.
    bool begin_expansion(const std::string& name, std::size_t size, std::size_t depth);

    const c_reader_limits& limits() const { return m_limits; }

protected:
    struct frame {
        std::string name;
        std::string text;
        std::size_t pos = 0;
    };
    std::vector<frame> m_frames;
    c_repository<std::string> m_general;
    c_repository<std::string> m_parameter;
    c_reader_limits m_limits;
    std::size_t m_expanded = 0;
    std::vector<std::string> m_active;  // entities expanded in place right now
};

// One element's namespace declarations.
struct c_ns_scope {
    struct decl {
        std::string prefix;
        unsigned id;
    };
    std::vector<decl> decls;
};

// An attribute or namespace declaration of the current start tag, as read.
struct c_tag_attribute {
    std::string name;
    char quote;
    std::string raw;
    bool is_declaration;
};

// Markup: start and end tags, attributes, declarations, comments,
// processing instructions, CDATA, the document type and references.
class c_get_for_xml : public c_get_with_entities {
public:
    c_get_for_xml(c_read* source, c_error* sink, const c_reader_limits& limits);

    void register_namespaces(const c_ns_entry* table);
    unsigned namespace_id(const std::string& uri);
    const std::string& namespace_uri(unsigned id) const;
    unsigned lookup_prefix(const std::string& prefix) const;

    // One element event; the token of Part "current token" values.
    int scan(std::string& name, std::string& text);
    // Reads a start tag's name (first character given) and attributes.
    bool read_start_tag(int first, std::string& name);
    // The end of the start tag: 4 for ">", 6 for "/>", 3 on a syntax error.
    int finish_start_tag();
    // Reads element text up to the next tag.
    bool read_text(std::string& out, int mode);
    bool expand_value(const std::string& raw, c_text_builder& out, std::size_t depth);
    void raise(int severity, enimb_error code, const std::string& message);
    void close_element();
    std::size_t depth() const { return m_scopes.size(); }

    std::vector<c_tag_attribute> m_attrs;  // of the current start tag
    std::size_t m_attr_pos = 0;
    bool m_tag_open = false;               // the current start tag is not finished
    std::vector<c_ns_scope> m_scopes;      // one per open element, outermost first

private:
    int skip_space();
    bool read_name(int first, std::string& out);
    bool read_quoted(std::string& out, char& quote);
    bool skip_comment(std::string* copy);
    bool skip_pi(std::string* copy);
    bool read_cdata(std::string& out);
    int read_end_tag(std::string& name);
    bool read_xml_declaration();
    bool read_doctype();
    bool read_entity_declaration();
    bool skip_declaration();
    bool content_reference(c_text_builder& out, bool& failed);

    c_repository<unsigned> m_ns_ids;
    std::vector<std::pair<unsigned, std::string>> m_uris;
    unsigned m_next_id = ns_first_binding;
    bool m_doctype_read = false;
    bool m_content_started = false;
    friend class c_xml_reader;
};

// The name of the current element or attribute, split.
struct c_name_record {
    std::string qname;
    bool has_prefix = false;
    unsigned ns_id = ns_none;
    std::string local;
    std::string prefix;
};

class c_xml_reader : public c_xml {
public:
    explicit c_xml_reader(c_read* source, c_error* sink = nullptr, const c_reader_limits& limits = {});
    ~c_xml_reader() override;
    c_xml_reader(const c_xml_reader&) = delete;
    c_xml_reader& operator=(const c_xml_reader&) = delete;

    void set_ns_map(const c_ns_entry* table);

    int scan_element_event(enimb_error& error, std::string& name);
    int get_element_event(const c_token_entry* table, enimb_error& error, std::string& name);
    void tokenise(const c_token_entry* table, bool is_element);
    int next_attribute(std::string& name);
    bool get_attribute_text(std::string& out, int mode);
    bool get_element_text(std::string& out, int mode);
    bool match_end_tag(const std::string& name);
    void get_element_namespace(std::string& out) const;
    bool get_element_xml(const std::string& name, std::string& out, int mode);
    void collect_declarations(c_any_info& info) const;
    // Reads past the current element (its start tag just scanned) and its
    // content.
    bool skip_element();
    // Reads the rest of the current start tag: 4, 6 or 3.
    int finish_start_tag();

    // Direct access to the document's bytes, for scanners of their own over
    // long runs of plain markup: true, with the bytes not read yet in
    // [begin, end), when the document is UTF-8 held in memory and nothing is
    // pending (no start tag open, no character pushed back, no entity being
    // expanded). Such a scanner takes whole elements only, checks what it
    // takes as the reader would, and passes it with skip_raw_input (n bytes
    // holding `lines` line ends); anything else it leaves to the reader.
    bool raw_input(const char*& begin, const char*& end);
    void skip_raw_input(std::size_t n, int lines) { m_get.raw_skip(n, lines); }

    int token() const { return m_token; }
    void set_token(int t) { m_token = t; }
    bool is_element_token() const { return m_token == tok_unknown_name || m_token == tok_name || m_token >= tok_first_binding; }
    int get_element_ns_id() const;
    const c_name_record& name_record() const { return m_record_name; }
    void split_name(const std::string& qname, bool is_element);

    enimb_error capture_error(enimb_error code, const std::string& item, const char* program_file, int program_line);
    int handle_error(enimb_error code);
    int handle_attribute_error(enimb_error code);
    int handle_error_at_line(enimb_error code, int line);
    // A failed value check: reported with the item whose value is read
    // ("@" and the name for an attribute, else the element's name).
    int handle_value_error(enimb_error code);

    // Value operations of the drivers: read the current attribute's value,
    // the current element's text, or a simple-typed child element into a
    // holder of the value spec's type.
    enimb_error unmarshal_attribute_value(const c_value_spec_base& spec, void* holder);
    enimb_error unmarshal_content_value(const c_value_spec_base& spec, void* holder);
    enimb_error unmarshal_element_value(const c_value_spec_base& spec, void* holder, const c_token_entry* table);
    const std::string& attribute_name() const { return m_attr_name; }

    // Element-name stack of the unmarshal helpers.
    std::size_t push_element_name(const std::string& name);
    void pop_element_name(std::size_t offset);
    const char* element_name_at(std::size_t offset) const { return m_name_stack.data() + offset; }
    // Where the name of the innermost element being read starts (for
    // element_name_at; the stack moves when names are pushed).
    std::size_t innermost_element_offset() const { return m_name_offsets.empty() ? 0 : m_name_offsets.back(); }
    std::size_t element_name_depth() const { return m_name_offsets.size(); }

    std::string& current_name() { return m_name; }
    std::string& value_text() { return m_value; }
    c_error& sink() { return *m_sink; }
    int line() const { return m_get.line(); }
    c_get_for_xml& getter() { return m_get; }

    const char* program_file = "<unspecified>";
    int program_line = -1;

private:
    c_error m_own_sink;
    c_error* m_sink;
    c_get_for_xml m_get;
    std::vector<char> m_name_stack;
    std::vector<std::size_t> m_name_offsets;
    c_name_record m_record_name;
    int m_token = tok_end_of_document;
    std::string m_name;
    std::string m_value;
    std::string m_attr_name;
    std::string m_value_item;
};

class c_xml_reader_memory : private c_read_memory, public c_xml_reader {
public:
    c_xml_reader_memory(const void* data, std::size_t size, c_error* sink = nullptr, const c_reader_limits& limits = {})
        : c_read_memory(data, size), c_xml_reader(static_cast<c_read_memory*>(this), sink, limits)
    {
    }
};

}  // namespace nimb

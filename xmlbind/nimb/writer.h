// The XML writer: layout (declaration, indentation, attribute lines, "/>"
// or end tag) of the documents written from binding objects.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "nimb/anyinfo.h"
#include "nimb/errors.h"
#include "nimb/reader.h"

namespace nimb {

class c_value_spec_base;
class c_any_list;
class c_xml_writer;

// The frame of one element being written; lives on the stack of the code
// that writes the element.
class c_writer_element_scope {
public:
    explicit c_writer_element_scope(c_xml_writer& writer);
    ~c_writer_element_scope();
    c_writer_element_scope(const c_writer_element_scope&) = delete;
    c_writer_element_scope& operator=(const c_writer_element_scope&) = delete;

    bool attribute_written = false;
    bool start_tag_closed = false;
    bool has_child_elements = false;

private:
    friend class c_xml_writer;
    c_writer_element_scope(c_xml_writer& writer, bool root);
    c_xml_writer* m_writer;
    c_writer_element_scope* m_previous;
    std::size_t m_declarations;  // size of the writer's declaration list when opened
};

// A stream that appends what is written to a string through a buffer of its
// own: quicker than a string stream for long documents, and without the
// copy that taking a string stream's text makes.
class c_string_output_buffer : public std::streambuf {
public:
    explicit c_string_output_buffer(std::string& target) : m_target(target) { setp(m_buffer, m_buffer + sizeof m_buffer); }
    ~c_string_output_buffer() override { flush_buffer(); }
    c_string_output_buffer(const c_string_output_buffer&) = delete;
    c_string_output_buffer& operator=(const c_string_output_buffer&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override
    {
        flush_buffer();
        return 0;
    }

private:
    void flush_buffer()
    {
        m_target.append(pbase(), static_cast<std::size_t>(pptr() - pbase()));
        setp(m_buffer, m_buffer + sizeof m_buffer);
    }

    std::string& m_target;
    char m_buffer[1 << 16];
};

class c_string_output : private c_string_output_buffer, public std::ostream {
public:
    explicit c_string_output(std::string& target)
        : c_string_output_buffer(target), std::ostream(static_cast<c_string_output_buffer*>(this))
    {
    }
};

class c_xml_writer : public c_xml {
public:
    // flags bit 0 or 1: write the XML declaration; bit 1: standalone="yes".
    c_xml_writer(std::ostream& out, std::uint8_t flags, const char* indent = nullptr, const char* line_end = nullptr,
                 const char* attribute_indent = nullptr, const char* attribute_line_end = nullptr);
    ~c_xml_writer() override;
    c_xml_writer(const c_xml_writer&) = delete;
    c_xml_writer& operator=(const c_xml_writer&) = delete;

    void set_ns_map(const c_ns_entry* table);
    void start_element(const char* name);
    void write_namespace_declarations(bool declare_xsi);
    // A namespace declaration kept from the document read; written unless
    // the same prefix is bound to the same URI where it stands.
    void write_kept_declaration(const std::string& prefix, const std::string& uri);
    void marshal_attribute(const char* name, const c_value_spec_base& spec, const void* holder);
    void marshal_simple_content(const char* name, const c_value_spec_base& spec, const void* holder);
    void marshal_element(const char* name, const c_value_spec_base& spec, const void* holder,
                         const c_ns_entry* namespaces);
    void end_element(const char* name);
    // For element text written by hand: closes the start tag of the element
    // being written (without a line end) and gives the stream.
    std::ostream& simple_content();
    enimb_error capture_error(enimb_error code, const std::string& item, const char* program_file, int program_line);
    // capture_error and on_error; returns the hook's answer.
    int handle_error(enimb_error code, const std::string& item, const char* program_file, int program_line);

    // Namespace-aware names. The element or attribute name `qname` as a
    // class writes it (its prefix is the one of `table`, or of the writer's
    // table when null) is written with a prefix bound to the same namespace
    // where it stands: the preferred one, the table's, or any other in force;
    // when none is, a declaration is added to `declare` (and put in force)
    // for the start tag being written.
    std::string resolve_name(const char* qname, const c_ns_entry* table, bool attribute,
                             std::vector<std::pair<std::string, std::string>>& declare);
    // The prefix that the document read used for a namespace, chosen first
    // by resolve_name.
    void prefer_prefix(const std::string& uri, const std::string& prefix);
    // The URI bound to a prefix where the writer stands (null: none).
    const std::string* declared_uri(const std::string& prefix) const;
    // Puts a declaration in force for the element being opened, without
    // writing it (write_declaration writes it).
    void push_declaration(const std::string& prefix, const std::string& uri) { m_declared.emplace_back(prefix, uri); }
    void write_declaration(const std::string& prefix, const std::string& uri);
    bool declarations_written() const { return m_declarations_written; }
    void set_declarations_written() { m_declarations_written = true; }
    const c_ns_entry* ns_map() const { return m_namespaces; }

    virtual void write_attribute_separator();
    virtual void write_markup_line(const c_any_info& record);
    void marshal_any_element(const c_any_info& record);
    void marshal_any_attributes(const c_any_list& records);

    std::ostream& stream() { return m_out; }
    // The layout strings, for content written by hand in the same layout.
    const std::string& indent_string() const { return m_indent; }
    const std::string& line_end_string() const { return m_line_end; }
    const std::string& attribute_indent_string() const { return m_attribute_indent; }
    const std::string& attribute_line_end_string() const { return m_attribute_line_end; }
    // For child elements written by hand: closes the start tag of the
    // element being written as a child's start would.
    void open_child_content();
    bool failed() const { return m_out.fail(); }
    int level() const { return m_level; }

private:
    friend class c_writer_element_scope;
    void close_parent_start_tag();
    bool declared_here(const std::string& prefix) const;

    std::ostream& m_out;
    c_writer_element_scope* m_frame = nullptr;
    c_writer_element_scope m_root_frame;
    int m_level = 0;
    std::string m_indent, m_line_end, m_attribute_indent, m_attribute_line_end;
    bool m_declarations_written = false;
    const c_ns_entry* m_namespaces = nullptr;
    // Declarations in force: (prefix, URI), outermost first.
    std::vector<std::pair<std::string, std::string>> m_declared;
    // Preferred prefixes: (URI, prefix).
    std::vector<std::pair<std::string, std::string>> m_preferred;
};

}  // namespace nimb

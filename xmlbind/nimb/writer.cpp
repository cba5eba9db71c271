#include "nimb/writer.h"

#include <cstring>
#include <locale>
#include <sstream>

#include "nimb/holders.h"
#include "nimb/spec.h"
#include "nimb/values.h"

namespace nimb {

c_string_output_buffer::int_type c_string_output_buffer::overflow(int_type c)
{
    flush_buffer();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize c_string_output_buffer::xsputn(const char* s, std::streamsize n)
{
    if (n <= epptr() - pptr()) {
        std::memcpy(pptr(), s, static_cast<std::size_t>(n));
        pbump(static_cast<int>(n));
        return n;
    }
    flush_buffer();
    if (n < epptr() - pptr()) {
        std::memcpy(pptr(), s, static_cast<std::size_t>(n));
        pbump(static_cast<int>(n));
    } else {
        m_target.append(s, static_cast<std::size_t>(n));
    }
    return n;
}

c_writer_element_scope::c_writer_element_scope(c_xml_writer& writer)
    : m_writer(&writer), m_previous(writer.m_frame), m_declarations(writer.m_declared.size())
{
    writer.m_frame = this;
}

c_writer_element_scope::c_writer_element_scope(c_xml_writer& writer, bool)
    : start_tag_closed(true), m_writer(&writer), m_previous(nullptr), m_declarations(0)
{
}

c_writer_element_scope::~c_writer_element_scope()
{
    if (m_writer->m_frame == this) {
        m_writer->m_frame = m_previous;
        if (m_previous) m_writer->m_declared.resize(m_declarations);
    }
}

c_xml_writer::c_xml_writer(std::ostream& out, std::uint8_t flags, const char* indent, const char* line_end,
                           const char* attribute_indent, const char* attribute_line_end)
    : m_out(out), m_root_frame(*this, true),
      m_indent(indent ? indent : "\t"), m_line_end(line_end ? line_end : "\n"),
      m_attribute_indent(attribute_indent ? attribute_indent : m_indent),
      m_attribute_line_end(attribute_line_end ? attribute_line_end : m_line_end)
{
    m_frame = &m_root_frame;
    m_out.imbue(std::locale::classic());
    if (flags & 3) {
        m_out << "<?xml version=\"1.0\" encoding=\"UTF-8\"";
        if (flags & 2) m_out << " standalone=\"yes\"";
        m_out << "?>" << m_line_end;
    }
}

c_xml_writer::~c_xml_writer() = default;

void c_xml_writer::set_ns_map(const c_ns_entry* table)
{
    if (!m_namespaces) m_namespaces = table;
}

void c_xml_writer::close_parent_start_tag()
{
    c_writer_element_scope* parent = m_frame ? m_frame->m_previous : nullptr;
    if (parent && !parent->start_tag_closed) {
        m_out << '>' << m_line_end;
        parent->start_tag_closed = true;
        parent->has_child_elements = true;
    } else if (parent) {
        parent->has_child_elements = true;
    }
}

void c_xml_writer::start_element(const char* name)
{
    close_parent_start_tag();
    for (int i = 0; i < m_level; ++i) m_out << m_indent;
    m_out << '<' << name;
    ++m_level;
}

void c_xml_writer::write_attribute_separator()
{
    if (!m_frame->attribute_written) {
        m_out << ' ';
        m_frame->attribute_written = true;
        return;
    }
    if (!m_attribute_line_end.empty()) {
        m_out << m_attribute_line_end;
        for (int i = 0; i < m_level + 1; ++i) m_out << m_attribute_indent;
    } else if (m_attribute_indent.empty()) {
        m_out << ' ';
    } else {
        m_out << m_attribute_indent;
    }
}

const std::string* c_xml_writer::declared_uri(const std::string& prefix) const
{
    for (auto d = m_declared.rbegin(); d != m_declared.rend(); ++d)
        if (d->first == prefix) return &d->second;
    return nullptr;
}

void c_xml_writer::write_namespace_declarations(bool declare_xsi)
{
    if (m_declarations_written) return;
    m_declarations_written = true;
    if (m_namespaces)
        for (const c_ns_entry* row = m_namespaces; row->uri; ++row) {
            std::string prefix = row->prefix ? row->prefix : "";
            write_attribute_separator();
            m_out << "xmlns";
            if (!prefix.empty()) m_out << ':' << prefix;
            m_out << "=\"";
            write_escaped(m_out, row->uri, true);
            m_out << '"';
            m_declared.emplace_back(prefix, row->uri);
        }
    if (declare_xsi) write_kept_declaration("xsi", "http://www.w3.org/2001/XMLSchema-instance");
}

void c_xml_writer::write_kept_declaration(const std::string& prefix, const std::string& uri)
{
    const std::string* in_force = declared_uri(prefix);
    if (in_force ? *in_force == uri : (prefix.empty() && uri.empty())) return;
    write_declaration(prefix, uri);
    m_declared.emplace_back(prefix, uri);
}

void c_xml_writer::write_declaration(const std::string& prefix, const std::string& uri)
{
    write_attribute_separator();
    m_out << "xmlns";
    if (!prefix.empty()) m_out << ':' << prefix;
    m_out << "=\"";
    write_escaped(m_out, uri, true);
    m_out << '"';
}

bool c_xml_writer::declared_here(const std::string& prefix) const
{
    for (std::size_t i = m_frame ? m_frame->m_declarations : 0; i < m_declared.size(); ++i)
        if (m_declared[i].first == prefix) return true;
    return false;
}

void c_xml_writer::prefer_prefix(const std::string& uri, const std::string& prefix)
{
    for (auto& p : m_preferred)
        if (p.first == uri) {
            p.second = prefix;
            return;
        }
    m_preferred.emplace_back(uri, prefix);
}

std::string c_xml_writer::resolve_name(const char* qname, const c_ns_entry* table, bool attribute,
                                       std::vector<std::pair<std::string, std::string>>& declare)
{
    std::string name = qname;
    std::string::size_type colon = name.find(':');
    std::string prefix = colon == std::string::npos ? std::string() : name.substr(0, colon);
    std::string local = colon == std::string::npos ? name : name.substr(colon + 1);
    if (prefix == "xml" || (attribute && prefix.empty())) return name;
    if (!table) table = m_namespaces;
    const char* uri_text = nullptr;
    if (table)
        for (const c_ns_entry* row = table; row->uri; ++row)
            if (prefix == (row->prefix ? row->prefix : "")) {
                uri_text = row->uri;
                break;
            }
    auto bind = [&](const std::string& p, const std::string& u) {
        declare.emplace_back(p, u);
        m_declared.emplace_back(p, u);
    };
    if (!uri_text) {
        // An element of no namespace: the default namespace must be unset.
        if (!prefix.empty()) return name;
        const std::string* in_force = declared_uri("");
        if (in_force && !in_force->empty()) bind("", "");
        return name;
    }
    const std::string uri = uri_text;
    auto usable = [&](const std::string& p) {
        if (attribute && p.empty()) return false;
        const std::string* u = declared_uri(p);
        return u && *u == uri;
    };
    auto with = [&](const std::string& p) { return p.empty() ? local : p + ":" + local; };
    for (const auto& pref : m_preferred)
        if (pref.first == uri && usable(pref.second)) return with(pref.second);
    if (usable(prefix)) return with(prefix);
    for (auto d = m_declared.rbegin(); d != m_declared.rend(); ++d)
        if (d->second == uri && usable(d->first)) return with(d->first);
    // Not bound where it stands: declare the table's prefix here, or a new
    // one when this start tag binds that prefix otherwise already.
    std::string chosen = prefix;
    if ((attribute && chosen.empty()) || declared_here(chosen)) {
        for (unsigned n = 0;; ++n) {
            chosen = "ns" + std::to_string(n);
            if (!declared_uri(chosen)) break;
        }
    }
    bind(chosen, uri);
    return with(chosen);
}

void c_xml_writer::marshal_attribute(const char* name, const c_value_spec_base& spec, const void* holder)
{
    if (!spec.is_set(holder)) return;
    write_attribute_separator();
    m_out << name << "=\"";
    set_stream_in_attribute(m_out, true);
    spec.write_value(m_out, holder);
    set_stream_in_attribute(m_out, false);
    m_out << '"';
}

void c_xml_writer::marshal_simple_content(const char*, const c_value_spec_base& spec, const void* holder)
{
    if (spec.is_empty(holder)) return;
    if (!m_frame->start_tag_closed) {
        m_out << '>';
        m_frame->start_tag_closed = true;
    }
    spec.write_value(m_out, holder);
}

void c_xml_writer::marshal_element(const char* name, const c_value_spec_base& spec, const void* holder,
                                   const c_ns_entry* namespaces)
{
    if (!spec.is_set(holder)) return;
    c_writer_element_scope frame(*this);
    start_element(name);
    if (namespaces) {
        set_ns_map(namespaces);
        write_namespace_declarations(false);
    }
    marshal_simple_content(name, spec, holder);
    end_element(name);
}

void c_xml_writer::open_child_content()
{
    if (!m_frame->start_tag_closed) {
        m_out << '>' << m_line_end;
        m_frame->start_tag_closed = true;
    }
    m_frame->has_child_elements = true;
}

std::ostream& c_xml_writer::simple_content()
{
    if (!m_frame->start_tag_closed) {
        m_out << '>';
        m_frame->start_tag_closed = true;
    }
    return m_out;
}

void c_xml_writer::end_element(const char* name)
{
    if (m_level > 0) --m_level;
    if (m_frame->start_tag_closed) {
        if (m_frame->has_child_elements && m_level > 0)
            for (int i = 0; i < m_level; ++i) m_out << m_indent;
        m_out << "</" << name << '>';
    } else {
        m_out << "/>";
    }
    m_out << m_line_end;
}

void c_xml_writer::write_markup_line(const c_any_info& record)
{
    for (int i = 0; i < m_level; ++i) m_out << m_indent;
    m_out << record.text << m_line_end;
}

namespace {

// The prefixes that the start tag of a kept element's markup declares
// itself ("" for the default namespace), and where its name ends.
std::vector<std::string> own_declarations(const std::string& text, std::size_t& name_end)
{
    std::vector<std::string> out;
    std::size_t i = 1;
    auto stop = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>'; };
    while (i < text.size() && !stop(text[i])) ++i;
    name_end = i;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
        if (i >= text.size() || text[i] == '/' || text[i] == '>') break;
        std::size_t start = i;
        while (i < text.size() && text[i] != '=' && !stop(text[i])) ++i;
        std::string attr = text.substr(start, i - start);
        while (i < text.size() && text[i] != '"' && text[i] != '\'') ++i;
        if (i >= text.size()) break;
        char quote = text[i];
        std::size_t close = text.find(quote, i + 1);
        if (close == std::string::npos) break;
        i = close + 1;
        if (attr == "xmlns") out.emplace_back();
        else if (attr.compare(0, 6, "xmlns:") == 0) out.push_back(attr.substr(6));
    }
    return out;
}

}  // namespace

void c_xml_writer::marshal_any_element(const c_any_info& record)
{
    if (!record.present) return;
    if (!m_frame->start_tag_closed) {
        m_out << '>' << m_line_end;
        m_frame->start_tag_closed = true;
    }
    m_frame->has_child_elements = true;
    // The declarations that were in force where the element was read and
    // are not where it is written go on its start tag, so that the markup
    // stays namespace-well-formed wherever it is written.
    std::size_t name_end = 0;
    std::vector<std::string> own;
    std::string added;
    for (std::size_t k = 0; k < record.declarations.size(); ++k) {
        const auto& d = record.declarations[k];
        bool later = false;
        for (std::size_t j = k + 1; j < record.declarations.size(); ++j)
            if (record.declarations[j].first == d.first) later = true;
        if (later || d.first == "xml") continue;
        const std::string* in_force = declared_uri(d.first);
        if (in_force ? *in_force == d.second : (d.first.empty() && d.second.empty())) continue;
        if (own.empty() && name_end == 0) own = own_declarations(record.text, name_end);
        bool declared = false;
        for (const auto& p : own)
            if (p == d.first) declared = true;
        if (declared) continue;
        std::ostringstream decl;
        decl << " xmlns" << (d.first.empty() ? "" : ":") << d.first << "=\"";
        write_escaped(decl, d.second, true);
        decl << '"';
        added += decl.str();
    }
    if (added.empty()) {
        write_markup_line(record);
        return;
    }
    c_any_info copy = record;
    copy.text.insert(name_end, added);
    write_markup_line(copy);
}

void c_xml_writer::marshal_any_attributes(const c_any_list& records)
{
    for (std::size_t i = 0; i < records.size(); ++i) {
        const c_any_info& r = records[i];
        std::string name = r.name;
        std::string::size_type colon = name.find(':');
        // A prefixed attribute needs its prefix bound to its namespace; one
        // whose prefix was bound to none where it was read (" ") is written
        // as read, without a declaration made up for it.
        if (colon != std::string::npos && !r.ns.empty() && r.ns != " ") {
            std::string prefix = name.substr(0, colon);
            const std::string* in_force = declared_uri(prefix);
            if (prefix != "xml" && (!in_force || *in_force != r.ns)) {
                if (in_force && declared_here(prefix)) {
                    for (unsigned n = 0;; ++n) {
                        prefix = "ns" + std::to_string(n);
                        if (!declared_uri(prefix)) break;
                    }
                    name = prefix + name.substr(colon);
                }
                write_declaration(prefix, r.ns);
                m_declared.emplace_back(prefix, r.ns);
            }
        }
        write_attribute_separator();
        m_out << name << "=\"";
        write_escaped(m_out, r.text, true);
        m_out << '"';
    }
}

enimb_error c_xml_writer::capture_error(enimb_error code, const std::string& item, const char* program_file, int program_line)
{
    m_record.code = code;
    m_record.item = item;
    m_record.program_file = program_file;
    m_record.program_line = program_line;
    m_record.xml_line = -1;
    return code;
}

int c_xml_writer::handle_error(enimb_error code, const std::string& item, const char* program_file, int program_line)
{
    enimb_error c = capture_error(code, item, program_file, program_line);
    return on_error(c, item, program_file, program_line);
}

}  // namespace nimb

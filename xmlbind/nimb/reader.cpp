#include "nimb/reader.h"

#include <cstring>

namespace nimb {

// ---------------------------------------------------------------------------
// Characters

bool is_xml_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool is_name_start(int c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 128;
}

bool is_name_char(int c) { return is_name_start(c) || (c >= '0' && c <= '9') || c == '.' || c == '-'; }

bool is_xml_char(std::uint32_t cp)
{
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

void c_text_builder::put(int c)
{
    if (mode == ws_preserve) {
        out->push_back(static_cast<char>(c));
    } else if (mode == ws_replace) {
        out->push_back(is_xml_space(c) ? ' ' : static_cast<char>(c));
    } else if (is_xml_space(c)) {
        pending = true;
    } else {
        if (pending && !out->empty()) out->push_back(' ');
        pending = false;
        out->push_back(static_cast<char>(c));
    }
}

void c_text_builder::put_code_point(std::uint32_t cp)
{
    if (cp < 128) {
        put(static_cast<int>(cp));
        return;
    }
    char buf[8];
    int n = utf8_encode(cp, buf);
    for (int i = 0; i < n; ++i) put(static_cast<unsigned char>(buf[i]));
}

namespace {

// A read cursor over a text, with push-back, for references in values.
struct string_cursor {
    const std::string& text;
    std::size_t pos = 0;
    int pushed[4];
    int npushed = 0;

    explicit string_cursor(const std::string& t) : text(t) {}
    int get()
    {
        if (npushed) return pushed[--npushed];
        return pos < text.size() ? static_cast<unsigned char>(text[pos++]) : -1;
    }
    void unget(int c)
    {
        if (c >= 0 && npushed < 4) pushed[npushed++] = c;
    }
};

struct reference {
    enum kind_t { character, entity, bad } kind = bad;
    std::uint32_t cp = 0;
    std::string name;
    bool semicolon = false;
};

// Reads a reference after its "&".
template <class Src>
reference parse_reference(Src& src)
{
    reference r;
    int c = src.get();
    if (c == '#') {
        c = src.get();
        bool hex = c == 'x';
        if (hex) c = src.get();
        int digits = 0;
        std::uint32_t value = 0;
        bool too_big = false;
        for (;; c = src.get()) {
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else break;
            ++digits;
            value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
            if (value > 0x10FFFF) {
                too_big = true;
                value = 0x110000;
            }
        }
        if (c == ';') r.semicolon = true;
        else src.unget(c);
        if (digits == 0 || too_big || !is_xml_char(value)) return r;
        r.kind = reference::character;
        r.cp = value;
        return r;
    }
    if (!is_name_start(c)) {
        src.unget(c);
        return r;
    }
    r.name.push_back(static_cast<char>(c));
    for (c = src.get(); is_name_char(c); c = src.get()) r.name.push_back(static_cast<char>(c));
    if (c == ';') r.semicolon = true;
    else src.unget(c);
    r.kind = reference::entity;
    if (r.name == "lt") { r.kind = reference::character; r.cp = '<'; }
    else if (r.name == "gt") { r.kind = reference::character; r.cp = '>'; }
    else if (r.name == "amp") { r.kind = reference::character; r.cp = '&'; }
    else if (r.name == "apos") { r.kind = reference::character; r.cp = '\''; }
    else if (r.name == "quot") { r.kind = reference::character; r.cp = '"'; }
    return r;
}

void put_unresolved(c_text_builder& out, const reference& r)
{
    out.put('&');
    for (char ch : r.name) out.put(static_cast<unsigned char>(ch));
    if (r.semicolon) out.put(';');
}

std::string char_text(int c)
{
    if (c < 0) return "end of file";
    return std::string(1, static_cast<char>(c));
}

}  // namespace

// ---------------------------------------------------------------------------
// Entities

c_get_with_entities::c_get_with_entities(c_read* source, c_error* sink, const c_reader_limits& limits)
    : c_get_as_utf8(source, sink), m_limits(limits)
{
}

int c_get_with_entities::get()
{
    if (has_pushed()) return pop_pushed();
    while (!m_frames.empty()) {
        frame& f = m_frames.back();
        if (f.pos < f.text.size()) return static_cast<unsigned char>(f.text[f.pos++]);
        m_frames.pop_back();
    }
    return get_document();
}

bool c_get_with_entities::begin_expansion(const std::string& name, std::size_t size, std::size_t depth)
{
    if (sink()->has_fatal()) return false;
    bool recursive = false;
    for (const auto& f : m_frames)
        if (f.name == name) recursive = true;
    for (const auto& n : m_active)
        if (n == name) recursive = true;
    if (recursive) {
        fatal(e_bad_dtd, ("Recursive entity definition for: " + name).c_str());
        return false;
    }
    if (depth >= m_limits.max_entity_depth) {
        fatal(e_bad_dtd, ("Entities nested too deeply at: " + name).c_str());
        return false;
    }
    m_expanded += size;
    if (m_expanded > m_limits.max_entity_bytes) {
        fatal(e_bad_dtd, ("Entity expansion too large at: " + name).c_str());
        return false;
    }
    return true;
}

bool c_get_with_entities::push_entity(const std::string& name, const std::string& text)
{
    if (!begin_expansion(name, text.size(), m_frames.size())) return false;
    m_frames.push_back(frame{name, text, 0});
    return true;
}

void c_get_with_entities::define_entity(bool parameter, const std::string& name, const std::string& text)
{
    (parameter ? m_parameter : m_general).set(name, text);
}

// ---------------------------------------------------------------------------
// Markup

c_get_for_xml::c_get_for_xml(c_read* source, c_error* sink, const c_reader_limits& limits)
    : c_get_with_entities(source, sink, limits)
{
    m_ns_ids.set("http://www.w3.org/2001/XMLSchema-instance", ns_xsi);
    m_uris.emplace_back(ns_xsi, "http://www.w3.org/2001/XMLSchema-instance");
    m_ns_ids.set("http://www.w3.org/XML/1998/namespace", ns_xml);
    m_uris.emplace_back(ns_xml, "http://www.w3.org/XML/1998/namespace");
    m_attrs.reserve(8);
}

void c_get_for_xml::register_namespaces(const c_ns_entry* table)
{
    if (!table) return;
    for (const c_ns_entry* row = table; row->uri; ++row) {
        if (!m_ns_ids.find(row->uri)) {
            m_ns_ids.set(row->uri, row->id);
            m_uris.emplace_back(row->id, row->uri);
        }
        if (row->id + 1 > m_next_id) m_next_id = row->id + 1;
    }
}

unsigned c_get_for_xml::namespace_id(const std::string& uri)
{
    if (const unsigned* id = m_ns_ids.find(uri)) return *id;
    unsigned id = m_next_id++;
    m_ns_ids.set(uri, id);
    m_uris.emplace_back(id, uri);
    return id;
}

const std::string& c_get_for_xml::namespace_uri(unsigned id) const
{
    static const std::string empty;
    for (const auto& u : m_uris)
        if (u.first == id) return u.second;
    return empty;
}

unsigned c_get_for_xml::lookup_prefix(const std::string& prefix) const
{
    if (prefix == "xml") return ns_xml;
    for (auto s = m_scopes.rbegin(); s != m_scopes.rend(); ++s)
        for (auto d = s->decls.rbegin(); d != s->decls.rend(); ++d)
            if (d->prefix == prefix) return d->id;
    return prefix.empty() ? ns_none : ns_undeclared;
}

void c_get_for_xml::raise(int severity, enimb_error code, const std::string& message)
{
    sink()->raise(severity, code, source_name(), line(), message.c_str());
}

int c_get_for_xml::skip_space()
{
    int c = get();
    while (is_xml_space(c)) c = get();
    return c;
}

bool c_get_for_xml::read_name(int first, std::string& out)
{
    out.clear();
    if (!is_name_start(first)) return false;
    out.push_back(static_cast<char>(first));
    int c = get();
    while (is_name_char(c)) {
        out.push_back(static_cast<char>(c));
        c = get();
    }
    unget(c);
    return true;
}

bool c_get_for_xml::read_quoted(std::string& out, char& quote)
{
    out.clear();
    int c = skip_space();
    if (c != '"' && c != '\'') {
        if (c < 0) raise(sev_fatal, e_unexpected_end, "Unexpected end of file");
        else
            raise(sev_fatal, e_not_well_formed,
                  "Schema is not Well Formed (expected '\"' or ''', got " + char_text(c) + ")");
        return false;
    }
    quote = static_cast<char>(c);
    for (c = get(); c != quote; c = get()) {
        if (c < 0) {
            raise(sev_fatal, e_unexpected_end, "Unexpected end of file");
            return false;
        }
        out.push_back(static_cast<char>(c));
    }
    return true;
}

bool c_get_for_xml::read_start_tag(int first, std::string& name)
{
    read_name(first, name);
    m_attrs.clear();
    m_attr_pos = 0;
    m_content_started = true;
    if (m_scopes.size() >= m_limits.max_depth) {
        raise(sev_fatal, e_not_well_formed, "Elements nested too deeply");
        return false;
    }
    m_scopes.emplace_back();
    m_tag_open = true;
    for (;;) {
        int c = get();
        const bool spaced = is_xml_space(c);
        while (is_xml_space(c)) c = get();
        if (!is_name_start(c)) {
            unget(c);
            return true;
        }
        if (!spaced) {
            // White space stands between the name and each attribute.
            raise(sev_fatal, e_not_well_formed,
                  "Schema is not Well Formed (expected white space before the attribute, got " + char_text(c) + ")");
            return false;
        }
        c_tag_attribute a;
        read_name(c, a.name);
        c = skip_space();
        if (c != '=') {
            raise(sev_fatal, e_not_well_formed, "Schema is not Well Formed (expected '=', got '" + char_text(c) + "')");
            return false;
        }
        if (!read_quoted(a.raw, a.quote)) return false;
        a.is_declaration = a.name == "xmlns" || a.name.compare(0, 6, "xmlns:") == 0;
        if (a.is_declaration) {
            std::string uri;
            c_text_builder tb(uri, ws_preserve);
            expand_value(a.raw, tb, 0);
            std::string prefix = a.name.size() > 5 ? a.name.substr(6) : std::string();
            unsigned id;
            if (!uri.empty()) id = namespace_id(uri);
            else id = prefix.empty() ? ns_none : ns_undeclared;
            m_scopes.back().decls.push_back(c_ns_scope::decl{prefix, id});
        }
        m_attrs.push_back(std::move(a));
    }
}

int c_get_for_xml::finish_start_tag()
{
    if (!m_tag_open) return tok_start_tag_end;
    m_tag_open = false;
    int c = skip_space();
    if (c == '>') return tok_start_tag_end;
    if (c == '/') {
        c = skip_space();
        if (c == '>') {
            close_element();
            return tok_element_end;
        }
        raise(sev_error, e_end_tag_syntax, "Illegal character(s) after / at end of tag - " + char_text(c));
        while (c >= 0 && c != '>') c = get();
        close_element();
        return tok_parse_error;
    }
    if (c < 0) raise(sev_error, e_unexpected_end, "Premature end of file encountered");
    else raise(sev_error, e_not_well_formed, "XML not Well-Formed");
    return tok_parse_error;
}

void c_get_for_xml::close_element()
{
    if (!m_scopes.empty()) m_scopes.pop_back();
}

bool c_get_for_xml::skip_comment(std::string* copy)
{
    // After "<!--": up to the first ">" that follows two dashes.
    int dashes = 0;
    for (int c = get();; c = get()) {
        if (c < 0) return false;
        if (c == '>' && dashes >= 2) {
            if (dashes > 2) raise(sev_warning, e_bad_comment, "End of comment not Well-Formed");
            if (copy) copy->push_back('>');
            return true;
        }
        dashes = c == '-' ? dashes + 1 : 0;
        if (copy) copy->push_back(static_cast<char>(c));
    }
}

bool c_get_for_xml::skip_pi(std::string* copy)
{
    int prev = 0;
    for (int c = get();; c = get()) {
        if (c < 0) return false;
        if (copy) copy->push_back(static_cast<char>(c));
        if (c == '>' && prev == '?') return true;
        prev = c;
    }
}

bool c_get_for_xml::read_cdata(std::string& out)
{
    // After "<![".
    for (const char* p = "CDATA["; *p; ++p)
        if (get() != *p) {
            raise(sev_error, e_not_well_formed, "XML not Well-Formed");
            return false;
        }
    int brackets = 0;
    for (int c = get();; c = get()) {
        if (c < 0) {
            raise(sev_error, e_unexpected_end, "Premature end of file encountered");
            return false;
        }
        if (c == ']') {
            ++brackets;
            continue;
        }
        if (c == '>' && brackets >= 2) {
            out.append(static_cast<std::size_t>(brackets - 2), ']');
            return true;
        }
        out.append(static_cast<std::size_t>(brackets), ']');
        brackets = 0;
        out.push_back(static_cast<char>(c));
    }
}

bool c_get_for_xml::expand_value(const std::string& raw, c_text_builder& out, std::size_t depth)
{
    string_cursor cur(raw);
    bool ok = true;
    for (int c = cur.get(); c >= 0; c = cur.get()) {
        if (c != '&') {
            out.put(c);
            continue;
        }
        reference r = parse_reference(cur);
        if (r.kind == reference::character) {
            out.put_code_point(r.cp);
        } else if (r.kind == reference::bad) {
            ok = false;
        } else if (const std::string* text = m_general.find(r.name)) {
            if (!begin_expansion(r.name, text->size(), depth + m_frames.size())) return false;
            m_active.push_back(r.name);
            std::string copy = *text;
            bool inner = expand_value(copy, out, depth + 1);
            m_active.pop_back();
            if (!inner) ok = false;
            if (sink()->has_fatal()) return false;
        } else {
            put_unresolved(out, r);
            ok = false;
        }
    }
    return ok;
}

bool c_get_for_xml::content_reference(c_text_builder& out, bool& failed)
{
    // After "&" in element content. Returns false after a fatal error.
    reference r = parse_reference(*this);
    if (r.kind == reference::character) {
        out.put_code_point(r.cp);
    } else if (r.kind == reference::bad) {
        failed = true;
    } else if (const std::string* text = m_general.find(r.name)) {
        std::string copy = *text;
        if (!push_entity(r.name, copy)) return false;
    } else {
        put_unresolved(out, r);
        failed = true;
    }
    return !sink()->has_fatal();
}

bool c_get_for_xml::read_text(std::string& out, int mode)
{
    c_text_builder tb(out, mode);
    bool failed = false;
    for (;;) {
        int c = get();
        if (c < 0) {
            raise(sev_error, e_unexpected_end, "Premature end of file encountered");
            return false;
        }
        if (c == '<') {
            int c2 = get();
            if (c2 == '!') {
                int c3 = get();
                if (c3 == '-' && get() == '-') {
                    if (!skip_comment(nullptr)) continue;
                } else if (c3 == '[') {
                    std::string cdata;
                    if (!read_cdata(cdata)) return false;
                    for (char ch : cdata) {
                        // CDATA is not subject to the normaliser's collapsing of
                        // leading blanks, but it is still text of this element.
                        tb.put(static_cast<unsigned char>(ch));
                    }
                } else {
                    raise(sev_error, e_not_well_formed, "XML not well-formed");
                    return false;
                }
                continue;
            }
            if (c2 == '?') {
                skip_pi(nullptr);
                continue;
            }
            unget(c2);
            unget('<');
            m_content_started = true;
            return !failed;
        }
        if (c == '&') {
            if (!content_reference(tb, failed)) return false;
            continue;
        }
        tb.put(c);
    }
}

int c_get_for_xml::read_end_tag(std::string& name)
{
    // After "</".
    int c = get();
    if (!read_name(c, name)) {
        raise(sev_error, e_not_well_formed, "XML not Well-Formed");
        return tok_parse_error;
    }
    c = skip_space();
    if (c != '>') {
        raise(sev_error, e_not_well_formed, "XML not Well-Formed");
        return tok_parse_error;
    }
    close_element();
    return tok_element_end;
}

bool c_get_for_xml::read_xml_declaration()
{
    // After "<?xml" and one white-space character.
    if (m_content_started || m_doctype_read) {
        raise(sev_fatal, e_bad_xml_decl, "XML declaration not at start of document");
        return false;
    }
    auto fail = [this](enimb_error code, const std::string& message) {
        raise(sev_error, code, message);
        skip_pi(nullptr);
        return false;
    };
    std::string word, value;
    char quote;
    int c = skip_space();
    read_name(c, word);
    if (word != "version") return fail(e_bad_xml_decl, "Version not present in XML Decl");
    if (skip_space() != '=' || !read_quoted(value, quote)) return fail(e_bad_xml_decl, "Bad XML Decl spec");
    if (value != "1.0" && value != "1.1") return fail(e_unsupported_version, "XML version " + value + " not understood");
    const char* expected[] = {"encoding", "standalone"};
    int next = 0;
    for (;;) {
        c = skip_space();
        if (c == '?') {
            if (get() == '>') return true;
            return fail(e_bad_xml_decl, "Bad XML Decl spec");
        }
        read_name(c, word);
        while (next < 2 && word != expected[next]) ++next;
        if (next == 2) return fail(e_bad_xml_decl, "Bad XML Decl spec");
        if (skip_space() != '=' || !read_quoted(value, quote)) return fail(e_bad_xml_decl, "Bad XML Decl spec");
        if (next == 0 && !set_encoding(value.c_str())) return false;
        ++next;
    }
}

bool c_get_for_xml::skip_declaration()
{
    // Up to ">", quoted text skipped whole.
    for (int c = get();; c = get()) {
        if (c < 0) return false;
        if (c == '>') return true;
        if (c == '"' || c == '\'') {
            int q = c;
            for (c = get(); c != q; c = get())
                if (c < 0) return false;
        }
    }
}

bool c_get_for_xml::read_entity_declaration()
{
    // After "<!ENTITY".
    int c = skip_space();
    bool parameter = false;
    if (c == '%') {
        parameter = true;
        c = skip_space();
    }
    std::string name;
    if (!read_name(c, name)) {
        raise(sev_fatal, e_bad_dtd, "DTD not Well Formed (got " + char_text(c) + ")");
        return false;
    }
    c = skip_space();
    if (c == '"' || c == '\'') {
        int q = c;
        std::string value;
        for (c = get(); c != q; c = get()) {
            if (c < 0) {
                raise(sev_fatal, e_unexpected_end, "Unexpected end of file");
                return false;
            }
            if (c == '%') {
                std::string pname;
                read_name(get(), pname);
                int semi = get();
                if (semi != ';') unget(semi);
                const std::string* text = m_parameter.find(pname);
                if (!text) {
                    raise(sev_error, e_entity_not_found, "Entity '%" + pname + "' not found");
                    continue;
                }
                if (!begin_expansion(pname, text->size(), 0)) return false;
                value += *text;
            } else if (c == '&') {
                int c2 = get();
                if (c2 == '#') {
                    unget(c2);
                    reference r = parse_reference(*this);
                    if (r.kind == reference::character) {
                        char buf[8];
                        utf8_encode(r.cp, buf);
                        value += buf;
                    }
                } else {
                    value.push_back('&');
                    unget(c2);
                }
            } else {
                value.push_back(static_cast<char>(c));
            }
        }
        define_entity(parameter, name, value);
    } else {
        std::string word;
        read_name(c, word);
        if (word == "SYSTEM" || word == "PUBLIC") raise(sev_warning, e_external_entity, "External Entity definitions not supported");
        else raise(sev_error, e_unexpected_entity, "Unexpected value in Entity definition: " + word);
    }
    return skip_declaration();
}

bool c_get_for_xml::read_doctype()
{
    // After "<!D".
    for (const char* p = "OCTYPE"; *p; ++p)
        if (get() != *p) {
            raise(sev_error, e_not_well_formed, "XML not Well-Formed");
            return false;
        }
    if (m_content_started) {
        raise(sev_error, e_bad_dtd, "Document Type Declaration not at start of document");
        skip_declaration();
        return false;
    }
    if (m_doctype_read) {
        raise(sev_error, e_bad_dtd, "Document Type Declaration already read");
        skip_declaration();
        return false;
    }
    if (m_limits.refuse_doctype) {
        raise(sev_fatal, e_bad_dtd, "Document Type Declaration not allowed");
        return false;
    }
    m_doctype_read = true;
    int c;
    for (c = get(); c >= 0 && c != '[' && c != '>'; c = get())
        if (c == '"' || c == '\'') {
            int q = c;
            for (c = get(); c >= 0 && c != q; c = get()) {
            }
        }
    if (c == '>') return true;
    if (c < 0) {
        raise(sev_fatal, e_unexpected_end, "Unexpected end of file");
        return false;
    }
    for (;;) {
        c = skip_space();
        if (c == ']') {
            c = skip_space();
            if (c == '>') return true;
            raise(sev_fatal, e_bad_dtd, "DTD not Well Formed (expected '>', got " + char_text(c) + ")");
            return false;
        }
        if (c == '<') {
            int c2 = get();
            if (c2 == '?') {
                skip_pi(nullptr);
                continue;
            }
            if (c2 == '!') {
                int c3 = get();
                if (c3 == '-' && get() == '-') {
                    skip_comment(nullptr);
                    continue;
                }
                std::string word;
                read_name(c3, word);
                if (word == "ENTITY") {
                    if (!read_entity_declaration() && sink()->has_fatal()) return false;
                } else {
                    skip_declaration();
                }
                continue;
            }
            c = c2;
        } else if (c == '%') {
            std::string pname;
            read_name(get(), pname);
            int semi = get();
            if (semi != ';') unget(semi);
            const std::string* text = m_parameter.find(pname);
            if (!text) raise(sev_error, e_entity_not_found, "Entity '%" + pname + "' not found");
            else if (!push_entity(pname, *text)) return false;
            continue;
        }
        if (c < 0) raise(sev_fatal, e_unexpected_end, "Unexpected end of file");
        else raise(sev_fatal, e_bad_dtd, "DTD not Well Formed (got " + char_text(c) + ")");
        return false;
    }
}

int c_get_for_xml::scan(std::string& name, std::string& text)
{
    name.clear();
    for (;;) {
        int c = skip_space();
        if (c < 0) {
            m_content_started = true;
            return tok_end_of_document;
        }
        if (c != '<') {
            unget(c);
            text.clear();
            m_content_started = true;
            if (!read_text(text, ws_preserve)) return tok_parse_error;
            if (text.empty()) continue;  // a reference that expanded to markup
            return tok_text;
        }
        c = get();
        if (is_name_start(c)) {
            if (!read_start_tag(c, name)) return tok_parse_error;
            return tok_name;
        }
        if (c == '/') return read_end_tag(name);
        if (c == '?') {
            std::string target;
            int t = get();
            if (read_name(t, target) && target == "xml") {
                int s = get();
                if (is_xml_space(s)) {
                    if (!read_xml_declaration()) return tok_parse_error;
                    continue;
                }
                unget(s);
            }
            skip_pi(nullptr);
            continue;
        }
        if (c == '!') {
            int c2 = get();
            if (c2 == '[') {
                unget(c2);
                unget('!');
                unget('<');
                text.clear();
                m_content_started = true;
                if (!read_text(text, ws_preserve)) return tok_parse_error;
                return tok_text;
            }
            if (c2 == '-' && get() == '-') {
                skip_comment(nullptr);
                continue;
            }
            if (c2 == 'D') {
                if (!read_doctype()) return tok_parse_error;
                continue;
            }
            raise(sev_error, e_not_well_formed, "XML not Well-Formed");
            return tok_parse_error;
        }
        raise(sev_error, e_not_well_formed, "XML not Well-Formed");
        while (c >= 0 && c != '>') c = get();
        return tok_parse_error;
    }
}

// ---------------------------------------------------------------------------
// Reader

c_xml_reader::c_xml_reader(c_read* source, c_error* sink, const c_reader_limits& limits)
    : m_sink(sink ? sink : &m_own_sink), m_get(source, m_sink, limits)
{
    m_name_stack.reserve(256);
}

c_xml_reader::~c_xml_reader() = default;

void c_xml_reader::set_ns_map(const c_ns_entry* table) { m_get.register_namespaces(table); }

void c_xml_reader::split_name(const std::string& qname, bool is_element)
{
    c_name_record& r = m_record_name;
    r.qname = qname;
    auto colon = qname.find(':');
    r.has_prefix = colon != std::string::npos;
    if (r.has_prefix) {
        r.prefix = qname.substr(0, colon);
        r.local = qname.substr(colon + 1);
        r.ns_id = m_get.lookup_prefix(r.prefix);
    } else {
        r.prefix.clear();
        r.local = qname;
        r.ns_id = is_element ? m_get.lookup_prefix(std::string()) : ns_none;
    }
}

int c_xml_reader::scan_element_event(enimb_error& error, std::string& name)
{
    error = e_no_error;
    int raised = m_sink->error_count + m_sink->warning_count;
    m_token = m_get.scan(name, m_value);
    if (m_token == tok_name) split_name(name, true);
    if (m_token == tok_error || m_token == tok_parse_error) {
        // Text whose references could not be resolved raises nothing on the
        // sink: it is an unreadable element value.
        if (m_sink->error_count + m_sink->warning_count == raised) error = e_unable_to_read_element;
        else error = m_sink->last_code != e_no_error ? m_sink->last_code : e_not_well_formed;
    }
    else if (m_token == tok_end_of_document)
        error = e_unexpected_end;
    return m_token;
}

int c_xml_reader::get_element_event(const c_token_entry* table, enimb_error& error, std::string& name)
{
    scan_element_event(error, name);
    if (m_token == tok_name && table) tokenise(table, true);
    return m_token;
}

void c_xml_reader::tokenise(const c_token_entry* table, bool is_element)
{
    if (!is_element_token()) return;
    const c_name_record& r = m_record_name;
    unsigned id = (r.has_prefix || is_element) ? r.ns_id : ns_none;
    if (id == ns_xsi) {
        if (r.local == "type") m_token = tok_xsi_type;
        else if (r.local == "nil") m_token = tok_xsi_nil;
        else if (r.local == "schemaLocation") m_token = tok_xsi_schema_location;
        else if (r.local == "noNamespaceSchemaLocation") m_token = tok_xsi_no_ns_schema_location;
        else m_token = tok_unknown_name;
        return;
    }
    if (table)
        for (const c_token_entry* row = table; row->name; ++row)
            if (row->ns == id && row->length == r.local.size() && std::memcmp(row->name, r.local.data(), row->length) == 0) {
                m_token = static_cast<int>(row->token);
                return;
            }
    m_token = tok_unknown_name;
}

int c_xml_reader::next_attribute(std::string& name)
{
    auto& attrs = m_get.m_attrs;
    while (m_get.m_attr_pos < attrs.size() && attrs[m_get.m_attr_pos].is_declaration) ++m_get.m_attr_pos;
    if (m_get.m_attr_pos < attrs.size()) {
        name = attrs[m_get.m_attr_pos].name;
        m_attr_name = name;
        split_name(name, false);
        return m_token = tok_name;
    }
    m_token = m_get.finish_start_tag();
    if (m_token == tok_parse_error && !m_sink->last_code) m_sink->last_code = e_not_well_formed;
    return m_token;
}

bool c_xml_reader::raw_input(const char*& begin, const char*& end)
{
    if (m_get.m_tag_open || m_get.in_entity()) return false;
    return m_get.raw_span(begin, end);
}

int c_xml_reader::finish_start_tag()
{
    m_get.m_attr_pos = m_get.m_attrs.size();
    return m_token = m_get.finish_start_tag();
}

bool c_xml_reader::get_attribute_text(std::string& out, int mode)
{
    out.clear();
    auto& attrs = m_get.m_attrs;
    if (m_get.m_attr_pos >= attrs.size()) return false;
    const std::string& raw = attrs[m_get.m_attr_pos++].raw;
    c_text_builder tb(out, mode);
    return m_get.expand_value(raw, tb, 0);
}

bool c_xml_reader::get_element_text(std::string& out, int mode)
{
    out.clear();
    if (m_token == tok_element_end) return true;
    bool ok = m_get.read_text(out, mode);
    m_token = tok_text;
    return ok;
}

bool c_xml_reader::match_end_tag(const std::string& name)
{
    int c = m_get.get();
    while (is_xml_space(c)) c = m_get.get();
    if (c != '<' || m_get.get() != '/') return false;
    for (char ch : name)
        if (m_get.get() != static_cast<unsigned char>(ch)) return false;
    c = m_get.get();
    while (is_xml_space(c)) c = m_get.get();
    if (c != '>') return false;
    m_get.close_element();
    m_token = tok_element_end;
    return true;
}

int c_xml_reader::get_element_ns_id() const
{
    if (m_record_name.ns_id == ns_undeclared) return m_record_name.has_prefix ? 0 : 1;
    return static_cast<int>(m_record_name.ns_id);
}

void c_xml_reader::get_element_namespace(std::string& out) const
{
    unsigned id = m_record_name.ns_id;
    if (id == ns_none) out.clear();
    else if (id == ns_undeclared) out = " ";
    else out = m_get.namespace_uri(id);
}

namespace {

void append_tag_attributes(std::string& out, const std::vector<c_tag_attribute>& attrs)
{
    for (const auto& a : attrs) {
        out.push_back(' ');
        out += a.name;
        out.push_back('=');
        out.push_back(a.quote);
        out += a.raw;
        out.push_back(a.quote);
    }
}

}  // namespace

bool c_xml_reader::get_element_xml(const std::string& name, std::string& out, int mode)
{
    out = "<" + name;
    append_tag_attributes(out, m_get.m_attrs);
    int t = finish_start_tag();
    if (t == tok_element_end) {
        out += "/>";
        return true;
    }
    if (t != tok_start_tag_end) return false;
    out.push_back('>');
    std::vector<std::string> open{name};
    c_text_builder text(out, mode);
    for (;;) {
        int c = m_get.get();
        if (c < 0) return false;
        if (c != '<') {
            text.put(c);
            continue;
        }
        text.pending = false;
        int c2 = m_get.get();
        if (c2 == '/') {
            std::string end;
            if (!m_get.read_name(m_get.get(), end)) return false;
            int e = m_get.get();
            while (is_xml_space(e)) e = m_get.get();
            if (e != '>' || end != open.back()) return false;
            m_get.close_element();
            out += "</" + end + ">";
            open.pop_back();
            if (open.empty()) {
                m_token = tok_element_end;
                return true;
            }
        } else if (c2 == '!') {
            int c3 = m_get.get();
            if (c3 == '-' && m_get.get() == '-') {
                out += "<!--";
                if (!m_get.skip_comment(&out)) return false;
            } else if (c3 == '[') {
                std::string cdata;
                if (!m_get.read_cdata(cdata)) return false;
                out += "<![CDATA[" + cdata + "]]>";
            } else {
                return false;
            }
        } else if (c2 == '?') {
            out += "<?";
            if (!m_get.skip_pi(&out)) return false;
        } else if (is_name_start(c2)) {
            std::string inner;
            if (!m_get.read_start_tag(c2, inner)) return false;
            out += "<" + inner;
            append_tag_attributes(out, m_get.m_attrs);
            int it = m_get.finish_start_tag();
            if (it == tok_element_end) {
                out += "/>";
            } else if (it == tok_start_tag_end) {
                out.push_back('>');
                open.push_back(inner);
            } else {
                return false;
            }
        } else {
            return false;
        }
    }
}

bool c_xml_reader::skip_element()
{
    int t = finish_start_tag();
    if (t == tok_element_end) return true;
    if (t != tok_start_tag_end) return false;
    std::vector<std::string> open{m_name};
    std::string name;
    enimb_error err;
    for (;;) {
        scan_element_event(err, name);
        switch (m_token) {
        case tok_name:
            if (finish_start_tag() == tok_start_tag_end) open.push_back(name);
            else if (m_token != tok_element_end) return false;
            break;
        case tok_text: break;
        case tok_element_end:
            if (name != open.back()) {
                m_get.raise(sev_error, e_not_well_formed,
                            "Element start tag (" + open.back() + ") and end tag (" + name + ") do not match");
                return false;
            }
            open.pop_back();
            if (open.empty()) return true;
            break;
        default: return false;
        }
    }
}

void c_xml_reader::collect_declarations(c_any_info& info) const
{
    for (const auto& scope : m_get.m_scopes)
        for (const auto& d : scope.decls) {
            std::string uri = d.id == ns_none || d.id == ns_undeclared ? std::string() : m_get.namespace_uri(d.id);
            bool replaced = false;
            for (auto& p : info.declarations)
                if (p.first == d.prefix) {
                    p.second = uri;
                    replaced = true;
                }
            if (!replaced) info.declarations.emplace_back(d.prefix, uri);
        }
}

enimb_error c_xml_reader::capture_error(enimb_error code, const std::string& item, const char* file, int line_no)
{
    // After a fatal error every later read fails; the fatal error is the
    // true cause of whatever is reported then.
    if (code != e_no_error && m_sink->has_fatal()) code = m_sink->last_code;
    m_record.code = code;
    m_record.item = item;
    m_record.program_file = file;
    m_record.program_line = line_no;
    m_record.xml_line = m_get.line();
    return code;
}

int c_xml_reader::handle_error(enimb_error code)
{
    enimb_error c = capture_error(code, m_name, program_file, program_line);
    return on_error(c, m_name, program_file, program_line);
}

int c_xml_reader::handle_attribute_error(enimb_error code)
{
    std::string item = "@" + m_attr_name;
    enimb_error c = capture_error(code, item, program_file, program_line);
    return on_error(c, item, program_file, program_line);
}

int c_xml_reader::handle_error_at_line(enimb_error code, int line_no)
{
    enimb_error c = capture_error(code, m_name, program_file, line_no);
    return on_error(c, m_name, program_file, line_no);
}

std::size_t c_xml_reader::push_element_name(const std::string& name)
{
    std::size_t offset = m_name_stack.size();
    m_name_stack.insert(m_name_stack.end(), name.begin(), name.end());
    m_name_stack.push_back('\0');
    m_name_offsets.push_back(offset);
    return offset;
}

void c_xml_reader::pop_element_name(std::size_t offset)
{
    if (!m_name_offsets.empty()) m_name_offsets.pop_back();
    if (offset <= m_name_stack.size()) m_name_stack.resize(offset);
}

}  // namespace nimb

#include "nimb/binding.h"

#include <sstream>

namespace nimb {

c_binding::~c_binding() = default;

const c_class_desc& c_any_element::desc()
{
    static const c_class_desc d{"any", "", nullptr, content_kind::empty, nullptr, 0, nullptr, 0,
                                nullptr, nullptr, create_object<c_any_element>, cls_may_be_empty, nullptr};
    return d;
}

const c_class_desc& c_empty_element::desc()
{
    static const c_class_desc d{"empty", "", nullptr, content_kind::empty, nullptr, 0, nullptr, 0,
                                nullptr, nullptr, create_object<c_empty_element>, cls_may_be_empty, nullptr};
    return d;
}

namespace {

// Namespaces whose attributes and elements a binding file does not describe
// but keeps: every namespace except no namespace, the XML namespace, the XML
// Schema instance namespace and the file's own.
bool is_foreign(const c_class_desc& d, unsigned ns)
{
    if (ns == ns_none || ns == ns_xml || ns == ns_xsi || ns == ns_undeclared) return false;
    if (d.namespaces)
        for (const c_ns_entry* row = d.namespaces; row->uri; ++row)
            if (row->id == ns) return false;
    return true;
}

bool may_be_empty(const c_class_desc& d)
{
    if (d.flags & cls_may_be_empty) return true;
    for (unsigned i = 0; i < d.child_count; ++i)
        if (d.children[i].min > 0) return false;
    return true;
}

bool name_is(const c_name_record& r, unsigned ns, const char* local) { return r.ns_id == ns && r.local == local; }

// The alternative of a choice position that the current element names, or
// the number of alternatives. The alternative that keeps any other element
// (a null name, always the last) takes the elements of foreign namespaces,
// or every element when it says so.
unsigned matching_alternative(const c_class_desc& d, const c_child_desc& c, const c_name_record& r)
{
    for (unsigned i = 0; i < c.choice_count; ++i) {
        const c_choice_alternative& a = c.choices[i];
        if (a.qname ? name_is(r, a.ns, a.local) : (a.every || is_foreign(d, r.ns_id))) return i;
    }
    return c.choice_count;
}

const char* const kMarkupCompatibility = "http://schemas.openxmlformats.org/markup-compatibility/2006";

// What a block of markup compatibility (mc:AlternateContent) stands for in
// its parent: the first element of the branch a reader takes (the first
// Choice whose every required namespace the binding file describes, else
// the Fallback), with the number of elements of that branch. When that
// branch is empty, the first element of another branch says where the block
// stands, and it stands for one item: a list whose only items stand in
// blocks is complete whatever branch a reader takes.
struct c_branch_content {
    bool found = false;
    std::string uri;
    std::string local;
    std::size_t count = 0;
};

c_branch_content alternate_content(const c_any_info& block, const c_class_desc& d)
{
    const std::string& t = block.text;
    struct branch {
        bool taken = false;    // a Choice this file understands, or the Fallback
        bool fallback = false;
        c_branch_content content;
    };
    std::vector<branch> branches;
    // Declarations in scope: those where the block stood, then one frame per
    // open element of the block.
    std::vector<std::vector<std::pair<std::string, std::string>>> frames;
    auto lookup = [&](const std::string& prefix, std::string& uri) {
        for (auto f = frames.rbegin(); f != frames.rend(); ++f)
            for (auto d2 = f->rbegin(); d2 != f->rend(); ++d2)
                if (d2->first == prefix) {
                    uri = d2->second;
                    return true;
                }
        for (auto d2 = block.declarations.rbegin(); d2 != block.declarations.rend(); ++d2)
            if (d2->first == prefix) {
                uri = d2->second;
                return true;
            }
        return false;
    };
    auto understood = [&](const std::string& uri) {
        if (d.namespaces)
            for (const c_ns_entry* row = d.namespaces; row->uri; ++row)
                if (uri == row->uri) return true;
        return false;
    };
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t i = 0;
    const std::size_t n = t.size();
    while ((i = t.find('<', i)) != std::string::npos) {
        if (t.compare(i, 4, "<!--") == 0) {
            i = t.find("-->", i);
            continue;
        }
        if (t.compare(i, 9, "<![CDATA[") == 0) {
            i = t.find("]]>", i);
            continue;
        }
        if (i + 1 < n && t[i + 1] == '?') {
            i = t.find("?>", i);
            continue;
        }
        if (i + 1 < n && t[i + 1] == '/') {
            if (!frames.empty()) frames.pop_back();
            ++i;
            continue;
        }
        // A start tag: its name, declarations and attributes.
        std::size_t j = i + 1;
        while (j < n && !space(t[j]) && t[j] != '/' && t[j] != '>') ++j;
        const std::string name = t.substr(i + 1, j - i - 1);
        frames.emplace_back();
        std::string requires_text;
        bool closed = false;
        while (j < n) {
            while (j < n && space(t[j])) ++j;
            if (j >= n) break;
            if (t[j] == '>') break;
            if (t[j] == '/') {
                closed = true;
                break;
            }
            std::size_t a = j;
            while (j < n && t[j] != '=' && !space(t[j]) && t[j] != '>' && t[j] != '/') ++j;
            const std::string attr = t.substr(a, j - a);
            const std::size_t open = t.find_first_of("\"'", j);
            if (open == std::string::npos) break;
            const std::size_t close = t.find(t[open], open + 1);
            if (close == std::string::npos) break;
            const std::string value = t.substr(open + 1, close - open - 1);
            if (attr == "xmlns") frames.back().emplace_back(std::string(), value);
            else if (attr.compare(0, 6, "xmlns:") == 0) frames.back().emplace_back(attr.substr(6), value);
            else if (attr == "Requires") requires_text = value;
            j = close + 1;
        }
        const std::size_t depth = frames.size();  // the block itself is 1
        const std::string::size_type colon = name.find(':');
        const std::string prefix = colon == std::string::npos ? std::string() : name.substr(0, colon);
        const std::string local = colon == std::string::npos ? name : name.substr(colon + 1);
        if (depth == 2) {
            branch b;
            b.fallback = local == "Fallback";
            if (local == "Choice") {
                // Every prefix it requires names a namespace this file reads.
                bool all = true, any = false;
                std::size_t k = 0;
                while (k < requires_text.size()) {
                    while (k < requires_text.size() && space(requires_text[k])) ++k;
                    std::size_t start = k;
                    while (k < requires_text.size() && !space(requires_text[k])) ++k;
                    if (k == start) break;
                    std::string uri;
                    any = true;
                    if (!lookup(requires_text.substr(start, k - start), uri) || !understood(uri)) all = false;
                }
                b.taken = all && any;
            }
            branches.push_back(b);
        } else if (depth == 3 && !branches.empty()) {
            c_branch_content& c = branches.back().content;
            if (!c.found) {
                std::string uri;
                if (lookup(prefix, uri) || prefix.empty()) {
                    c.found = true;
                    c.uri = uri;
                    c.local = local;
                }
            }
            ++c.count;
        }
        if (closed) frames.pop_back();
        i = j;
    }
    const branch* taken = nullptr;
    for (const auto& b : branches)
        if (b.taken) {
            taken = &b;
            break;
        }
    if (!taken)
        for (const auto& b : branches)
            if (b.fallback) {
                taken = &b;
                break;
            }
    if (taken && taken->content.found) return taken->content;
    for (const auto& b : branches)
        if (b.content.found) {
            c_branch_content c = b.content;
            c.count = 1;
            return c;
        }
    return c_branch_content();
}

bool position_matches(const c_class_desc& d, const c_child_desc& c, const c_name_record& r);

// Whether the current element can be read by a group: one of its positions
// names it.
bool group_matches(const c_class_desc& g, const c_name_record& r)
{
    for (unsigned i = 0; i < g.child_count; ++i)
        if (position_matches(g, g.children[i], r)) return true;
    return false;
}

bool position_matches(const c_class_desc& d, const c_child_desc& c, const c_name_record& r)
{
    switch (c.kind) {
    case child_kind::choice:
    case child_kind::choice_list: return matching_alternative(d, c, r) < c.choice_count;
    case child_kind::any:
    case child_kind::any_list: return c.ns == ns_any_namespace || is_foreign(d, r.ns_id);
    case child_kind::group:
    case child_kind::group_list: return c.group && group_matches(c.group(), r);
    default: return name_is(r, c.ns, c.local);
    }
}

// Reads the children of one object in schema order: those of an element, or
// in place those of an element group (which has no element of its own and
// ends at the first element that none of its positions takes).
class sequence_reader {
public:
    // `element` is where the reader's name stack holds the name of the
    // element whose children are read (for the reports).
    sequence_reader(c_xml_reader& reader, const c_class_desc& desc, c_binding& object, std::size_t element, bool group)
        : m_reader(reader), m_desc(desc), m_object(object), m_element(element), m_group(group)
    {
    }

    // Reads until an element that no position takes (left current), or the
    // end of the parent; false with `error` set when reading stops.
    bool run(enimb_error& error)
    {
        c_xml_reader& r = m_reader;
        unsigned p = 0;
        std::size_t count = 0;  // items at position p, those that blocks stand for too
        std::size_t bound = 0;  // objects read at position p
        // The first position from p on that takes an element of this name; a
        // position that holds its most items already is passed.
        auto position_of = [&](const c_name_record& rec) {
            unsigned q = p;
            for (std::size_t have = count; q < m_desc.child_count; ++q, have = 0) {
                const c_child_desc& c = m_desc.children[q];
                if ((c.max == 0 || have < c.max) && position_matches(m_desc, c, rec)) break;
            }
            return q;
        };
        while (r.token() == tok_name || r.token() == tok_unknown_name || r.token() >= tok_first_binding) {
            const c_name_record& rec = r.name_record();
            unsigned q = position_of(rec);
            if (q == m_desc.child_count) {
                // An element no position takes is kept where it stands: one of
                // another namespace, of a later edition, or out of its place
                // (a real file never fails for it). In a group it is left to
                // the element that holds the group.
                if (m_group) break;
                const bool block = rec.local == "AlternateContent" &&
                                   r.getter().namespace_uri(rec.ns_id) == kMarkupCompatibility;
                c_kept& kept = m_object.kept_content();
                kept.elements.emplace_back();
                const std::size_t at = kept.elements.size() - 1;
                kept.elements[at].position = p;
                kept.elements[at].index = bound;
                if ((error = unmarshal_any(r, kept.elements[at].info, nullptr))) return false;
                if (block) {
                    // A block of markup compatibility stands where the content
                    // of the branch a reader takes belongs, as its items.
                    const c_branch_content content = alternate_content(kept.elements[at].info, m_desc);
                    if (content.found) {
                        c_name_record stands;
                        stands.ns_id = content.uri.empty() ? ns_none : r.getter().namespace_id(content.uri);
                        stands.local = content.local;
                        stands.has_prefix = !content.uri.empty();
                        const unsigned s = position_of(stands);
                        if (s < m_desc.child_count) {
                            if (s != p) {
                                if (!check_minimum(p, s, count, error)) return false;
                                p = s;
                                count = 0;
                                bound = 0;
                            }
                            kept.elements[at].position = p;
                            kept.elements[at].index = bound;
                            count += content.count;
                        }
                    }
                }
                consumed = true;
                if (!next_event(p, error)) return false;
                continue;
            }
            if (q != p) {
                if (!check_minimum(p, q, count, error)) return false;
                p = q;
                count = 0;
                bound = 0;
            }
            if (!read_child(m_desc.children[p], p, error)) return false;
            consumed = true;
            ++count;
            ++bound;
        }
        return check_minimum(p, m_desc.child_count, count, error);
    }

    bool consumed = false;  // an element was read

private:
    int offer(enimb_error code, const std::string& item, int line)
    {
        enimb_error c = m_reader.capture_error(code, item, m_desc.source, line);
        return m_reader.on_error(c, item, m_desc.source, line);
    }

    // Reports the mandatory positions from..to-1 that were read too few
    // times; `count` items were read at `from`, none at the others. What
    // counts is what the document held, not what the object held before
    // (a required child that its constructor creates is still missing).
    bool check_minimum(unsigned from, unsigned to, std::size_t count, enimb_error& error)
    {
        for (unsigned p = from; p < to; ++p) {
            const c_child_desc& c = m_desc.children[p];
            if ((p == from ? count : 0) < c.min) {
                const char* item = c.qname && *c.qname ? c.qname : m_desc.type_name;
                if (c.kind == child_kind::group || c.kind == child_kind::group_list) item = c.group().type_name;
                if (int answer = offer(e_mandatory_element_missing, item, static_cast<int>(300 + p))) {
                    error = static_cast<enimb_error>(answer);
                    return false;
                }
            }
        }
        return true;
    }

    bool read_group(const c_child_desc& c, c_binding& group, enimb_error& error)
    {
        sequence_reader inner(m_reader, c.group(), group, m_element, true);
        if (!inner.run(error)) return false;
        if (!inner.consumed) {
            // Cannot happen with a group that took the element; never loop.
            if (int answer = offer(e_bad_end_of_element, m_reader.element_name_at(m_element), 400)) {
                error = static_cast<enimb_error>(answer);
                return false;
            }
        }
        return true;
    }

    bool read_child(const c_child_desc& c, unsigned p, enimb_error& error)
    {
        c_xml_reader& r = m_reader;
        const std::string& name = r.current_name();
        void* m = c.member(&m_object);
        r.program_line = static_cast<int>(200 + p);
        switch (c.kind) {
        case child_kind::single:
            error = unmarshal_object(r, *static_cast<c_child_holder*>(m)->get_object(c.create), name);
            break;
        case child_kind::list:
            error = unmarshal_object(r, *static_cast<c_child_list*>(m)->append_object(c.create), name);
            break;
        case child_kind::simple: error = r.unmarshal_element_value(*c.spec, m, nullptr); break;
        case child_kind::simple_list: {
            void* item = c.spec->append_element(m);
            if (!item) return false;  // not a spec of element values
            error = r.unmarshal_element_value(*c.spec, item, nullptr);
            break;
        }
        case child_kind::choice:
        case child_kind::choice_list: {
            unsigned i = matching_alternative(m_desc, c, r.name_record());
            c_choice* choice = static_cast<c_choice*>(m);
            if (c.kind == child_kind::choice_list) {
                auto* v = static_cast<std::vector<c_choice>*>(m);
                v->emplace_back(c.choice_count);
                choice = &v->back();
            }
            c_binding* chosen = choice->select(i, c.choices[i].create);
            if (c.choices[i].qname) error = unmarshal_object(r, *chosen, name);
            else error = unmarshal_any(r, static_cast<c_any_element*>(chosen)->info, nullptr);
            break;
        }
        case child_kind::any: error = unmarshal_any(r, *static_cast<c_any_info*>(m), nullptr); break;
        case child_kind::any_list: error = unmarshal_any(r, *static_cast<c_any_list*>(m)->append(), nullptr); break;
        case child_kind::group:
            // The group's members are read in place; the reader then stands
            // on the element after them already.
            return read_group(c, *static_cast<c_child_holder*>(m)->get_object(c.create), error);
        case child_kind::group_list:
            return read_group(c, *static_cast<c_child_list*>(m)->append_object(c.create), error);
        }
        if (error) return false;
        return next_event(p, error);
    }

    bool next_event(unsigned p, enimb_error& error)
    {
        enimb_error e;
        m_reader.scan_element_event(e, m_reader.current_name());
        if (e)
            if (int answer = offer(e, m_reader.element_name_at(m_element), static_cast<int>(400 + p))) {
                error = static_cast<enimb_error>(answer);
                return false;
            }
        return true;
    }

    c_xml_reader& m_reader;
    const c_class_desc& m_desc;
    c_binding& m_object;
    std::size_t m_element;
    bool m_group;
};

class descriptor_helper : public c_unmarshal_helper {
public:
    descriptor_helper(c_xml_reader& reader, const c_class_desc& desc, c_binding& object)
        : c_unmarshal_helper(reader), m_desc(desc), m_object(object)
    {
        set_may_be_empty(may_be_empty(desc));
        // The namespace declarations of this start tag are kept and written
        // back here (those that are in force there already are not written
        // twice). The document element keeps them all, with its prefix.
        const auto& scopes = reader.getter().m_scopes;
        bool document = scopes.size() == 1;
        if (document) {
            c_kept& k = object.kept_content();
            k.declarations.clear();
            k.document_declarations = true;
            const std::string& name = reader.current_name();
            std::string::size_type colon = name.find(':');
            k.element_prefix = colon == std::string::npos ? std::string() : name.substr(0, colon);
        }
        if (!scopes.empty())
            for (const auto& decl : scopes.back().decls) {
                std::string uri = decl.id == ns_none || decl.id == ns_undeclared
                                      ? std::string()
                                      : reader.getter().namespace_uri(decl.id);
                object.kept_content().declarations.emplace_back(decl.prefix, uri);
            }
    }

    bool unmarshal_attribute(enimb_error& error) override
    {
        const c_name_record& r = m_reader->name_record();
        unsigned ns = r.has_prefix ? r.ns_id : ns_none;
        for (unsigned i = 0; i < m_desc.attribute_count; ++i) {
            const c_attribute_desc& a = m_desc.attributes[i];
            if (a.ns == ns && r.local == a.local) {
                m_reader->program_line = static_cast<int>(100 + i);
                error = m_reader->unmarshal_attribute_value(*a.spec, a.member(&m_object));
                return true;
            }
        }
        return false;
    }

    enimb_error check_required_attributes() override
    {
        for (unsigned i = 0; i < m_desc.attribute_count; ++i) {
            const c_attribute_desc& a = m_desc.attributes[i];
            if (a.required && !a.spec->is_set(a.member(&m_object))) {
                enimb_error c = m_reader->capture_error(e_required_attribute_missing, m_desc.type_name, m_desc.source, 2);
                return static_cast<enimb_error>(m_reader->on_error(c, m_desc.type_name, m_desc.source, 2));
            }
        }
        return e_no_error;
    }

    bool unmarshal_text(enimb_error& error) override
    {
        m_reader->program_line = 3;
        error = m_reader->unmarshal_content_value(*m_desc.text_spec, m_desc.text(&m_object));
        return error == e_no_error;
    }

    bool unmarshal_child_elements(enimb_error& error) override
    {
        if (m_desc.hooks && m_desc.hooks->read_children) return m_desc.hooks->read_children(*m_reader, m_object, error);
        sequence_reader walk(*m_reader, m_desc, m_object, m_name_offset, false);
        return walk.run(error);
    }

protected:
    // Attributes no row of the class describes (those of later editions and
    // of other namespaces) are kept and written back: they never fail a part.
    c_any_list* kept_attribute_list(unsigned) override { return &m_object.kept_content().attributes; }

private:
    const c_class_desc& m_desc;
    c_binding& m_object;
};

void write_kept_elements(c_xml_writer& w, const c_kept* kept, unsigned position, std::size_t index, bool at_or_after)
{
    if (!kept) return;
    for (const auto& k : kept->elements)
        if (k.position == position && (k.index == index || (at_or_after && k.index > index))) w.marshal_any_element(k.info);
}

// A simple-typed child element under its name as resolved where it stands.
void write_simple_child(c_xml_writer& w, const char* qname, const c_ns_entry* table, const c_value_spec_base& spec,
                        const void* holder)
{
    if (!spec.is_set(holder)) return;
    c_writer_element_scope frame(w);
    std::vector<std::pair<std::string, std::string>> declare;
    std::string name = w.resolve_name(qname, table, false, declare);
    w.start_element(name.c_str());
    for (const auto& d : declare) w.write_declaration(d.first, d.second);
    w.marshal_simple_content(name.c_str(), spec, holder);
    w.end_element(name.c_str());
}

enimb_error write_children(c_xml_writer& w, const c_class_desc& d, c_binding* self, const c_kept* kept);

enimb_error write_position(c_xml_writer& w, const c_child_desc& c, c_binding* object, const c_kept* kept, unsigned p,
                           const c_ns_entry* table)
{
    void* m = c.member(object);
    std::size_t n = 0;
    auto before = [&](std::size_t i) { write_kept_elements(w, kept, p, i, false); };
    switch (c.kind) {
    case child_kind::single:
        before(0);
        if (c_binding* child = static_cast<c_child_holder*>(m)->peek_object())
            if (enimb_error e = marshal_object(w, *child, c.qname)) return e;
        n = 1;
        break;
    case child_kind::list: {
        auto* list = static_cast<c_child_list*>(m);
        for (n = 0; n < list->size(); ++n) {
            before(n);
            if (enimb_error e = marshal_object(w, *list->object_at(n), c.qname)) return e;
        }
        break;
    }
    case child_kind::simple:
        before(0);
        write_simple_child(w, c.qname, table, *c.spec, m);
        n = 1;
        break;
    case child_kind::simple_list:
        for (n = 0; n < c.spec->element_count(m); ++n) {
            before(n);
            write_simple_child(w, c.qname, table, *c.spec, c.spec->element_at(m, n));
        }
        break;
    case child_kind::choice:
    case child_kind::choice_list: {
        const c_choice* items = static_cast<c_choice*>(m);
        std::size_t count = 1;
        if (c.kind == child_kind::choice_list) {
            auto* v = static_cast<std::vector<c_choice>*>(m);
            items = v->data();
            count = v->size();
        }
        for (n = 0; n < count; ++n) {
            before(n);
            const c_choice& ch = items[n];
            if (ch.none() || !ch.object() || ch.which() >= c.choice_count) {
                if (c.none_writes_nothing || (c.kind == child_kind::choice && c.min == 0))
                    continue;  // an absent optional choice
                if (int answer = w.handle_error(e_inappropriate_choice, c.qname, "", 500))
                    return static_cast<enimb_error>(answer);
                continue;
            }
            const c_choice_alternative& a = c.choices[ch.which()];
            if (!a.qname) w.marshal_any_element(static_cast<const c_any_element*>(ch.object())->info);
            else if (enimb_error e = marshal_object(w, *ch.object(), a.qname)) return e;
        }
        break;
    }
    case child_kind::any:
        before(0);
        w.marshal_any_element(*static_cast<c_any_info*>(m));
        n = 1;
        break;
    case child_kind::any_list: {
        auto* list = static_cast<c_any_list*>(m);
        for (n = 0; n < list->size(); ++n) {
            before(n);
            w.marshal_any_element((*list)[n]);
        }
        break;
    }
    case child_kind::group:
        before(0);
        if (c_binding* group = static_cast<c_child_holder*>(m)->peek_object())
            if (enimb_error e = write_children(w, group->descriptor(), group, group->kept())) return e;
        n = 1;
        break;
    case child_kind::group_list: {
        auto* list = static_cast<c_child_list*>(m);
        for (n = 0; n < list->size(); ++n) {
            before(n);
            c_binding* group = list->object_at(n);
            if (enimb_error e = write_children(w, group->descriptor(), group, group->kept())) return e;
        }
        break;
    }
    }
    write_kept_elements(w, kept, p, n, true);
    return e_no_error;
}

// The children of an element, or of a group in place, in schema order with
// the kept elements where they stood.
enimb_error write_children(c_xml_writer& w, const c_class_desc& d, c_binding* self, const c_kept* kept)
{
    for (unsigned p = 0; p < d.child_count; ++p)
        if (enimb_error e = write_position(w, d.children[p], self, kept, p, d.namespaces)) return e;
    write_kept_elements(w, kept, d.child_count, 0, true);
    return e_no_error;
}

}  // namespace

bool read_children_in_order(c_xml_reader& reader, c_binding& object, enimb_error& error)
{
    sequence_reader walk(reader, object.descriptor(), object, reader.innermost_element_offset(), false);
    return walk.run(error);
}

enimb_error write_children_in_order(c_xml_writer& writer, const c_binding& object)
{
    c_binding* self = const_cast<c_binding*>(&object);
    return write_children(writer, object.descriptor(), self, object.kept());
}

enimb_error unmarshal_object(c_xml_reader& reader, c_binding& object, const std::string& name)
{
    const c_class_desc& d = object.descriptor();
    if (&name != &reader.current_name()) reader.current_name() = name;
    descriptor_helper helper(reader, d, object);
    // A class of attributes only is read like one whose every child is
    // optional: elements that later editions put in it (blocks of markup
    // compatibility, elements of its own namespace) are kept and written
    // back.
    if (d.content == content_kind::simple) return helper.unmarshal_simple_content(d.source, 1);
    return helper.unmarshal_complex_content(d.source, 1);
}

enimb_error marshal_object(c_xml_writer& w, const c_binding& object, const char* name)
{
    const c_class_desc& d = object.descriptor();
    c_binding* self = const_cast<c_binding*>(&object);
    const c_kept* kept = object.kept();
    c_writer_element_scope frame(w);
    w.set_ns_map(d.namespaces);
    // The declarations of this start tag: on the document element those read
    // with it, or the binding file's own table; elsewhere those kept that are
    // not in force already.
    std::vector<std::pair<std::string, std::string>> declare;
    auto add = [&](const std::string& prefix, const std::string& uri) {
        const std::string* in_force = w.declared_uri(prefix);
        if (in_force ? *in_force == uri : (prefix.empty() && uri.empty())) return;
        declare.emplace_back(prefix, uri);
        w.push_declaration(prefix, uri);
    };
    bool as_read = kept && kept->document_declarations;
    if (!w.declarations_written()) {
        w.set_declarations_written();
        if (!as_read && w.ns_map())
            for (const c_ns_entry* row = w.ns_map(); row->uri; ++row) {
                declare.emplace_back(row->prefix ? row->prefix : "", row->uri);
                w.push_declaration(declare.back().first, declare.back().second);
            }
    }
    if (kept)
        for (const auto& decl : kept->declarations) add(decl.first, decl.second);
    if (as_read) {
        // The document's own prefix of its element's namespace comes first.
        std::string::size_type colon = std::string(name).find(':');
        std::string table_prefix = colon == std::string::npos ? std::string() : std::string(name, colon);
        const c_ns_entry* table = d.namespaces ? d.namespaces : w.ns_map();
        if (table)
            for (const c_ns_entry* row = table; row->uri; ++row)
                if (table_prefix == (row->prefix ? row->prefix : "")) w.prefer_prefix(row->uri, kept->element_prefix);
    }
    const std::string element = w.resolve_name(name, d.namespaces, false, declare);
    w.start_element(element.c_str());
    for (const auto& decl : declare) w.write_declaration(decl.first, decl.second);
    for (unsigned i = 0; i < d.attribute_count; ++i) {
        const c_attribute_desc& a = d.attributes[i];
        void* holder = a.member(self);
        if ((d.flags & cls_preserve_space) && a.ns == ns_xml && !a.spec->is_set(holder) && d.text_spec &&
            d.text_spec->has_edge_white_space(d.text(self))) {
            w.write_attribute_separator();
            w.stream() << a.qname << "=\"preserve\"";
            continue;
        }
        if (a.ns == ns_none || !a.spec->is_set(holder)) {
            w.marshal_attribute(a.qname, *a.spec, holder);
            continue;
        }
        std::vector<std::pair<std::string, std::string>> more;
        const std::string qn = w.resolve_name(a.qname, d.namespaces, true, more);
        for (const auto& decl : more) w.write_declaration(decl.first, decl.second);
        w.marshal_attribute(qn.c_str(), *a.spec, holder);
    }
    if (kept) w.marshal_any_attributes(kept->attributes);
    if (d.hooks && d.hooks->write_children) {
        if (enimb_error e = d.hooks->write_children(w, object)) return e;
    } else if (d.content == content_kind::simple) {
        w.marshal_simple_content(d.type_name, *d.text_spec, d.text(self));
    } else {
        if (enimb_error e = write_children(w, d, self, kept)) return e;
    }
    w.end_element(element.c_str());
    return e_no_error;
}

enimb_error unmarshal_any(c_xml_reader& reader, c_any_info& record, const c_token_entry* table)
{
    std::string ns;
    reader.get_element_namespace(ns);
    std::string name = reader.current_name();
    if (!reader.get_element_xml(name, reader.value_text(), ws_preserve))
        if (int answer = reader.handle_error(e_unable_to_read_element)) return static_cast<enimb_error>(answer);
    record.present = true;
    record.ns = ns == " " ? std::string() : ns;
    record.name = name;
    record.text = reader.value_text();
    record.declarations.clear();
    reader.collect_declarations(record);
    if (!table) return e_no_error;
    enimb_error e;
    reader.get_element_event(table, e, reader.current_name());
    return e;
}

enimb_error unmarshal_document(c_xml_reader& reader, c_binding& root, unsigned ns, const char* local)
{
    const c_class_desc& d = root.descriptor();
    reader.set_ns_map(d.namespaces);
    reader.program_file = d.source;
    enimb_error e;
    reader.scan_element_event(e, reader.current_name());
    if (e)
        if (int answer = reader.handle_error(e)) return static_cast<enimb_error>(answer);
    if (reader.token() != tok_name || !name_is(reader.name_record(), ns, local))
        if (int answer = reader.handle_error(e_element_not_found)) return static_cast<enimb_error>(answer);
    if (enimb_error root_error = unmarshal_object(reader, root, reader.current_name())) return root_error;
    // Nothing but comments and white space follows the document element
    // (when it was read without an error the handler let pass).
    std::string after;
    if (reader.error_record().code == e_no_error && reader.scan_element_event(e, after) != tok_end_of_document)
        if (int answer = reader.handle_error(e_not_well_formed)) return static_cast<enimb_error>(answer);
    return e_no_error;
}

enimb_error marshal_document(const c_binding& root, const char* name, std::string& out, c_error_record* error,
                             attribute_layout layout)
{
    std::string written;
    enimb_error e;
    {
        c_string_output text(written);
        const bool one_line = layout == attribute_layout::inline_;
        c_xml_writer w(text, 1, nullptr, nullptr, one_line ? " " : nullptr, one_line ? "" : nullptr);
        e = marshal_object(w, root, name);
        text.flush();
        if (!e && w.failed()) e = w.capture_error(e_undefined, name, root.descriptor().source, 0);
        if (error) *error = w.error_record();
    }
    if (!e) out.swap(written);
    return e;
}

}  // namespace nimb

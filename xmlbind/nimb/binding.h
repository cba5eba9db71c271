// Binding objects described by tables, and the one generic reader and
// writer that serves every class from its table. A generated class holds
// typed members (holders) and a static descriptor that lists its
// attributes and child positions with accessors to those members; a
// hand-written special case is a hook in the descriptor.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "nimb/anyinfo.h"
#include "nimb/errors.h"
#include "nimb/helper.h"
#include "nimb/holders.h"
#include "nimb/reader.h"
#include "nimb/spec.h"
#include "nimb/writer.h"

namespace nimb {

struct c_class_desc;
class c_binding;

// An element kept where it stood (one of another namespace, of a later
// edition, out of its place, or a block of markup compatibility): before
// item `index` of child position `position` (a position past the last one
// means after every child). A block stands at the position of the content
// of the branch a reader takes.
struct c_kept_element {
    c_any_info info;
    unsigned position = 0;
    std::size_t index = 0;
};

// What an object keeps of its element beyond its schema: unknown and
// foreign attributes, the namespace declarations of its start tag as read,
// and foreign child elements. The document element read from a file keeps
// all its declarations and the prefix of its name: they are written back in
// place of the binding file's own declarations, and every name of the
// document is written with the prefix bound where it stands.
struct c_kept {
    c_any_list attributes;
    std::vector<std::pair<std::string, std::string>> declarations;
    std::vector<c_kept_element> elements;
    bool document_declarations = false;
    std::string element_prefix;
};

// Base of every binding class.
class c_binding {
public:
    c_binding() = default;
    c_binding(const c_binding& o) : m_kept(o.m_kept ? new c_kept(*o.m_kept) : nullptr) {}
    c_binding& operator=(const c_binding& o)
    {
        if (this != &o) m_kept.reset(o.m_kept ? new c_kept(*o.m_kept) : nullptr);
        return *this;
    }
    virtual ~c_binding();
    virtual c_binding* clone() const = 0;
    virtual const c_class_desc& descriptor() const = 0;

    const c_kept* kept() const { return m_kept.get(); }
    c_kept& kept_content()
    {
        if (!m_kept) m_kept.reset(new c_kept());
        return *m_kept;
    }

private:
    std::unique_ptr<c_kept> m_kept;
};

// clone and descriptor for a class D with a static `desc()`.
template <class D>
class c_binding_t : public c_binding {
public:
    c_binding* clone() const override { return new D(static_cast<const D&>(*this)); }
    const c_class_desc& descriptor() const override { return D::desc(); }
};

// An owned single complex child, created on first use.
class c_child_holder {
public:
    c_child_holder() = default;
    c_child_holder(const c_child_holder& o) : m_p(o.m_p ? o.m_p->clone() : nullptr) {}
    c_child_holder(c_child_holder&&) noexcept = default;
    c_child_holder& operator=(const c_child_holder& o)
    {
        c_child_holder copy(o);
        std::swap(m_p, copy.m_p);
        return *this;
    }
    c_child_holder& operator=(c_child_holder&&) noexcept = default;

    c_binding* peek_object() const { return m_p.get(); }
    c_binding* get_object(c_binding* (*create)())
    {
        if (!m_p) m_p.reset(create());
        return m_p.get();
    }
    void reset(c_binding* p = nullptr) { m_p.reset(p); }

protected:
    std::unique_ptr<c_binding> m_p;
};

template <class T>
class ct_complex_optional : public c_child_holder {
public:
    T* get()
    {
        if (!m_p) m_p.reset(new T());
        return static_cast<T*>(m_p.get());
    }
    T* peek() const { return static_cast<T*>(m_p.get()); }
    bool has() const { return m_p != nullptr; }
    // Gives up the child (the holder is then empty); null when absent.
    T* release() { return static_cast<T*>(m_p.release()); }
};

// An owned list of complex children.
class c_child_list {
public:
    c_child_list() = default;
    c_child_list(const c_child_list& o)
    {
        m_items.reserve(o.m_items.size());
        for (const auto& p : o.m_items) m_items.emplace_back(p->clone());
    }
    c_child_list(c_child_list&&) noexcept = default;
    c_child_list& operator=(const c_child_list& o)
    {
        c_child_list copy(o);
        m_items.swap(copy.m_items);
        return *this;
    }
    c_child_list& operator=(c_child_list&&) noexcept = default;

    std::size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    c_binding* object_at(std::size_t i) const { return i < m_items.size() ? m_items[i].get() : nullptr; }
    c_binding* append_object(c_binding* (*create)())
    {
        m_items.emplace_back(create());
        return m_items.back().get();
    }
    // Removes item i; false when there is no such item.
    bool erase(std::size_t i)
    {
        if (i >= m_items.size()) return false;
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    // Removes every item the predicate (called with the item's object)
    // takes, in one pass; returns how many went.
    template <class Pred>
    std::size_t erase_if(Pred pred)
    {
        const auto kept = std::remove_if(m_items.begin(), m_items.end(),
                                         [&](const std::unique_ptr<c_binding>& p) { return pred(p.get()); });
        const auto n = static_cast<std::size_t>(m_items.end() - kept);
        m_items.erase(kept, m_items.end());
        return n;
    }
    void clear() { m_items.clear(); }

protected:
    std::vector<std::unique_ptr<c_binding>> m_items;
};

template <class T>
class ct_complex_multi : public c_child_list {
public:
    // Item i, after appending default items until the list holds i + 1.
    T* get(std::size_t i)
    {
        while (m_items.size() <= i) m_items.emplace_back(new T());
        return static_cast<T*>(m_items[i].get());
    }
    T* append()
    {
        m_items.emplace_back(new T());
        return static_cast<T*>(m_items.back().get());
    }
    // A new default item before item i (at the end for i past it).
    T* insert(std::size_t i)
    {
        if (i > m_items.size()) i = m_items.size();
        auto it = m_items.emplace(m_items.begin() + static_cast<std::ptrdiff_t>(i), new T());
        return static_cast<T*>(it->get());
    }
    T* at(std::size_t i) const { return static_cast<T*>(object_at(i)); }
    T* back() const { return m_items.empty() ? nullptr : static_cast<T*>(m_items.back().get()); }
};

// One child chosen among alternatives; the index equals the number of
// alternatives when none is chosen.
class c_choice {
public:
    explicit c_choice(unsigned alternatives = 0) : m_index(alternatives), m_none(alternatives) {}
    c_choice(const c_choice& o) : m_index(o.m_index), m_none(o.m_none), m_item(o.m_item ? o.m_item->clone() : nullptr) {}
    c_choice(c_choice&&) noexcept = default;
    c_choice& operator=(const c_choice& o)
    {
        c_choice copy(o);
        std::swap(m_index, copy.m_index);
        std::swap(m_none, copy.m_none);
        std::swap(m_item, copy.m_item);
        return *this;
    }
    c_choice& operator=(c_choice&&) noexcept = default;

    unsigned which() const { return m_index; }
    bool none() const { return m_index >= m_none; }
    c_binding* object() const { return m_item.get(); }
    // Selects alternative i, releasing another one; creates its object.
    c_binding* select(unsigned i, c_binding* (*create)())
    {
        if (m_index != i || !m_item) {
            m_item.reset();
            m_index = i;
            m_item.reset(create());
        }
        return m_item.get();
    }
    template <class T>
    T* select(unsigned i)
    {
        return static_cast<T*>(select(i, [] { return static_cast<c_binding*>(new T()); }));
    }
    void release()
    {
        m_item.reset();
        m_index = m_none;
    }

private:
    unsigned m_index;
    unsigned m_none;
    std::unique_ptr<c_binding> m_item;
};

// ---------------------------------------------------------------------------
// Descriptors

template <class T>
c_binding* create_object()
{
    return new T();
}


using member_fn = void* (*)(c_binding* object);

template <class T>
struct member_traits;
template <class C, class M>
struct member_traits<M C::*> {
    using cls = C;
};
// The accessor of a member for a descriptor: nimb::member<&c_CT_Sheet::name>.
template <auto P>
void* member(c_binding* object)
{
    using C = typename member_traits<decltype(P)>::cls;
    return &(static_cast<C*>(object)->*P);
}

struct c_attribute_desc {
    const char* qname;  // as written, such as "r:id"
    unsigned ns;        // namespace id (1: none)
    const char* local;
    bool required;
    const c_value_spec_base* spec;
    member_fn member;   // the holder of the value
};

// An alternative of a choice. A null name is the alternative that keeps any
// element of another namespace (a c_any_element), or with `every` any
// element that no other alternative names; an empty-element alternative
// holds a c_empty_element.
struct c_choice_alternative {
    const char* qname;
    unsigned ns;
    const char* local;
    c_binding* (*create)();
    bool every = false;
};

enum class child_kind {
    single,       // ct_complex_optional<T>
    list,         // ct_complex_multi<T>
    simple,       // c_simple<T> of a simple-typed element
    choice,       // c_choice
    choice_list,  // std::vector<c_choice>
    any,          // c_any_info: one kept element of another namespace
    any_list,     // c_any_list
    group,        // ct_complex_optional<G> of an element group, read in place
    group_list,   // ct_complex_multi<G>: repeated group or repeated compositor
    simple_list,  // std::vector<c_simple<T>> of a repeated simple-typed element
};

// The namespace of an any position that takes elements of every namespace
// (one whose namespace is 0 takes those of other namespaces than its class's).
constexpr unsigned ns_any_namespace = ~0u;

struct c_child_desc {
    const char* qname;
    unsigned ns;
    const char* local;
    child_kind kind;
    unsigned min;
    unsigned max;  // 0: unbounded
    member_fn member;
    c_binding* (*create)();                // single, list: a new default object
    const c_value_spec_base* spec;         // simple
    const c_choice_alternative* choices;   // choice, choice_list
    unsigned choice_count;
    const struct c_class_desc& (*group)();  // group, group_list: the group's descriptor
    // choice, choice_list: an item with nothing chosen writes nothing (else
    // it is error 7 on writing, but for an optional single choice).
    bool none_writes_nothing;
};

enum class content_kind { empty, simple, complex };

enum : unsigned {
    cls_may_be_empty = 1,          // an empty-element tag is accepted
    // (Every class keeps the attributes and elements its table does not
    // describe, of any namespace, where they stand: a real file never fails
    // for them. The two flags say that a table expects them.)
    cls_keep_unknown_attributes = 2,
    cls_keep_unknown_elements = 4,
    // xml:space="preserve" is written when the text starts or ends with white
    // space and the class's xml:space attribute is not set.
    cls_preserve_space = 8,
};

// Hand-written special cases of a class. Each may be null.
struct c_class_hooks {
    // Reads the children instead of the generic sequence reader.
    bool (*read_children)(c_xml_reader& reader, c_binding& object, enimb_error& error);
    // Writes the content instead of the generic writer.
    enimb_error (*write_children)(c_xml_writer& writer, const c_binding& object);
};

struct c_class_desc {
    const char* type_name;           // error item of missing attributes, "CT_Sheet"
    const char* source;              // "ooxml/sml-workbook"
    const c_ns_entry* namespaces;    // the binding file's namespace table
    content_kind content;
    const c_attribute_desc* attributes;
    unsigned attribute_count;
    const c_child_desc* children;
    unsigned child_count;
    const c_value_spec_base* text_spec;  // simple content
    member_fn text;
    c_binding* (*create)();
    unsigned flags;
    const c_class_hooks* hooks;
};

// The object of a choice alternative that keeps any element of another
// namespace whole.
class c_any_element : public c_binding_t<c_any_element> {
public:
    c_any_info info;
    static const c_class_desc& desc();
};

// The object of an empty-element alternative of a choice (such as a fill
// that is only named).
class c_empty_element : public c_binding_t<c_empty_element> {
public:
    static const c_class_desc& desc();
};

// For the hooks that read or write some children by hand: the children that
// the class's descriptor lists, read in schema order from where the reader
// stands (the element being read is the innermost one), or written.
bool read_children_in_order(c_xml_reader& reader, c_binding& object, enimb_error& error);
enimb_error write_children_in_order(c_xml_writer& writer, const c_binding& object);

// Reads the element on which the reader stands into the object.
enimb_error unmarshal_object(c_xml_reader& reader, c_binding& object, const std::string& name);
// Writes the object as an element of the given name.
enimb_error marshal_object(c_xml_writer& writer, const c_binding& object, const char* name);

// Reads a whole document whose element must be `local` in namespace `ns`
// of the root's table (error 16 otherwise).
enimb_error unmarshal_document(c_xml_reader& reader, c_binding& root, unsigned ns, const char* local);
// How a document's attributes are separated: each on a line of its own
// after the first, or all on the line of their element, one blank apart.
enum class attribute_layout { lines, inline_ };

// Writes a whole document in UTF-8 with the declaration; `out` is replaced
// only when writing succeeds.
enimb_error marshal_document(const c_binding& root, const char* name, std::string& out, c_error_record* error = nullptr,
                             attribute_layout layout = attribute_layout::lines);

// Keeps the element on which the reader stands (its start tag just read)
// as markup with the declarations in force; moves to the next event and
// tokenises it when a table is given.
enimb_error unmarshal_any(c_xml_reader& reader, c_any_info& record, const c_token_entry* table);

}  // namespace nimb

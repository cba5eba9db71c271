// Value specs: how the text of one simple type is read, checked, converted
// and written. A spec also carries the operations on the holder of a member
// of its type (the bridge between the reader or writer and the member).
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "nimb/errors.h"
#include "nimb/holders.h"
#include "nimb/values.h"

namespace nimb {

class c_xml_reader;

using validate_fn = enimb_error (*)(c_xml_reader& reader, const std::string& text);

class c_value_spec_base {
public:
    c_value_spec_base(int whitespace_mode, const char* default_text, validate_fn validate_text)
        : whitespace(whitespace_mode), default_text(default_text ? default_text : ""), validate(validate_text)
    {
    }
    virtual ~c_value_spec_base();
    c_value_spec_base(const c_value_spec_base&) = delete;
    c_value_spec_base& operator=(const c_value_spec_base&) = delete;

    // Operations on a holder of this spec's type.
    virtual bool is_set(const void* holder) const = 0;
    virtual void set_present(void* holder) const = 0;
    // Converts the text into the holder, marks it present and runs the
    // value check on the result.
    virtual enimb_error convert_and_store(c_xml_reader& reader, void* holder, const std::string& text) const = 0;
    virtual bool is_empty(const void* holder) const = 0;
    virtual void write_value(std::ostream& out, const void* holder) const = 0;
    virtual bool is_list() const { return false; }
    // Whether a text value starts or ends with XML white space.
    virtual bool has_edge_white_space(const void*) const { return false; }
    // Repeated simple-typed elements, held as a vector of holders of this
    // spec's type: appends a holder and returns it; the count; holder i.
    // (None for the specs of list-valued attributes.)
    virtual void* append_element(void*) const { return nullptr; }
    virtual std::size_t element_count(const void*) const { return 0; }
    virtual const void* element_at(const void*, std::size_t) const { return nullptr; }

    const int whitespace;
    const std::string default_text;
    const validate_fn validate;
};

namespace detail {
template <class T> bool value_is_empty(const T&) { return false; }
inline bool value_is_empty(const std::u16string& v) { return v.empty(); }
inline bool value_is_empty(const std::string& v) { return v.empty(); }
inline bool value_is_empty(const c_binary& v) { return v.empty(); }
inline bool value_is_empty(const c_empty&) { return true; }
template <class T> bool has_edge_space(const T&) { return false; }
template <class C>
bool has_edge_space(const std::basic_string<C>& v)
{
    auto space = [](C c) { return c == C(' ') || c == C('\t') || c == C('\n') || c == C('\r'); };
    return !v.empty() && (space(v.front()) || space(v.back()));
}
}  // namespace detail

// The value spec of a simple type whose members are held in c_simple<T>.
template <class T>
class c_value_spec : public c_value_spec_base {
public:
    using check_fn = enimb_error (*)(c_xml_reader& reader, const T* value);
    using from_fn = void (*)(T* value, const std::string& text);
    using to_fn = std::ostream& (*)(std::ostream& out, const T* value);

    c_value_spec(int whitespace_mode, const char* default_text, validate_fn validate_text, check_fn check, from_fn from,
                 to_fn to)
        : c_value_spec_base(whitespace_mode, default_text, validate_text), value_check(check), from_string(from),
          to_string(to)
    {
    }

    bool is_set(const void* h) const override { return static_cast<const c_simple<T>*>(h)->present; }
    void set_present(void* h) const override { static_cast<c_simple<T>*>(h)->present = true; }
    enimb_error convert_and_store(c_xml_reader& reader, void* h, const std::string& text) const override
    {
        auto* holder = static_cast<c_simple<T>*>(h);
        holder->present = true;
        if (from_string) from_string(&holder->value, text);
        return value_check ? value_check(reader, &holder->value) : e_no_error;
    }
    bool is_empty(const void* h) const override { return detail::value_is_empty(static_cast<const c_simple<T>*>(h)->value); }
    bool has_edge_white_space(const void* h) const override
    {
        return detail::has_edge_space(static_cast<const c_simple<T>*>(h)->value);
    }
    void write_value(std::ostream& out, const void* h) const override
    {
        if (to_string) to_string(out, &static_cast<const c_simple<T>*>(h)->value);
    }
    void* append_element(void* v) const override
    {
        auto* elements = static_cast<std::vector<c_simple<T>>*>(v);
        elements->emplace_back();
        return &elements->back();
    }
    std::size_t element_count(const void* v) const override
    {
        return static_cast<const std::vector<c_simple<T>>*>(v)->size();
    }
    const void* element_at(const void* v, std::size_t i) const override
    {
        return &(*static_cast<const std::vector<c_simple<T>>*>(v))[i];
    }
    // Converts and checks an item of a list.
    enimb_error store_item(c_xml_reader& reader, T* value, const std::string& text) const
    {
        if (from_string) from_string(value, text);
        return value_check ? value_check(reader, value) : e_no_error;
    }

    const check_fn value_check;
    const from_fn from_string;
    const to_fn to_string;
};

// The value spec of a list-valued attribute: blank-separated items of one type,
// held in c_simple_list<T>.
template <class T>
class c_list_value_spec : public c_value_spec_base {
public:
    explicit c_list_value_spec(const c_value_spec<T>& item)
        : c_value_spec_base(ws_collapse_mode, "", nullptr), item_spec(item)
    {
    }
    bool is_set(const void* h) const override { return static_cast<const c_simple_list<T>*>(h)->present; }
    void set_present(void* h) const override { static_cast<c_simple_list<T>*>(h)->present = true; }
    enimb_error convert_and_store(c_xml_reader& reader, void* h, const std::string& text) const override;
    bool is_empty(const void* h) const override { return static_cast<const c_simple_list<T>*>(h)->items.empty(); }
    void write_value(std::ostream& out, const void* h) const override
    {
        const auto& items = static_cast<const c_simple_list<T>*>(h)->items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i) out.put(' ');
            if (item_spec.to_string) item_spec.to_string(out, &items[i]);
        }
    }
    bool is_list() const override { return true; }

    static constexpr int ws_collapse_mode = 2;
    const c_value_spec<T>& item_spec;
};

// Reports a failed check through the reader's hook, with the item being
// read; returns the hook's answer.
int report_value_error(c_xml_reader& reader, enimb_error code);

template <class T>
enimb_error c_list_value_spec<T>::convert_and_store(c_xml_reader& reader, void* h, const std::string& text) const
{
    auto* holder = static_cast<c_simple_list<T>*>(h);
    holder->present = true;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
        std::size_t start = i;
        while (i < text.size() && !(text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
        if (i == start) break;
        std::string item = text.substr(start, i - start);
        if (item_spec.validate)
            if (enimb_error e = item_spec.validate(reader, item)) return e;
        holder->items.emplace_back();
        if (enimb_error e = item_spec.store_item(reader, &holder->items.back(), item)) return e;
    }
    return e_no_error;
}

// Shared lexical checks; each reports through the reader's hook and returns
// its non-zero answer, or 0 when the text passes or the hook forgives.
enimb_error validate_unsigned_int(c_xml_reader& reader, const std::string& text);
enimb_error validate_int(c_xml_reader& reader, const std::string& text);
enimb_error validate_hex_binary(c_xml_reader& reader, const std::string& text);
enimb_error validate_boolean_format(c_xml_reader& reader, const std::string& text);
enimb_error validate_double_format(c_xml_reader& reader, const std::string& text);
enimb_error validate_empty(c_xml_reader& reader, const std::string& text);
enimb_error return_zero_stub(c_xml_reader& reader, const std::string& text);

// Building blocks of the per-file checks.
enimb_error validate_range(c_xml_reader& reader, const std::string& text, const c_big_int& low, const c_big_int& high);
enimb_error check_binary_length(c_xml_reader& reader, const c_binary& value, std::size_t length);
// Length facets of strings, counted in characters (a surrogate pair or a
// UTF-8 sequence is one); a negative bound is not checked.
enimb_error check_string_length(c_xml_reader& reader, const std::u16string& value, long long min, long long max);
enimb_error check_string_length(c_xml_reader& reader, const std::string& value, long long min, long long max);
// Bounds of doubles, checked on the text after its format: 36 above the
// maximum, 37 below the minimum. NaN is outside every bound.
struct c_double_bounds {
    bool has_min;
    double min;
    bool min_inclusive;
    bool has_max;
    double max;
    bool max_inclusive;
};
enimb_error validate_double_range(c_xml_reader& reader, const std::string& text, const c_double_bounds& bounds);
enimb_error validate_hex_binary_length_2(c_xml_reader& reader, const c_binary* value);
enimb_error validate_hex_binary_length_4(c_xml_reader& reader, const c_binary* value);
enimb_error check_enumeration(c_xml_reader& reader, const std::u16string& value, const char* const* values);

// An XML Schema regular expression (libxml2), matched against whole texts.
class c_regex {
public:
    explicit c_regex(const char* pattern);
    virtual ~c_regex();
    c_regex(const c_regex&) = delete;
    c_regex& operator=(const c_regex&) = delete;

    bool compiled() const { return m_compiled != nullptr; }
    bool matches(const std::string& text) const;

private:
    void* m_compiled;
};

enimb_error check_pattern(c_xml_reader& reader, const std::string& text, const c_regex& pattern);

// Ready-made specs of the common types.
const c_value_spec<std::u16string>& spec_string();          // mode 0, no checks
const c_value_spec<std::u16string>& spec_any_uri();         // mode 2, no checks
const c_value_spec<unsigned>& spec_unsigned_int();
const c_value_spec<int>& spec_int();
const c_value_spec<bool>& spec_boolean();
const c_value_spec<double>& spec_double();
const c_value_spec<c_binary>& spec_hex_binary();
const c_value_spec<c_empty>& spec_empty();

}  // namespace nimb

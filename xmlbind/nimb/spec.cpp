#include "nimb/spec.h"

#include <libxml/xmlregexp.h>

#include <atomic>

#include "nimb/reader.h"

namespace nimb {

c_value_spec_base::~c_value_spec_base() = default;

int report_value_error(c_xml_reader& reader, enimb_error code) { return reader.handle_value_error(code); }

namespace {

enimb_error answer(c_xml_reader& reader, enimb_error code)
{
    return static_cast<enimb_error>(report_value_error(reader, code));
}

}  // namespace

enimb_error validate_range(c_xml_reader& reader, const std::string& text, const c_big_int& low, const c_big_int& high)
{
    if (!is_valid_integer(text))
        if (enimb_error e = answer(reader, e_invalid_value_format)) return e;
    if (!is_ge_bound(text, low))
        if (enimb_error e = answer(reader, e_value_below_minimum)) return e;
    if (!is_le_bound(text, high))
        if (enimb_error e = answer(reader, e_value_above_maximum)) return e;
    return e_no_error;
}

enimb_error validate_unsigned_int(c_xml_reader& reader, const std::string& text)
{
    return validate_range(reader, text, big_int_uint_min(), big_int_uint_max());
}

enimb_error validate_int(c_xml_reader& reader, const std::string& text)
{
    return validate_range(reader, text, big_int_int_min(), big_int_int_max());
}

enimb_error validate_hex_binary(c_xml_reader& reader, const std::string& text)
{
    return is_valid_hex_binary(text) ? e_no_error : answer(reader, e_invalid_value_format);
}

enimb_error validate_boolean_format(c_xml_reader& reader, const std::string& text)
{
    return is_valid_bool(text) ? e_no_error : answer(reader, e_invalid_value_format);
}

enimb_error validate_double_format(c_xml_reader& reader, const std::string& text)
{
    return is_valid_double(text) ? e_no_error : answer(reader, e_invalid_value_format);
}

enimb_error validate_empty(c_xml_reader& reader, const std::string& text)
{
    return text.empty() ? e_no_error : answer(reader, e_invalid_value_format);
}

enimb_error return_zero_stub(c_xml_reader&, const std::string&) { return e_no_error; }

enimb_error check_binary_length(c_xml_reader& reader, const c_binary& value, std::size_t length)
{
    if (value.size() < length)
        if (enimb_error e = answer(reader, e_length_too_short)) return e;
    if (value.size() > length)
        if (enimb_error e = answer(reader, e_length_too_long)) return e;
    return e_no_error;
}

namespace {

enimb_error check_length(c_xml_reader& reader, long long length, long long min, long long max)
{
    if (min >= 0 && length < min)
        if (enimb_error e = answer(reader, e_length_too_short)) return e;
    if (max >= 0 && length > max)
        if (enimb_error e = answer(reader, e_length_too_long)) return e;
    return e_no_error;
}

}  // namespace

enimb_error check_string_length(c_xml_reader& reader, const std::u16string& value, long long min, long long max)
{
    long long n = 0;
    for (std::size_t i = 0; i < value.size(); ++i, ++n)
        if (value[i] >= 0xD800 && value[i] < 0xDC00 && i + 1 < value.size() && value[i + 1] >= 0xDC00 &&
            value[i + 1] < 0xE000)
            ++i;
    return check_length(reader, n, min, max);
}

enimb_error check_string_length(c_xml_reader& reader, const std::string& value, long long min, long long max)
{
    long long n = 0;
    for (unsigned char c : value)
        if ((c & 0xC0) != 0x80) ++n;
    return check_length(reader, n, min, max);
}

enimb_error validate_double_range(c_xml_reader& reader, const std::string& text, const c_double_bounds& b)
{
    if (!is_valid_double(text)) return answer(reader, e_invalid_value_format);
    double v = parse_double(text);
    bool nan = v != v;
    if (b.has_min && (nan || v < b.min || (!b.min_inclusive && v == b.min)))
        if (enimb_error e = answer(reader, e_value_below_minimum)) return e;
    if (b.has_max && (nan || v > b.max || (!b.max_inclusive && v == b.max)))
        if (enimb_error e = answer(reader, e_value_above_maximum)) return e;
    return e_no_error;
}

enimb_error validate_hex_binary_length_2(c_xml_reader& reader, const c_binary* value)
{
    return check_binary_length(reader, *value, 2);
}

enimb_error validate_hex_binary_length_4(c_xml_reader& reader, const c_binary* value)
{
    return check_binary_length(reader, *value, 4);
}

enimb_error check_enumeration(c_xml_reader& reader, const std::u16string& value, const char* const* values)
{
    const std::string text = wstring_to_utf8(value);
    for (const char* const* v = values; *v; ++v)
        if (text == *v) return e_no_error;
    return answer(reader, e_not_an_enumeration);
}

namespace {

// Values that matched a pattern lately, per thread: the same values come
// again and again (the content type of every Override of a package, the
// form of every reference of a sheet), and the matcher is slow on large
// character classes. A pattern destroyed ends every memo (its address may
// serve another one).
std::atomic<unsigned> g_regex_generation{0};

struct c_match_memo {
    const c_regex* regex = nullptr;
    unsigned generation = 0;
    std::string text;
};

}  // namespace

c_regex::c_regex(const char* pattern)
    : m_compiled(xmlRegexpCompile(reinterpret_cast<const xmlChar*>(std::string(pattern ? pattern : "").c_str())))
{
}

c_regex::~c_regex()
{
    ++g_regex_generation;
    if (m_compiled) xmlRegFreeRegexp(static_cast<xmlRegexpPtr>(m_compiled));
}

bool c_regex::matches(const std::string& text) const
{
    // 1 is a match; 0 no match; a negative result is a failure of the
    // matcher, which must not pass a value as valid. The matcher reads a
    // C string, so a value holding a NUL would be judged by its first part
    // only: no pattern matches it.
    if (!m_compiled || text.find('\0') != std::string::npos) return false;
    constexpr std::size_t slots = 16, longest = 256;
    thread_local c_match_memo memo[slots];
    thread_local std::size_t next = 0;
    const unsigned generation = g_regex_generation.load(std::memory_order_relaxed);
    for (const c_match_memo& m : memo)
        if (m.regex == this && m.generation == generation && m.text == text) return true;
    if (xmlRegexpExec(static_cast<xmlRegexpPtr>(m_compiled), reinterpret_cast<const xmlChar*>(text.c_str())) != 1)
        return false;
    if (text.size() <= longest) {
        c_match_memo& m = memo[next++ % slots];
        m.regex = this;
        m.generation = generation;
        m.text = text;
    }
    return true;
}

enimb_error check_pattern(c_xml_reader& reader, const std::string& text, const c_regex& pattern)
{
    return pattern.matches(text) ? e_no_error : answer(reader, e_no_pattern_matched);
}

const c_value_spec<std::u16string>& spec_string()
{
    static const c_value_spec<std::u16string> s(0, "", nullptr, nullptr, from_string_wstring, to_string_wstring);
    return s;
}
const c_value_spec<std::u16string>& spec_any_uri()
{
    static const c_value_spec<std::u16string> s(2, "", nullptr, nullptr, from_string_uri, to_string_uri);
    return s;
}
const c_value_spec<unsigned>& spec_unsigned_int()
{
    static const c_value_spec<unsigned> s(2, "", validate_unsigned_int, nullptr, from_string_uint, to_string_uint);
    return s;
}
const c_value_spec<int>& spec_int()
{
    static const c_value_spec<int> s(2, "", validate_int, nullptr, from_string_int, to_string_int);
    return s;
}
const c_value_spec<bool>& spec_boolean()
{
    static const c_value_spec<bool> s(2, "", validate_boolean_format, nullptr, from_string_bool, to_string_bool);
    return s;
}
const c_value_spec<double>& spec_double()
{
    static const c_value_spec<double> s(2, "", validate_double_format, nullptr, from_string_double, to_string_double);
    return s;
}
const c_value_spec<c_binary>& spec_hex_binary()
{
    static const c_value_spec<c_binary> s(2, "", validate_hex_binary, nullptr, from_string_binary, to_string_binary);
    return s;
}
const c_value_spec<c_empty>& spec_empty()
{
    static const c_value_spec<c_empty> s(0, "", validate_empty, nullptr, from_string_empty, return_argument);
    return s;
}

}  // namespace nimb

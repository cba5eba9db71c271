#include "nimb/values.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>
#include <locale.h>

#include <charconv>
#include "nimb/input.h"

namespace nimb {

// ---------------------------------------------------------------------------
// Decimal bounds

void c_big_int::assign(const char* text)
{
    m_text.clear();
    if (!text) text = "";
    const char* p = text;
    if (*p == '-') m_text.push_back('-');
    if (*p == '-' || *p == '+') ++p;
    while (*p == '0') ++p;
    if (*p >= '0' && *p <= '9') {
        while (*p >= '0' && *p <= '9') m_text.push_back(*p++);
    } else {
        m_text.push_back('0');
    }
}

const c_big_int& big_int_uint_min()
{
    static const c_big_int b("0");
    return b;
}
const c_big_int& big_int_uint_max()
{
    static const c_big_int b("4294967295");
    return b;
}
const c_big_int& big_int_int_min()
{
    static const c_big_int b("-2147483648");
    return b;
}
const c_big_int& big_int_int_max()
{
    static const c_big_int b("2147483647");
    return b;
}

namespace {

struct split_value {
    bool negative = false;
    std::string digits;  // without sign and leading zeros
};

split_value split(const std::string& value)
{
    split_value s;
    std::size_t i = 0;
    if (!value.empty() && (value[0] == '-' || value[0] == '+')) {
        s.negative = value[0] == '-';
        i = 1;
    }
    while (i < value.size() && value[i] == '0') ++i;
    s.digits = value.substr(i);
    return s;
}

bool is_minus_zero(const split_value& v) { return v.negative && v.digits.empty(); }

}  // namespace

bool is_equal_to_big_int(const std::string& value, const c_big_int& bound)
{
    if (value.empty()) return false;
    split_value v = split(value);
    const std::string& b = bound.text();
    bool bound_negative = b[0] == '-';
    if (v.negative != bound_negative) return is_minus_zero(v) && b == "0";
    if (!v.digits.empty()) return (bound_negative ? b.substr(1) : b) == v.digits;
    return b == "0";
}

bool is_less_than_big_int(const std::string& value, const c_big_int& bound)
{
    if (value.empty()) return false;
    split_value v = split(value);
    const std::string& b = bound.text();
    bool bound_negative = b[0] == '-';
    if (v.negative != bound_negative) {
        if (is_minus_zero(v) && b == "0") return false;
        return !bound_negative;
    }
    if (v.digits.empty()) return !bound_negative && b != "0";
    std::string bd = bound_negative ? b.substr(1) : b;
    if (!bound_negative) return v.digits.size() < bd.size() || (v.digits.size() == bd.size() && v.digits < bd);
    return v.digits.size() > bd.size() || (v.digits.size() == bd.size() && v.digits > bd);
}

// ---------------------------------------------------------------------------
// Lexical checks

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

bool is_valid_integer(const std::string& t)
{
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (i == t.size()) return false;
    for (; i < t.size(); ++i)
        if (!is_digit(t[i])) return false;
    return true;
}

bool is_valid_bool(const std::string& t) { return t == "true" || t == "1" || t == "false" || t == "0"; }

bool is_valid_double(const std::string& t)
{
    if (t == "INF" || t == "-INF" || t == "NaN") return true;
    std::size_t i = 0, n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t mantissa = 0;
    while (i < n && is_digit(t[i])) ++i, ++mantissa;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && is_digit(t[i])) ++i, ++mantissa;
    }
    if (mantissa == 0) return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        std::size_t exp = 0;
        while (i < n && is_digit(t[i])) ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == n;
}

bool is_valid_hex_binary(const std::string& t)
{
    if (t.size() % 2) return false;
    for (char c : t)
        if (!is_hex(c)) return false;
    return true;
}

// ---------------------------------------------------------------------------
// Converters

namespace {

// Like the C library's reading of a decimal integer: leading white space, a
// sign, digits up to the first other character; saturating.
template <class T>
T parse_integer(const std::string& text)
{
    std::size_t i = 0, n = text.size();
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    using wide = long double;
    const wide lo = static_cast<wide>(std::numeric_limits<T>::min());
    const wide hi = static_cast<wide>(std::numeric_limits<T>::max());
    unsigned long long magnitude = 0;
    bool big = false;
    for (; i < n && is_digit(text[i]); ++i) {
        if (magnitude > (std::numeric_limits<unsigned long long>::max() - 9) / 10) big = true;
        else magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
    }
    if (big) return negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
    wide v = negative ? -static_cast<wide>(magnitude) : static_cast<wide>(magnitude);
    if (v < lo) return std::numeric_limits<T>::min();
    if (v > hi) return std::numeric_limits<T>::max();
    if (negative) {
        if (v == lo) return std::numeric_limits<T>::min();
        return static_cast<T>(-static_cast<long long>(magnitude));
    }
    return static_cast<T>(magnitude);
}

locale_t c_locale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return (c - 'A' + 10) & 0x0F;
}

}  // namespace

double parse_double(const std::string& text)
{
    if (text == "NaN") return std::numeric_limits<double>::quiet_NaN();
    if (text == "INF") return std::numeric_limits<double>::infinity();
    if (text == "-INF") return -std::numeric_limits<double>::infinity();
    return strtod_l(text.c_str(), nullptr, c_locale());
}

void parse_hex_binary(c_binary& out, const std::string& text)
{
    out.clear();
    if (text.size() < 2) return;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<unsigned char>(hex_value(text[i]) * 16 + hex_value(text[i + 1])));
}

void from_string_wstring(std::u16string* out, const std::string& text)
{
    utf8_to_wstring(*out, text);
    decode_x_escapes(*out);
}
void from_string_string(std::string* out, const std::string& text)
{
    *out = text;
    decode_x_escapes(*out);
}
void from_string_uri(std::u16string* out, const std::string& text) { utf8_to_wstring(*out, text); }
void from_string_binary(c_binary* out, const std::string& text) { parse_hex_binary(*out, text); }
void from_string_int(int* out, const std::string& text) { *out = parse_integer<int>(text); }
void from_string_uint(unsigned* out, const std::string& text) { *out = parse_integer<unsigned>(text); }
void from_string_bool(bool* out, const std::string& text) { *out = text == "true" || text == "1"; }
void from_string_double(double* out, const std::string& text) { *out = parse_double(text); }
void from_string_short(std::int16_t* out, const std::string& text)
{
    *out = parse_integer<std::int16_t>(text);
}
void from_string_ushort(std::uint16_t* out, const std::string& text) { *out = parse_integer<std::uint16_t>(text); }
void from_string_schar(signed char* out, const std::string& text) { *out = parse_integer<signed char>(text); }
void from_string_uchar(unsigned char* out, const std::string& text) { *out = parse_integer<unsigned char>(text); }
void from_string_int64(long long* out, const std::string& text) { *out = parse_integer<long long>(text); }
void from_string_uint64(unsigned long long* out, const std::string& text)
{
    *out = parse_integer<unsigned long long>(text);
}
void from_string_empty(c_empty*, const std::string&) {}

// ---------------------------------------------------------------------------
// Writers

std::ostream& write_double(std::ostream& out, double v)
{
    if (std::isnan(v)) return out << "NaN";
    if (std::isinf(v)) return out << (v < 0 ? "-INF" : "INF");
    if (v == 0) return out << (std::signbit(v) ? "-0.0" : "0.0");
    // The shortest text that reads back to the same double.
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return out.write(buf, r.ptr - buf);
}

// Booleans as the applications write them: some readers take only 1 and 0.
std::ostream& write_bool(std::ostream& out, bool v) { return out << (v ? '1' : '0'); }

std::ostream& write_hex(std::ostream& out, const c_binary& value)
{
    static const char digits[] = "0123456789ABCDEF";
    for (unsigned char b : value) {
        out.put(digits[b >> 4]);
        out.put(digits[b & 15]);
    }
    return out;
}

std::ostream& to_string_wstring(std::ostream& out, const std::u16string* v)
{
    write_escaped_value(out, *v, stream_in_attribute(out));
    return out;
}
std::ostream& to_string_string(std::ostream& out, const std::string* v)
{
    write_escaped_value(out, *v, stream_in_attribute(out));
    return out;
}
std::ostream& to_string_uri(std::ostream& out, const std::u16string* v)
{
    write_escaped_wstring(out, *v);
    return out;
}
std::ostream& to_string_uint(std::ostream& out, const unsigned* v) { return out << std::to_string(*v); }
std::ostream& to_string_int(std::ostream& out, const int* v) { return out << std::to_string(*v); }
std::ostream& to_string_uchar(std::ostream& out, const unsigned char* v) { return out << std::to_string(unsigned(*v)); }
std::ostream& to_string_schar(std::ostream& out, const signed char* v) { return out << std::to_string(int(*v)); }
std::ostream& to_string_ushort(std::ostream& out, const std::uint16_t* v) { return out << std::to_string(unsigned(*v)); }
std::ostream& to_string_short(std::ostream& out, const std::int16_t* v) { return out << std::to_string(int(*v)); }
std::ostream& to_string_int64(std::ostream& out, const long long* v) { return out << std::to_string(*v); }
std::ostream& to_string_uint64(std::ostream& out, const unsigned long long* v) { return out << std::to_string(*v); }
std::ostream& to_string_bool(std::ostream& out, const bool* v) { return write_bool(out, *v); }
std::ostream& to_string_double(std::ostream& out, const double* v) { return write_double(out, *v); }
std::ostream& to_string_binary(std::ostream& out, const c_binary* v) { return write_hex(out, *v); }
std::ostream& return_argument(std::ostream& out, const c_empty*) { return out; }

// ---------------------------------------------------------------------------
// Text

void utf8_to_wstring(std::u16string& out, const std::string& text)
{
    out.clear();
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int count;
        std::uint32_t cp, min;
        if (b >= 0xC2 && b <= 0xDF) { count = 1; cp = b & 0x1F; min = 0x80; }
        else if (b >= 0xE0 && b <= 0xEF) { count = 2; cp = b & 0x0F; min = 0x800; }
        else if (b >= 0xF0 && b <= 0xF4) { count = 3; cp = b & 0x07; min = 0x10000; }
        else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        int k = 1;
        for (; k <= count && i + static_cast<std::size_t>(k) < n; ++k) {
            unsigned char c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) break;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (k <= count || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            i += static_cast<std::size_t>(k);
            continue;
        }
        i += static_cast<std::size_t>(count) + 1;
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + (((cp - 0x10000) >> 10) & 0x3FF)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
}

std::u16string utf8_to_wstring(const std::string& text)
{
    std::u16string out;
    utf8_to_wstring(out, text);
    return out;
}

void wstring_from_utf8_literal(std::u16string& out, const char* literal)
{
    utf8_to_wstring(out, std::string(literal ? literal : ""));
}

std::u16string wstring_from_utf8_literal(const char* literal)
{
    std::u16string out;
    wstring_from_utf8_literal(out, literal);
    return out;
}

namespace {

void put_utf8(std::ostream& out, std::uint32_t cp)
{
    char buf[8];
    out.write(buf, utf8_encode(cp, buf));
}

// Writes one character (not a surrogate) escaped; prev is the character
// before it and index its position. In a value (a string the reader decodes
// "_xHHHH_" in) a carriage return is written in that form, as the
// applications write it, so that one read so goes back unchanged; markup
// kept as read keeps its character reference.
void put_escaped(std::ostream& out, std::uint32_t cp, std::uint32_t prev, std::size_t index, bool in_attribute,
                 bool value)
{
    switch (cp) {
    case '"': out << "&quot;"; return;
    case '\'': out << "&apos;"; return;
    case '&': out << "&amp;"; return;
    case '<': out << "&lt;"; return;
    case '>':
        if (index >= 2 && prev == ']') out << "&gt;";
        else out.put('>');
        return;
    case '\r': out << (value ? "_x000D_" : "&#13;"); return;
    case '\t':
    case '\n':
        if (in_attribute) out << (cp == '\t' ? "&#9;" : "&#10;");
        else out.put(static_cast<char>(cp));
        return;
    default: break;
    }
    if (cp < 0x20 || cp == 0xFFFE || cp == 0xFFFF) {
        static const char digits[] = "0123456789ABCDEF";
        char buf[8] = {'_', 'x', digits[(cp >> 12) & 15], digits[(cp >> 8) & 15], digits[(cp >> 4) & 15], digits[cp & 15], '_', 0};
        out << buf;
        return;
    }
    put_utf8(out, cp);
}

int attribute_flag_index()
{
    static const int index = std::ios_base::xalloc();
    return index;
}

}  // namespace

std::string wstring_to_utf8(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp & 0x3FF) << 10) + (text[i + 1] & 0x3FFu);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        char buf[8];
        int n = utf8_encode(cp, buf);
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

namespace {

void write_wide(std::ostream& out, const std::u16string& text, bool in_attribute, bool value)
{
    std::uint32_t prev = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        std::size_t index = i;
        if (value && cp == '_' && is_x_escape_at(text, i)) {
            out << "_x005F_";
            prev = cp;
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp & 0x3FF) << 10) + (text[i + 1] & 0x3FFu);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        put_escaped(out, cp, prev, index, in_attribute, value);
        prev = cp;
    }
}

void write_narrow(std::ostream& out, const std::string& text, bool in_attribute, bool value)
{
    std::uint32_t prev = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (value && b == '_' && is_x_escape_at(text, i)) {
            out << "_x005F_";
            prev = b;
            continue;
        }
        if (b >= 0x80) {
            // Multi-byte sequences are copied as they are; the reader has
            // checked them.
            out.put(static_cast<char>(b));
            prev = b;
            continue;
        }
        put_escaped(out, b, prev, i, in_attribute, value);
        prev = b;
    }
}

int hex_digit(std::uint32_t c)
{
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

template <class S>
bool x_escape_at(const S& text, std::size_t i)
{
    if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') return false;
    for (std::size_t k = 2; k < 6; ++k)
        if (hex_digit(static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<typename S::value_type>>(text[i + k]))) < 0)
            return false;
    return true;
}

template <class S>
char16_t x_escape_value(const S& text, std::size_t i)
{
    unsigned v = 0;
    for (std::size_t k = 2; k < 6; ++k)
        v = v * 16 + static_cast<unsigned>(hex_digit(static_cast<std::uint32_t>(
                         static_cast<std::make_unsigned_t<typename S::value_type>>(text[i + k]))));
    return static_cast<char16_t>(v);
}

}  // namespace

bool is_x_escape_at(const std::u16string& text, std::size_t i) { return x_escape_at(text, i); }
bool is_x_escape_at(const std::string& text, std::size_t i) { return x_escape_at(text, i); }

void decode_x_escapes(std::u16string& text)
{
    std::size_t i = text.find(u"_x");
    if (i == std::u16string::npos) return;
    std::u16string out(text, 0, i);
    while (i < text.size()) {
        if (x_escape_at(text, i)) {
            out.push_back(x_escape_value(text, i));
            i += 7;
        } else {
            out.push_back(text[i++]);
        }
    }
    text.swap(out);
}

void decode_x_escapes(std::string& text)
{
    std::size_t i = text.find("_x");
    if (i == std::string::npos) return;
    std::string out(text, 0, i);
    char buf[8];
    while (i < text.size()) {
        if (!x_escape_at(text, i)) {
            out.push_back(text[i++]);
            continue;
        }
        std::uint32_t cp = x_escape_value(text, i);
        i += 7;
        if (cp >= 0xD800 && cp <= 0xDBFF && x_escape_at(text, i)) {
            std::uint32_t low = x_escape_value(text, i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp & 0x3FF) << 10) + (low & 0x3FF);
                i += 7;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        out.append(buf, static_cast<std::size_t>(utf8_encode(cp, buf)));
    }
    text.swap(out);
}

void write_escaped_wstring(std::ostream& out, const std::u16string& text, bool in_attribute)
{
    write_wide(out, text, in_attribute, false);
}
void write_escaped(std::ostream& out, const std::string& text, bool in_attribute)
{
    write_narrow(out, text, in_attribute, false);
}
void write_escaped_value(std::ostream& out, const std::u16string& text, bool in_attribute)
{
    write_wide(out, text, in_attribute, true);
}
void write_escaped_value(std::ostream& out, const std::string& text, bool in_attribute)
{
    write_narrow(out, text, in_attribute, true);
}

bool stream_in_attribute(std::ostream& out) { return out.iword(attribute_flag_index()) != 0; }
void set_stream_in_attribute(std::ostream& out, bool on) { out.iword(attribute_flag_index()) = on ? 1 : 0; }

void write_escaped_wstring(std::ostream& out, const std::u16string& text)
{
    write_escaped_wstring(out, text, stream_in_attribute(out));
}

void write_escaped(std::ostream& out, const std::string& text) { write_escaped(out, text, stream_in_attribute(out)); }

}  // namespace nimb

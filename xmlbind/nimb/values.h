// Conversions between the text of attributes and elements and the typed
// values of binding objects, lexical checks, decimal bounds and escaping.
// Everything here is independent of the process locale.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace nimb {

// hexBinary bytes.
class c_binary : public std::vector<unsigned char> {
public:
    using std::vector<unsigned char>::vector;
    const unsigned char* at(std::size_t i) const { return data() + i; }
};

// The value of an empty-content type: nothing to hold.
struct c_empty {
    bool operator==(const c_empty&) const { return true; }
};

// A decimal integer as normalised text: an optional "-", then the digits
// without leading zeros ("0" for zero).
class c_big_int {
public:
    c_big_int() : m_text("0") {}
    explicit c_big_int(const char* text) { assign(text); }
    void assign(const char* text);
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

const c_big_int& big_int_uint_min();
const c_big_int& big_int_uint_max();
const c_big_int& big_int_int_min();
const c_big_int& big_int_int_max();

bool is_equal_to_big_int(const std::string& value, const c_big_int& bound);
bool is_less_than_big_int(const std::string& value, const c_big_int& bound);
inline bool is_lt_bound(const std::string& v, const c_big_int& b) { return is_less_than_big_int(v, b); }
inline bool is_ge_bound(const std::string& v, const c_big_int& b) { return !is_less_than_big_int(v, b); }
inline bool is_le_bound(const std::string& v, const c_big_int& b)
{
    return is_equal_to_big_int(v, b) || is_less_than_big_int(v, b);
}
inline bool is_gt_bound(const std::string& v, const c_big_int& b) { return !is_le_bound(v, b); }

// Lexical checks.
bool is_valid_integer(const std::string& text);
bool is_valid_bool(const std::string& text);
bool is_valid_double(const std::string& text);
bool is_valid_hex_binary(const std::string& text);

// Text to number. Numbers saturate at the limits of their type instead of
// wrapping; text that is not a number gives 0.
double parse_double(const std::string& text);
void parse_hex_binary(c_binary& out, const std::string& text);

// String values decode the format's _xHHHH_ escapes (see below); URIs and
// tokens are taken as written.
void from_string_wstring(std::u16string* out, const std::string& text);
void from_string_string(std::string* out, const std::string& text);
void from_string_uri(std::u16string* out, const std::string& text);
void from_string_binary(c_binary* out, const std::string& text);
void from_string_int(int* out, const std::string& text);
void from_string_uint(unsigned* out, const std::string& text);
void from_string_bool(bool* out, const std::string& text);
void from_string_double(double* out, const std::string& text);
void from_string_short(std::int16_t* out, const std::string& text);
void from_string_ushort(std::uint16_t* out, const std::string& text);
void from_string_schar(signed char* out, const std::string& text);
void from_string_uchar(unsigned char* out, const std::string& text);
void from_string_int64(long long* out, const std::string& text);
void from_string_uint64(unsigned long long* out, const std::string& text);
void from_string_empty(c_empty* out, const std::string& text);

// Writers.
std::ostream& write_double(std::ostream& out, double value);
std::ostream& write_bool(std::ostream& out, bool value);
std::ostream& write_hex(std::ostream& out, const c_binary& value);

std::ostream& to_string_wstring(std::ostream& out, const std::u16string* value);
std::ostream& to_string_string(std::ostream& out, const std::string* value);
std::ostream& to_string_uri(std::ostream& out, const std::u16string* value);
std::ostream& to_string_uint(std::ostream& out, const unsigned* value);
std::ostream& to_string_int(std::ostream& out, const int* value);
std::ostream& to_string_uchar(std::ostream& out, const unsigned char* value);
std::ostream& to_string_schar(std::ostream& out, const signed char* value);
std::ostream& to_string_ushort(std::ostream& out, const std::uint16_t* value);
std::ostream& to_string_short(std::ostream& out, const std::int16_t* value);
std::ostream& to_string_int64(std::ostream& out, const long long* value);
std::ostream& to_string_uint64(std::ostream& out, const unsigned long long* value);
std::ostream& to_string_bool(std::ostream& out, const bool* value);
std::ostream& to_string_double(std::ostream& out, const double* value);
std::ostream& to_string_binary(std::ostream& out, const c_binary* value);
std::ostream& return_argument(std::ostream& out, const c_empty* value);

// UTF-8 to UTF-16. A malformed sequence (bad lead or continuation byte,
// overlong form, encoded surrogate, truncated end) becomes U+FFFD and
// decoding goes on.
void utf8_to_wstring(std::u16string& out, const std::string& text);
std::u16string utf8_to_wstring(const std::string& text);
void wstring_from_utf8_literal(std::u16string& out, const char* literal);
std::u16string wstring_from_utf8_literal(const char* literal);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string wstring_to_utf8(const std::u16string& text);

// Escaping on output. Markup characters become entity references. In an
// attribute value tab, line feed and carriage return become character
// references (so that a parser's attribute normalisation keeps them); in
// text a carriage return does. A character that XML cannot hold at all (C0
// controls other than those three, U+FFFE, U+FFFF) is written in the
// format's own escape form _xHHHH_. An unpaired surrogate is written as
// U+FFFD and the rest of the text follows.
void write_escaped_wstring(std::ostream& out, const std::u16string& text, bool in_attribute);
// Same for UTF-8 text.
void write_escaped(std::ostream& out, const std::string& text, bool in_attribute);

// The format's escape of string values: _xHHHH_ (four hexadecimal digits
// of either case) stands for the UTF-16 code unit HHHH. Reading decodes
// every such escape, left to right, each once. Writing a string value
// escapes the characters XML cannot hold (above) and also a literal "_x"
// that would read as an escape: its "_" is written as _x005F_. So any text
// survives a write and a read exactly.
void decode_x_escapes(std::u16string& text);
// Same over UTF-8 text; an unpaired surrogate becomes U+FFFD.
void decode_x_escapes(std::string& text);
// True when the text holds "_x" followed by four hexadecimal digits and "_"
// at `i`.
bool is_x_escape_at(const std::u16string& text, std::size_t i);
bool is_x_escape_at(const std::string& text, std::size_t i);
void write_escaped_value(std::ostream& out, const std::u16string& text, bool in_attribute);
void write_escaped_value(std::ostream& out, const std::string& text, bool in_attribute);

// The writer marks the stream while it writes an attribute value, so that
// the value writers of the specs escape for an attribute.
bool stream_in_attribute(std::ostream& out);
void set_stream_in_attribute(std::ostream& out, bool on);
void write_escaped_wstring(std::ostream& out, const std::u16string& text);
void write_escaped(std::ostream& out, const std::string& text);

}  // namespace nimb

#include "nimb/input.h"

#include <cstring>

namespace nimb {

c_read::~c_read() = default;

c_read_memory::c_read_memory(const void* data, std::size_t size, std::string name)
    : m_name(std::move(name)),
      m_start(static_cast<const unsigned char*>(data)),
      m_cur(m_start),
      m_end(m_start ? m_start + size : m_start)
{
}

c_read_memory::~c_read_memory() { m_name.clear(); }

int c_read_memory::get()
{
    if (m_cur == m_end) return -1;
    return *m_cur++;
}

int utf8_encode(std::uint32_t cp, char* out)
{
    int n;
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        n = 1;
    } else if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        out[0] = static_cast<char>(0xF0 | ((cp >> 18) & 0x07));
        out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[3] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 4;
    }
    out[n] = 0;
    return n;
}

namespace {

bool is_space_byte(int b) { return b == ' ' || b == '\t' || b == '\n' || b == '\r' || b == '\v' || b == '\f'; }

bool equal_no_case(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
        if (!x) return true;
    }
}

const char* const msg_unrecognised = "Unrecognised character encoding";
const char* const msg_malformed = "Malformed character sequence";

}  // namespace

c_get_as_utf8::c_get_as_utf8(c_read* source, c_error* sink)
    : m_source(source), m_sink(sink), m_previous_owner(sink->owner)
{
    m_sink->owner = this;
}

c_get_as_utf8::~c_get_as_utf8() { m_sink->owner = m_previous_owner; }

const char* c_get_as_utf8::source_name() const
{
    const char* name = m_source ? m_source->get_source_name() : nullptr;
    return name ? name : "";
}

void c_get_as_utf8::fatal(enimb_error code, const char* message)
{
    m_sink->raise(sev_fatal, code, source_name(), m_line, message);
}

int c_get_as_utf8::source_byte()
{
    if (m_saved_byte != -2) {
        int b = m_saved_byte;
        m_saved_byte = -2;
        return b;
    }
    return m_source ? m_source->get() : -1;
}

void c_get_as_utf8::unget(int c)
{
    if (c < 0) return;
    if (m_push_count < push_capacity) m_push[m_push_count++] = c;
}

int c_get_as_utf8::deliver(std::uint32_t cp)
{
    m_pending_len = utf8_encode(cp, m_pending);
    m_pending_pos = 1;
    return static_cast<unsigned char>(m_pending[0]);
}

int c_get_as_utf8::get_raw()
{
    if (m_sink->has_fatal()) return -1;
    if (m_pending_pos < m_pending_len) return static_cast<unsigned char>(m_pending[m_pending_pos++]);
    switch (m_state) {
    case enc_undetected: return detect();
    case enc_single_byte: {
        int b = source_byte();
        if (b < 0) return -1;
        return b < 0x80 ? b : deliver(static_cast<std::uint32_t>(b));
    }
    case enc_utf8: {
        int b = source_byte();
        if (b < 0x80) return b;
        return decode_utf8(b);
    }
    case enc_utf16_be:
    case enc_utf16_le: return decode_utf16();
    default: return decode_ucs2();
    }
}

int c_get_as_utf8::detect()
{
    int b = source_byte();
    if (b < 0) return -1;
    int next = source_byte();
    if (b == 0xFF && next == 0xFE) {
        int c = source_byte(), z = source_byte();
        if (c > 0 && c < 128 && z == 0) {
            m_state = enc_utf16_le;
            return c;
        }
    } else if (b == 0xFE && next == 0xFF) {
        int z = source_byte(), c = source_byte();
        if (z == 0 && c > 0 && c < 128) {
            m_state = enc_utf16_be;
            return c;
        }
    } else if (b == 0xEF && next == 0xBB) {
        if (source_byte() == 0xBF) {
            m_state = enc_utf8;
            return get_raw();
        }
    } else if (b == 0 && (is_space_byte(next) || next == '<')) {
        m_state = enc_utf16_be;
        return next;
    } else if (is_space_byte(b) || b == '<') {
        if (next == 0) {
            m_state = enc_utf16_le;
            return b;
        }
        m_state = enc_utf8;
        if (next >= 0) m_saved_byte = next;
        return b;
    }
    fatal(e_encoding_not_supported, msg_unrecognised);
    return -1;
}

int c_get_as_utf8::decode_utf8(int lead)
{
    if (lead < 0) return -1;
    int count;
    int lo = 0x80, hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) count = 1;
    else if (lead == 0xE0) { count = 2; lo = 0xA0; }
    else if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF) count = 2;
    else if (lead == 0xED) { count = 2; hi = 0x9F; }
    else if (lead == 0xF0) { count = 3; lo = 0x90; }
    else if (lead >= 0xF1 && lead <= 0xF3) count = 3;
    else if (lead == 0xF4) { count = 3; hi = 0x8F; }
    else {
        fatal(e_encoding_not_supported, msg_malformed);
        return -1;
    }
    m_pending[0] = static_cast<char>(lead);
    for (int i = 1; i <= count; ++i) {
        int b = source_byte();
        bool ok = i == 1 ? (b >= lo && b <= hi) : (b >= 0x80 && b <= 0xBF);
        if (!ok) {
            fatal(e_encoding_not_supported, msg_malformed);
            return -1;
        }
        m_pending[i] = static_cast<char>(b);
    }
    m_pending_len = count + 1;
    m_pending_pos = 1;
    return lead;
}

int c_get_as_utf8::decode_utf16()
{
    auto unit = [this]() -> long {
        int a = source_byte();
        if (a < 0) return -1;
        int b = source_byte();
        if (b < 0) return -2;  // half a unit
        return m_state == enc_utf16_be ? (a << 8) | b : (b << 8) | a;
    };
    long u = unit();
    if (u == -1) return -1;
    if (u == -2) {
        fatal(e_encoding_not_supported, msg_malformed);
        return -1;
    }
    if (u >= 0xD800 && u <= 0xDBFF) {
        long low = unit();
        if (low < 0xDC00 || low > 0xDFFF) {
            fatal(e_encoding_not_supported, msg_unrecognised);
            return -1;
        }
        return deliver(static_cast<std::uint32_t>(0x10000 + ((u & 0x3FF) << 10) + (low & 0x3FF)));
    }
    if (u >= 0xDC00 && u <= 0xDFFF) {
        fatal(e_encoding_not_supported, msg_unrecognised);
        return -1;
    }
    return u < 0x80 ? static_cast<int>(u) : deliver(static_cast<std::uint32_t>(u));
}

int c_get_as_utf8::decode_ucs2()
{
    int a = source_byte();
    if (a < 0) return -1;
    int b = source_byte();
    if (b < 0) {
        fatal(e_encoding_not_supported, msg_malformed);
        return -1;
    }
    int u = m_state == enc_ucs2_be ? (a << 8) | b : (b << 8) | a;
    // UCS-2 has no surrogates: such a unit cannot stand for a character.
    if (u >= 0xD800 && u <= 0xDFFF) {
        fatal(e_encoding_not_supported, msg_unrecognised);
        return -1;
    }
    return u < 0x80 ? u : deliver(static_cast<std::uint32_t>(u));
}

int c_get_as_utf8::get_document()
{
    if (m_push_count > 0) return m_push[--m_push_count];
    for (;;) {
        int c = get_raw();
        if (c == '\r') {
            m_after_cr = true;
            ++m_line;
            return '\n';
        }
        if (c == '\n') {
            if (m_after_cr) {
                m_after_cr = false;
                continue;
            }
            ++m_line;
            return c;
        }
        m_after_cr = false;
        return c;
    }
}

bool c_get_as_utf8::raw_span(const char*& cur, const char*& end)
{
    if (m_state != enc_utf8 || m_saved_byte != -2 || m_push_count > 0 || m_pending_pos < m_pending_len || m_after_cr ||
        !m_source || m_sink->has_fatal())
        return false;
    const unsigned char *c, *e;
    if (!m_source->peek_span(c, e)) return false;
    cur = reinterpret_cast<const char*>(c);
    end = reinterpret_cast<const char*>(e);
    return true;
}

void c_get_as_utf8::raw_skip(std::size_t n, int lines)
{
    m_source->skip(n);
    m_line += lines;
}

bool c_get_as_utf8::set_encoding(const char* name)
{
    bool known = true, fits = false;
    if (equal_no_case(name, "ISO-10646-UCS-2")) {
        fits = m_state == enc_utf16_be || m_state == enc_utf16_le;
        if (fits) m_state = m_state == enc_utf16_be ? enc_ucs2_be : enc_ucs2_le;
    } else if (equal_no_case(name, "ISO-8859-1") || equal_no_case(name, "US-ASCII")) {
        fits = m_state == enc_utf8;
        m_state = enc_single_byte;
    } else if (equal_no_case(name, "UTF-8")) {
        fits = m_state == enc_utf8;
    } else if (equal_no_case(name, "UTF-16")) {
        fits = m_state == enc_utf16_be || m_state == enc_utf16_le;
    } else {
        known = false;
    }
    if (!known) {
        fatal(e_encoding_not_supported, "Unknown character encoding specified");
        return false;
    }
    if (!fits) {
        fatal(e_encoding_mismatch, "Mis-match between specfied encoding and byte format");
        return false;
    }
    return true;
}

}  // namespace nimb

// Byte sources and the transcoder that turns a document in any accepted
// encoding into one stream of UTF-8 bytes with normalised line ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "nimb/errors.h"

namespace nimb {

// An abstract source of bytes.
class c_read {
public:
    virtual bool is_open() { return true; }
    // The next byte 0-255, or -1 at the end of the data.
    virtual int get() = 0;
    virtual const char* get_source_name() { return nullptr; }
    virtual void rewind() = 0;
    // The bytes not read yet, when the source holds them in memory: scanners
    // of their own look at them and skip what they took.
    virtual bool peek_span(const unsigned char*&, const unsigned char*&) { return false; }
    virtual void skip(std::size_t) {}
    virtual ~c_read();
};

// A source over a byte buffer that the caller keeps alive.
class c_read_memory : public c_read {
public:
    c_read_memory(const void* data, std::size_t size, std::string name = std::string());
    ~c_read_memory() override;
    int get() override;
    const char* get_source_name() override { return m_name.c_str(); }
    void rewind() override { m_cur = m_start; }
    bool peek_span(const unsigned char*& cur, const unsigned char*& end) override
    {
        cur = m_cur;
        end = m_end;
        return m_cur != nullptr;
    }
    void skip(std::size_t n) override { m_cur += n < static_cast<std::size_t>(m_end - m_cur) ? n : m_end - m_cur; }

private:
    std::string m_name;
    const unsigned char* m_start;
    const unsigned char* m_cur;
    const unsigned char* m_end;
};

// Writes the UTF-8 form of a code point and a terminating zero into out
// (room for 5 bytes); returns the number of bytes written.
int utf8_encode(std::uint32_t code_point, char* out);

// Encoding states of the transcoder.
enum {
    enc_undetected = 0,
    enc_single_byte = 1,
    enc_utf8 = 2,
    enc_utf16_be = 3,
    enc_utf16_le = 4,
    enc_ucs2_be = 5,
    enc_ucs2_le = 6,
};

// Detects the encoding of a document from its first bytes, checks it against
// the declared one, and hands on every character as UTF-8 bytes. Every
// multi-byte sequence is validated whole; anything malformed is a fatal
// encoding error. Line ends: CR LF and a lone CR become LF.
class c_get_as_utf8 {
public:
    c_get_as_utf8(c_read* source, c_error* sink);
    virtual ~c_get_as_utf8();
    c_get_as_utf8(const c_get_as_utf8&) = delete;
    c_get_as_utf8& operator=(const c_get_as_utf8&) = delete;

    // The next UTF-8 byte of the document, line ends not yet normalised, or
    // -1 at the end or after a fatal error.
    int get_raw();
    // The next byte with line ends normalised and counted; characters pushed
    // back with unget come first.
    int get_document();
    // Pushes a character back; it is the next one read.
    void unget(int c);
    // Called with the encoding named by the XML declaration.
    bool set_encoding(const char* name);
    // The document's bytes not read yet, when it is UTF-8 held in memory and
    // nothing is pending here (see c_xml_reader::raw_input); raw_skip passes
    // n of them, which hold `lines` line ends.
    bool raw_span(const char*& cur, const char*& end);
    void raw_skip(std::size_t n, int lines);

    int line() const { return m_line; }
    int encoding_state() const { return m_state; }
    c_error* sink() const { return m_sink; }
    const char* source_name() const;

protected:
    void fatal(enimb_error code, const char* message);
    int pop_pushed() { return m_push[--m_push_count]; }
    bool has_pushed() const { return m_push_count > 0; }

private:
    int source_byte();
    int detect();
    int deliver(std::uint32_t code_point);
    int decode_utf8(int lead);
    int decode_utf16();
    int decode_ucs2();

    c_read* m_source;
    c_error* m_sink;
    const void* m_previous_owner;
    int m_state = enc_undetected;
    int m_saved_byte = -2;  // a byte read ahead during detection
    static constexpr int push_capacity = 8;
    int m_push[push_capacity];
    int m_push_count = 0;
    char m_pending[8];
    int m_pending_pos = 0;
    int m_pending_len = 0;
    int m_line = 1;
    bool m_after_cr = false;
};

}  // namespace nimb

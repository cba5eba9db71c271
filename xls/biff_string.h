// BIFF8 text layouts: a character count, an option byte whose bit 0 says
// 16-bit characters (else the low byte of each UTF-16 unit), the characters;
// the shared strings add formatting runs and a phonetic block and may go on
// in CONTINUE records. Texts live in the book's MemPool as zero-terminated
// UTF-16; the string objects own no memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "biff_stream.h"
#include "celvo/bytes.h"
#include "celvo/locale.h"
#include "celvo/mempool.h"
#include "celvo/text.h"

namespace celvo {

namespace strflag {
constexpr std::uint8_t kHighByte = 0x01;  // 16-bit characters
constexpr std::uint8_t kPhonetic = 0x04;  // phonetic block present
constexpr std::uint8_t kRichRuns = 0x08;  // formatting runs present
}  // namespace strflag

// Copies a text with its terminator into the pool.
const char16_t* poolCopy(MemPool& pool, u16view text);

// Count (2 bytes, or 1), option byte (unless omitted), characters.
struct XLUnicodeString {
    std::uint16_t count = 0;
    std::uint8_t options = 0;
    const char16_t* text = nullptr;
    bool optionOmitted = false;
    bool byteCount = false;

    // Reads the string; the characters must lie inside the record. Returns
    // the bytes read.
    std::size_t read(RecordCursor& in, MemPool& pool, bool omitOption = false, bool oneByteCount = false);
    // A 1-byte count over 255 throws "string is too long".
    void write(ByteWriter& out) const;
    std::size_t size() const noexcept;
    // 16-bit form; more than 65535 characters throws "string is too long";
    // a null text leaves the string as it is.
    void assign(const char16_t* newText, MemPool& pool);
    void clear() noexcept { *this = XLUnicodeString(); }
    u16view view() const noexcept { return text ? u16view(text, count) : u16view(); }
};

// Count (1 byte), option byte (unless omitted), characters.
struct ShortXLUnicodeString {
    std::uint8_t count = 0;
    std::uint8_t options = 0;
    const char16_t* text = nullptr;
    bool optionOmitted = false;

    ShortXLUnicodeString() = default;
    // More than 255 characters throws "string is too long".
    ShortXLUnicodeString(u16view newText, MemPool& pool);
    // Callers check the length first (at most 255 characters).
    void assign(u16view newText, MemPool& pool);

    std::size_t read(RecordCursor& in, MemPool& pool, bool omitOption = false);
    // The same layout inside a formula's token bytes.
    std::size_t readFromBuffer(ByteReader& in, MemPool& pool, bool omitOption = false);
    void writeToBuffer(ByteWriter& out) const { write(out); }
    void write(ByteWriter& out) const;
    // Always counts the option byte.
    std::size_t size() const noexcept;
    u16view view() const noexcept { return text ? u16view(text, count) : u16view(); }
};

// Option byte and characters; the count is kept by the record.
struct XLUnicodeStringNoCch {
    std::uint32_t count = 0;
    std::uint8_t options = 0;
    const char16_t* text = nullptr;

    std::size_t read(RecordCursor& in, MemPool& pool, std::uint32_t charCount);
    void write(ByteWriter& out) const;
    std::size_t size() const noexcept;
    void assign(u16view newText, MemPool& pool);
    void clear() noexcept { *this = XLUnicodeStringNoCch(); }
    const char16_t* textOrEmpty() const noexcept { return text ? text : u""; }
};

// A defined name's formula bytes followed by its extra bytes.
struct NameParsedFormula {
    const std::uint8_t* formula = nullptr;
    std::uint16_t formulaLength = 0;
    const std::uint8_t* extra = nullptr;
    std::uint32_t extraLength = 0;

    // Reads formulaLength bytes, then total - formulaLength extra bytes; a
    // formula longer than the total, or bytes beyond the record, fail.
    std::size_t read(RecordCursor& in, MemPool& pool, std::size_t total, std::uint16_t formulaLen);
    void write(ByteWriter& out) const;
    std::size_t size() const noexcept { return std::size_t(formulaLength) + extraLength; }
};

// The phonetic block of a shared string, kept as opaque bytes.
class ExtStringPhonetic : public BaseClass {
public:
    std::int32_t size = 0;
    const std::uint8_t* bytes = nullptr;
};

// Formatting runs and phonetic data of a shared string.
class ExtStringFormat : public BaseClass {
public:
    struct Run {
        std::uint16_t firstChar = 0;
        std::uint16_t font = 0;
    };
    std::vector<Run> runs;
    ExtStringPhonetic* phonetic = nullptr;  // owned by the pool
};

// An entry of the shared-string table: character count, option byte,
// [run count], [phonetic size], characters, [runs], [phonetic bytes].
class RichString {
public:
    RichString() = default;
    // 16-bit form, text copied into the pool, no runs or phonetic data.
    RichString(u16view newText, MemPool& pool);

    std::uint8_t options = 0;
    const char16_t* text = nullptr;
    std::uint16_t count = 0;
    ExtStringFormat* ext = nullptr;  // owned by the pool; null without runs and phonetic data

    // Reads one string from the cursor, entering the CONTINUE records it
    // goes on in (each opened by an option byte where characters go on).
    void read(RecordCursor& in, MemPool& pool);
    // Writes the string into the record in hand; `remaining` is the room the
    // caller counts in it and is kept across strings. CONTINUE records are
    // opened so that a string's header never starts in the last 9 bytes of a
    // record and no 16-bit character is split; each CONTINUE that carries on
    // characters starts with their option byte. More than 65535 characters
    // throws "string is too long".
    void write(RecordWriter& out, std::uint32_t& remaining) const;

    u16view view() const noexcept { return text ? u16view(text, count) : u16view(); }
};

// A text in both narrow (the book's code page) and UTF-16 form, converted on
// demand; the form set last is the newer one.
class ConvString {
public:
    ConvString() = default;
    explicit ConvString(const char16_t* wide) { setWide(wide); }
    explicit ConvString(const char* narrow) { setNarrow(narrow); }

    // A null text is ignored. Each set clears the conversion-failed flag.
    void setWide(const char16_t* wide);
    void setNarrow(const char* narrow);
    // The UTF-16 form; when the narrow text cannot be converted it is empty
    // and conversionFailed() is set.
    const char16_t* wideStr(const Locale& loc);
    // The narrow form; characters the code page lacks become "?" and set
    // conversionFailed().
    const char* narrowStr(const Locale& loc);
    void clear();
    bool conversionFailed() const noexcept { return failed_; }

private:
    bool wideNewer_ = false;
    bool narrowNewer_ = false;
    std::string narrow_;
    std::u16string wide_;
    bool failed_ = false;
};

// A character buffer with room for 1000 characters inline; longer requests
// take n + 1 characters from the heap.
class WideBuffer {
public:
    static constexpr std::size_t kInline = 1000;
    char16_t* get(std::size_t n);

private:
    char16_t inline_[kInline] = {};
    std::vector<char16_t> heap_;
};

}  // namespace celvo

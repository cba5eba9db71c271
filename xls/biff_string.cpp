#include "biff_string.h"

#include <algorithm>
#include <limits>

#include "codepage.h"

namespace celvo {

namespace {

[[noreturn]] void tooLong()
{
    throw xlerror("string is too long");
}

std::size_t charWidth(std::uint8_t options) noexcept
{
    return (options & strflag::kHighByte) ? 2 : 1;
}

// Converts n characters of the given width to UTF-16 units.
void widen(const std::uint8_t* p, std::size_t n, std::size_t width, char16_t* out) noexcept
{
    for (std::size_t i = 0; i < n; ++i)
        out[i] = width == 2 ? static_cast<char16_t>(getU16(p + 2 * i)) : static_cast<char16_t>(p[i]);
}

// The characters in the string's form: the low byte of each unit, or both.
void putChars(ByteWriter& out, const char16_t* text, std::size_t n, std::uint8_t options)
{
    const bool wide = options & strflag::kHighByte;
    for (std::size_t i = 0; i < n; ++i) {
        if (wide) out.u16(static_cast<std::uint16_t>(text[i]));
        else out.u8(static_cast<std::uint8_t>(text[i]));
    }
}

// count characters from a reader of contiguous bytes into the pool.
template <class Reader>
const char16_t* readChars(Reader& in, MemPool& pool, std::size_t count, std::uint8_t options)
{
    const std::size_t width = charWidth(options);
    const std::uint8_t* p = in.take(count * width);  // checked before anything is allocated
    char16_t* text = pool.allocateWide(count + 1);
    widen(p, count, width, text);
    text[count] = 0;
    return text;
}

// The characters of a string read from a record. The 8-bit characters of a
// stream whose texts are in a code page (a BIFF5 book's) are decoded through
// it: the count becomes that of their UTF-16 units, and the string is then
// in 16-bit form.
template <class Count>
const char16_t* readRecordChars(RecordCursor& in, MemPool& pool, Count& count, std::uint8_t& options)
{
    CodePageText* codePage = in.codePageText();
    if (!codePage || (options & strflag::kHighByte)) return readChars(in, pool, count, options);
    const std::uint8_t* p = in.take(count);
    const u16string text = codePage->decode(p, count);
    if (text.size() > std::numeric_limits<Count>::max()) tooLong();
    count = static_cast<Count>(text.size());
    options |= strflag::kHighByte;
    return poolCopy(pool, text);
}

}  // namespace

const char16_t* poolCopy(MemPool& pool, u16view text)
{
    char16_t* p = pool.allocateWide(text.size() + 1);
    std::copy(text.begin(), text.end(), p);
    p[text.size()] = 0;
    return p;
}

// ---------------------------------------------------------- XLUnicodeString

std::size_t XLUnicodeString::read(RecordCursor& in, MemPool& pool, bool omitOption, bool oneByteCount)
{
    optionOmitted = omitOption;
    byteCount = oneByteCount;
    count = oneByteCount ? in.u8() : in.u16();
    options = omitOption ? 0 : in.u8();
    const std::size_t read = size();
    text = readRecordChars(in, pool, count, options);
    return read;
}

void XLUnicodeString::write(ByteWriter& out) const
{
    if (byteCount) {
        if (count > 255) tooLong();
        out.u8(static_cast<std::uint8_t>(count));
    } else {
        out.u16(count);
    }
    if (!optionOmitted) out.u8(options);
    putChars(out, text, count, options);
}

std::size_t XLUnicodeString::size() const noexcept
{
    return count * charWidth(options) + (byteCount ? 1 : 2) + (optionOmitted ? 0 : 1);
}

void XLUnicodeString::assign(const char16_t* newText, MemPool& pool)
{
    if (!newText) return;
    u16view t(newText);
    if (t.size() > 65535) tooLong();
    count = static_cast<std::uint16_t>(t.size());
    options = strflag::kHighByte;
    text = poolCopy(pool, t);
}

// ----------------------------------------------------- ShortXLUnicodeString

ShortXLUnicodeString::ShortXLUnicodeString(u16view newText, MemPool& pool)
{
    if (newText.size() > 255) tooLong();
    assign(newText, pool);
}

void ShortXLUnicodeString::assign(u16view newText, MemPool& pool)
{
    if (newText.size() > 255) tooLong();
    count = static_cast<std::uint8_t>(newText.size());
    options = strflag::kHighByte;
    text = poolCopy(pool, newText);
}

std::size_t ShortXLUnicodeString::read(RecordCursor& in, MemPool& pool, bool omitOption)
{
    optionOmitted = omitOption;
    count = in.u8();
    options = omitOption ? 0 : in.u8();
    const std::size_t read = count * charWidth(options) + (omitOption ? 1 : 2);
    text = readRecordChars(in, pool, count, options);
    return read;
}

std::size_t ShortXLUnicodeString::readFromBuffer(ByteReader& in, MemPool& pool, bool omitOption)
{
    optionOmitted = omitOption;
    count = in.u8();
    options = omitOption ? 0 : in.u8();
    text = readChars(in, pool, count, options);
    return count * charWidth(options) + (omitOption ? 1 : 2);
}

void ShortXLUnicodeString::write(ByteWriter& out) const
{
    out.u8(count);
    if (!optionOmitted) out.u8(options);
    putChars(out, text, count, options);
}

std::size_t ShortXLUnicodeString::size() const noexcept
{
    return count * charWidth(options) + 2;
}

// ------------------------------------------------------ XLUnicodeStringNoCch

std::size_t XLUnicodeStringNoCch::read(RecordCursor& in, MemPool& pool, std::uint32_t charCount)
{
    count = charCount;
    options = in.u8();
    text = readChars(in, pool, count, options);
    return size();
}

void XLUnicodeStringNoCch::write(ByteWriter& out) const
{
    out.u8(options);
    putChars(out, text, count, options);
}

std::size_t XLUnicodeStringNoCch::size() const noexcept
{
    return count * charWidth(options) + 1;
}

void XLUnicodeStringNoCch::assign(u16view newText, MemPool& pool)
{
    count = static_cast<std::uint32_t>(newText.size());
    options = strflag::kHighByte;
    text = poolCopy(pool, newText);
}

// -------------------------------------------------------- NameParsedFormula

std::size_t NameParsedFormula::read(RecordCursor& in, MemPool& pool, std::size_t total, std::uint16_t formulaLen)
{
    if (formulaLen > total || total > in.remaining()) in.fail();
    formulaLength = formulaLen;
    extraLength = static_cast<std::uint32_t>(total - formulaLen);
    auto copy = [&](std::size_t n) -> const std::uint8_t* {
        if (n == 0) return nullptr;
        const std::uint8_t* src = in.take(n);
        std::uint8_t* p = pool.allocate(n);
        std::copy(src, src + n, p);
        return p;
    };
    formula = copy(formulaLength);
    extra = copy(extraLength);
    return total;
}

void NameParsedFormula::write(ByteWriter& out) const
{
    if (formulaLength) out.bytes(formula, formulaLength);
    if (extraLength) out.bytes(extra, extraLength);
}

// --------------------------------------------------------------- RichString

RichString::RichString(u16view newText, MemPool& pool)
{
    if (newText.size() > 65535) tooLong();
    options = strflag::kHighByte;
    count = static_cast<std::uint16_t>(newText.size());
    text = poolCopy(pool, newText);
}

void RichString::read(RecordCursor& in, MemPool& pool)
{
    options = 0;
    text = nullptr;
    count = 0;
    ext = nullptr;
    // A string may start at the beginning of a CONTINUE record (no option
    // byte there: only characters that go on are preceded by one). Empty
    // CONTINUE records, which some writers leave, are passed over.
    while (in.atEnd()) in.enterContinue();
    count = in.u16();
    options = in.u8();
    std::uint16_t runCount = 0;
    std::uint32_t phoneticSize = 0;
    if (options & strflag::kRichRuns) runCount = in.readInt16();
    if (options & strflag::kPhonetic) phoneticSize = in.readInt32();

    // Counts are bounded by what the stream still holds before anything is
    // allocated for them.
    if (count > in.streamLeft() || std::size_t(runCount) * 4 > in.streamLeft() || phoneticSize > in.streamLeft())
        in.fail();

    char16_t* chars = pool.allocateWide(std::size_t(count) + 1);
    std::size_t width = charWidth(options);
    for (std::size_t done = 0; done < count;) {
        if (in.atEnd()) {
            // Characters go on after an option byte; a CONTINUE may be
            // empty or hold the option byte alone.
            in.enterContinue();
            if (!in.atEnd()) width = charWidth(in.u8());
            continue;
        }
        std::size_t n = std::min<std::size_t>(count - done, in.remaining() / width);
        if (n == 0) in.fail();  // a character cut by the end of the record
        widen(in.take(n * width), n, width, chars + done);
        done += n;
    }
    chars[count] = 0;
    text = chars;

    auto extPart = [&]() {
        if (!ext) {
            ext = new ExtStringFormat;
            pool.registerObject(ext);
        }
        return ext;
    };
    if (options & strflag::kRichRuns) {
        auto& runs = extPart()->runs;
        runs.resize(runCount);
        for (auto& r : runs) {
            while (in.atEnd()) in.enterContinue();
            r.firstChar = in.u16();
            r.font = in.u16();
        }
    }
    if (options & strflag::kPhonetic) {
        auto* ph = new ExtStringPhonetic;
        pool.registerObject(ph);
        extPart()->phonetic = ph;
        ph->size = static_cast<std::int32_t>(phoneticSize);
        if (phoneticSize > 0) {
            std::uint8_t* bytes = pool.allocate(phoneticSize);
            for (std::size_t done = 0; done < phoneticSize;) {
                while (in.atEnd()) in.enterContinue();
                std::size_t n = std::min<std::size_t>(phoneticSize - done, in.remaining());
                in.bytes(bytes + done, n);
                done += n;
            }
            ph->bytes = bytes;
        }
    }
}

void RichString::write(RecordWriter& out, std::uint32_t& remaining) const
{
    std::uint32_t& r = remaining;
    const std::uint16_t runCount =
        (options & strflag::kRichRuns) && ext ? static_cast<std::uint16_t>(ext->runs.size()) : 0;
    if ((options & strflag::kRichRuns) && ext && ext->runs.size() > 65535) tooLong();
    const ExtStringPhonetic* ph = (options & strflag::kPhonetic) && ext ? ext->phonetic : nullptr;
    const std::uint32_t phoneticSize = ph && ph->size > 0 ? static_cast<std::uint32_t>(ph->size) : 0;

    if (r < 10) {
        out.startContinue();
        r = kMaxRecordData;
    }
    out.u16(count);
    out.u8(options);
    r -= 3;
    if (options & strflag::kRichRuns) {
        out.u16(runCount);
        r -= 2;
    }
    if (options & strflag::kPhonetic) {
        out.u32(phoneticSize);
        r -= 4;
    }

    ByteWriter chars;
    putChars(chars, text, count, options);
    const std::size_t total = chars.size();
    if (total <= r) {
        out.bytes(chars.buffer().data(), total);
        r -= static_cast<std::uint32_t>(total);
    } else {
        const bool wide = options & strflag::kHighByte;
        if (r & 1) r -= 1;  // never split a 16-bit character
        for (std::size_t done = 0; done < total;) {
            if (done > 0 || r == 0) {
                out.startContinue();
                out.u8(options & strflag::kHighByte);
                r = kMaxRecordData - 2;
            }
            std::size_t n = std::min<std::size_t>(total - done, r);
            // Nor a character outside the Basic Multilingual Plane: readers
            // decode each piece on its own and refuse half a surrogate pair.
            if (wide && done + n < total && isHighSurrogate(text[(done + n) / 2 - 1])) n -= 2;
            out.bytes(chars.buffer().data() + done, n);
            done += n;
            r = n == 0 ? 0 : r - static_cast<std::uint32_t>(n);
        }
    }

    if (runCount > 0)
        for (const auto& run : ext->runs) {
            if (r <= 3) {
                out.startContinue();
                r = kMaxRecordData;
            }
            out.u16(run.firstChar);
            out.u16(run.font);
            r -= 4;
        }
    for (std::size_t done = 0; done < phoneticSize;) {
        if (done > 0 || r == 0) {
            out.startContinue();
            r = kMaxRecordData;
        }
        std::size_t n = std::min<std::size_t>(phoneticSize - done, r);
        out.bytes(ph->bytes + done, n);
        done += n;
        r -= static_cast<std::uint32_t>(n);
    }
}

// --------------------------------------------------------------- ConvString

void ConvString::setWide(const char16_t* wide)
{
    if (!wide) return;
    wide_ = wide;
    wideNewer_ = true;
    narrowNewer_ = false;
    failed_ = false;
}

void ConvString::setNarrow(const char* narrow)
{
    if (!narrow) return;
    narrow_ = narrow;
    narrowNewer_ = true;
    wideNewer_ = false;
    failed_ = false;
}

const char16_t* ConvString::wideStr(const Locale& loc)
{
    if (narrowNewer_) {
        bool lossy = false;
        wide_ = loc.toWide(narrow_, &lossy);
        if (lossy) {
            wide_.clear();
            failed_ = true;
        }
        narrowNewer_ = false;
    }
    return wide_.c_str();
}

const char* ConvString::narrowStr(const Locale& loc)
{
    if (wideNewer_) {
        bool lossy = false;
        narrow_ = loc.toNarrow(wide_, &lossy);
        if (lossy) {
            // Character by character, "?" for each one the code page lacks.
            narrow_.clear();
            for (std::size_t i = 0; i < wide_.size();) {
                std::size_t n = 1;
                if (i + 1 < wide_.size() && wide_[i] >= 0xD800 && wide_[i] < 0xDC00 && wide_[i + 1] >= 0xDC00 &&
                    wide_[i + 1] < 0xE000)
                    n = 2;
                bool bad = false;
                std::string one = loc.toNarrow(u16view(wide_).substr(i, n), &bad);
                narrow_ += bad ? std::string("?") : one;
                i += n;
            }
            failed_ = true;
        }
        wideNewer_ = false;
    }
    return narrow_.c_str();
}

void ConvString::clear()
{
    *this = ConvString();
}

// --------------------------------------------------------------- WideBuffer

char16_t* WideBuffer::get(std::size_t n)
{
    if (n < kInline) return inline_;
    heap_.resize(n + 1);
    return heap_.data();
}

}  // namespace celvo

#include "celvo/text.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <stdexcept>

namespace celvo {

std::size_t u16len(const char16_t* s) noexcept
{
    if (!s) return 0;
    std::size_t n = 0;
    while (s[n]) ++n;
    return n;
}

char16_t toLowerUnit(char16_t c) noexcept
{
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    UChar32 l = u_tolower(static_cast<UChar32>(c));
    return l <= 0xFFFF ? static_cast<char16_t>(l) : c;
}

char16_t toUpperUnit(char16_t c) noexcept
{
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    UChar32 u = u_toupper(static_cast<UChar32>(c));
    return u <= 0xFFFF ? static_cast<char16_t>(u) : c;
}

int compareNoCase(u16view a, u16view b) noexcept
{
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = toLowerUnit(a[i]), y = toLowerUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

u16string utf8ToUtf16(std::string_view utf8)
{
    if (utf8.empty()) return {};
    if (utf8.size() > 0x7FFFFFF0u) throw std::length_error("text is too long");
    u16string out(utf8.size(), u'\0');  // UTF-16 never needs more units than UTF-8 bytes
    int32_t len = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &len, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) throw std::runtime_error("text conversion error");
    out.resize(static_cast<std::size_t>(len));
    return out;
}

void appendUtf8(std::string& out, u16view utf16)
{
    if (utf16.size() > 0x1FFFFFF0u) throw std::length_error("text is too long");
    // Converted through a small buffer, so that the output's storage is never
    // filled twice; a chunk ends with a whole character.
    constexpr std::size_t kChunkUnits = 128;
    char buffer[kChunkUnits * 3 + 4];
    const char16_t* p = utf16.data();
    const char16_t* const end = p + utf16.size();
    while (p != end) {
        const char16_t* const stop = end - p > static_cast<std::ptrdiff_t>(kChunkUnits) ? p + kChunkUnits : end;
        char* o = buffer;
        while (p < stop) {
            const char32_t u = *p++;
            if (u < 0x80) {
                *o++ = static_cast<char>(u);
                continue;
            }
            char32_t c = u;
            if (u >= 0xD800 && u <= 0xDFFF) {
                // A high surrogate followed by a low one is a pair (its low
                // half may lie past the chunk's stop); any other surrogate
                // stands alone and becomes U+FFFD.
                if (u <= 0xDBFF && p != end && *p >= 0xDC00 && *p <= 0xDFFF)
                    c = 0x10000 + ((u - 0xD800) << 10) + (static_cast<char32_t>(*p++) - 0xDC00);
                else
                    c = 0xFFFD;
            }
            if (c < 0x800) {
                *o++ = static_cast<char>(0xC0 | (c >> 6));
            } else if (c < 0x10000) {
                *o++ = static_cast<char>(0xE0 | (c >> 12));
                *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            } else {
                *o++ = static_cast<char>(0xF0 | (c >> 18));
                *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            }
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
        }
        out.append(buffer, static_cast<std::size_t>(o - buffer));
    }
}

std::string utf16ToUtf8(u16view utf16)
{
    std::string out;
    appendUtf8(out, utf16);
    return out;
}

u16string widenAscii(std::string_view s)
{
    u16string out;
    out.reserve(s.size());
    for (unsigned char c : s) out.push_back(static_cast<char16_t>(c));
    return out;
}

std::string narrowAscii(u16view s)
{
    std::string out;
    out.reserve(s.size());
    for (char16_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

}  // namespace celvo

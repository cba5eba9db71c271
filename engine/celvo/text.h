// UTF-16 text utilities on char16_t, independent of the process locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace celvo {

using u16string = std::u16string;
using u16view = std::u16string_view;

// Length of a NUL-terminated UTF-16 text (0 for null).
std::size_t u16len(const char16_t* s) noexcept;

// View of a NUL-terminated UTF-16 text (empty for null).
inline u16view u16(const char16_t* s) noexcept { return s ? u16view(s, u16len(s)) : u16view(); }

// Case-insensitive comparison, unit by unit through the simple lower-case
// mapping of Unicode; never depends on the process locale.
int compareNoCase(u16view a, u16view b) noexcept;
inline bool equalNoCase(u16view a, u16view b) noexcept
{
    return a.size() == b.size() && compareNoCase(a, b) == 0;
}
char16_t toLowerUnit(char16_t c) noexcept;
char16_t toUpperUnit(char16_t c) noexcept;

// The first unit of a pair that stands for a character outside the Basic
// Multilingual Plane: text cut after it would split that character.
constexpr bool isHighSurrogate(char16_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }

// UTF-8 <-> UTF-16. Ill-formed input is replaced by U+FFFD (a lone
// surrogate in UTF-16 input becomes U+FFFD in UTF-8); well-formed text,
// including characters outside the Basic Multilingual Plane, crosses
// unchanged in both directions.
u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(u16view utf16);
// Appends the UTF-8 form of the text to `out` (same substitutions), reusing
// its storage: the way to convert many texts without an allocation each.
void appendUtf8(std::string& out, u16view utf16);

// ASCII-only text (such as number text or record names) widened and narrowed.
u16string widenAscii(std::string_view s);
// Narrows text that is expected to be ASCII; units above 0x7F become '?'.
std::string narrowAscii(u16view s);

}  // namespace celvo

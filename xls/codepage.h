// The 8-bit texts of a BIFF5 book: characters of the code page that the
// book's CODEPAGE record names, one or two bytes each. (The 8-bit texts of a
// BIFF8 book are the low bytes of UTF-16 units and need none of this.)
#pragma once

#include <cstddef>
#include <cstdint>

#include "celvo/text.h"

struct UConverter;

namespace celvo {

class CodePageText {
public:
    // The texts of a book in `codePage`. Windows and Macintosh code pages are
    // known by their numbers (32768 is Mac Roman, 32769 Windows Latin 1, 367
    // US-ASCII); 1200 and 21010 name UTF-16, whose 8-bit texts are the low
    // bytes of its units, as in a BIFF8 book.
    explicit CodePageText(std::uint16_t codePage);
    ~CodePageText();
    CodePageText(const CodePageText&) = delete;
    CodePageText& operator=(const CodePageText&) = delete;

    std::uint16_t codePage() const noexcept { return codePage_; }
    // Whether the engine has a converter for the code page.
    bool known() const noexcept { return known_; }

    // n bytes as UTF-16. A byte or byte pair the code page leaves undefined,
    // and a character cut short at the end, become U+FFFD. A code page that
    // is not known throws "code page <n> is not supported".
    u16string decode(const std::uint8_t* bytes, std::size_t n);

private:
    std::uint16_t codePage_;
    bool known_ = true;
    UConverter* converter_ = nullptr;  // null: each byte is the character of that value
};

}  // namespace celvo
